#include "extension/repeat_guard.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <memory>

namespace lorvex {

int32_t RunnerUpVotes(const BaseVotes& votes) {
    std::array<int32_t, 4> counts = {votes.a, votes.c, votes.g, votes.t};
    std::nth_element(counts.begin(), counts.begin() + 1, counts.end(), std::greater<>());
    return counts[1];
}

namespace {

// Whether a runner-up is a split against `depth`: guardRunnerUpFactor of it
// and at least guardRunnerUpFloor votes.
bool RunnerUpSplits(int32_t runnerUp, double depth) {
    return runnerUp >= guardRunnerUpFloor &&
           static_cast<double>(runnerUp) * guardRunnerUpFactor.denominator >=
               guardRunnerUpFactor.numerator * depth;
}

}  // namespace

bool VotesSplitBetweenCopies(const BaseVotes& votes, double singleCopyDepth, double localDepth) {
    const int32_t runnerUp = RunnerUpVotes(votes);
    if (!RunnerUpSplits(runnerUp, std::min(singleCopyDepth, localDepth))) return false;
    const double excess = std::max(runnerUp / 3.0, std::sqrt(localDepth));
    return votes.Total() >= singleCopyDepth && votes.Total() >= localDepth + excess;
}

bool VotesSplitAboveSingleCopy(const BaseVotes& votes, double singleCopyDepth) {
    return RunnerUpSplits(RunnerUpVotes(votes), singleCopyDepth) &&
           votes.Total() >= admitFactor * singleCopyDepth;
}

double GuardRunnerUpThreshold(double singleCopyDepth) {
    return std::max<double>(guardRunnerUpFloor, guardRunnerUpFactor.numerator * singleCopyDepth /
                                                    guardRunnerUpFactor.denominator);
}

void LocalDepth::Observe(int32_t votes) {
    // Until the side has localDepthLeast cycles of its own, every cycle
    // enters: the depth where a side starts is its own, however far from D.
    const bool started = recent_.size() >= localDepthLeast;
    if (started && votes >= std::max(admitFactor * Value(), global_)) return;
    if (recent_.size() < localDepthCycles) {
        recent_.push_back(votes);
    } else {
        recent_[next_] = votes;
        next_ = (next_ + 1) % localDepthCycles;
    }
    if (recent_.size() < localDepthLeast) return;
    std::vector<int32_t> sorted = recent_;
    const auto middle = sorted.begin() + static_cast<std::ptrdiff_t>(sorted.size() / 2);
    std::nth_element(sorted.begin(), middle, sorted.end());
    value_ = std::max(1, *middle);
}

CycleObserver RepeatGuardObserver(double singleCopyDepth, std::vector<int32_t>* copySplits) {
    auto local = std::make_shared<LocalDepth>(singleCopyDepth);
    return
        [singleCopyDepth, local, copySplits](const CycleView& cycle) -> std::optional<StopReason> {
            if (VotesSplitBetweenCopies(cycle.votes, singleCopyDepth, local->Value())) {
                if (!copySplits) return StopReason::Repeat;
                copySplits->push_back(cycle.accepted + 1);
                return std::nullopt;
            }
            local->Observe(cycle.votes.Total());
            return std::nullopt;
        };
}

}  // namespace lorvex
