#include "close/gap_join.h"

#include <algorithm>
#include <vector>

namespace lorvex::close {
namespace {

// The last `count` bases of first + second.
std::string TailOf(std::string_view first, std::string_view second, int64_t count) {
    const int64_t fromSecond = std::min<int64_t>(count, static_cast<int64_t>(second.size()));
    const int64_t fromFirst = count - fromSecond;
    std::string tail(first.substr(first.size() - static_cast<size_t>(fromFirst)));
    tail += second.substr(second.size() - static_cast<size_t>(fromSecond));
    return tail;
}

// The first `count` bases of first + second.
std::string HeadOf(std::string_view first, std::string_view second, int64_t count) {
    const int64_t fromFirst = std::min<int64_t>(count, static_cast<int64_t>(first.size()));
    std::string head(first.substr(0, static_cast<size_t>(fromFirst)));
    head += second.substr(0, static_cast<size_t>(count - fromFirst));
    return head;
}

// Knuth-Morris-Pratt failure function: for every prefix of pattern, the
// length of its longest proper border.
std::vector<int64_t> Borders(const std::string& pattern) {
    std::vector<int64_t> borders(pattern.size(), 0);
    int64_t length = 0;
    for (size_t i = 1; i < pattern.size(); ++i) {
        while (length > 0 && pattern[i] != pattern[static_cast<size_t>(length)])
            length = borders[static_cast<size_t>(length - 1)];
        if (pattern[i] == pattern[static_cast<size_t>(length)]) ++length;
        borders[i] = length;
    }
    return borders;
}

}  // namespace

GapJoin JoinSides(const GapSides& sides, int64_t minOverlap) {
    GapJoin join;
    const auto size = [](std::string_view text) { return static_cast<int64_t>(text.size()); };
    const int64_t extended = size(sides.leftExtension) + size(sides.rightExtension);
    const int64_t leftSize = size(sides.leftFlank) + size(sides.leftExtension);
    const int64_t rightSize = size(sides.rightExtension) + size(sides.rightFlank);
    const int64_t shorterFlank = std::min(size(sides.leftFlank), size(sides.rightFlank));
    // Overlaps longer than this make the flanks overlap by the shorter one.
    const int64_t longest = std::min({leftSize, rightSize, extended + shorterFlank - 1});
    if (extended == 0 || longest < std::max<int64_t>(minOverlap, 1)) return join;

    // Every overlap is a border of the matched prefix of S_R against S_L's
    // tail: the longest comes from the matching, the others from the chain.
    const std::string pattern = HeadOf(sides.rightExtension, sides.rightFlank, longest);
    const std::string text = TailOf(sides.leftFlank, sides.leftExtension, longest);
    const std::vector<int64_t> borders = Borders(pattern);
    int64_t matched = 0;
    for (const char base : text) {
        while (matched > 0 && (matched == longest || base != pattern[static_cast<size_t>(matched)]))
            matched = borders[static_cast<size_t>(matched - 1)];
        if (base == pattern[static_cast<size_t>(matched)]) ++matched;
    }
    for (int64_t overlap = matched; overlap >= minOverlap && overlap > 0;
         overlap = borders[static_cast<size_t>(overlap - 1)]) {
        if (++join.placements == 1) join.overlap = overlap;
    }
    if (join.placements == 0) return join;
    if (join.placements > 1) {
        join.verdict = JoinVerdict::Ambiguous;
        join.overlap = 0;
        return join;
    }
    join.verdict = JoinVerdict::Joined;
    join.fillLength = extended - join.overlap;
    if (join.fillLength > 0) {
        // S_L + S_R[o:] from the left flank's end on: E_L, then S_R past the overlap.
        join.fill = std::string(sides.leftExtension);
        const int64_t fromRight = join.fillLength - size(sides.leftExtension);
        if (fromRight > 0) {
            const std::string rightPart =
                HeadOf(sides.rightExtension, sides.rightFlank, join.overlap + fromRight);
            join.fill += rightPart.substr(static_cast<size_t>(join.overlap));
        } else {
            join.fill.resize(static_cast<size_t>(join.fillLength));
        }
    }
    return join;
}

bool ReachedTargetOnce(std::string_view contig, int64_t flankLength, std::string_view target) {
    const int64_t targetSize = static_cast<int64_t>(target.size());
    const int64_t contigSize = static_cast<int64_t>(contig.size());
    if (targetSize == 0 || contigSize - flankLength <= 0 || contigSize < targetSize) return false;
    if (contig.substr(static_cast<size_t>(contigSize - targetSize)) != target) return false;
    const int64_t searchFrom = std::max<int64_t>(0, flankLength - targetSize + 1);
    return contig.find(target, static_cast<size_t>(searchFrom)) ==
           static_cast<size_t>(contigSize - targetSize);
}

}  // namespace lorvex::close
