#include "prep/pair_grouping.h"

#include <gtest/gtest.h>

#include "prep/pair_filter.h"
#include "prep_test_support.h"
#include "test_support.h"

namespace lorvex::prep {
namespace {

using lorvex::testing::TempDir;

// Pairs whose reads share few prefixes, so that some buckets are far larger
// than the budget and one code alone outgrows it.
std::vector<testing::FastqPair> SkewedPairs() {
    std::vector<testing::FastqPair> pairs = testing::SimulatePairs(11, 1500, 40);
    for (size_t i = 0; i < pairs.size(); i += 3)
        pairs[i].firstSequence.replace(0, 12, "AAAAAAAAAAAA");
    for (size_t i = 1; i < pairs.size(); i += 3) pairs[i].secondSequence.replace(0, 6, "ACGTAC");
    return pairs;
}

TEST(PairGrouper, EveryBudgetGivesTheBytesOfTheModel) {
    const std::vector<testing::FastqPair> pairs = SkewedPairs();
    for (const bool both : {true, false}) {
        const testing::ExpectedOutput expected = testing::ExpectedTableAndIndex(pairs, 40, both);
        for (const uint64_t budget :
             {uint64_t{1} << 30, uint64_t{100000}, uint64_t{9000}, uint64_t{1}}) {
            const TempDir work;
            const testing::GroupedOutput run =
                testing::GroupPairs(pairs, 40, both, budget, work.path());
            EXPECT_EQ(run.table, expected.table) << "budget " << budget << " both " << both;
            EXPECT_EQ(run.index, expected.index) << "budget " << budget << " both " << both;
            if (budget < (uint64_t{1} << 30)) {
                EXPECT_GT(run.totals.spills, 0u);
            }
            // The bound holds except where a single pair or line exceeds it.
            if (budget > 1000) {
                EXPECT_LE(run.totals.largestHeldBytes, budget);
            }
            EXPECT_TRUE(testing::FolderEntries(work.path()).empty());
        }
    }
}

// A run that fails after the pairs began to spill (bad input further on, a
// stop signal) abandons the grouping: its bucket files go with the work
// folder, and the table and index never reach their names.
TEST(PairGrouper, AnAbandonedGroupingLeavesNothing) {
    const TempDir dir;
    const std::vector<testing::FastqPair> pairs = SkewedPairs();
    {
        WorkFolder work(dir.path());
        PairGrouper grouper({40, true, 9000}, work);
        const OutputPaths paths = OutputPathsFor(dir.path() + "/out");
        GroupedTableWriter writer(paths, 40);
        for (const testing::FastqPair& pair : pairs)
            if (PackPair(pair.firstSequence, pair.firstQuality, pair.secondSequence,
                         pair.secondQuality, 40, grouper.PairSlot()) == PairVerdict::Kept)
                grouper.KeepPair();
        ASSERT_GT(grouper.totals().spills, 0u);
        ASSERT_TRUE(work.created());
        EXPECT_FALSE(testing::FolderEntries(work.path()).empty());
    }
    EXPECT_TRUE(testing::FolderEntries(dir.path()).empty());
}

}  // namespace
}  // namespace lorvex::prep
