#include "extension/repeat_guard.h"

#include <algorithm>
#include <array>
#include <functional>

namespace lorvex {
namespace {

bool AtLeast(int32_t votes, DepthFactor factor, double singleCopyDepth) {
    return static_cast<double>(votes) * factor.denominator >= factor.numerator * singleCopyDepth;
}

}  // namespace

int32_t RunnerUpVotes(const BaseVotes& votes) {
    std::array<int32_t, 4> counts = {votes.a, votes.c, votes.g, votes.t};
    std::nth_element(counts.begin(), counts.begin() + 1, counts.end(), std::greater<>());
    return counts[1];
}

bool VotesSplitBetweenCopies(const BaseVotes& votes, double singleCopyDepth) {
    const int32_t runnerUp = RunnerUpVotes(votes);
    return AtLeast(votes.Total(), guardVotesFactor, singleCopyDepth) &&
           runnerUp >= guardRunnerUpFloor &&
           AtLeast(runnerUp, guardRunnerUpFactor, singleCopyDepth);
}

double GuardRunnerUpThreshold(double singleCopyDepth) {
    return std::max<double>(guardRunnerUpFloor, guardRunnerUpFactor.numerator * singleCopyDepth /
                                                    guardRunnerUpFactor.denominator);
}

CycleObserver RepeatGuardObserver(double singleCopyDepth) {
    return [singleCopyDepth](const CycleView& cycle) -> std::optional<StopReason> {
        if (VotesSplitBetweenCopies(cycle.votes, singleCopyDepth)) return StopReason::Repeat;
        return std::nullopt;
    };
}

}  // namespace lorvex
