#include "close/own_copy.h"

#include <algorithm>
#include <string>

#include "extension/mate_pileup.h"
#include "seq/nucleotide.h"

namespace lorvex::close {
namespace {

// The pileup over the `fillLength` bases after the first `flankLength` bases
// of `record`, from the flank's single-copy windows that reach them.
std::vector<BaseVotes> FlankPileup(const std::string& record, int64_t flankLength,
                                   int64_t fillLength, const RunInputs& inputs,
                                   const ExtensionRules& rules, double singleCopySum) {
    const int32_t readLength = inputs.ReadLength();
    // A window's mates start at most `farthest` bases after it.
    const int64_t reach = PileupGeometryFor(rules, readLength).farthest + readLength;
    const int64_t firstUsed = std::max<int64_t>(0, flankLength - reach);
    const int64_t firstCounted = std::max<int64_t>(0, firstUsed - ownCopyNeighbours);
    std::vector<int64_t> windows;
    for (int64_t window = firstCounted; window + readLength <= flankLength; ++window)
        windows.push_back(window);
    const std::vector<bool> single =
        SingleCopyWindows(WindowMateCounts(record, windows, inputs, rules), singleCopySum);
    std::vector<int64_t> used;
    for (size_t i = 0; i < windows.size(); ++i)
        if (windows[i] >= firstUsed && single[i]) used.push_back(windows[i]);
    return WindowsPileup(record, flankLength, flankLength + fillLength, used, inputs, rules);
}

}  // namespace

std::vector<bool> SingleCopyWindows(const std::vector<int32_t>& matesPerWindow,
                                    double singleCopySum) {
    const auto count = static_cast<int64_t>(matesPerWindow.size());
    std::vector<int64_t> sums(matesPerWindow.size(), 0);
    int64_t running = 0;  // the counts from `at` - neighbours to `at` + neighbours
    for (int64_t at = 0; at < std::min(count, ownCopyNeighbours); ++at)
        running += matesPerWindow[static_cast<size_t>(at)];
    for (int64_t at = 0; at < count; ++at) {
        if (at + ownCopyNeighbours < count)
            running += matesPerWindow[static_cast<size_t>(at + ownCopyNeighbours)];
        if (at - ownCopyNeighbours - 1 >= 0)
            running -= matesPerWindow[static_cast<size_t>(at - ownCopyNeighbours - 1)];
        sums[static_cast<size_t>(at)] = running;
    }
    std::vector<bool> single(matesPerWindow.size(), false);
    if (sums.empty()) return single;
    std::vector<int64_t> sorted = sums;
    const auto middle = sorted.begin() + static_cast<std::ptrdiff_t>(sorted.size() / 2);
    std::nth_element(sorted.begin(), middle, sorted.end());
    const double reference = std::min(static_cast<double>(*middle), singleCopySum);
    for (size_t i = 0; i < sums.size(); ++i)
        single[i] = static_cast<double>(sums[i]) <= ownCopyFactor * reference;
    return single;
}

double SingleCopyMateSum(double singleCopyDepth, int32_t readLength) {
    // The windows select more mates than vote (about 1.4 times on the repeat
    // benchmark: sums of 23 to 28 at D 17), hence twice D / R a window.
    return 2 * singleCopyDepth / std::max(1, readLength) *
           static_cast<double>(2 * ownCopyNeighbours + 1);
}

std::vector<BaseVotes> OwnCopyPileup(std::string_view left, std::string_view fill,
                                     std::string_view right, const RunInputs& inputs,
                                     const ExtensionRules& rules, double singleCopyDepth) {
    const double singleCopySum = SingleCopyMateSum(singleCopyDepth, inputs.ReadLength());
    const auto fillLength = static_cast<int64_t>(fill.size());
    std::string record;
    record.reserve(left.size() + fill.size() + right.size());
    record.append(left).append(fill).append(right);
    std::vector<BaseVotes> counts = FlankPileup(record, static_cast<int64_t>(left.size()),
                                                fillLength, inputs, rules, singleCopySum);
    ReverseComplement(record.data(), static_cast<int32_t>(record.size()));
    const std::vector<BaseVotes> back = FlankPileup(record, static_cast<int64_t>(right.size()),
                                                    fillLength, inputs, rules, singleCopySum);
    AddReverseComplementCounts(counts, back);
    return counts;
}

}  // namespace lorvex::close
