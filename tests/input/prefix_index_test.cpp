// The programs' index loader held against the literal LoadIndex, which fills
// dense tables by prefix code: on the edge cases of the format, on a large
// random index file that mixes every accepted form of a line (keys with N and
// lower case or longer than 12 characters, repeated keys, runs of tabs,
// signs, spaces and leading zeros in counts, further fields, CR LF line ends,
// a last line without its end) in any order, and on an index of a million
// groups. Every code must find the group the dense tables hold for it.
#include "input/prefix_index.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "mates/mate_fetch.h"
#include "reference/literal_mates.h"
#include "seq/nucleotide.h"
#include "test_support.h"

namespace lorvex {
namespace {

using testing::TableLine;
using testing::TempDir;

// The codes the lines of an index text name, ascending, each once.
std::vector<uint32_t> NamedCodes(const std::string& indexText) {
    std::vector<uint32_t> codes;
    for (size_t start = 0; start < indexText.size();) {
        codes.push_back(DnaToUint(indexText.data() + start, prefixLength));
        const size_t end = indexText.find('\n', start);
        start = end == std::string::npos ? indexText.size() : end + 1;
    }
    std::sort(codes.begin(), codes.end());
    codes.erase(std::unique(codes.begin(), codes.end()), codes.end());
    return codes;
}

// FindGroup for every one of the 4^12 codes: the dense tables' group for a
// code a line names, an empty one for every other code (the dense tables
// hold zeros there, and are not read, so that their 192 MiB stay unmapped).
void ExpectSameGroupsForEveryCode(const PrefixIndex& index, const DensePrefixTables& dense,
                                  const std::vector<uint32_t>& namedCodes) {
    int mismatches = 0;
    size_t named = 0;
    for (uint32_t code = 0; code < prefixCodeCount && mismatches < 5; ++code) {
        const bool isNamed = named < namedCodes.size() && namedCodes[named] == code;
        named += isNamed ? 1 : 0;
        const PrefixGroup expected =
            isNamed ? PrefixGroup{dense.offsets[code], dense.counts[code]} : PrefixGroup{};
        const PrefixGroup group = FindGroup(index, code);
        if (group.count != expected.count || group.offset != expected.offset)
            ADD_FAILURE() << "code " << code << ": " << group.count << " lines at " << group.offset
                          << ", dense tables " << expected.count << " lines at " << expected.offset
                          << " (" << ++mismatches << ")";
    }
}

// A table of 14 lines of 404 bytes (reads of 100 bases), and both loaders
// over one index text.
class PrefixIndexTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const std::string read(100, 'A');
        std::string table;
        for (int i = 0; i < 14; ++i) table += TableLine({read, read, "", ""});
        tablePath_ = dir_.Write("reads.table", table);
        literal_ = AllocateDensePrefixTables();
    }

    // Both loaders agree on the listed codes and on every code the text names.
    void LoadBoth(const std::string& indexText) {
        const std::string indexPath = dir_.Write("reads.index", indexText);
        LoadIndex(indexPath, tablePath_, literal_.offsets, literal_.counts, prefixLength);
        LoadIndexChecked(indexPath, tablePath_, MeasureTable(tablePath_), checked_);
        std::vector<uint32_t> codes = {0u, 1u, 2u, 3u, 4194304u, 16777215u};
        for (const PrefixEntry& entry : checked_.entries) codes.push_back(entry.code);
        for (uint32_t code : codes) {
            EXPECT_EQ(literal_.counts[code], Group(code).count) << code;
            EXPECT_EQ(literal_.offsets[code], Group(code).offset) << code;
        }
    }

    PrefixGroup Group(uint32_t code) const { return FindGroup(checked_, code); }

    std::string CheckedError(const std::string& indexText) {
        const std::string indexPath = dir_.Write("bad.index", indexText);
        PrefixIndex index;
        try {
            LoadIndexChecked(indexPath, tablePath_, MeasureTable(tablePath_), index);
        } catch (const InputError& error) {
            return error.what();
        }
        return "";
    }

    TempDir dir_;
    std::string tablePath_;
    DensePrefixTables literal_;
    PrefixIndex checked_;
};

TEST_F(PrefixIndexTest, DerivesOffsetsFromCountsInFileOrder) {
    LoadBoth("AAAAAAAAAAAA\t3\nAAAAAAAAAAAC\t2\nAAAAAAAAAAAG\t5\n");
    EXPECT_EQ(Group(0).count, 3u);
    EXPECT_EQ(Group(1).count, 2u);
    EXPECT_EQ(Group(2).count, 5u);
    EXPECT_EQ(Group(0).offset, 0u);
    EXPECT_EQ(Group(1).offset, 1212u);
    EXPECT_EQ(Group(2).offset, 2020u);
    EXPECT_EQ(Group(3).count, 0u);
    EXPECT_EQ(Group(3).offset, 0u);
}

TEST_F(PrefixIndexTest, OrderOfLinesIsTheOrderOfGroups) {
    LoadBoth("AAAAAAAAAAAG\t5\nAAAAAAAAAAAA\t3\nAAAAAAAAAAAC\t2\n");
    EXPECT_EQ(Group(2).offset, 0u);
    EXPECT_EQ(Group(0).offset, 2020u);
    EXPECT_EQ(Group(1).offset, 3232u);
}

