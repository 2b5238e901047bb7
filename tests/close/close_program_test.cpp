// lorvex-close end to end on a small simulated genome: scaffolds cut from it
// with gaps that close, and gaps that stay open for each reason the program
// can meet on real data; the same output on any number of threads; --partial;
// inputs refused before any output exists; and a refused estimate in
// lorvex-close's words.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "child_process.h"
#include "test_support.h"

namespace lorvex {
namespace {

using testing::ProgramRun;
using testing::ReadFile;
using testing::RunBuiltProgram;

class CloseProgram : public ::testing::Test {
  protected:
    void SetUp() override {
        genome_ = testing::RandomBases(1515, 8000);
        files_ = testing::WriteTableAndIndex(
            dir_, testing::SampleReadPairs(genome_, 15, 50, 200, 4000, 500));
        const std::string unrelated = testing::RandomBases(99, 800);
        const auto n = [](size_t count) { return std::string(count, 'N'); };
        // s1: a gap of its true length, one of 600 Ns for 200 bases, one of
        // the unknown-size marker (100 Ns) for 200 bases.
        scaffolds_ = {
            {"s1",
             G(0, 1500) + n(300) + G(1800, 3000) + n(600) + G(3200, 4200) + n(100) + G(4400, 5500)},
            // At the record's start; then a flank from elsewhere: no reads join it.
            {"s2", n(50) + G(5600, 6500) + n(80) + unrelated},
            // Both flanks shorter than the farthest window.
            {"s3", G(6600, 6750) + n(60) + G(6810, 6960)},
            {"s4", G(7000, 7900)},
        };
        std::string text;
        for (const auto& [name, bases] : scaffolds_)
            text += ">" + name + " scaffold\n" + bases + "\n";
        scaffoldsPath_ = dir_.Write("scaffolds.fa", text);
    }

    std::string G(size_t from, size_t to) const { return genome_.substr(from, to - from); }

    ProgramRun Close(std::vector<std::string> extra) const {
        std::vector<std::string> arguments = {"-s",
                                              scaffoldsPath_,
                                              "-t",
                                              files_.table,
                                              "-i",
                                              files_.index,
                                              "--min-distance",
                                              "150",
                                              "--max-distance",
                                              "199",
                                              "-o",
                                              out(),
                                              "--gaps-tsv",
                                              gapsTsv(),
                                              "--line-width",
                                              "0",
                                              "--force"};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        return RunBuiltProgram("lorvex-close", arguments);
    }

    std::string out() const { return dir_.path() + "/closed.fa"; }
    std::string gapsTsv() const { return dir_.path() + "/gaps.tsv"; }

    // The TSV's status and reason columns, one "status reason" per gap.
    std::vector<std::string> Verdicts() const {
        std::vector<std::string> verdicts;
        const std::string tsv = ReadFile(gapsTsv());
        size_t at = tsv.find('\n') + 1;
        while (at < tsv.size()) {
            const size_t end = tsv.find('\n', at);
            std::vector<std::string> fields;
            size_t from = at;
            for (size_t tab; (tab = tsv.find('\t', from)) < end; from = tab + 1)
                fields.push_back(tsv.substr(from, tab - from));
            fields.push_back(tsv.substr(from, end - from));
            verdicts.push_back(fields.at(4) + " " + fields.at(11));
            at = end + 1;
        }
        return verdicts;
    }

    std::string Record(const std::string& fasta, const std::string& name) const {
        const size_t header = fasta.find(">" + name + " scaffold\n");
        if (header == std::string::npos) return "";
        const size_t start = fasta.find('\n', header) + 1;
        return fasta.substr(start, fasta.find('\n', start) - start);
    }

