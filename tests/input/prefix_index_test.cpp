#include "input/prefix_index.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "reference/literal_input.h"
#include "test_support.h"

namespace lorvex {
namespace {

using testing::ReadPair;
using testing::TableLine;
using testing::TempDir;

// A table of `lines` lines of 404 bytes (reads of 100 bases), and the two
// loaders over one index text, which must give the same tables.
class PrefixIndexTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const std::string read(100, 'A');
        std::string table;
        for (int i = 0; i < 14; ++i) table += TableLine({read, read, "", ""});
        tablePath_ = dir_.Write("reads.table", table);
        literal_ = AllocatePrefixIndex();
        checked_ = AllocatePrefixIndex();
    }

    void LoadBoth(const std::string& indexText) {
        const std::string indexPath = dir_.Write("reads.index", indexText);
        LoadIndex(indexPath, tablePath_, literal_.offsets.get(), literal_.counts.get(), 12);
        LoadIndexChecked(indexPath, tablePath_, MeasureTable(tablePath_), checked_);
        for (uint32_t code : {0u, 1u, 2u, 3u, 4194304u, 16777215u}) {
            EXPECT_EQ(literal_.counts[code], checked_.counts[code]) << code;
            EXPECT_EQ(literal_.offsets[code], checked_.offsets[code]) << code;
        }
    }

    std::string CheckedError(const std::string& indexText) {
        const std::string indexPath = dir_.Write("bad.index", indexText);
        PrefixIndex index = AllocatePrefixIndex();
        try {
            LoadIndexChecked(indexPath, tablePath_, MeasureTable(tablePath_), index);
        } catch (const InputError& error) {
            return error.what();
        }
        return "";
    }

    TempDir dir_;
    std::string tablePath_;
    PrefixIndex literal_;
    PrefixIndex checked_;
};

TEST_F(PrefixIndexTest, DerivesOffsetsFromCountsInFileOrder) {
    LoadBoth("AAAAAAAAAAAA\t3\nAAAAAAAAAAAC\t2\nAAAAAAAAAAAG\t5\n");
    EXPECT_EQ(checked_.counts[0], 3u);
    EXPECT_EQ(checked_.counts[1], 2u);
    EXPECT_EQ(checked_.counts[2], 5u);
    EXPECT_EQ(checked_.offsets[0], 0u);
    EXPECT_EQ(checked_.offsets[1], 1212u);
    EXPECT_EQ(checked_.offsets[2], 2020u);
    EXPECT_EQ(checked_.counts[3], 0u);
    EXPECT_EQ(checked_.offsets[3], 0u);
}

TEST_F(PrefixIndexTest, OrderOfLinesIsTheOrderOfGroups) {
    LoadBoth("AAAAAAAAAAAG\t5\nAAAAAAAAAAAA\t3\nAAAAAAAAAAAC\t2\n");
    EXPECT_EQ(checked_.offsets[2], 0u);
    EXPECT_EQ(checked_.offsets[0], 2020u);
    EXPECT_EQ(checked_.offsets[1], 3232u);
}

TEST_F(PrefixIndexTest, ALaterDuplicateKeyWinsButEarlierCountsStayInTheTotal) {
    LoadBoth("AAAAAAAAAAAA\t3\nAAAAAAAAAAAC\t2\nAAAAAAAAAAAG\t5\nAAAAAAAAAAAA\t4\n");
    EXPECT_EQ(checked_.counts[0], 4u);
    EXPECT_EQ(checked_.offsets[0], 4040u);
    EXPECT_EQ(checked_.counts[1], 2u);
    EXPECT_EQ(checked_.offsets[2], 2020u);
}

TEST_F(PrefixIndexTest, KeysAreReadOnTheirFirstTwelveCharactersOnly) {
    LoadBoth("NAAAAAAAAAAA\t1\ncccccccccccc\t2\nAAAAAAAAAAACGT\t3\nTTTTTTTTTTTT\t4\n");
    EXPECT_EQ(checked_.counts[0], 2u);  // N and lower case count as A
    EXPECT_EQ(checked_.offsets[0], 404u);
    EXPECT_EQ(checked_.counts[1], 3u);
    EXPECT_EQ(checked_.counts[16777215], 4u);
    EXPECT_EQ(checked_.offsets[16777215], 6 * 404u);
}

TEST_F(PrefixIndexTest, CountFieldVariantsReadAlike) {
    LoadBoth("AAAAAAAAAAAA\t\t3\r\nAAAAAAAAAAAC\t0\nAAAAAAAAAAAG\t +2\tnote\nAAAAAAAAAAAT\t5");
    EXPECT_EQ(checked_.counts[0], 3u);
    EXPECT_EQ(checked_.counts[1], 0u);
    EXPECT_EQ(checked_.offsets[2], 3 * 404u);  // a zero count moves nothing
    EXPECT_EQ(checked_.counts[2], 2u);
    EXPECT_EQ(checked_.counts[3], 5u);
    EXPECT_EQ(checked_.offsets[3], 5 * 404u);
}

TEST_F(PrefixIndexTest, AnEmptyIndexLeavesEveryGroupEmpty) {
    LoadBoth("");
    EXPECT_EQ(checked_.counts[0], 0u);
}

TEST_F(PrefixIndexTest, CheckedLoaderSkipsEmptyLines) {
    const std::string indexPath = dir_.Write("i", "AAAAAAAAAAAC\t2\n\n\r\nAAAAAAAAAAAG\t1\n\n");
    EXPECT_EQ(LoadIndexChecked(indexPath, tablePath_, MeasureTable(tablePath_), checked_), 3u);
    EXPECT_EQ(checked_.offsets[2], 808u);
}

TEST_F(PrefixIndexTest, CheckedLoaderNamesTheBadLine) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"AAAAAAAAAAAA\t1\nAAAAAAAAAAA\t1\n", "line 2: key shorter than 12 characters"},
        {"AAAAAAAAAAAA 1\n", "line 1: no tab and count after the key"},
        {"AAAAAAAAAAAA\t\n", "line 1: no count after the key"},
        {"AAAAAAAAAAAA\tmany\n", "line 1: no count after the key"},
        {"AAAAAAAAAAAA\t-1\n", "line 1: negative count"},
        {"AAAAAAAAAAAA\t4294967296\n", "line 1: count does not fit in 32 bits"},
        {"AAAAAAAAAAAA\t3x\n", "line 1: count is not a whole number"},
        {"AAAAAAAAAAAA\t10\nAAAAAAAAAAAC\t5\n", "counts add up to 15 lines"},
        {"AAAAAAAAAAAA\t4294967295\n", "counts add up to 4294967295 lines"},
        {"AAAAAAAAAAAA\t1\n" + std::string(70000, 'A') + "\t1\n", "line 2: longer than 65,535"},
        {std::string("AAAAAAAAAAAA\t1\0\n", 16), "line 1: holds a zero byte"},
    };
    for (const auto& [text, expected] : cases) {
        const std::string error = CheckedError(text);
        EXPECT_NE(error.find(expected), std::string::npos) << expected << " / " << error;
    }
    EXPECT_EQ(CheckedError("AAAAAAAAAAAA\t14\n"), "");  // exactly the table's lines
}

}  // namespace
}  // namespace lorvex
