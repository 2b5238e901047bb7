// The two programs run as a user runs them: arguments, files, standard
// output and exit status.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "child_process.h"
#include "seq/nucleotide.h"
#include "test_support.h"

namespace lorvex {
namespace {

using testing::ProgramRun;
using testing::RandomBases;
using testing::ReadPair;
using testing::ReverseComplementOf;
using testing::RunBuiltProgram;
using testing::TempDir;

using lorvex::testing::bothPrograms;

TEST(CommandLine, HelpVersionAndUsage) {
    for (const std::string& program : bothPrograms) {
        const ProgramRun help = RunBuiltProgram(program, {"--help"});
        EXPECT_EQ(help.status, 0);
        EXPECT_NE(help.out.find("Usage: " + program + " SEED.fa TABLE INDEX"), std::string::npos);
        EXPECT_EQ(help.err, "");
        const ProgramRun version = RunBuiltProgram(program, {"--version"});
        EXPECT_EQ(version.status, 0);
        EXPECT_EQ(version.out, program + " " + LORVEX_VERSION + "\n");
        const ProgramRun missing = RunBuiltProgram(program, {"seed.fa", "t", "i", "1", "2", "3"});
        EXPECT_EQ(missing.status, 2);
        EXPECT_EQ(missing.out, "");
        EXPECT_NE(missing.err.find("Usage: " + program), std::string::npos);
        // The usage ends with a line naming what is missing.
        const auto lastLine = [](const std::string& text) {
            return text.substr(text.rfind('\n', text.size() - 2) + 1);
        };
        EXPECT_EQ(lastLine(missing.err),
                  program + ": missing DOMINANCE_RATIO (6 of 7 arguments given)\n");
        EXPECT_EQ(lastLine(RunBuiltProgram(program, {"seed.fa", "t", "i", "1"}).err),
                  program +
                      ": missing MAX_DISTANCE, MIN_VOTES and DOMINANCE_RATIO (4 of 7 "
                      "arguments given)\n");
    }
}

TEST(CommandLine, RefusesNumbersThatAreNotWhole) {
    const std::vector<std::vector<std::string>> cases = {
        {"", "1", "1", "0.1"},
        {"abc", "1", "1", "0.1"},
        {"12abc", "1", "1", "0.1"},
        {"1.5", "1", "1", "0.1"},
        {"1", "1e3", "1", "0.1"},
        {"1", "2147483648", "1", "0.1"},
        {"1", "1", "-2147483649", "0.1"},
        {"1", "1", "1", "0.1x"},
        {"1", "1", "1", ""},
    };
    for (const auto& numbers : cases) {
        const ProgramRun run = RunBuiltProgram(
            "lorvex", {"seed.fa", "t", "i", numbers[0], numbers[1], numbers[2], numbers[3]});
        EXPECT_EQ(run.status, 2) << numbers[0] << numbers[1] << numbers[2] << numbers[3];
        EXPECT_EQ(run.err.rfind("lorvex: ", 0), 0u) << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    }
}

// A seed of 200 random bases whose last 30 form the only anchor window the
// first cycle sees in both programs (main: MIN = MAX = 30; strict: MIN 58,
// MAX 30), and pairs anchored there whose mates vote by hand-set qualities.
class HandMadeRun : public ::testing::Test {
  protected:
    static constexpr int readLength = 30;

    void SetUp() override {
        // The contig ends in "GAC" repeats so one mate can match at two
        // overlaps three bases apart.
        seed_ = RandomBases(77, 170) + "TTGACGACGACGACGACGACGACGACGACGAC";
        seed_ = seed_.substr(seed_.size() - 200);
        window_ = seed_.substr(200 - readLength);
    }

    // A mate that matches the contig's last `overlap` bases, then `next`,
    // with high qualities at the given overlaps only.
    ReadPair Pair(int overlap, char next, const std::set<int>& qualifying) const {
        std::string mate = seed_.substr(200 - overlap) + next;
        mate.resize(readLength, 'T');
        std::string quality(readLength, '#');       // 2
        for (int o : qualifying) quality[o] = 'I';  // 40
        std::reverse(quality.begin(), quality.end());
        return ReadPair{window_, ReverseComplementOf(mate), "", quality};
    }

