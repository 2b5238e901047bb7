// Pairs placed in the sequence they were cut from: the exact fragment lengths
// of hand-made pairs, and nothing from pairs that cannot say theirs. (The
// program tests hold the sample to any thread count.)
#include "extension/fragment_sample.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "test_support.h"

namespace lorvex {
namespace {

using testing::ReverseComplementOf;

constexpr int readLength = 110;  // the main variant compares 100 bases of it

// A fragment of `sequence` as the table holds it, in both orientations.
void AddFragment(const std::string& sequence, size_t start, size_t length,
                 std::vector<testing::ReadPair>& pairs, std::string mate = "") {
    const std::string first = sequence.substr(start, readLength);
    if (mate.empty()) mate = sequence.substr(start + length - readLength, readLength);
    pairs.push_back({first, ReverseComplementOf(mate), "", ""});
    pairs.push_back({ReverseComplementOf(mate), first, "", ""});
}

TEST(FragmentSample, PlacesEachMateOnceAndLeavesOutThoseItCannot) {
    // Two copies of a 200-base stretch, at 1000 and 1500.
    const std::string repeat = testing::RandomBases(7, 200);
    std::string sequence = testing::RandomBases(8, 2400);
    sequence.replace(1000, 200, repeat);
    sequence.replace(1500, 200, repeat);

    std::vector<testing::ReadPair> pairs;
    std::vector<int32_t> expected;  // by variant: main first
    for (const auto& [start, length] : std::vector<std::pair<size_t, size_t>>{
             {0, 110}, {10, 400}, {300, 655}, {100, 800}, {1800, 590}, {1800, 600}}) {
        AddFragment(sequence, start, length, pairs);
        expected.push_back(static_cast<int32_t>(length));
    }
    // Four read errors in the mate: still placed.
    std::string errors = sequence.substr(700 + 300 - readLength, readLength);
    for (const size_t at : {3, 40, 77, 105}) errors[at] = errors[at] == 'A' ? 'C' : 'A';
    AddFragment(sequence, 700, 300, pairs, errors);
    expected.push_back(300);
    // Unplaced: a mate upstream of its window, and one from elsewhere.
    AddFragment(sequence, 900, 0, pairs, sequence.substr(500, readLength));
    AddFragment(sequence, 900, 0, pairs, testing::RandomBases(9, readLength));
    // Ambiguous: a mate inside the repeat.
    AddFragment(sequence, 800, 350, pairs);
    // A first read that differs past base 100: the main variant selects it.
    std::string differs = sequence.substr(2000, readLength);
    differs[105] = differs[105] == 'A' ? 'C' : 'A';
    pairs.push_back({differs,
                     ReverseComplementOf(sequence.substr(2000 + 320 - readLength, readLength)), "",
                     ""});
    testing::TempDir dir;
    const testing::TableFiles files = testing::WriteTableAndIndex(dir, pairs);
    const RunInputs inputs = LoadRunInputs(files.table, files.index);

    for (const Variant variant : {Variant::Main, Variant::Strict}) {
        std::vector<int32_t> lengths = expected;
        if (variant == Variant::Main) lengths.push_back(320);
        std::sort(lengths.begin(), lengths.end());
        const FragmentSample sample = SampleFragments({sequence}, inputs, variant, 1);
        EXPECT_EQ(sample.fragmentLengths, lengths);
        EXPECT_EQ(sample.ambiguous, 1u);
        EXPECT_EQ(sample.unplaced, 2u);
        EXPECT_EQ(sample.mates, lengths.size() + 3);
        EXPECT_EQ(sample.sequenceLengths, std::vector<int32_t>{2400});
    }
}

}  // namespace
}  // namespace lorvex
