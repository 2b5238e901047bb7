#include "close/gap_finder.h"

namespace lorvex::close {

std::vector<Gap> FindGaps(std::string_view bases, int64_t minGap) {
    std::vector<Gap> gaps;
    const int64_t size = static_cast<int64_t>(bases.size());
    int64_t position = 0;
    while (position < size) {
        if (bases[position] != 'N' && bases[position] != 'n') {
            ++position;
            continue;
        }
        const int64_t start = position;
        while (position < size && (bases[position] == 'N' || bases[position] == 'n')) ++position;
        if (position - start >= minGap) gaps.push_back({start, position - start});
    }
    return gaps;
}

GapFlanks FlanksOf(std::string_view bases, const std::vector<Gap>& gaps, size_t index) {
    const Gap& gap = gaps[index];
    const int64_t leftStart = index == 0 ? 0 : gaps[index - 1].end();
    const int64_t rightEnd =
        index + 1 < gaps.size() ? gaps[index + 1].start : static_cast<int64_t>(bases.size());
    return {bases.substr(leftStart, gap.start - leftStart),
            bases.substr(gap.end(), rightEnd - gap.end())};
}

}  // namespace lorvex::close
