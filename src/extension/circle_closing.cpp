#include "extension/circle_closing.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace lorvex {

CircleRule CircleRuleFor(const RunParameters& parameters, int32_t readLength) {
    return {2 * parameters.maxDistance + readLength, parameters.maxDistance + readLength};
}

CycleObserver CircleObserver(std::string heldBefore, CircleRule rule,
                             std::optional<double> singleCopyDepth) {
    // The vote totals of the side's last depthWindow accepted bases, and
    // those of the cycle before, whose base is accepted when a cycle follows.
    std::vector<int32_t> recentVotes(static_cast<size_t>(std::max(rule.depthWindow, 1)), 0);
    int32_t lastVotes = 0;
    return [heldBefore = std::move(heldBefore), rule, singleCopyDepth, recentVotes,
            lastVotes](const CycleView& cycle) mutable -> std::optional<StopReason> {
        if (cycle.accepted > 0)
            recentVotes[static_cast<size_t>(cycle.accepted - 1) % recentVotes.size()] = lastVotes;
        lastVotes = cycle.votes.Total();
        const std::string& contig = cycle.contig;
        const size_t length = static_cast<size_t>(rule.overlap);
        const size_t before = heldBefore.size();
        const size_t held = before + contig.size();
        if (rule.overlap <= 0 || static_cast<int64_t>(before) + cycle.accepted < rule.overlap ||
            held < 2 * length)
            return std::nullopt;
        const auto at = [&](size_t i) { return i < before ? heldBefore[i] : contig[i - before]; };
        // From the last base back: most cycles differ there.
        for (size_t i = length; i-- > 0;)
            if (at(i) != at(held - length + i)) return std::nullopt;
        const int64_t own = std::min<int64_t>(cycle.accepted, rule.depthWindow);
        if (singleCopyDepth && own > 0) {
            std::vector<int32_t> votes(recentVotes.begin(), recentVotes.begin() + own);
            std::nth_element(votes.begin(), votes.begin() + own / 2, votes.end());
            if (votes[own / 2] >= circleDepthLimit * *singleCopyDepth) return std::nullopt;
        }
        return StopReason::Circular;
    };
}

std::string CircleFrom(const std::string& contig, size_t start, int32_t overlap) {
    const size_t length = contig.size() - static_cast<size_t>(overlap);
    std::string circle;
    circle.reserve(length);
    const size_t from = start % length;
    circle.append(contig, from, length - from);
    circle.append(contig, 0, from);
    return circle;
}

}  // namespace lorvex