TEST_F(PrefixIndexTest, ALaterDuplicateKeyWinsButEarlierCountsStayInTheTotal) {
    LoadBoth("AAAAAAAAAAAA\t3\nAAAAAAAAAAAC\t2\nAAAAAAAAAAAG\t5\nAAAAAAAAAAAA\t4\n");
    EXPECT_EQ(Group(0).count, 4u);
    EXPECT_EQ(Group(0).offset, 4040u);
    EXPECT_EQ(Group(1).count, 2u);
    EXPECT_EQ(Group(2).offset, 2020u);
    EXPECT_EQ(checked_.entries.size(), 3u);
}

TEST_F(PrefixIndexTest, KeysAreReadOnTheirFirstTwelveCharactersOnly) {
    LoadBoth("NAAAAAAAAAAA\t1\ncccccccccccc\t2\nAAAAAAAAAAACGT\t3\nTTTTTTTTTTTT\t4\n");
    EXPECT_EQ(Group(0).count, 2u);  // N and lower case count as A
    EXPECT_EQ(Group(0).offset, 404u);
    EXPECT_EQ(Group(1).count, 3u);
    EXPECT_EQ(Group(16777215).count, 4u);
    EXPECT_EQ(Group(16777215).offset, 6 * 404u);
}

TEST_F(PrefixIndexTest, CountFieldVariantsReadAlike) {
    LoadBoth("AAAAAAAAAAAA\t\t3\r\nAAAAAAAAAAAC\t0\nAAAAAAAAAAAG\t +2\tnote\nAAAAAAAAAAAT\t5");
    EXPECT_EQ(Group(0).count, 3u);
    EXPECT_EQ(Group(1).count, 0u);
    EXPECT_EQ(Group(2).offset, 3 * 404u);  // a zero count moves nothing
    EXPECT_EQ(Group(2).count, 2u);
    EXPECT_EQ(Group(3).count, 5u);
    EXPECT_EQ(Group(3).offset, 5 * 404u);
}

TEST_F(PrefixIndexTest, AnEmptyIndexOrOneOfASingleGroup) {
    LoadBoth("");
    EXPECT_EQ(Group(0).count, 0u);
    EXPECT_TRUE(checked_.entries.empty());
    // One group in the middle of the code range: every other code is empty.
    LoadBoth("CAGTCAGTCAGT\t14\n");
    ExpectSameGroupsForEveryCode(checked_, literal_, NamedCodes("CAGTCAGTCAGT\t14\n"));
    EXPECT_EQ(Group(DnaToUint("CAGTCAGTCAGT", prefixLength)).count, 14u);
}

TEST_F(PrefixIndexTest, CheckedLoaderSkipsEmptyLines) {
    const std::string indexPath = dir_.Write("i", "AAAAAAAAAAAC\t2\n\n\r\nAAAAAAAAAAAG\t1\n\n");
    EXPECT_EQ(LoadIndexChecked(indexPath, tablePath_, MeasureTable(tablePath_), checked_), 3u);
    EXPECT_EQ(Group(2).offset, 808u);
}

TEST_F(PrefixIndexTest, CheckedLoaderNamesTheBadLine) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"AAAAAAAAAAAA\t1\nAAAAAAAAAAA\t1\n", "line 2: key shorter than 12 characters"},
        // A tab inside the key, even where the line has the length of a plain one.
        {"AAAAAAAAAA\tT\t1\n", "line 1: key shorter than 12 characters"},
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
        // A bad line is named before counts that overrun the table, and
        // before any question of order.
        {"TTTTTTTTTTTT\t99\nAAAAAAAAAAAA\t1\nAAAA\t1\n", "line 3: key shorter than 12"},
    };
    for (const auto& [text, expected] : cases) {
        const std::string error = CheckedError(text);
        EXPECT_NE(error.find(expected), std::string::npos) << expected << " / " << error;
    }
    EXPECT_EQ(CheckedError("AAAAAAAAAAAA\t14\n"), "");  // exactly the table's lines
}

using Random = std::mt19937_64;

int Uniform(Random& random, int low, int high) {
    return std::uniform_int_distribution<int>(low, high)(random);
}

struct IndexText {
    std::string text;
    uint64_t totalLines = 0;
};

