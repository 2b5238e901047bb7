#include "prep/pair_filter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "prep/pair_grouping.h"
#include "prep/paired_input.h"

namespace lorvex::prep {
namespace {

TEST(PairName, DropsCommentAndMateSuffix) {
    EXPECT_EQ(PairName("read7/1"), "read7");
    EXPECT_EQ(PairName("read7/2 extra words"), "read7");
    EXPECT_EQ(PairName("SRR1.5 1:N:0:ACGT"), "SRR1.5");
    EXPECT_EQ(PairName("SRR1.5\t2:N:0"), "SRR1.5");
    EXPECT_EQ(PairName("gi|9626243|ref|NC_001416.1|-29100/2"), "gi|9626243|ref|NC_001416.1|-29100");
    EXPECT_EQ(PairName("read/3"), "read/3");  // only /1 and /2 mark mates
    EXPECT_EQ(PairName(""), "");
}

TEST(MateNamesAgree, ArchiveAndCasavaFormsPairButOtherNamesDoNot) {
    const struct {
        const char *first, *second;
        bool agree;
    } cases[] = {
        {"r7/1", "r7/2", true},
        {"r7 1:N:0:ACGT", "r7 2:N:0:ACGT", true},
        {"SRR059298.1 HWUSI-EAS591:1:1:4:1003 length=72",
         "SRR059298.1 HWUSI-EAS591:1:1:4:1003 length=60", true},
        // Archive mate numbers: the rest of the header agrees, lengths aside.
        {"SRR059298.1.1 HWUSI-EAS591:1:1:4:1003 length=72",
         "SRR059298.1.2 HWUSI-EAS591:1:1:4:1003 length=68", true},
        {"SRR1.5.1	length=36", "SRR1.5.2", true},
        {"read.1", "read.2", true},
        // Truly different pairs.
        {"r7/1", "r8/2", false},
        {"SRR059298.1.1 HWUSI-EAS591:1:1:4:1003 length=72",
         "SRR059298.2.2 HWUSI-EAS591:1:1:4:1004 length=72", false},
        {"SRR059298.1 HWUSI-EAS591:1:1:4:1003", "SRR059298.2 HWUSI-EAS591:1:1:4:1004", false},
        {"SRR1.1 a:1:3", "SRR1.2 a:1:4", false},  // spots 1 and 2 of unpaired reads
        {"SRR1.11", "SRR1.12", false},
        {"SRR1.5.2", "SRR1.5.1", false},
        {"SRR1.5.1", "SRR1.5.1x", false},
        {".1", ".2", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MateNamesAgree(c.first, c.second), c.agree) << c.first << " | " << c.second;
}

TEST(PackPair, CutsUpperCasesAndDrops) {
    const int32_t r = 12;
    std::string packed(PackedPairBytes(r), '\0');
    // Longer reads are cut with their qualities; lower case is upper-cased.
    EXPECT_EQ(PackPair("acgtACGTacgtTTT", "ABCDEFGHIJKLMNO", "GGGGCCCCAAAATT", "abcdefghijklmn", r,
                       packed.data()),
              PairVerdict::Kept);
    EXPECT_EQ(packed, "ACGTACGTACGTGGGGCCCCAAAAABCDEFGHIJKLabcdefghijkl");
    // One read short is enough to drop the pair.
    EXPECT_EQ(
        PackPair("ACGTACGTACG", "IIIIIIIIIII", "ACGTACGTACGTA", "IIIIIIIIIIIII", r, packed.data()),
        PairVerdict::TooShort);
    // N or any other letter within the first R bases drops it; beyond R it is cut off.
    EXPECT_EQ(
        PackPair("ACGTACGTACGN", "IIIIIIIIIIII", "ACGTACGTACGT", "IIIIIIIIIIII", r, packed.data()),
        PairVerdict::NotAcgt);
    EXPECT_EQ(
        PackPair("ACGTACGTACGT", "IIIIIIIIIIII", "ACGTAUGTACGT", "IIIIIIIIIIII", r, packed.data()),
        PairVerdict::NotAcgt);
    EXPECT_EQ(
        PackPair("ACGT.CGTACGT", "IIIIIIIIIIII", "ACGTACGTACGT", "IIIIIIIIIIII", r, packed.data()),
        PairVerdict::NotAcgt);
    EXPECT_EQ(PackPair("ACGTACGTACGTN", "IIIIIIIIIIIII", "ACGTACGTACGT.", "IIIIIIIIIIIII", r,
                       packed.data()),
              PairVerdict::Kept);
}

TEST(SortByCodeBits, StableByCodeAndOnlyOnTheRequestedBits) {
    std::mt19937_64 random(7);
    std::vector<uint64_t> keys;
    for (uint64_t i = 0; i < 20000; ++i) {
        // Few distinct codes, so that equal codes are common.
        const uint32_t code = static_cast<uint32_t>(random() % 50) * 334567u % (1u << 24);
        keys.push_back(MakeSortKey(code, i));
    }
    std::vector<uint64_t> expected = keys;
    std::stable_sort(expected.begin(), expected.end(),
                     [](uint64_t a, uint64_t b) { return KeyCode(a) < KeyCode(b); });
    std::vector<uint64_t> sorted = keys, scratch;
    SortByCodeBits(sorted, scratch, 0, prefixCodeBits);
    EXPECT_EQ(sorted, expected);

    // Sorting on the top 8 bits alone orders by them and keeps input order below.
    std::vector<uint64_t> top = keys;
    SortByCodeBits(top, scratch, 16, 24);
    EXPECT_TRUE(std::is_sorted(top.begin(), top.end(), [](uint64_t a, uint64_t b) {
        return (KeyCode(a) >> 16) < (KeyCode(b) >> 16) ||
               ((KeyCode(a) >> 16) == (KeyCode(b) >> 16) && KeyOrdinal(a) < KeyOrdinal(b));
    }));
}

}  // namespace
}  // namespace lorvex::prep
