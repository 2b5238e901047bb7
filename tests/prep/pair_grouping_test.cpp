#include "prep/pair_grouping.h"

#include <gtest/gtest.h>

#include "prep/pair_filter.h"
#include "prep_test_support.h"
#include "test_support.h"

namespace lorvex::prep {
namespace {

using lorvex::testing::ReadFile;
using lorvex::testing::TempDir;

struct GroupedRun {
    std::string table;
    std::string index;
    GroupingTotals totals;
};

GroupedRun Group(const std::vector<testing::FastqPair>& pairs, int32_t readLength,
                 bool bothOrientations, uint64_t budget) {
    const TempDir dir;
    WorkFolder work(dir.path());
    PairGrouper grouper({readLength, bothOrientations, budget}, work);
    const OutputPaths paths = OutputPathsFor(dir.path() + "/out");
    GroupedTableWriter writer(paths, readLength);
    for (const testing::FastqPair& pair : pairs) {
        if (PackPair(pair.firstSequence, pair.firstQuality, pair.secondSequence, pair.secondQuality,
                     readLength, grouper.PairSlot()) == PairVerdict::Kept)
            grouper.KeepPair();
    }
    ProgressMeter quiet(false);
    grouper.WriteAll(writer, quiet);
    writer.Commit(false);
    return {ReadFile(paths.table), ReadFile(paths.index), grouper.totals()};
}

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
            const GroupedRun run = Group(pairs, 40, both, budget);
            EXPECT_EQ(run.table, expected.table) << "budget " << budget << " both " << both;
            EXPECT_EQ(run.index, expected.index) << "budget " << budget << " both " << both;
            if (budget < (uint64_t{1} << 30)) {
                EXPECT_GT(run.totals.spills, 0u);
            }
            // The bound holds except where a single pair or line exceeds it.
            if (budget > 1000) {
                EXPECT_LE(run.totals.largestHeldBytes, budget);
            }
        }
    }
}

}  // namespace
}  // namespace lorvex::prep