IndexText RandomIndex(Random& random, int lines) {
    IndexText index;
    std::vector<std::string> keys;
    for (int i = 0; i < lines; ++i) {
        std::string key;
        if (!keys.empty() && Uniform(random, 0, 19) == 0) {
            key = keys[static_cast<size_t>(Uniform(random, 0, static_cast<int>(keys.size()) - 1))];
            key[0] = key[0] == 'A' ? 'n' : key[0];  // same code, other spelling
        } else {
            for (int k = 0; k < 12; ++k) key += "ACGTACGTACGTNacgtn"[Uniform(random, 0, 17)];
            if (Uniform(random, 0, 9) == 0)
                key += std::string(static_cast<size_t>(Uniform(random, 1, 5)), 'G');
        }
        keys.push_back(key);
        const int count = Uniform(random, 0, 3) == 0 ? 0 : Uniform(random, 1, 40);
        index.totalLines += static_cast<uint64_t>(count);
        std::string line = key + std::string(static_cast<size_t>(Uniform(random, 1, 3)), '\t');
        switch (Uniform(random, 0, 5)) {
            case 0: line += " "; break;
            case 1: line += "+"; break;
            case 2: line += "00"; break;
            case 3: line += count == 0 ? "-" : ""; break;
            default: break;
        }
        line += std::to_string(count);
        switch (Uniform(random, 0, 5)) {
            case 0: line += "\tnote"; break;
            case 1: line += "\t\tmore\tfields"; break;
            case 2: line += " trailing"; break;
            default: break;
        }
        const bool last = i + 1 == lines;
        if (!(last && Uniform(random, 0, 1) == 0))
            line += Uniform(random, 0, 3) == 0 ? "\r\n" : "\n";
        index.text += line;
    }
    return index;
}

// Loads the index text both ways against a table that only has to be long
// enough for the counted lines (a hole after its first line).
void ExpectLoadersAgree(const std::string& indexText, uint64_t totalLines) {
    TempDir dir;
    const std::string indexPath = dir.Write("reads.index", indexText);
    const std::string read(100, 'A');
    const std::string tablePath = dir.Write("reads.table", TableLine({read, read, "", ""}));
    ASSERT_EQ(truncate(tablePath.c_str(), static_cast<off_t>(totalLines * 404)), 0);

    DensePrefixTables literal = AllocateDensePrefixTables();
    LoadIndex(indexPath, tablePath, literal.offsets, literal.counts, prefixLength);
    PrefixIndex checked;
    EXPECT_EQ(LoadIndexChecked(indexPath, tablePath, MeasureTable(tablePath), checked), totalLines);
    ExpectSameGroupsForEveryCode(checked, literal, NamedCodes(indexText));
}

TEST(IndexLoading, EveryFormOfLineInAnyOrderGivesTheGroupsOfLoadIndex) {
    Random random(3);
    const IndexText index = RandomIndex(random, 60000);
    ExpectLoadersAgree(index.text, index.totalLines);
}

// About a million groups, made from a table of short reads as lorvex-prep
// makes them: lines sorted by the prefix code of their first read, the index
// counting each run. Both loaders agree on every code, and a lookup of a
// line's first read finds the lines the literal lookup finds.
TEST(IndexLoading, AMillionGroupsFromATableOfShortReads) {
    Random random(4);
    constexpr int32_t r = prefixLength;  // the shortest reads a table may hold
    std::vector<uint32_t> codes(1100000);
    for (uint32_t& code : codes) code = static_cast<uint32_t>(random() % prefixCodeCount);
    std::sort(codes.begin(), codes.end());
    const auto bases = [&](uint32_t code) {
        std::string text(r, 'A');
        for (int k = 0; k < r; ++k) text[k] = "ACGT"[(code >> (2 * (r - 1 - k))) & 3];
        return text;
    };
    std::string table, index;
    table.reserve(codes.size() * (4 * r + 4));
    const std::string quality(r, 'I');
    size_t groups = 0;
    for (size_t i = 0, end; i < codes.size(); i = end) {
        const std::string key = bases(codes[i]);
        for (end = i; end < codes.size() && codes[end] == codes[i]; ++end) {
            table += key;
            table += '\t';
            table += bases(static_cast<uint32_t>(random()));
            table += '\t' + quality + '\t' + quality + '\n';
        }
        index += key + "\t" + std::to_string(end - i) + "\n";
        ++groups;
    }
    ASSERT_GT(groups, 1000000u);
    TempDir dir;
    const std::string tablePath = dir.Write("reads.table", table);
    const std::string indexPath = dir.Write("reads.index", index);
    table = std::string();

    const TableLayout layout = MeasureTable(tablePath);
    PrefixIndex checked;
    EXPECT_EQ(LoadIndexChecked(indexPath, tablePath, layout, checked), codes.size());
    EXPECT_EQ(checked.entries.size(), groups);
    DensePrefixTables literal = AllocateDensePrefixTables();
    LoadIndex(indexPath, tablePath, literal.offsets, literal.counts, prefixLength);
    ExpectSameGroupsForEveryCode(checked, literal, NamedCodes(index));

    const TableStream stream = OpenTableStream(tablePath, layout);
    SelectedMates selected;
    for (int sample = 0; sample < 2000; ++sample) {
        const std::string window = bases(codes[random() % codes.size()]);
        FetchSelectedMates(window.data(), stream, checked, Variant::Main, selected);
        int32_t count = 0;
        std::vector<std::string> mates;
        std::vector<std::vector<uint8_t>> qualities;
        GetAllPairedReads(window, stream, literal, Variant::Main, count, mates, qualities);
        ASSERT_EQ(selected.count, count) << window;
        for (int32_t i = 0; i < count; ++i)
            EXPECT_EQ(std::string(selected.Mate(i), r), mates[static_cast<size_t>(i)]) << window;
    }
}

}  // namespace
}  // namespace lorvex
