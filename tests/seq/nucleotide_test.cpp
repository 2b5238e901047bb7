#include "seq/nucleotide.h"

#include <gtest/gtest.h>

#include <string>

#include "reference/literal_sequence.h"

namespace lorvex {
namespace {

uint32_t Code(const std::string& text) {
    return DnaToUint(text.c_str(), static_cast<int32_t>(text.size()));
}

TEST(DnaToUint, WeighsTheFirstBaseMost) {
    EXPECT_EQ(Code("ACGT"), 27u);
    EXPECT_EQ(Code("AAAAAAAAAAAC"), 1u);
    EXPECT_EQ(Code("CAAAAAAAAAAA"), 4194304u);
    EXPECT_EQ(Code("TTTTTTTTTTTT"), 16777215u);
}

TEST(DnaToUint, CountsEverythingButUpperCaseCGTAsA) {
    EXPECT_EQ(Code("acgt"), 0u);
    EXPECT_EQ(Code("NNNNNNNNNNNN"), Code("AAAAAAAAAAAA"));
    EXPECT_EQ(DnaToUint("ACGT", 0), 0u);
    EXPECT_EQ(DnaToUint("ACGT", -3), 0u);
}

TEST(DnaToUint, WrapsHighDigitsBeyondSixteenBases) {
    // 17 bases: the first base's digit lands above bit 31 and wraps away.
    EXPECT_EQ(Code("T" + std::string(16, 'A')), 0u);
    EXPECT_EQ(Code("A" + std::string(15, 'A') + "C"), 1u);
}

TEST(PosIntPower, MultipliesExponentTimes) {
    EXPECT_EQ(PosIntPower(4, 0), 1);
    EXPECT_EQ(PosIntPower(4, -2), 1);
    EXPECT_EQ(PosIntPower(4, 12), 16777216);
    EXPECT_EQ(PosIntPower(2, 32), 0);  // wraps
}

TEST(ReverseString, ReversesOddAndEvenLengths) {
    std::string odd = "ABCDE", one = "X", even = "ABCD";
    ReverseString(odd.data(), 5);
    ReverseString(one.data(), 1);
    ReverseString(even.data(), 4);
    EXPECT_EQ(odd, "EDCBA");
    EXPECT_EQ(one, "X");
    EXPECT_EQ(even, "DCBA");
    std::string untouched = "AB";
    ReverseString(untouched.data(), 0);
    EXPECT_EQ(untouched, "AB");
}

TEST(ReverseComplement, ComplementsEveryByteIncludingTheMiddle) {
    std::string t = "T", gattaca = "GATTACA", even = "AACG", odd = "ACG";
    ReverseComplement(t.data(), 1);
    ReverseComplement(gattaca.data(), 7);
    ReverseComplement(even.data(), 4);
    ReverseComplement(odd.data(), 3);
    EXPECT_EQ(t, "A");
    EXPECT_EQ(gattaca, "TGTAATC");
    EXPECT_EQ(even, "CGTT");
    EXPECT_EQ(odd, "CGT");
}

TEST(ReverseComplement, KeepsOtherBytesButMovesThem) {
    std::string mixed = "ANcG";
    ReverseComplement(mixed.data(), 4);
    EXPECT_EQ(mixed, "CcNT");
}

TEST(SwapStrings, ExchangesHandles) {
    std::string first = "AAA", second = "CC";
    SwapStrings(first, second);
    EXPECT_EQ(first, "CC");
    EXPECT_EQ(second, "AAA");
}

}  // namespace
}  // namespace lorvex
