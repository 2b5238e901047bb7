// The reads that cover the contig's end: kept from cycle to cycle, they give
// what a fresh lookup of every end position gives, whichever cycles ask, and
// they count the bases a brute-force scan of the reads counts.
#include "extension/end_reads.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "test_support.h"

namespace lorvex {
namespace {

// The votes by scanning every first read of the table's pairs.
BaseVotes ScannedVotes(const std::string& contig, const std::vector<testing::ReadPair>& pairs,
                       int32_t readLength, int32_t voteQuality) {
    BaseVotes votes;
    for (const testing::ReadPair& pair : pairs) {
        for (int32_t overlap = minimumOverlap;
             overlap < readLength && overlap <= static_cast<int32_t>(contig.size()); ++overlap) {
            if (contig.compare(contig.size() - overlap, overlap, pair.first, 0, overlap) != 0)
                continue;
            const char quality = pair.firstQuality.empty() ? 'I' : pair.firstQuality[overlap];
            if (quality - 33 >= voteQuality) AddVote(votes, pair.first[overlap]);
        }
    }
    return votes;
}

TEST(EndReads, KeptReadsGiveWhatAFreshLookupAndAScanGive) {
    const testing::SimulatedReads reads = testing::SimulateReads(17, 3000, 40, 150, 1500, 60);
    const testing::TempDir dir;
    const testing::TableFiles files = testing::WriteTableAndIndex(dir, reads.pairs);
    const RunInputs inputs = LoadRunInputs(files.table, files.index);
    std::mt19937_64 random(17);
    for (const int32_t quality : {20, 30}) {
        EndReads kept(inputs, quality);
        std::string contig = reads.genome.substr(0, 200);
        int32_t asked = 0;
        int64_t counted = 0;
        while (contig.size() < 2500) {
            // Cycles ask now and then, in runs, as thin stretches do.
            if (std::uniform_int_distribution<int>(0, 3)(random) == 0) {
                const BaseVotes fromKept = kept.Votes(contig);
                EndReads fresh(inputs, quality);
                ASSERT_EQ(fromKept, fresh.Votes(contig)) << contig.size();
                ASSERT_EQ(fromKept, ScannedVotes(contig, reads.pairs, 40, quality))
                    << contig.size();
                ++asked;
                counted += fromKept.Total();
            }
            // A wrong base now and then: reads that covered the end drop out.
            const bool wrong = std::uniform_int_distribution<int>(0, 49)(random) == 0;
            const char right = reads.genome[contig.size()];
            contig.push_back(wrong ? (right == 'A' ? 'C' : 'A') : right);
        }
        EXPECT_GT(asked, 400);
        EXPECT_GT(counted, 3 * asked);
    }
}

}  // namespace
}  // namespace lorvex
