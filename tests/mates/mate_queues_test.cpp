#include "mates/mate_queues.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "reference/literal_mates.h"
#include "test_support.h"

namespace lorvex {
namespace {

using testing::RandomBases;
using testing::ReadPair;
using testing::ReverseComplementOf;
using testing::TempDir;

// A contig in which every window start s anchors exactly one pair whose mate
// tells s, so the queue set can be read back as the window starts it holds.
class MateQueuesTest : public ::testing::Test {
  protected:
    static constexpr int32_t readLength = 25;

    void SetUp() override {
        full_ = RandomBases(42, 120);
        std::vector<ReadPair> pairs;
        for (int s = 0; s + readLength <= static_cast<int>(full_.size()); ++s) {
            const std::string second = RandomBases(1000 + s, readLength);
            pairs.push_back({full_.substr(s, readLength), second, "", ""});
            startOfMate_[ReverseComplementOf(second)] = s;
        }
        table_ = testing::LoadTable(testing::WriteTableAndIndex(dir_, pairs));
    }

    // The window start each slot holds, -1 for an empty slot.
    std::vector<int> Starts(const QueueSet& queues) {
        std::vector<int> starts;
        for (const MateQueue& slot : queues) {
            EXPECT_EQ(slot.mates.size(), slot.qualities.size());
            starts.push_back(slot.mates.empty() ? -1 : startOfMate_.at(slot.mates.front()));
        }
        return starts;
    }

    // Starts after InitQueues at length 100 and after each of `extensions`.
    std::vector<std::vector<int>> Run(Variant variant, int32_t minDistance, int32_t maxDistance,
                                      int extensions) {
        std::string contig = full_.substr(0, 100);
        QueueSet queues(
            static_cast<size_t>(QueueCount(variant, minDistance, maxDistance, readLength)));
        InitQueues(contig, maxDistance, readLength, queues, *table_.stream, table_.denseIndex,
                   variant);
        std::vector<std::vector<int>> history = {Starts(queues)};
        for (int k = 1; k <= extensions; ++k) {
            contig.push_back(full_[contig.size()]);
            UpdateQueues(contig, maxDistance, readLength, queues, *table_.stream, table_.denseIndex,
                         variant);
            history.push_back(Starts(queues));
        }
        return history;
    }

    TempDir dir_;
    std::string full_;
    std::map<std::string, int> startOfMate_;
    testing::LoadedTable table_;
};

TEST_F(MateQueuesTest, MainVariantHoldsADuplicatedWindowDuringTheFirstExtensions) {
    const std::vector<std::vector<int>> expected = {
        {70, 71, 72}, {71, 72, 72}, {72, 72, 73}, {72, 73, 74}, {73, 74, 75}};
    EXPECT_EQ(Run(Variant::Main, 28, 30, 4), expected);
}

TEST_F(MateQueuesTest, StrictVariantStartsWithAnEmptyLastSlot) {
    const std::vector<std::vector<int>> expected = {
        {74, 75, -1}, {75, -1, 76}, {-1, 76, 77}, {76, 77, 78}, {77, 78, 79}};
    EXPECT_EQ(Run(Variant::Strict, 48, 26, 4), expected);
}

TEST_F(MateQueuesTest, SingleSlotRuns) {
    // Main: the first extension fetches the seed's window again.
    const std::vector<std::vector<int>> main = {{70}, {70}, {71}};
    EXPECT_EQ(Run(Variant::Main, 30, 30, 2), main);
    // Strict: nothing is filled at start-up.
    EXPECT_EQ(Run(Variant::Strict, 48, 24, 0), (std::vector<std::vector<int>>{{-1}}));
}

TEST(QueueCount, DependsOnTheVariantAndCannotWrap) {
    EXPECT_EQ(QueueCount(Variant::Main, 28, 30, 25), 3);
    EXPECT_EQ(QueueCount(Variant::Strict, 48, 26, 25), 3);
    EXPECT_EQ(QueueCount(Variant::Main, 200, 100, 25), -99);
    EXPECT_EQ(QueueCount(Variant::Strict, -2147483647 - 1, 2147483647, 1000),
              int64_t{2147483647} + 1000 + 2147483648);
}

}  // namespace
}  // namespace lorvex
