// The plot's numbers: the share threshold agrees with the dominance check it
// stands for, long extensions keep their thinnest stretches, and names cannot
// break the XML, and a panel's title says what its cycles held.
#include "extend/vote_plot.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "calling/continuation.h"

namespace lorvex::extend {
namespace {

TEST(VotePlot, ShareThresholdAgreesWithTheDominanceCheck) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    for (const float ratio : {0.0f, 0.1f, 0.2f, 0.5f, 1.0f, 2.0f, 3.0f, 9.0f, -1.0f, nan, inf}) {
        const double needed = DominanceShare(ratio);
        for (int32_t highest = 1; highest <= 30; ++highest) {
            for (int32_t others = 0; others <= 30; ++others) {
                // The check takes the larger count as the winner.
                const double share =
                    static_cast<double>(std::max(highest, others)) / (highest + others);
                const bool passes = SanityCheck(highest, others, 0, 0, 0, ratio) == 1;
                // Away from the boundary, where float rounding may decide.
                if (std::fabs(share - needed) < 1e-6) continue;
                EXPECT_EQ(passes, share >= needed)
                    << "ratio " << ratio << " votes " << highest << ":" << others;
            }
        }
    }
    EXPECT_DOUBLE_EQ(DominanceShare(1.0f), 0.5);
    EXPECT_DOUBLE_EQ(DominanceShare(3.0f), 0.75);
}

// The axes: the share threshold stands inside the chart, below its top
// quarter, and the x axis has a few ascending ticks from step 1.
TEST(VotePlot, AxesShowTheThresholdAndAFewSteps) {
    for (double needed = 0; needed < 0.999; needed += 0.0005) {
        const double bottom = ShareAxisBottom(needed);
        EXPECT_LE(bottom, needed) << needed;
        EXPECT_LE((needed - bottom) / (1 - bottom), 0.75 + 1e-12) << needed;
    }
    EXPECT_EQ(ShareAxisBottom(DominanceShare(0.7f)), 0.0);
    EXPECT_EQ(ShareAxisBottom(DominanceShare(9.0f)), 0.8);
    for (size_t cycles = 1; cycles <= 3000; ++cycles) {
        const std::vector<size_t> ticks = StepTicks(cycles);
        ASSERT_FALSE(ticks.empty());
        EXPECT_EQ(ticks.front(), 1u);
        EXPECT_LE(ticks.back(), cycles);
        EXPECT_TRUE(std::is_sorted(ticks.begin(), ticks.end()) &&
                    std::adjacent_find(ticks.begin(), ticks.end()) == ticks.end());
        EXPECT_LE(ticks.size(), 7u) << cycles;
        EXPECT_GE(ticks.size(), std::min<size_t>(cycles, 3)) << cycles;
    }
}

TEST(VotePlot, ColumnsKeepTheLowestValues) {
    std::vector<PlotPoint> points(1000, PlotPoint{20, 0.9});
    points[517] = {3, 0.95};
    points[518] = {25, 0.4};
    const std::vector<PlotPoint> columns = LowestPerColumn(points, 100);
    ASSERT_EQ(columns.size(), 100u);
    EXPECT_DOUBLE_EQ(columns[51].depth, 3);
    EXPECT_DOUBLE_EQ(columns[51].share, 0.4);
    EXPECT_DOUBLE_EQ(columns[50].depth, 20);
    EXPECT_EQ(LowestPerColumn(points, 1000).size(), 1000u);
    // Uneven division still covers every point once.
    std::vector<PlotPoint> ramp;
    for (int i = 0; i < 7; ++i) ramp.push_back({static_cast<double>(i), 1});
    const std::vector<PlotPoint> three = LowestPerColumn(ramp, 3);
    ASSERT_EQ(three.size(), 3u);
    EXPECT_DOUBLE_EQ(three[0].depth, 0);
    EXPECT_DOUBLE_EQ(three[1].depth, 2);
    EXPECT_DOUBLE_EQ(three[2].depth, 4);
}

TEST(VotePlot, NamesAreEscapedForXml) {
    EXPECT_EQ(XmlText("a<b>&\"c'"), "a&lt;b&gt;&amp;&quot;c&apos;");
    EXPECT_EQ(XmlText(std::string("x\x01y\xc3\xa9")), "x?y??");
}

TEST(VotePlot, TitleTellsWhetherPairsAnchoredOrMatesVoted) {
    SideExtension side;
    side.stop = StopReason::TooFewVotes;
    side.bases = "AC";
    side.votes = {BaseVotes{5, 0, 0, 0}, BaseVotes{0, 4, 0, 0}};
    side.cycles = 3;
    side.queuedMates = 40;
    side.votesCast = 10;
    const SequenceRecord seed{"seed", "", "ACGTACGT"};
    EXPECT_NE(PlotPanel(0, seed, side, {}).find("a cycle held 13.3 mates, 3.3 votes"),
              std::string::npos);
    side.cycles = 0;
    EXPECT_EQ(PlotPanel(0, seed, side, {}).find("a cycle held"), std::string::npos);
}

}  // namespace
}  // namespace lorvex::extend
