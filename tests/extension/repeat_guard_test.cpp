// The repeat guard's rule at its edges, and the single-copy depth: replayed
// cycles count the votes an extension counts, and the estimate is their
// median, bounded and the same on any number of threads.
#include "extension/repeat_guard.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "extension/single_copy_depth.h"
#include "test_support.h"

namespace lorvex {
namespace {

TEST(RepeatGuard, FiresWhereASecondCopyVotesAtSingleCopyDepth) {
    struct Case {
        double depth;
        BaseVotes votes;
        bool fires;
    };
    const std::vector<Case> cases = {
        {15, {15, 4, 0, 0}, false},    // a minority below D / 3: errors, a thin copy
        {15, {15, 5, 0, 0}, true},     // two copies disagree
        {15, {0, 5, 0, 10}, true},     // in any order
        {15, {9, 5, 0, 0}, false},     // a split in a thin stretch
        {15, {5, 5, 5, 0}, true},      // a three-way tie
        {15, {300, 5, 0, 0}, true},    // a deep repeat: the seed's copy a small part
        {15, {300, 4, 4, 4}, false},   // deep, but no copy disagrees
        {3, {2, 1, 0, 0}, false},      // a runner-up of one vote is an error
        {3, {2, 2, 0, 0}, true},       // ... of two, at a low depth, is a copy
        {18.5, {12, 6, 1, 0}, false},  // 19 votes; runner-up below 18.5 / 3
        {18.5, {12, 7, 0, 0}, true},   // 19 votes, runner-up 7
        {18.5, {11, 7, 0, 0}, false},  // 18 votes
        {1, {0, 0, 0, 0}, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(VotesSplitBetweenCopies(c.votes, c.depth), c.fires)
            << "D " << c.depth << " votes " << c.votes.a << " " << c.votes.c << " " << c.votes.g
            << " " << c.votes.t;
    EXPECT_EQ(RunnerUpVotes({3, 9, 9, 1}), 9);
    EXPECT_EQ(RunnerUpVotes({0, 0, 7, 0}), 0);
    EXPECT_DOUBLE_EQ(GuardRunnerUpThreshold(15), 5);
    EXPECT_DOUBLE_EQ(GuardRunnerUpThreshold(3), 2);
}

class SingleCopyDepthTest : public ::testing::Test {
  protected:
    void SetUp() override {
        reads_ = testing::SimulateReads(11, 6000, 50, 200, 10000);
        files_ = testing::WriteTableAndIndex(dir_, reads_.pairs);
        inputs_ = std::make_unique<RunInputs>(LoadRunInputs(files_.table, files_.index));
    }
    std::string Slice(size_t start, size_t length) const {
        return reads_.genome.substr(start, length);
    }
    testing::TempDir dir_;
    testing::SimulatedReads reads_;
    testing::TableFiles files_;
    std::unique_ptr<RunInputs> inputs_;
};

// An extension started on the seed's first maxDistance bases that follows the
// seed sees, cycle for cycle, the votes the replay counts.
TEST_F(SingleCopyDepthTest, ReplayedCyclesCountTheVotesOfTheExtension) {
    const std::string seed = Slice(1000, 700);
    for (const Variant variant : {Variant::Main, Variant::Strict}) {
        const ExtensionRules rules{{170, 190, 3, 0.2f}, variant, 600};
        const std::vector<int32_t> replayed = ReplayedVoteTotals(seed, 1000, *inputs_, rules);
        ASSERT_EQ(replayed.size(), 510u);
        std::string contig = seed.substr(0, 190);
        std::vector<int32_t> observed;
        TieBreakSource tieBreaks = TieBreakSource::Private();
        ExtensionHooks hooks;
        hooks.observeCycle = [&](const CycleView& cycle) -> std::optional<StopReason> {
            // Only while the extension has followed the seed.
            if (cycle.contig.size() >= seed.size() ||
                seed.compare(0, cycle.contig.size(), cycle.contig) != 0)
                return StopReason::CapReached;
            observed.push_back(cycle.votes.Total());
            return std::nullopt;
        };
        ExtendContig(contig, *inputs_, rules, tieBreaks, hooks);
        ASSERT_GT(observed.size(), 400u);
        EXPECT_TRUE(std::equal(observed.begin(), observed.end(), replayed.begin()));
        EXPECT_EQ(ReplayedVoteTotals(seed, 20, *inputs_, rules).size(), 20u);
    }
}

TEST_F(SingleCopyDepthTest, EstimateIsTheMedianOverBoundedReplays) {
    const ExtensionRules rules{{170, 190, 3, 0.2f}, Variant::Main, 0};
    const std::vector<std::string> seeds = {Slice(0, 700), Slice(900, 150), Slice(1500, 1400),
                                            Slice(3000, 191), Slice(4000, 600)};
    std::vector<std::string_view> views(seeds.begin(), seeds.end());
    // Every cycle of both strands: the median of what the replays count.
    DepthSampling all;
    all.bothStrands = true;
    all.cyclesPerStrand = 10000;
    std::vector<int32_t> totals;
    for (const std::string& seed : seeds) {
        for (std::string strand : {seed, testing::ReverseComplementOf(seed)}) {
            const std::vector<int32_t> replayed =
                ReplayedVoteTotals(strand, 10000, *inputs_, rules);
            totals.insert(totals.end(), replayed.begin(), replayed.end());
        }
    }
    std::sort(totals.begin(), totals.end());
    const DepthEstimate estimate = EstimateSingleCopyDepth(views, *inputs_, rules, all);
    ASSERT_EQ(estimate.cycles, static_cast<int64_t>(totals.size()));
    EXPECT_EQ(totals.size(), 2u * (510 + 1210 + 1 + 410));
    EXPECT_DOUBLE_EQ(estimate.median,
                     (totals[totals.size() / 2 - 1] + totals[totals.size() / 2]) / 2.0);
    ASSERT_TRUE(estimate.depth);
    EXPECT_GT(*estimate.depth, 20);
    // The same on more threads; the bounds per strand and in all.
    for (const unsigned threads : {2u, 3u}) {
        DepthSampling sampling = all;
        sampling.threads = threads;
        const DepthEstimate again = EstimateSingleCopyDepth(views, *inputs_, rules, sampling);
        EXPECT_EQ(again.cycles, estimate.cycles);
        EXPECT_EQ(again.depth, estimate.depth);
        sampling.cyclesPerStrand = 100;
        EXPECT_EQ(EstimateSingleCopyDepth(views, *inputs_, rules, sampling).cycles,
                  2 * (100 + 100 + 1 + 100));
        sampling.cyclesInAll = 250;
        EXPECT_EQ(EstimateSingleCopyDepth(views, *inputs_, rules, sampling).cycles, 250);
    }
    // Distances without a window replay nothing (the programs' tests cover
    // too few cycles and a median of 0).
    const ExtensionRules noWindows{{190, 170, 3, 0.2f}, Variant::Main, 0};
    EXPECT_EQ(EstimateSingleCopyDepth(views, *inputs_, noWindows, all).cycles, 0);
}

}  // namespace
}  // namespace lorvex
