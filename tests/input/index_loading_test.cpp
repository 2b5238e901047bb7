// The block parser of the programs held against LoadIndex on large random
// index files that mix every accepted form of a line: keys with N and lower
// case or longer than 12 characters, repeated keys, runs of tabs, signs,
// spaces and leading zeros in counts, further fields, CR LF line ends and a
// last line without its end. Both must fill identical tables.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "input/prefix_index.h"
#include "reference/literal_input.h"
#include "test_support.h"

namespace lorvex {
namespace {

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

TEST(IndexLoading, CheckedLoaderFillsTheTablesOfLoadIndex) {
    Random random(3);
    testing::TempDir dir;
    const IndexText index = RandomIndex(random, 60000);
    const std::string indexPath = dir.Write("reads.index", index.text);
    // Only the first line of the table is read; the rest just has to be long
    // enough for the counted lines, so it is left as a hole.
    const std::string read(100, 'A');
    const std::string tablePath =
        dir.Write("reads.table", testing::TableLine({read, read, "", ""}));
    const TableLayout firstLine = MeasureTable(tablePath);
    ASSERT_EQ(
        truncate(tablePath.c_str(), static_cast<off_t>(index.totalLines * firstLine.lineSize)), 0);

    PrefixIndex literal = AllocatePrefixIndex();
    LoadIndex(indexPath, tablePath, literal.offsets.get(), literal.counts.get(), 12);
    PrefixIndex checked = AllocatePrefixIndex();
    EXPECT_EQ(LoadIndexChecked(indexPath, tablePath, MeasureTable(tablePath), checked),
              index.totalLines);
    EXPECT_EQ(
        std::memcmp(literal.counts.get(), checked.counts.get(), prefixCodeCount * sizeof(uint32_t)),
        0);
    EXPECT_EQ(std::memcmp(literal.offsets.get(), checked.offsets.get(),
                          prefixCodeCount * sizeof(uint64_t)),
              0);
}

}  // namespace
}  // namespace lorvex
