// Read errors measured on known sequence: reads from a window's own place
// are counted by their mismatches past the key, a window that gathers the
// reads of many copies is left out, and the mismatches chosen keep most of
// the pairs at the measured rate.
#include "extension/anchor_errors.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "test_support.h"

namespace lorvex {
namespace {

using testing::ReadPair;

std::string WithMismatches(std::string read, std::vector<size_t> at) {
    for (const size_t i : at) read[i] = read[i] == 'A' ? 'C' : 'A';
    return read;
}

TEST(AnchorErrors, CountsSingleCopyWindowsAndChoosesFromTheirRate) {
    constexpr int32_t r = 40;
    const std::string sequence = testing::RandomBases(3, 4000);
    std::vector<ReadPair> pairs;
    // One read at every 10th window: exact, then one, two and four
    // mismatches past the key in turn (four are not counted).
    const std::vector<std::vector<size_t>> errors = {{}, {20}, {15, 30}, {13, 14, 25, 39}};
    for (size_t start = 0, n = 0; start + r <= sequence.size(); start += 10, ++n)
        pairs.push_back({WithMismatches(sequence.substr(start, r), errors[n % 4]),
                         testing::RandomBases(start, r), "", ""});
    // A window of a repeat family: 40 copies' reads, one mismatch each.
    for (size_t copy = 0; copy < 40; ++copy)
        pairs.push_back({WithMismatches(sequence.substr(5, r), {12 + copy % 28}),
                         testing::RandomBases(9000 + copy, r), "", ""});
    testing::TempDir dir;
    const testing::TableFiles files = testing::WriteTableAndIndex(dir, pairs);
    const RunInputs inputs = LoadRunInputs(files.table, files.index);

    const AnchorMismatchCounts counts = CountAnchorMismatches({sequence}, inputs, r);
    EXPECT_EQ(counts.windows, 4000 - r + 1);
    const int64_t reads = static_cast<int64_t>((4000 - r) / 10 + 1);
    EXPECT_EQ(counts.firstReads[0], (reads + 3) / 4);
    EXPECT_EQ(counts.firstReads[1], (reads + 2) / 4);
    EXPECT_EQ(counts.firstReads[2], (reads + 1) / 4);
    EXPECT_EQ(counts.firstReads[3], 0);
    // Sampling fewer windows sees a share of them.
    EXPECT_EQ(CountAnchorMismatches({sequence}, inputs, r, 100).windows, 100);

    // About one error an anchor: two mismatches keep 85 % of the pairs,
    // one would not; few errors need none; too few reads: none either.
    EXPECT_EQ(ChooseAnchorMismatches(ErrorsPerAnchor(counts)), 2);
    EXPECT_EQ(ChooseAnchorMismatches(0.1), 0);
    EXPECT_EQ(ChooseAnchorMismatches(0.4), 1);
    EXPECT_EQ(ChooseAnchorMismatches(std::nullopt), 0);
    AnchorMismatchCounts few;
    few.firstReads = {leastExactReads - 1, 50, 0, 0};
    EXPECT_FALSE(ErrorsPerAnchor(few));
}

}  // namespace
}  // namespace lorvex
