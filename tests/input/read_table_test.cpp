#include "input/read_table.h"

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

const std::string read100(100, 'A');

std::string ErrorOf(const std::string& path) {
    try {
        MeasureTable(path);
    } catch (const InputError& error) {
        return error.what();
    }
    return "";
}

TEST(TableMeasurement, TakesReadLengthAndLineSizeFromTheFirstLine) {
    TempDir dir;
    const ReadPair pair{read100, read100, "", ""};
    const std::string lf = dir.Write("lf", TableLine(pair) + TableLine(pair));
    const std::string crlf = dir.Write("crlf", TableLine(pair, "\r\n"));
    const std::string extra = dir.Write("extra", TableLine(pair, "\tfifth field\n"));
    EXPECT_EQ(GetReadLength(lf), 100);
    EXPECT_EQ(GetLineSize(lf), 404u);
    EXPECT_EQ(GetLineSize(crlf), 405u);
    EXPECT_EQ(GetLineSize(extra), 416u);
    for (const std::string& path : {lf, crlf, extra}) {
        const TableLayout layout = MeasureTable(path);
        EXPECT_EQ(layout.readLength, GetReadLength(path));
        EXPECT_EQ(layout.lineSize, GetLineSize(path));
    }
    EXPECT_EQ(MeasureTable(crlf).lineEndLength, 2);
    EXPECT_EQ(MeasureTable(lf).fileSize, 808u);
}

TEST(TableMeasurement, AcceptsTheLongestReadTheBufferHolds) {
    TempDir dir;
    const std::string read(1023, 'C');
    const std::string path = dir.Write("t", TableLine({read, read, "", ""}));
    EXPECT_EQ(GetReadLength(path), 1023);
    EXPECT_EQ(MeasureTable(path).readLength, 1023);
    const std::string longer(1024, 'C');
    EXPECT_NE(
        ErrorOf(dir.Write("u", TableLine({longer, longer, "", ""}))).find("longer than 1,023"),
        std::string::npos);
}

TEST(TableMeasurement, RefusesTablesOutsideTheFormat) {
    TempDir dir;
    const std::string shortRead(11, 'A');
    const std::string huge(70000, 'A');
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"", "empty"},
        {"ACGTACGTACGTACGT ACGT\n", "no tab"},
        {"\tACGTACGTACGTACGT\tA\tA\tA\n", "leading tab"},
        {TableLine({shortRead, shortRead, "", ""}), "shorter than the 12-base prefix"},
        {std::string(20, 'A') + "\t" + std::string(20, 'A') + "\n", "shorter than four fields"},
        {std::string(20, 'A') + "\t" + huge + "\n", "longer than 65,535 bytes"},
        {std::string(20, 'A') + std::string("\t\0", 2) + std::string(70, 'A') + "\n", "zero byte"},
    };
    for (const auto& [contents, expected] : cases) {
        const std::string error = ErrorOf(dir.Write("bad", contents));
        EXPECT_NE(error.find(expected), std::string::npos) << expected << " / " << error;
    }
    EXPECT_NE(ErrorOf(dir.path()).find("directory"), std::string::npos);
    EXPECT_NE(ErrorOf(dir.path() + "/missing").find("No such file"), std::string::npos);
}

TEST(ParseReads, CutsFieldsByPositionWhateverTheSeparators) {
    const std::string lines =
        "AAAAAAAAAAAAA|CCCCCCCCCCCCC|IIIIIIIIIIIII|#############\r\n"
        "GGGGGGGGGGGGG\tTTTTTTTTTTTTT\t5555555555555\t?????????????\r\n";
    std::vector<std::string> first(2), second(2), firstQ(2), secondQ(2);
    ParseReads(lines.data(), 2, 13, 57, first, second, firstQ, secondQ);
    EXPECT_EQ(first[0], std::string(13, 'A'));
    EXPECT_EQ(second[0], std::string(13, 'C'));
    EXPECT_EQ(firstQ[0], std::string(13, 'I'));
    EXPECT_EQ(secondQ[0], std::string(13, '#'));
    EXPECT_EQ(first[1], std::string(13, 'G'));
    EXPECT_EQ(secondQ[1], std::string(13, '?'));
    std::vector<std::string> untouched(1, "keep");
    ParseReads(lines.data(), 0, 13, 57, untouched, untouched, untouched, untouched);
    EXPECT_EQ(untouched[0], "keep");
}

TEST(ParseReads, PadsAfterAZeroByteLikeABoundedCopy) {
    const std::string line("AAAA\0AAAAAAAA\tCCCCCCCCCCCCC\tIIIIIIIIIIIII\tIIIIIIIIIIIII\n", 56);
    std::vector<std::string> first(1), second(1), firstQ(1), secondQ(1);
    ParseReads(line.data(), 1, 13, 56, first, second, firstQ, secondQ);
    EXPECT_EQ(first[0], std::string("AAAA") + std::string(9, '\0'));
    EXPECT_EQ(second[0], std::string(13, 'C'));
}

class TableLinesTest : public ::testing::Test {
  protected:
    std::string ErrorReading(const std::string& contents, uint64_t offset, uint64_t count) {
        const std::string path = dir_.Write("t", contents);
        const TableStream table = OpenTableStream(path, MeasureTable(path));
        std::vector<char> block;
        try {
            ReadTableLines(table, offset, count, block);
        } catch (const InputError& error) {
            return error.what();
        }
        return "";
    }
    TempDir dir_;
    const ReadPair pair_{std::string(13, 'A'), std::string(13, 'C'), "", ""};
};

TEST_F(TableLinesTest, ReadsWholeLinesAndAllowsAMissingFinalLineEnd) {
    const std::string two = TableLine(pair_) + TableLine(pair_);
    EXPECT_EQ(ErrorReading(two, 0, 2), "");
    EXPECT_EQ(ErrorReading(two.substr(0, two.size() - 1), 0, 2), "");
    const std::string crlf = TableLine(pair_, "\r\n") + TableLine(pair_, "\r\n");
    EXPECT_EQ(ErrorReading(crlf.substr(0, crlf.size() - 2), 57, 1), "");
}

TEST_F(TableLinesTest, NamesTheLineThatBreaksTheLayout) {
    const std::string good = TableLine(pair_);
    const std::string shorter = TableLine({std::string(12, 'A'), std::string(13, 'C'), "", ""});
    EXPECT_NE(ErrorReading(good + shorter + good + good, 0, 3).find("line 2: not 56 bytes long"),
              std::string::npos);
    EXPECT_NE(ErrorReading(good + good, 0, 3).find("truncated"), std::string::npos);
    EXPECT_NE(ErrorReading(good + good.substr(0, 30), 0, 2).find("ends inside line 2"),
              std::string::npos);
    std::string zero = good + good;
    zero[60] = '\0';
    EXPECT_NE(ErrorReading(zero, 0, 2).find("line 2: holds a zero byte"), std::string::npos);
}

}  // namespace
}  // namespace lorvex
