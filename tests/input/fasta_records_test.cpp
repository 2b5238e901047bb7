// The multi-record FASTA file: names, wrapped lines, the single-seed base
// rule per record, and one-line errors that name the line and the record.
#include "input/fasta_records.h"

#include <gtest/gtest.h>

#include <random>

#include "input/input_file.h"
#include "input/seed_reader.h"

namespace lorvex {
namespace {

TEST(FastaRecords, KeepsNamesDescriptionsAndWrappedBases) {
    const std::string text =
        "\r\n\n"
        ">first  a seed\twith words \r\n"
        "acgtN\r\n"
        "ACg\n"
        ">second\n"
        ">third\n"
        "TT xx>\n"
        "\n"
        "gg";
    const std::vector<SequenceRecord> seeds = ParseFastaRecords(text, "seeds.fa");
    ASSERT_EQ(seeds.size(), 3u);
    EXPECT_EQ(seeds[0].name, "first");
    EXPECT_EQ(seeds[0].description, "a seed\twith words");
    EXPECT_EQ(seeds[0].bases, "ACGTNACG");
    EXPECT_EQ(seeds[1].name, "second");
    EXPECT_EQ(seeds[1].description, "");
    EXPECT_EQ(seeds[1].bases, "");          // kept: reported per seed later
    EXPECT_EQ(seeds[2].bases, "TT xx>GG");  // only a, c, g, t are upper-cased
}

// Each record's bases are what the single-seed reader makes of a file that
// holds that record alone, so a seed extends the same in a batch.
TEST(FastaRecords, EveryRecordReadsAsItWouldAlone) {
    const std::vector<std::string> records = {
        ">a\nACGTacgtnNxX\r\nGG  T\n",
        ">b desc\r\nc\r\n\r\ng\r\n",
        ">c\n",
        ">d\n\tq-*.acgt\n",
    };
    std::string file;
    for (const std::string& record : records) file += record;
    const std::vector<SequenceRecord> seeds = ParseFastaRecords(file, "seeds.fa");
    ASSERT_EQ(seeds.size(), records.size());
    for (size_t i = 0; i < records.size(); ++i)
        EXPECT_EQ(seeds[i].bases, SeedBasesFromText(records[i])) << records[i];
}

// Spaces and tabs at the ends of sequence lines (before a CR or not) are
// dropped and counted; the records equal those of the file without them.
TEST(FastaRecords, BlanksEndingSequenceLinesAreDroppedAndCounted) {
    std::mt19937 random(27);
    const std::vector<std::string> blanks = {"", " ", "\t", " \t ", "  \r"};
    for (int file = 0; file < 50; ++file) {
        std::string clean, padded;
        size_t paddedLines = 0, firstPadded = 0, line = 0;
        for (int record = 0; record < 3; ++record) {
            clean += ">r" + std::to_string(record) + "\n";
            padded += ">r" + std::to_string(record) + " \n";
            ++line;
            for (int bases = 0; bases < 3; ++bases) {
                const std::string text = std::string("ACGTNacg").substr(random() % 4, random() % 5);
                const std::string& blank = blanks[random() % blanks.size()];
                clean += text + "\n";
                padded += text + blank + "\n";
                ++line;
                if (!blank.empty() && paddedLines++ == 0) firstPadded = line;
            }
        }
        FastaNotes notes;
        const std::vector<SequenceRecord> parsed = ParseFastaRecords(padded, "p.fa", &notes);
        const std::vector<SequenceRecord> expected = ParseFastaRecords(clean, "c.fa");
        ASSERT_EQ(parsed.size(), expected.size());
        for (size_t i = 0; i < parsed.size(); ++i) EXPECT_EQ(parsed[i].bases, expected[i].bases);
        EXPECT_EQ(notes.linesWithTrailingBlanks, paddedLines) << padded;
        if (paddedLines > 0) {
            EXPECT_EQ(notes.firstLineWithTrailingBlanks, firstPadded);
        }
    }
}

TEST(FastaRecords, RefusesBrokenFilesWithLineAndRecord) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"", "seeds.fa: holds no FASTA record (no '>' header line)"},
        {"\n\r\n", "seeds.fa: holds no FASTA record (no '>' header line)"},
        {"ACGT\n>a\nAC\n", "seeds.fa: line 1: text before the first '>' header line"},
        {"\n \n>a\n", "seeds.fa: line 2: text before the first '>' header line"},
        {">a\nAC\n> b\nAC\n", "seeds.fa: line 3: record 2: header has no name after '>'"},
        {">a\nAC\n>\r\n", "seeds.fa: line 3: record 2: header has no name after '>'"},
        {">a\nAC\n>b\nAC\nA" + std::string(1, '\0') + "C\n",
         "seeds.fa: line 5: record 2: holds a zero byte, which is not a base"},
        {">a" + std::string(1, '\0') + "b\nAC\n",
         "seeds.fa: line 1: record 1: header holds a zero byte"},
    };
    for (const auto& [text, message] : cases) {
        try {
            ParseFastaRecords(text, "seeds.fa");
            ADD_FAILURE() << "accepted: " << text;
        } catch (const InputError& error) {
            EXPECT_EQ(std::string(error.what()), message);
        }
    }
}

}  // namespace
}  // namespace lorvex
