#include "calling/continuation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace lorvex {
namespace {

TEST(SanityCheck, NeedsEnoughVotes) {
    EXPECT_EQ(SanityCheck(0, 1, 7, 0, 5, 0.1f), 1);
    EXPECT_EQ(SanityCheck(0, 1, 7, 0, 9, 0.0f), 0);
    EXPECT_EQ(SanityCheck(0, 1, 7, 0, 8, 0.1f), 1);  // exactly minVotes
    EXPECT_EQ(SanityCheck(0, 0, 1, 0, 0, 0.0f), 1);
    EXPECT_EQ(SanityCheck(0, 0, 1, 0, -5, 0.0f), 1);
}

TEST(SanityCheck, NeedsTheWinnerToDominate) {
    EXPECT_EQ(SanityCheck(3, 3, 0, 0, 0, 1.0f), 1);   // 3 is not greater than 3
    EXPECT_EQ(SanityCheck(3, 3, 0, 0, 0, 1.5f), 0);   // 4.5 is
    EXPECT_EQ(SanityCheck(1, 5, 2, 1, 0, 1.25f), 1);  // 4 x 1.25 = 5
    EXPECT_EQ(SanityCheck(1, 5, 2, 1, 0, 1.26f), 0);
    EXPECT_EQ(SanityCheck(9, 9, 9, 9, 0, 0.0f), 1);
    EXPECT_EQ(SanityCheck(9, 9, 9, 9, 0, -3.0f), 1);
}

TEST(SanityCheck, NotANumberPassesAndInfinityOnlyWithoutRivals) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    EXPECT_EQ(SanityCheck(4, 3, 2, 1, 0, nan), 1);
    EXPECT_EQ(SanityCheck(0, 0, 6, 0, 0, inf), 1);  // 0 x inf is NaN
    EXPECT_EQ(SanityCheck(0, 1, 6, 0, 0, inf), 0);
    EXPECT_EQ(SanityCheck(0, 1, 6, 0, 0, -inf), 1);
}

int32_t Tail(const std::string& sequence, int32_t window) {
    return IsTailRepetitive(sequence.data(), static_cast<int32_t>(sequence.size()), window);
}

TEST(IsTailRepetitive, OneForAVariedTailZeroForARepeatedByte) {
    EXPECT_EQ(Tail("CAAAAA", 5), 0);
    EXPECT_EQ(Tail("CAAAAA", 6), 1);
    EXPECT_EQ(Tail("AAGAA", 5), 1);
    EXPECT_EQ(Tail("ACGT", 2), 1);
    EXPECT_EQ(Tail("ACGT", 1), 0);
    EXPECT_EQ(Tail("ACGT", 0), 0);
    EXPECT_EQ(Tail("ACGT", -4), 0);
    // The window ends with the base just appended.
    EXPECT_EQ(Tail("GTTTT" + std::string("T"), 5), 0);
    EXPECT_EQ(Tail("GTTTT" + std::string("G"), 5), 1);
}

}  // namespace
}  // namespace lorvex
