// The repeat guard's rule at its edges, its local depth, and
// the single-copy depth: the per-window rate fitted to the table's sample,
// replayed cycles that count the votes an extension counts, and an estimate
// bounded and the same on any number of threads.
#include "extension/repeat_guard.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "extension/single_copy_depth.h"
#include "test_support.h"

namespace lorvex {
namespace {

TEST(RepeatGuard, FiresWhereASecondCopyAddsItsVotes) {
    struct Case {
        double depth, local;
        BaseVotes votes;
        bool fires;
    };
    const std::vector<Case> cases = {
        {15, 15, {15, 4, 0, 0}, false},     // a minority below D / 3: errors, a thin copy
        {15, 15, {20, 10, 0, 0}, true},     // a second copy on top of the first
        {15, 15, {0, 8, 0, 14}, true},      // in any order
        {15, 15, {10, 5, 0, 0}, false},     // a variant at steady depth
        {15, 15, {9, 9, 0, 0}, false},      // an even one: the ratio decides
        {15, 15, {300, 5, 0, 0}, true},     // a deep repeat: the seed's copy a small part
        {15, 15, {300, 4, 4, 4}, false},    // deep, but no copy disagrees
        {3, 3, {2, 1, 0, 0}, false},        // a runner-up of one vote is an error
        {3, 3, {4, 3, 0, 0}, true},         // ... of three, at a low depth, a copy
        {15, 200, {170, 40, 0, 0}, false},  // a variant where the coverage is high
        {15, 100, {82, 30, 0, 0}, false},   // ... where it rose by less than half the runner-up
        {15, 200, {200, 60, 0, 0}, true},   // a copy on top of high coverage
        {15, 6, {8, 4, 0, 0}, false},       // a thin stretch: below D
        {15, 10, {9, 11, 0, 0}, true},      // a copy's end after a thin stretch
        {1, 1, {0, 0, 0, 0}, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(VotesSplitBetweenCopies(c.votes, c.depth, c.local), c.fires)
            << "D " << c.depth << " local " << c.local << " votes " << c.votes.a << " " << c.votes.c
            << " " << c.votes.g << " " << c.votes.t;
    EXPECT_EQ(RunnerUpVotes({3, 9, 9, 1}), 9);
    EXPECT_EQ(RunnerUpVotes({0, 0, 7, 0}), 0);
    EXPECT_DOUBLE_EQ(GuardRunnerUpThreshold(15), 5);
    EXPECT_DOUBLE_EQ(GuardRunnerUpThreshold(3), 2);
    // Against D alone, whatever the local depth: a family's split at its own
    // depth is one between copies; errors at any depth, and a variant of one
    // copy below 1.5 D, are not.
    EXPECT_TRUE(VotesSplitAboveSingleCopy({198, 20, 0, 0}, 17));
    EXPECT_FALSE(VotesSplitAboveSingleCopy({300, 4, 0, 0}, 17));
    EXPECT_FALSE(VotesSplitAboveSingleCopy({18, 7, 0, 0}, 17));
}

// A side at a steady 100 votes (D 50) that passes variant splits of 25
// against 75 at the given steps, then meets a split with a jump: a variant
// where coverage rose by a third when the side has passed two such splits,
// however long ago, a copy otherwise.
TEST(RepeatGuard, ASplitWithAJumpIsAVariantOnlyAfterSplitsAtSteadyDepth) {
    const auto stops = [](const std::vector<int32_t>& sites, BaseVotes last) {
        const CycleObserver guard = RepeatGuardObserver(50);
        const std::string contig = "ACGT";
        for (int32_t step = 0; step < 3000; ++step) {
            const bool site = std::find(sites.begin(), sites.end(), step) != sites.end();
            const BaseVotes votes = site ? BaseVotes{75, 25, 0, 0} : BaseVotes{100, 0, 0, 0};
            EXPECT_FALSE(guard({contig, votes, {}, step})) << step;
        }
        return guard({contig, last, {}, 3000}).has_value();
    };
    const std::vector<int32_t> recent = {2200, 2500, 2800};
    EXPECT_FALSE(stops(recent, {100, 33, 0, 0}));
    EXPECT_TRUE(stops(recent, {70, 70, 0, 0}));        // a share new to the side
    EXPECT_TRUE(stops({}, {100, 33, 0, 0}));           // no split before
    EXPECT_TRUE(stops({2800}, {100, 33, 0, 0}));       // one is not enough
    EXPECT_FALSE(stops({200, 500}, {100, 33, 0, 0}));  // however long ago
    EXPECT_FALSE(stops(recent, {125, 0, 0, 0}));       // a jump without a split
}

// The local depth is D until the side has 20 cycles of its own, which enter
// at any depth; then it follows steady cycles with their median and keeps
// out the cycles of a jump, its low swings included.
TEST(RepeatGuard, LocalDepthFollowsSteadyCyclesNotJumps) {
    LocalDepth local(15);
    for (int i = 0; i < 19; ++i) local.Observe(40);  // a side that starts where coverage is high
    EXPECT_EQ(local.Value(), 15);
    local.Observe(40);
    EXPECT_EQ(local.Value(), 40);
    for (int step = 0; step < 40; ++step)  // a slow rise is followed
        for (int i = 0; i < 50; ++i) local.Observe(40 + step);
    EXPECT_EQ(local.Value(), 78);
    for (int i = 0; i < 500; ++i) local.Observe(150);  // a jump is not
    EXPECT_EQ(local.Value(), 78);
    for (int i = 0; i < 1000; ++i) local.Observe(i % 2 ? 108 : 190);  // nor a doubling's low swings
    EXPECT_EQ(local.Value(), 78);
    for (int i = 0; i < 500; ++i) local.Observe(5);  // a thin stretch is
    EXPECT_EQ(local.Value(), 5);
}

// Other pairs per window: a Poisson law at the single-copy rate, with reads
// whose errors leave them alone and repeats at a hundred times the rate mixed in;
// the fit finds the single-copy rate.
TEST(RepeatGuard, AnchorsPerWindowFitsTheSingleCopyRate) {
    std::mt19937_64 random(7);
    for (const double rate : {0.3, 1.0, 4.0, 12.0}) {
        std::vector<int32_t> others;
        std::poisson_distribution<int32_t> single(rate), repeat(100 * rate);
        std::uniform_real_distribution<double> share(0, 1);
        for (int i = 0; i < 40000; ++i) {
            const double draw = share(random);
            others.push_back(draw < 0.3 ? 0 : draw < 0.6 ? repeat(random) : single(random));
        }
        EXPECT_NEAR(AnchorsPerWindow(others), rate, 0.1 * rate) << rate;
    }
    EXPECT_EQ(AnchorsPerWindow({0, 0, 1, 2}), 0);  // too few to fit
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