    testing::TempDir dir_;
    std::string genome_;
    testing::TableFiles files_;
    std::vector<std::pair<std::string, std::string>> scaffolds_;
    std::string scaffoldsPath_;
};

TEST_F(CloseProgram, ClosesWhatTheReadsJoinAndSaysWhyTheOthersStayOpen) {
    const ProgramRun run = Close({"-j", "1"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(Verdicts(), (std::vector<std::string>{"closed ", "open length-out-of-range",
                                                    "closed ", "open record-end", "open no-overlap",
                                                    "open flank-too-short"}));
    const std::string fasta = ReadFile(out());
    EXPECT_EQ(Record(fasta, "s1"), G(0, 3000) + std::string(600, 'N') + G(3200, 5500));
    for (size_t i = 1; i < scaffolds_.size(); ++i)
        EXPECT_EQ(Record(fasta, scaffolds_[i].first), scaffolds_[i].second) << i;
    EXPECT_NE(run.err.find("lorvex-close: 6 gaps in 4 records: 2 closed (500 bases), 4 open"),
              std::string::npos)
        << run.err;

    // The length check: a tolerance that takes in 400 bases closes the gap of
    // 600 Ns, and without the unknown-size marker the 100 Ns stay open.
    ASSERT_EQ(Close({"--gap-tolerance", "400", "--unknown-gap-length", "0"}).status, 0);
    const std::vector<std::string> verdicts = Verdicts();
    EXPECT_EQ(verdicts[1], "closed ");
    EXPECT_EQ(verdicts[2], "closed ") << "within 400 of 100";
    ASSERT_EQ(Close({"--unknown-gap-length", "0"}).status, 0);
    EXPECT_EQ(Verdicts()[2], "open length-out-of-range");

    // Any number of threads writes the same bytes.
    ASSERT_EQ(Close({"-j", "1"}).status, 0);
    const std::string one = ReadFile(out()), oneTsv = ReadFile(gapsTsv());
    ASSERT_EQ(Close({"-j", "4"}).status, 0);
    EXPECT_EQ(ReadFile(out()), one);
    EXPECT_EQ(ReadFile(gapsTsv()), oneTsv);
}

TEST_F(CloseProgram, PartialWritesWhatEachSideAddedAroundShorterNs) {
    ASSERT_EQ(Close({"--partial"}).status, 0);
    const std::string s2 = Record(ReadFile(out()), "s2");
    // The left flank ran on along the genome; the unrelated flank added nothing.
    const size_t gap = s2.find('N', 50);
    ASSERT_NE(gap, std::string::npos);
    EXPECT_GT(gap, size_t{50 + 900});
    EXPECT_EQ(s2.substr(0, gap), std::string(50, 'N') + G(5600, 5600 + gap - 50));
    const int64_t added = static_cast<int64_t>(gap) - 950;
    const size_t ns = static_cast<size_t>(std::max<int64_t>(1, 80 - added));
    EXPECT_EQ(s2.substr(gap), std::string(ns, 'N') + testing::RandomBases(99, 800));
}

TEST_F(CloseProgram, RefusesBadInputsBeforeWritingAnything) {
    struct Case {
        std::vector<std::string> arguments;
        int status;
        std::string message;
    };
    const std::string table = files_.table, index = files_.index;
    const std::vector<Case> cases = {
        {{"-s", dir_.path() + "/missing.fa", "-t", table, "-i", index}, 1, "missing.fa"},
        {{"-s", scaffoldsPath_, "-t", table, "-i", index, "--min-distance", "199", "--max-distance",
          "150"},
         2,
         "--min-distance 199 is greater than --max-distance 150"},
        {{"-s", dir_.path() + "/text.fa", "-t", table, "-i", index, "--min-distance", "150",
          "--max-distance", "199"},
         1,
         "text.fa: line 1: text before the first '>' header line"},
        {{"-s", scaffoldsPath_, "-t", table, "-i", index, "--min-distance", "40", "--max-distance",
          "199"},
         2,
         "--min-distance"},
    };
    dir_.Write("text.fa", "ACGT\n");
    for (const Case& c : cases) {
        std::vector<std::string> arguments = c.arguments;
        arguments.insert(arguments.end(), {"-o", out(), "--gaps-tsv", gapsTsv()});
        const ProgramRun run = RunBuiltProgram("lorvex-close", arguments);
        EXPECT_EQ(run.status, c.status) << run.err;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        EXPECT_EQ(
            testing::FolderEntries(dir_.path()),
            (std::vector<std::string>{"reads.index", "reads.table", "scaffolds.fa", "text.fa"}))
            << c.message;
    }
    // Scaffolds without a gap are written as they are.
    const std::string plain = dir_.Write("plain.fa", ">only\n" + G(0, 700) + "\n");
    const ProgramRun run = RunBuiltProgram(
        "lorvex-close", {"-s", plain, "-t", table, "-i", index, "--line-width", "0"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, ">only\n" + G(0, 700) + "\n");
}

// lorvex-close estimates on the flanks and says so: flanks too short to hold
// a fragment leave no pair to estimate from, and the refusal names them.
TEST_F(CloseProgram, ARefusedEstimateSpeaksOfTheFlanks) {
    const std::string shortFlanks =
        dir_.Write("short.fa", ">s\n" + G(0, 150) + std::string(50, 'N') + G(200, 350) + "\n");
    const ProgramRun run = RunBuiltProgram(
        "lorvex-close", {"-s", shortFlanks, "-t", files_.table, "-i", files_.index, "-o", out()});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err.rfind("lorvex-close: too few pairs to estimate the fragment lengths: ", 0),
              0u)
        << run.err;
    EXPECT_NE(run.err.find(" placed inside the flanks"), std::string::npos) << run.err;
    // No pair to suggest distances from: what to measure instead.
    EXPECT_NE(run.err.find("; give --min-distance and --max-distance: measure the library's "
                           "fragment lengths"),
              std::string::npos)
        << run.err;
    EXPECT_EQ(run.err.find("seed"), std::string::npos) << run.err;
    EXPECT_EQ(testing::FolderEntries(dir_.path()),
              (std::vector<std::string>{"reads.index", "reads.table", "scaffolds.fa", "short.fa"}));
}

// A population whose minority (15 % of the pairs) differs every 61 bases:
// the gaps close with the majority, and the variant rows name every site of
// the fills where the haplotypes differ, with the majority base that the
// closed record holds there.
TEST(CloseVariants, FilledSitesAreReportedWhereTheRecordHoldsThem) {
    testing::TempDir dir;
    const std::string genome = testing::RandomBases(1717, 6000);
    std::string minority = genome;
    for (size_t site = 40; site < minority.size(); site += 61)
        minority[site] = minority[site] == 'A' ? 'C' : 'A';
    std::vector<testing::ReadPair> pairs = testing::SampleReadPairs(genome, 17, 50, 200, 10200);
    const std::vector<testing::ReadPair> minor =
        testing::SampleReadPairs(minority, 18, 50, 200, 1800);
    pairs.insert(pairs.end(), minor.begin(), minor.end());
    const testing::TableFiles files = testing::WriteTableAndIndex(dir, pairs);
    const std::string scaffold = genome.substr(0, 2500) + std::string(400, 'N') +
                                 genome.substr(2900, 1600) + std::string(300, 'N') +
                                 genome.substr(4800);
    const std::string scaffolds = dir.Write("population.fa", ">p\n" + scaffold + "\n");
    const std::string closed = dir.path() + "/closed.fa", variants = dir.path() + "/v.tsv";
    const ProgramRun run =
        RunBuiltProgram("lorvex-close", {"-s", scaffolds, "-t", files.table, "-i", files.index,
                                         "--min-distance", "150", "--max-distance", "199", "-o",
                                         closed, "--line-width", "0", "--variants-tsv", variants});
    ASSERT_EQ(run.status, 0) << run.err;
    ASSERT_EQ(ReadFile(closed), ">p\n" + genome + "\n") << run.err;
    const std::string tsv = ReadFile(variants);
    size_t at = tsv.find('\n') + 1, rows = 0;
    EXPECT_EQ(tsv.substr(0, at),
              "record\tside\tposition\tmajor\tminor\tA\tC\tG\tT\tminor_share\tdepth\n");
    while (at < tsv.size()) {
        const size_t end = tsv.find('\n', at);
        const std::string row = tsv.substr(at, end - at);
        at = end + 1;
        std::vector<std::string> f;
        for (size_t from = 0;;) {
            const size_t tab = row.find('\t', from);
            f.push_back(row.substr(from, tab - from));
            if (tab == std::string::npos) break;
            from = tab + 1;
        }
        ASSERT_EQ(f.size(), 11u) << row;
        const size_t site = std::stoul(f[2]) - 1;
        EXPECT_TRUE((site >= 2500 && site < 2900) || (site >= 4500 && site < 4800)) << row;
        EXPECT_NE(genome[site], minority[site]) << row;
        EXPECT_EQ(f[3], std::string(1, genome[site])) << row;
        EXPECT_EQ(f[4], std::string(1, minority[site])) << row;
        ++rows;
    }
    EXPECT_EQ(rows, 11u) << tsv;
    EXPECT_NE(run.err.find("; " + std::to_string(rows) + " variant sites"), std::string::npos)
        << run.err;
}

}  // namespace
}  // namespace lorvex
