// The circle check against a plain reading of it, over every split of a
// contig between the other side's bases and the side being extended, and
// the circle turned to start anywhere.
#include "extension/circle_closing.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace lorvex {
namespace {

bool Fires(const std::string& whole, size_t before, int32_t accepted, int32_t overlap) {
    const std::string contig = whole.substr(before);
    const BaseVotes votes;
    const CycleView cycle{contig, votes, {}, accepted};
    return CircleObserver(whole.substr(0, before), {overlap, overlap})(cycle) ==
           StopReason::Circular;
}

TEST(CircleClosing, FiresOnlyOnAWholeOverlapOfChosenBases) {
    const std::string circle = testing::RandomBases(7, 40);
    const int32_t overlap = 6;
    for (const int32_t extra : {-1, 0, 1}) {
        // The start repeated for overlap + extra bases (one short, exactly, one more).
        const std::string whole = circle + circle.substr(0, overlap + extra);
        const bool closed = extra == 0;
        for (size_t before = 0; before <= whole.size(); ++before) {
            EXPECT_EQ(Fires(whole, before, overlap, overlap), closed) << before << " " << extra;
            // Too few bases chosen by votes: the seed alone proves nothing.
            if (before < size_t(overlap)) {
                EXPECT_FALSE(Fires(whole, before, overlap - 1 - int32_t(before), overlap));
            }
        }
    }
    // A circle shorter than the overlap is a tandem repeat, not a closed circle.
    EXPECT_FALSE(Fires("ACGACGACGACGACG", 0, 100, 9));
    EXPECT_TRUE(Fires("ACGACGACGACGACGACG", 0, 100, 9));
}

TEST(CircleClosing, WritesTheCircleOnceFromAnyStart) {
    const std::string circle = testing::RandomBases(8, 30);
    const std::string contig = circle + circle.substr(0, 7);
    for (size_t start = 0; start < contig.size(); ++start) {
        const size_t at = start % circle.size();
        EXPECT_EQ(CircleFrom(contig, start, 7), circle.substr(at) + circle.substr(0, at));
    }
}

}  // namespace
}  // namespace lorvex
