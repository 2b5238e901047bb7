#include "prep/read_length_choice.h"

#include <gtest/gtest.h>

#include "prep/pair_filter.h"
#include "prep_test_support.h"

namespace lorvex::prep {
namespace {

using testing::FastqPair;

// Pairs kept at R by the filter the table is written with.
uint64_t KeptByFilter(const std::vector<FastqPair>& pairs, int32_t readLength) {
    std::string packed(PackedPairBytes(readLength), '\0');
    uint64_t kept = 0;
    for (const FastqPair& pair : pairs)
        kept += PackPair(pair.firstSequence, pair.firstQuality, pair.secondSequence,
                         pair.secondQuality, readLength, packed.data()) == PairVerdict::Kept;
    return kept;
}

std::vector<LengthCandidate> CandidatesOf(const std::vector<FastqPair>& pairs) {
    PairLengths lengths;
    for (const FastqPair& pair : pairs) lengths.Add(pair.firstSequence, pair.secondSequence);
    return LengthCandidates(lengths);
}

// Trimmed and whole reads of many lengths, with N, '.' and lower case: the
// candidates count exactly the pairs the filter keeps at every R, and the
// choice is the R of the most pairs x (R - 20), found by trying every R.
TEST(ReadLengthChoice, CountsWhatTheFilterKeepsAndMaximisesPairsTimesOverlaps) {
    for (int seed = 1; seed <= 12; ++seed) {
        const int fullLength = 20 + 11 * seed;
        std::vector<FastqPair> pairs = testing::SimulatePairs(seed, 150, fullLength);
        const bool trimmed = seed % 3 != 0;
        if (trimmed) pairs = testing::TrimmedPairs(seed, pairs, 8 + seed);
        for (size_t i = 0; i < pairs.size(); i += 7)
            for (char& base : pairs[i].secondSequence) base = static_cast<char>(std::tolower(base));
        const std::vector<LengthCandidate> candidates = CandidatesOf(pairs);

        int32_t best = 0;
        uint64_t bestRoom = 0;
        for (int32_t r = leastReadLength; r <= fullLength + 1; ++r) {
            const uint64_t kept = KeptByFilter(pairs, r);
            ASSERT_EQ(PairsKeptAt(candidates, r), kept) << "seed " << seed << ", R " << r;
            const uint64_t room = r > 20 ? kept * static_cast<uint64_t>(r - 20) : 0;
            if (room > 0 && room >= bestRoom) {
                best = r;
                bestRoom = room;
            }
        }
        const int32_t chosen = ChooseReadLength(candidates);
        EXPECT_EQ(chosen, best) << "seed " << seed;
        if (!trimmed) {
            EXPECT_EQ(chosen, fullLength) << "reads of one length give that length";
        }
    }
}

TEST(ReadLengthChoice, LimitsOfTheTableFormat) {
    // No pair with more than 20 usable bases: no mate could vote, no choice.
    EXPECT_EQ(ChooseReadLength(CandidatesOf(testing::SimulatePairs(3, 20, 20))), 0);
    EXPECT_TRUE(CandidatesOf(testing::SimulatePairs(3, 20, 11)).empty());
    // Reads beyond the longest table read are cut to it.
    EXPECT_EQ(ChooseReadLength(CandidatesOf(testing::SimulatePairs(4, 5, 1500, 1600))),
              greatestReadLength);
}

}  // namespace
}  // namespace lorvex::prep
