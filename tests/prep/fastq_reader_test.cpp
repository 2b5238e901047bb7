#include "prep/fastq_reader.h"

#include <gtest/gtest.h>

#include "input/input_file.h"
#include "prep_test_support.h"
#include "test_support.h"

namespace lorvex::prep {
namespace {

using lorvex::testing::TempDir;
using testing::FastqPair;

struct ReadBack {
    std::vector<std::string> sequences;
    std::vector<std::string> qualities;
    std::vector<std::string> headers;
};

ReadBack ReadAll(const std::string& path) {
    FastqReader reader(path);
    ReadBack back;
    FastqRecord record;
    while (reader.Next(&record, 1)) {
        back.headers.emplace_back(record.header);
        back.sequences.emplace_back(record.sequence);
        back.qualities.emplace_back(record.quality);
    }
    return back;
}

// The error message of reading the whole file, or "" when it reads cleanly.
std::string ReadError(const std::string& path) {
    try {
        ReadAll(path);
    } catch (const InputError& error) {
        return error.what();
    }
    return "";
}

TEST(FastqReader, CompressionFormsAndLineEndsReadTheSame) {
    const TempDir dir;
    const auto pairs = testing::SimulatePairs(1, 3000, 100);  // > 1 MiB, so several refills
    const std::string text = testing::FastqText(pairs, 1);
    const ReadBack plain = ReadAll(dir.Write("plain.fq", text));
    ASSERT_EQ(plain.sequences.size(), 3000u);
    EXPECT_EQ(plain.sequences[17], pairs[17].firstSequence);
    EXPECT_EQ(plain.qualities[2999], pairs[2999].firstQuality);
    EXPECT_EQ(plain.headers[0], pairs[0].name + "/1 sample=test");

    testing::WriteGzip(dir.path() + "/one.fq.gz", text);
    testing::WriteGzip(dir.path() + "/members.fq.gz", text, 7);
    testing::WriteBgzf(dir.path() + "/blocks.fq.gz", text);
    for (const char* name : {"one.fq.gz", "members.fq.gz", "blocks.fq.gz"}) {
        const ReadBack back = ReadAll(dir.path() + "/" + name);
        EXPECT_EQ(back.sequences, plain.sequences) << name;
        EXPECT_EQ(back.qualities, plain.qualities) << name;
    }
    const ReadBack crlf = ReadAll(dir.Write("crlf.fq", testing::FastqText(pairs, 1, "\r\n")));
    EXPECT_EQ(crlf.sequences, plain.sequences);
    EXPECT_EQ(crlf.qualities, plain.qualities);
    EXPECT_EQ(crlf.headers, plain.headers);
}

TEST(FastqReader, ToleratesMissingLastLineEndAndTrailingBlankLines) {
    const TempDir dir;
    EXPECT_EQ(ReadAll(dir.Write("a.fq", "@r\nACGT\n+\nIIII")).sequences.size(), 1u);
    EXPECT_EQ(ReadAll(dir.Write("b.fq", "@r\nACGT\n+\nIIII\n\n\r\n")).sequences.size(), 1u);
    EXPECT_EQ(ReadAll(dir.Write("c.fq", "")).sequences.size(), 0u);
}

TEST(FastqReader, BrokenRecordsNameFileAndRecord) {
    const TempDir dir;
    const std::string good = "@r1\nACGT\n+\nIIII\n@r2\nACGT\n+\nIIII\n";
    const struct {
        const char* text;
        const char* message;
    } cases[] = {
        {"@r3\nACGT\n+\nIII\n", "record 3: quality shorter than sequence"},
        {"@r3\nACGT\n+\nIIIII\n", "record 3: quality longer than sequence"},
        {"@r3\nACGT\n+\nII I\n", "record 3: quality character ' ' at position 3 is outside"},
        {"@r3\nACGT\n+\nII\x7fI\n", "record 3: quality character byte 0x7f at position 3"},
        {"r3\nACGT\n+\nIIII\n", "record 3: does not begin with '@'"},
        {"@r3\nACGT\nIIII\n@r4\n", "record 3: no '+' line"},
        {"@r3\nACGT\n+\n", "record 3: the file ends inside the record"},
    };
    for (const auto& c : cases) {
        const std::string path = dir.Write("broken.fq", good + c.text);
        const std::string message = ReadError(path);
        EXPECT_EQ(message.rfind(path + ": " + c.message, 0), 0u) << message;
    }
}

TEST(FastqReader, TruncatedOrCorruptGzipIsAnError) {
    const TempDir dir;
    const auto pairs = testing::SimulatePairs(2, 2000, 100);
    const std::string bytes = testing::GzipBytes(testing::FastqText(pairs, 1));

    // Cut inside the compressed data, and cut just before the gzip trailer
    // (every record may then be complete; only the stream is not).
    for (const size_t keep : {bytes.size() / 2, bytes.size() - 4}) {
        const std::string path = dir.Write("cut.fq.gz", bytes.substr(0, keep));
        const std::string message = ReadError(path);
        EXPECT_NE(message.find(path + ": record "), std::string::npos) << message;
        EXPECT_NE(message.find("ends inside compressed data"), std::string::npos) << message;
    }
    std::string corrupt = bytes;
    for (size_t i = bytes.size() / 3; i < bytes.size() / 3 + 64; ++i) corrupt[i] ^= 0x5a;
    const std::string path = dir.Write("corrupt.fq.gz", corrupt);
    EXPECT_NE(ReadError(path).find("corrupt gzip data"), std::string::npos) << ReadError(path);
}

TEST(FastqReader, PairsOfRecordsStayValidTogether) {
    const TempDir dir;
    const auto pairs = testing::SimulatePairs(3, 4000, 150);
    FastqReader reader(dir.Write("pairs.fq", testing::FastqText(pairs, 0)));
    FastqRecord records[2];
    size_t count = 0;
    while (reader.Next(records, 2)) {
        ASSERT_EQ(records[0].sequence, pairs[count].firstSequence);
        ASSERT_EQ(records[1].sequence, pairs[count].secondSequence);
        ++count;
    }
    EXPECT_EQ(count, pairs.size());

    FastqReader odd(dir.Write("odd.fq", testing::FastqText(pairs, 0) + "@x/1\nACGT\n+\nIIII\n"));
    const auto readAllPairs = [&] {
        while (odd.Next(records, 2)) {
        }
    };
    EXPECT_THROW(readAllPairs(), InputError);
}

TEST(QualityEncoding, TheRangeOfTheCharactersTellsTheEncoding) {
    using Encoding = std::optional<QualityEncoding>;
    const Encoding phred33 = QualityEncoding::Phred33, phred64 = QualityEncoding::Phred64;
    const struct {
        const char* qualities;
        Encoding expected;
    } cases[] = {
        {"#(5?FJ", phred33},     // Illumina 1.8 and later
        {"IIII", phred33},       // all high, as test data often is
        {"!+5I~", phred33},      // long reads reach far above 'J'
        {":AK", phred33},        // below ';' only Phred+33 goes
        {"", phred33},           // no qualities at all
        {"@BFJh", phred64},      // Illumina 1.3 to 1.7
        {"BBBBKi", phred64},     //
        {";?Ah", std::nullopt},  // Solexa +64, or Phred+33 of 26 and more
        {"?K", std::nullopt},
    };
    for (const auto& c : cases) {
        QualityRange range;
        range.Add(c.qualities, 0);
        EXPECT_EQ(GuessEncoding(range), c.expected) << c.qualities;
    }
}

}  // namespace
}  // namespace lorvex::prep