    ProgramRun Run(const std::string& program, const std::vector<ReadPair>& pairs,
                   const std::string& minVotes = "5", const std::string& ratio = "0.1") {
        const auto files = testing::WriteTableAndIndex(dir_, pairs);
        const std::string seedPath = dir_.Write("seed.fa", ">seed\n" + seed_ + "\n");
        const bool main = program == "lorvex";
        return RunBuiltProgram(program, {seedPath, files.table, files.index, main ? "30" : "58",
                                         "30", minVotes, ratio});
    }

    std::vector<ReadPair> SevenGOneCAndADoubleG() const {
        std::vector<ReadPair> pairs(7, Pair(21, 'G', {21}));
        pairs.push_back(Pair(21, 'C', {21}));
        pairs.push_back(Pair(25, 'G', {22, 25}));  // m[22] is the contig's 'G' three from the end
        return pairs;
    }

    TempDir dir_;
    std::string seed_;
    std::string window_;
};

TEST_F(HandMadeRun, PrintsTheBaseAndTheVotesThatChoseIt) {
    const ProgramRun main = Run("lorvex", SevenGOneCAndADoubleG());
    EXPECT_EQ(main.status, 0);
    EXPECT_EQ(main.err, "");
    EXPECT_EQ(main.out, "G\t0\t1\t8\t0\n");
    // The strict variant does not count a mate that qualifies twice.
    const ProgramRun strict = Run("lorvex-strict", SevenGOneCAndADoubleG());
    EXPECT_EQ(strict.status, 0);
    EXPECT_EQ(strict.out, "G\t0\t1\t7\t0\n");
}

TEST_F(HandMadeRun, AFailedCheckEndsTheRunWithoutItsLine) {
    for (const std::string& program : bothPrograms) {
        EXPECT_EQ(Run(program, SevenGOneCAndADoubleG(), "10").out, "");      // too few votes
        EXPECT_EQ(Run(program, SevenGOneCAndADoubleG(), "5", "9").out, "");  // not dominant
        EXPECT_EQ(Run(program, SevenGOneCAndADoubleG(), "5", "7").out,
                  "G\t0\t1\t" + std::string(program == "lorvex" ? "8" : "7") + "\t0\n");
        EXPECT_EQ(Run(program, {Pair(21, 'A', {})}).out, "");  // no vote at all
    }
}

TEST_F(HandMadeRun, StopsOnATailOfOneRepeatedBase) {
    seed_ = RandomBases(78, 171) + std::string(29, 'T');
    window_ = seed_.substr(200 - readLength);
    std::vector<ReadPair> pairs(6, Pair(21, 'T', {21}));
    EXPECT_EQ(Run("lorvex", pairs).out, "");
    pairs.assign(6, Pair(21, 'G', {21}));
    EXPECT_EQ(Run("lorvex", pairs).out, "G\t0\t0\t6\t0\n");
}

TEST(Programs, RunsWithoutWindowsOrVotesPrintNothing) {
    TempDir dir;
    const std::string read(20, 'A');
    const auto files = testing::WriteTableAndIndex(dir, {{read, read, "", ""}});
    const std::string seed = dir.Write("seed.fa", ">s\n" + RandomBases(1, 100) + "\n");
    // MAX below MIN: no windows, and no window limits to meet.
    const ProgramRun none =
        RunBuiltProgram("lorvex", {seed, files.table, files.index, "500", "400", "1", "0"});
    EXPECT_EQ(none.status, 0);
    EXPECT_EQ(none.out + none.err, "");
    // Reads of 20 bases never vote; lorvex-extend says so.
    for (const std::string& program : bothPrograms) {
        const ProgramRun run =
            RunBuiltProgram(program, {seed, files.table, files.index, "40", "60", "1", "0"});
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out + run.err, "");
    }
    const ProgramRun extend = RunBuiltProgram(
        "lorvex-extend", {"-s", seed, "-t", files.table, "-i", files.index, "--min-distance", "40",
                          "--max-distance", "60", "--no-repeat-guard", "-q", "-o", "-"});
    EXPECT_EQ(extend.status, 0) << extend.err;
    EXPECT_EQ(extend.err.rfind("lorvex-extend: warning: the table holds reads of 20 bases", 0), 0u)
        << extend.err;
}

TEST(Programs, ReportBadFilesAndWindowLimits) {
    TempDir dir;
    const std::string read(30, 'A');
    const auto files = testing::WriteTableAndIndex(dir, {{read, read, "", ""}});
    const std::string seed = dir.Write("seed.fa", ">s\n" + RandomBases(1, 100) + "\n");
    const std::string missing = dir.path() + "/missing.fa";
    struct Case {
        std::string program;
        std::vector<std::string> arguments;
        int status;
        std::string message;
    };
    const std::vector<Case> cases = {
        {"lorvex",
         {missing, files.table, files.index, "30", "40", "1", "0"},
         1,
         "lorvex: " + missing + ": No such file or directory\n"},
        {"lorvex",
         {seed, dir.path(), files.index, "30", "40", "1", "0"},
         1,
         "lorvex: " + dir.path() + ": is a directory, not a file\n"},
        {"lorvex",
         {seed, files.table, missing, "30", "40", "1", "0"},
         1,
         "lorvex: " + missing + ": No such file or directory\n"},
        {"lorvex",
         {seed, files.table, files.index, "29", "40", "1", "0"},
         2,
         "lorvex: MIN_DISTANCE 29 must be at least 30 (the read length)\n"},
        {"lorvex-strict",
         {seed, files.table, files.index, "57", "80", "1", "0"},
         2,
         "lorvex-strict: MIN_DISTANCE 57 must be at least 58 (twice the read length, minus 2)\n"},
        {"lorvex",
         {seed, files.table, files.index, "30", "101", "1", "0"},
         2,
         "lorvex: the seed holds 100 bases, fewer than MAX_DISTANCE 101\n"},
        // A table and an index in each other's place.
        {"lorvex",
         {seed, files.index, files.table, "30", "40", "1", "0"},
         1,
         "lorvex: " + files.index + " is a prefix index and " + files.table +
             " a read-pair table: swap the two (SEED.fa TABLE INDEX ...)\n"},
        {"lorvex-strict",
         {seed, files.table, files.table, "58", "80", "1", "0"},
         1,
         "lorvex-strict: " + files.table +
             ": a read-pair table, given where its prefix index "
             "belongs\n"},
        {"lorvex",
         {seed, files.index, files.index, "30", "40", "1", "0"},
         1,
         "lorvex: " + files.index + ": a prefix index, given where the read-pair table belongs\n"},
    };
    for (const Case& c : cases) {
        const ProgramRun run = RunBuiltProgram(c.program, c.arguments);
        EXPECT_EQ(run.status, c.status) << c.message;
        EXPECT_EQ(run.err, c.message);
        EXPECT_EQ(run.out, "");
    }
}

// Runs over simulated reads: both programs extend along the genome, repeat
// themselves exactly, and a write failure is never reported as success.
class SimulatedRun : public ::testing::Test {
  protected:
    void SetUp() override {
        reads_ = testing::SimulateReads(11, 6000, 50, 200, 10000);
        files_ = testing::WriteTableAndIndex(dir_, reads_.pairs);
        seedPath_ = dir_.Write("seed.fa", ">seed\n" + reads_.genome.substr(0, 500) + "\n");
    }
    std::vector<std::string> Arguments(const std::string& program) const {
        const bool main = program == "lorvex";
        return {seedPath_, files_.table, files_.index, main ? "150" : "170", "190", "3", "0.2"};
    }
    TempDir dir_;
    testing::SimulatedReads reads_;
    testing::TableFiles files_;
    std::string seedPath_;
};

TEST_F(SimulatedRun, ExtendsAlongTheGenomeAndRepeatsItself) {
    for (const std::string& program : bothPrograms) {
        const ProgramRun first = RunBuiltProgram(program, Arguments(program));
        const ProgramRun second = RunBuiltProgram(program, Arguments(program));
        EXPECT_EQ(first.status, 0) << first.err;
        EXPECT_EQ(first.out, second.out);
        std::string extension;
        for (size_t line = 0; line < first.out.size(); line = first.out.find('\n', line) + 1)
            extension += first.out[line];
        EXPECT_GT(extension.size(), 1000u) << program;
        EXPECT_EQ(extension, reads_.genome.substr(500, extension.size())) << program;
    }
}

TEST_F(SimulatedRun, AWriteFailureIsNotSuccess) {
    for (const std::string& program : bothPrograms) {
        const ProgramRun run = RunBuiltProgram(program, Arguments(program), 120, "/dev/full");
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err, program + ": standard output: No space left on device\n");
    }
}

}  // namespace
}  // namespace lorvex
