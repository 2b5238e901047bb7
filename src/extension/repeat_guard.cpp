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

// Whether the votes exceed the local depth by half the runner-up (a copy on
// top adds about as many votes as it brings against, a variant none) and by
// their own noise.
bool VotesJump(int32_t total, int32_t runnerUp, double localDepth) {
    return total >= localDepth + std::max(runnerUp / 2.0, std::sqrt(localDepth));
}

}  // namespace

bool VotesSplitBetweenCopies(const BaseVotes& votes, double singleCopyDepth, double localDepth) {
    const int32_t runnerUp = RunnerUpVotes(votes);
    return RunnerUpSplits(runnerUp, std::min(singleCopyDepth, localDepth)) &&
           votes.Total() >= singleCopyDepth && VotesJump(votes.Total(), runnerUp, localDepth);
}

bool VotesSplitAtSteadyDepth(const BaseVotes& votes, double singleCopyDepth, double localDepth) {
    const int32_t runnerUp = RunnerUpVotes(votes);
    return RunnerUpSplits(runnerUp, std::min(singleCopyDepth, localDepth)) &&
           !VotesJump(votes.Total(), runnerUp, localDepth);
}

bool VotesSplitAboveSingleCopy(const BaseVotes& votes, double singleCopyDepth) {
    return RunnerUpSplits(RunnerUpVotes(votes), singleCopyDepth) &&
           votes.Total() >= aboveSingleCopyFactor * singleCopyDepth;
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

void SteadySplits::Add(const BaseVotes& votes) {
    ++count_;
    const int64_t runnerUp = RunnerUpVotes(votes);
    const int64_t total = votes.Total();
    if (runnerUp * largestTotal_ > largestRunnerUp_ * total) {
        largestRunnerUp_ = runnerUp;
        largestTotal_ = total;
    }
}

bool SteadySplits::Explain(const BaseVotes& votes) const {
    // runnerUp / total <= factor x largestRunnerUp_ / largestTotal_, exactly.
    const int64_t runnerUp = RunnerUpVotes(votes);
    return count_ >= steadySplitsNeeded &&
           runnerUp * largestTotal_ * steadyShareFactor.denominator <=
               steadyShareFactor.numerator * largestRunnerUp_ * votes.Total();
}

CycleObserver RepeatGuardObserver(double singleCopyDepth, std::vector<int32_t>* copySplits) {
    auto local = std::make_shared<LocalDepth>(singleCopyDepth);
    auto steady = std::make_shared<SteadySplits>();
    return [singleCopyDepth, local, steady,
            copySplits](const CycleView& cycle) -> std::optional<StopReason> {
        const double localDepth = local->Value();
        if (VotesSplitBetweenCopies(cycle.votes, singleCopyDepth, localDepth)) {
            if (!steady->Explain(cycle.votes)) {
                if (!copySplits) return StopReason::Repeat;
                copySplits->push_back(cycle.accepted + 1);
                return std::nullopt;
            }
        } else if (VotesSplitAtSteadyDepth(cycle.votes, singleCopyDepth, localDepth)) {
            steady->Add(cycle.votes);
        }
        local->Observe(cycle.votes.Total());
        return std::nullopt;
    };
}

}  // namespace lorvex
