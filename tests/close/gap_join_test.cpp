// The join of a gap's two sides against a search of every placement, on
// short sequences over two letters so that repeated overlaps (ambiguous
// joins) and flanks that overlap come up often; and the pieces that put a
// closed record together.
#include "close/gap_join.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "close/gap_closing.h"
#include "close/gap_finder.h"

namespace lorvex::close {
namespace {

// Every placement of S_R's start in S_L's coordinates, tried one by one.
GapJoin BruteForceJoin(const GapSides& sides, int64_t minOverlap) {
    const std::string left = std::string(sides.leftFlank) + std::string(sides.leftExtension);
    const std::string right = std::string(sides.rightExtension) + std::string(sides.rightFlank);
    const int64_t extended =
        static_cast<int64_t>(sides.leftExtension.size() + sides.rightExtension.size());
    const int64_t shorterFlank =
        static_cast<int64_t>(std::min(sides.leftFlank.size(), sides.rightFlank.size()));
    GapJoin join;
    for (size_t start = 0; start <= left.size(); ++start) {
        const int64_t overlap = static_cast<int64_t>(left.size() - start);
        if (overlap < minOverlap || overlap == 0 || overlap > static_cast<int64_t>(right.size()))
            continue;
        if (extended == 0 || -(extended - overlap) >= shorterFlank) continue;
        if (left.compare(start, std::string::npos, right, 0, static_cast<size_t>(overlap)) != 0)
            continue;
        if (++join.placements == 1) {
            join.overlap = overlap;
            join.fillLength = extended - overlap;
            const std::string merged = left + right.substr(static_cast<size_t>(overlap));
            if (join.fillLength > 0)
                join.fill =
                    merged.substr(sides.leftFlank.size(), static_cast<size_t>(join.fillLength));
        }
    }
    join.verdict = join.placements == 1   ? JoinVerdict::Joined
                   : join.placements == 0 ? JoinVerdict::NoOverlap
                                          : JoinVerdict::Ambiguous;
    if (join.verdict != JoinVerdict::Joined) {
        GapJoin unjoined;
        unjoined.verdict = join.verdict;
        unjoined.placements = join.placements;
        return unjoined;
    }
    return join;
}

TEST(GapJoin, AgreesWithEveryPlacementTriedOneByOne) {
    std::mt19937_64 random(15);
    const auto bases = [&](size_t most) {
        std::string text(random() % (most + 1), 'A');
        for (char& base : text) base = "AC"[random() % 2];
        return text;
    };
    size_t verdicts[3] = {0, 0, 0};
    for (int round = 0; round < 20000; ++round) {
        const std::string leftFlank = bases(12), leftExtension = bases(8);
        const std::string rightExtension = bases(8), rightFlank = bases(12);
        const int64_t minOverlap = 1 + static_cast<int64_t>(random() % 6);
        const GapSides sides{leftFlank, leftExtension, rightExtension, rightFlank};
        const GapJoin fast = JoinSides(sides, minOverlap);
        const GapJoin slow = BruteForceJoin(sides, minOverlap);
        const std::string context = leftFlank + "|" + leftExtension + "|" + rightExtension + "|" +
                                    rightFlank + " min " + std::to_string(minOverlap);
        ASSERT_EQ(fast.verdict, slow.verdict) << context;
        ++verdicts[static_cast<int>(fast.verdict)];
        if (fast.verdict == JoinVerdict::Ambiguous) continue;
        ASSERT_EQ(fast.placements, slow.placements) << context;
        ASSERT_EQ(fast.overlap, slow.overlap) << context;
        ASSERT_EQ(fast.fillLength, slow.fillLength) << context;
        ASSERT_EQ(fast.fill, slow.fill) << context;
    }
    // The random cases reach every verdict many times.
    for (const size_t count : verdicts) EXPECT_GT(count, 500u);
}

TEST(GapJoin, ATargetCountsOnceItEndsTheContigAndNowhereElse) {
    // Flank "GGGG", then the extension.
    EXPECT_TRUE(ReachedTargetOnce("GGGGTTACG", 4, "ACG"));
    EXPECT_FALSE(ReachedTargetOnce("GGGGACGACG", 4, "ACG")) << "twice in the extension";
    EXPECT_FALSE(ReachedTargetOnce("GGACGTACG", 4, "ACG")) << "once more across the flank's end";
    EXPECT_TRUE(ReachedTargetOnce("ACGGGTACG", 5, "ACG")) << "deep in the flank does not count";
    EXPECT_FALSE(ReachedTargetOnce("GGGACG", 6, "ACG")) << "nothing extended";
    EXPECT_FALSE(ReachedTargetOnce("GGGGTTACGT", 4, "ACG"));
}

TEST(GapFinder, RunsOfAtLeastMinGapNsAreGapsAndTheirFlanksLieBetween) {
    const std::string bases = "NNACGnnTTNNNNGA";
    const std::vector<Gap> gaps = FindGaps(bases, 2);
    ASSERT_EQ(gaps.size(), 3u);
    EXPECT_EQ(gaps[1].start, 5);
    EXPECT_EQ(gaps[1].length, 2);
    const GapFlanks first = FlanksOf(bases, gaps, 0);
    EXPECT_EQ(first.left, "");
    EXPECT_EQ(first.right, "ACG");
    const GapFlanks last = FlanksOf(bases, gaps, 2);
    EXPECT_EQ(last.left, "TT");
    EXPECT_EQ(last.right, "GA");
    EXPECT_EQ(FindGaps(bases, 3).size(), 1u);
}

TEST(GapClosing, ARecordIsRebuiltFromItsGapsOutcomes) {
    // A fill, flanks that overlap by two bases ("CA"), then a gap left open.
    const std::string bases = "ACGTNNNNNTTGCANNNNCAGCNNNCC";
    const std::vector<Gap> gaps = FindGaps(bases, 3);
    ASSERT_EQ(gaps.size(), 3u);
    std::vector<GapOutcome> outcomes(3);
    for (size_t i = 0; i < 3; ++i) outcomes[i].gap = gaps[i];
    outcomes[0].join.fill = "AAA";
    outcomes[0].join.fillLength = 3;
    outcomes[1].join.fillLength = -2;
    outcomes[2].open = OpenReason::NoOverlap;
    outcomes[2].left.bases = "T";
    outcomes[2].right.bases = "G";
    EXPECT_EQ(ClosedRecord(bases, outcomes, false, 1), "ACGTAAATTGCAGCNNNCC");
    EXPECT_EQ(ClosedRecord(bases, outcomes, true, 1), "ACGTAAATTGCAGCTNGCC");
    EXPECT_EQ(ClosedRecord(bases, outcomes, true, 3), "ACGTAAATTGCAGCTNNNGCC")
        << "never fewer Ns than make a gap";
}

// A fill past the guard's stops stands only where every base has a clean
// vote from one side: a split one side saw must be covered by the other
// side's clean cycle, and what one side alone reaches must come before its
// first split.
TEST(GapClosing, AFillStandsWhereEveryBaseHasACleanVote) {
    struct Case {
        int64_t fill;
        size_t leftBases, rightBases;
        std::vector<int32_t> leftSplits, rightSplits;  // steps out from each flank
        bool vouched;
    };
    const std::vector<Case> cases = {
        {10, 6, 4, {}, {}, true},       // clean sides that meet
        {10, 6, 3, {}, {}, false},      // one base nobody added
        {10, 10, 10, {4}, {}, true},    // the right side's clean vote covers step 4
        {10, 10, 10, {4}, {7}, false},  // both sides split at the fill's fifth base
        {10, 10, 10, {4}, {6}, true},   // splits at different bases
        {10, 10, 5, {4}, {}, false},    // past the left split only the left side reaches
        {10, 10, 7, {4, 9}, {}, true},  // both left splits within the right side's reach
        {0, 0, 0, {}, {}, true},        // flanks that meet: nothing to vouch for
    };
    for (const Case& c : cases) {
        SideOutcome left, right;
        left.bases.assign(c.leftBases, 'A');
        left.copySplits = c.leftSplits;
        right.bases.assign(c.rightBases, 'A');
        right.copySplits = c.rightSplits;
        EXPECT_EQ(EveryFillBaseVouched(c.fill, left, right), c.vouched)
            << c.fill << " " << c.leftBases << " " << c.rightBases;
    }
}

}  // namespace
}  // namespace lorvex::close
