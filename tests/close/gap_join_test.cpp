// The join of a gap's two sides against a search of every placement, on
// short sequences over two letters so that repeated overlaps (ambiguous
// joins) and flanks that overlap come up often; and the pieces that put a
// closed record together.
#include "close/gap_join.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "close/gap_closing.h"
#include "close/gap_finder.h"
#include "close/own_copy.h"

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

// Where the sides' votes split between copies, a fill base stands on a
// clean vote of one side, unless that side's own copy may have dropped out
// of its votes after a split of its last read length, or on the pairs of
// the gap's own copy; those pairs also deny a base. Cases on a 10-base fill
// (left steps count from its start, right steps from its end).
TEST(GapClosing, AFillStandsWhereEveryBaseIsCertain) {
    struct Case {
        size_t leftBases, rightBases;
        std::vector<int32_t> leftSplits, rightSplits;
        int32_t readLength;
        std::vector<std::pair<size_t, BaseVotes>> ownCopy;  // fill base, what the pairs hold
        bool certain;
    };
    const BaseVotes heldA{3, 0, 0, 0}, deniedA{1, 0, 4, 0};
    const std::vector<Case> cases = {
        {6, 4, {}, {}, 1, {}, true},        // clean sides that meet
        {6, 3, {}, {}, 1, {}, false},       // one base nobody added
        {10, 10, {4}, {}, 1, {}, true},     // the right side's clean vote covers step 4
        {10, 10, {4}, {7}, 1, {}, false},   // both sides split at the fill's fourth base
        {10, 5, {4}, {}, 1, {}, false},     // past the left split only the left side reaches
        {10, 10, {4}, {3}, 1, {}, true},    // splits at different bases ...
        {10, 10, {4}, {3}, 10, {}, false},  // ... each in the other's wake
        {10, 10, {4}, {3}, 10, {{3, heldA}}, true},     // ... until the own copy shows one
        {10, 10, {4}, {7}, 10, {{3, heldA}}, true},     // a shared split the own copy shows
        {10, 10, {4}, {7}, 10, {{3, deniedA}}, false},  // ... or denies
        {10, 10, {}, {}, 10, {{5, deniedA}}, false},    // a denial outweighs clean votes
        {10, 10, {12}, {}, 10, {}, true},               // a split past the fill
    };
    for (const Case& c : cases) {
        SideOutcome left, right;
        left.bases.assign(c.leftBases, 'A');
        left.copySplits = c.leftSplits;
        right.bases.assign(c.rightBases, 'A');
        right.copySplits = c.rightSplits;
        const size_t fill = 10;
        std::vector<BaseVotes> ownCopy(c.ownCopy.empty() ? 0 : fill);
        for (const auto& [at, votes] : c.ownCopy) ownCopy[at] = votes;
        EXPECT_EQ(EveryFillBaseCertain(std::string(fill, 'A'), left, right, ownCopy, c.readLength),
                  c.certain)
            << c.leftBases << " " << c.rightBases << " R " << c.readLength;
    }
}

// Over many small random fills: with no wake (R = 1) and no pairs of the own
// copy, a base stands exactly when one side added it cleanly; the own
// copy's holding a base never takes a fill's standing away, nor does a
// shorter wake.
TEST(GapClosing, CertaintyGrowsWithEvidenceAndShrinksWithTheWake) {
    std::mt19937 random(25);
    for (int round = 0; round < 3000; ++round) {
        const int64_t fill = std::uniform_int_distribution<int64_t>(0, 12)(random);
        const auto sideOf = [&] {
            SideOutcome side;
            side.bases.assign(std::uniform_int_distribution<size_t>(0, 14)(random), 'A');
            for (int32_t step = 1; step <= 14; ++step)
                if (random() % 4 == 0) side.copySplits.push_back(step);
            return side;
        };
        const SideOutcome left = sideOf(), right = sideOf();
        const int32_t readLength = std::uniform_int_distribution<int32_t>(1, 6)(random);
        const std::string bases(static_cast<size_t>(fill), 'A');
        const auto clean = [](const SideOutcome& side, int64_t step) {
            return step >= 1 && step <= static_cast<int64_t>(side.bases.size()) &&
                   std::find(side.copySplits.begin(), side.copySplits.end(), step) ==
                       side.copySplits.end();
        };
        bool everyBaseClean = true;
        for (int64_t at = 0; at < fill; ++at)
            everyBaseClean &= clean(left, at + 1) || clean(right, fill - at);
        EXPECT_EQ(EveryFillBaseCertain(bases, left, right, {}, 1), everyBaseClean);

        const bool certain = EveryFillBaseCertain(bases, left, right, {}, readLength);
        if (readLength > 1) {
            EXPECT_LE(certain, EveryFillBaseCertain(bases, left, right, {}, readLength - 1));
        }
        std::vector<BaseVotes> ownCopy(static_cast<size_t>(fill));
        for (BaseVotes& votes : ownCopy)
            if (random() % 3 == 0) votes.a = 2;
        EXPECT_GE(EveryFillBaseCertain(bases, left, right, ownCopy, readLength), certain);
    }
}

// A window's mates summed with its neighbours': where a family's copies
// share the windows, the sums rise several times over and those windows are
// left out; the median is the reference unless the single-copy sum is lower.
TEST(GapClosing, SingleCopyWindowsAreThoseWithOneCopysMates) {
    std::vector<int32_t> mates(600, 1);
    for (size_t at = 250; at < 400; ++at) mates[at] = 5;
    const std::vector<bool> single = SingleCopyWindows(mates, 1000);
    EXPECT_TRUE(single[100] && single[500]);
    EXPECT_FALSE(single[325]);
    EXPECT_TRUE(single[185]) << "a window wholly outside the family";
    const std::vector<bool> capped = SingleCopyWindows(std::vector<int32_t>(600, 5), 101);
    EXPECT_EQ(std::count(capped.begin(), capped.end(), true), 0)
        << "a flank all in a family has no single-copy window";
    EXPECT_TRUE(SingleCopyWindows({}, 10).empty());
}

}  // namespace
}  // namespace lorvex::close
