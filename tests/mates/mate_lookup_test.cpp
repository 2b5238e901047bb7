#include "mates/mate_lookup.h"

#include <gtest/gtest.h>

#include <filesystem>
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
using testing::WriteTableAndIndex;

struct LookupResult {
    int32_t count = -1;
    std::vector<std::string> mates;
    std::vector<std::vector<uint8_t>> qualities;
};

// Writes the pairs as a table with its index, loads both, looks up window.
class MateLookupTest : public ::testing::Test {
  protected:
    void Load(const std::vector<ReadPair>& pairs) {
        const auto files = WriteTableAndIndex(dir_, pairs);
        tablePath_ = files.table;
        table_ = testing::LoadTable(files);
    }

    LookupResult Lookup(const std::string& window, Variant variant) {
        LookupResult result;
        GetAllPairedReads(window, *table_.stream, table_.denseIndex, variant, result.count,
                          result.mates, result.qualities);
        return result;
    }

    TempDir dir_;
    std::string tablePath_;
    testing::LoadedTable table_;
};

TEST_F(MateLookupTest, SelectsMatchingLinesOfTheGroupInTableOrder) {
    const std::string window = RandomBases(1, 30);
    std::vector<ReadPair> pairs;
    for (int i = 0; i < 10; ++i) {
        std::string first = window;
        if (i != 2 && i != 5 && i != 9) first[20] = first[20] == 'A' ? 'C' : 'A';
        pairs.push_back({first, RandomBases(100 + i, 30), "", ""});
    }
    Load(pairs);
    for (Variant variant : {Variant::Main, Variant::Strict}) {
        const LookupResult found = Lookup(window, variant);
        ASSERT_EQ(found.count, 3);
        EXPECT_EQ(found.mates[0], ReverseComplementOf(pairs[2].second));
        EXPECT_EQ(found.mates[1], ReverseComplementOf(pairs[5].second));
        EXPECT_EQ(found.mates[2], ReverseComplementOf(pairs[9].second));
        EXPECT_EQ(found.qualities.size(), 3u);
    }
}

TEST_F(MateLookupTest, TurnsTheSecondReadIntoTheContigsOrientation) {
    std::string quality;
    for (char code = 33; code <= 44; ++code) quality += code;
    const std::string first12 = "ACGTACGTACGT";
    const std::string first13 = "ACGTACGTACGTT";
    Load({{first12, "AAAACCCGGGTA", "", quality}});
    const LookupResult found = Lookup(first12, Variant::Main);
    ASSERT_EQ(found.count, 1);
    EXPECT_EQ(found.mates[0], "TACCCGGGTTTT");
    EXPECT_EQ(found.qualities[0], (std::vector<uint8_t>{11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0}));

    // Odd length: the middle base is complemented in place, its quality stays.
    Load({{first13, "AAAAAAGCCCCCC", "", "!!!!!!\x20!!!!!!"}});
    const LookupResult odd = Lookup(first13, Variant::Strict);
    ASSERT_EQ(odd.count, 1);
    EXPECT_EQ(odd.mates[0], "GGGGGGCTTTTTT");
    EXPECT_EQ(odd.qualities[0][6], 255);  // code 32 wraps to 255
    EXPECT_EQ(odd.qualities[0][0], 0);
}

TEST_F(MateLookupTest, MainVariantComparesOnlyTheFirstHundredCharacters) {
    const std::string window = RandomBases(7, 150);
    std::string differsLate = window;
    differsLate[120] = differsLate[120] == 'G' ? 'T' : 'G';
    Load({{differsLate, RandomBases(8, 150), "", ""}});
    EXPECT_EQ(Lookup(window, Variant::Main).count, 1);
    EXPECT_EQ(Lookup(window, Variant::Strict).count, 0);
}

TEST_F(MateLookupTest, NoMatchOrNoGroupGivesNothing) {
    const std::string window = RandomBases(9, 20);
    std::string other = window;
    other[15] = other[15] == 'A' ? 'C' : 'A';
    Load({{other, RandomBases(10, 20), "", ""}});
    const LookupResult none = Lookup(window, Variant::Main);
    EXPECT_EQ(none.count, 0);
    EXPECT_TRUE(none.mates.empty());
    EXPECT_TRUE(none.qualities.empty());

    // A window whose group is empty never reads the table: an emptied table
    // would otherwise be reported as truncated.
    std::filesystem::resize_file(tablePath_, 0);
    const std::string elsewhere = "TTTTTTTTTTTTTTTTTTTT";
    EXPECT_EQ(Lookup(elsewhere, Variant::Main).count, 0);
    EXPECT_THROW(Lookup(window, Variant::Main), InputError);
}

TEST_F(MateLookupTest, NMatchesOnlyNButIsFiledUnderA) {
    const std::string withN = "ACGTNACGTACGTACGTACG";
    std::string withA = withN;
    withA[4] = 'A';
    Load({{withA, RandomBases(11, 20), "", ""},
          {withN, RandomBases(12, 20), "", ""},
          {withN, RandomBases(12, 20), "", ""}});
    const LookupResult found = Lookup(withN, Variant::Strict);
    ASSERT_EQ(found.count, 2);  // the duplicated line is selected twice
    EXPECT_EQ(found.mates[0], found.mates[1]);
    EXPECT_EQ(Lookup(withA, Variant::Strict).count, 1);
}

TEST_F(MateLookupTest, RefusesLinesOutsideTheirGroup) {
    const std::string aRead(20, 'A'), cRead(20, 'C');
    const std::string table = testing::TableLine({cRead, aRead, "", ""});
    const std::string tablePath = dir_.Write("t", table);
    const std::string indexPath = dir_.Write("i", "AAAAAAAAAAAA\t1\n");
    const TableLayout layout = MeasureTable(tablePath);
    DensePrefixTables index = AllocateDensePrefixTables();
    LoadIndex(indexPath, tablePath, index.offsets, index.counts, prefixLength);
    const TableStream stream = OpenTableStream(tablePath, layout);
    int32_t count = 0;
    std::vector<std::string> mates;
    std::vector<std::vector<uint8_t>> qualities;
    try {
        GetAllPairedReads(aRead, stream, index, Variant::Main, count, mates, qualities);
        FAIL() << "expected an error";
    } catch (const InputError& error) {
        EXPECT_NE(std::string(error.what()).find("line 1: first read does not belong"),
                  std::string::npos);
    }
}

TEST(MoveMatchesToFront, KeepsTheFourListsTogether) {
    std::vector<std::string> first = {"CCCC", "AAAA", "GGGG", "AAAA"};
    std::vector<std::string> second = {"s0", "s1", "s2", "s3"};
    std::vector<std::string> firstQ = {"q0", "q1", "q2", "q3"};
    std::vector<std::string> secondQ = {"r0", "r1", "r2", "r3"};
    int32_t count = 0;
    MoveMatchesToFront("AAAA", first, second, firstQ, secondQ, 4, count, Variant::Strict);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(second[0], "s1");
    EXPECT_EQ(second[1], "s3");
    EXPECT_EQ(firstQ[1], "q3");
    EXPECT_EQ(secondQ[0], "r1");
}

}  // namespace
}  // namespace lorvex
