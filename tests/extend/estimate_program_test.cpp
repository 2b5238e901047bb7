// lorvex-extend without distances, run as a user runs it: the estimated
// distances extend exactly as the same distances given, --estimate-only and
// --fragments-tsv report them with the single-copy depth, those values make
// a batch split into parts extend as the whole, and an estimate that cannot
// be trusted stops the run before anything is written.
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "child_process.h"
#include "test_support.h"

namespace lorvex {
namespace {

using testing::ProgramRun;
using testing::ReadFile;
using testing::RunBuiltProgram;

class EstimateProgram : public ::testing::Test {
  protected:
    // Reads of 50 bases from fragments of 400 +- 10 (uniform), four seeds and
    // two that are too short to hold a pair.
    void Prepare(std::vector<testing::ReadPair> extraPairs = {}, int pairs = 6000) {
        reads_ = testing::SimulateReads(5, 8000, 50, 400, pairs);
        reads_.pairs.insert(reads_.pairs.end(), extraPairs.begin(), extraPairs.end());
        files_ = testing::WriteTableAndIndex(dir_, reads_.pairs);
        std::string seeds;
        for (const size_t start : {100, 2000, 4000, 6000})
            seeds += ">s" + std::to_string(start) + "\n" + reads_.genome.substr(start, 1500) + "\n";
        seeds += ">short\n" + reads_.genome.substr(7000, 30) + "\n>empty\n";
        seeds_ = dir_.Write("seeds.fa", seeds);
    }

    ProgramRun Run(std::vector<std::string> arguments) const {
        arguments.insert(arguments.begin(),
                         {"-s", seeds_, "-t", files_.table, "-i", files_.index, "--force"});
        return RunBuiltProgram("lorvex-extend", arguments);
    }

    std::string Path(const std::string& name) const { return dir_.path() + "/" + name; }

    testing::TempDir dir_;
    testing::SimulatedReads reads_;
    testing::TableFiles files_;
    std::string seeds_;
};

std::string TsvValue(const std::string& tsv, const std::string& key) {
    std::smatch found;
    const bool there = std::regex_search(tsv, found, std::regex("(^|\n)" + key + "\t([^\n]*)\n"));
    return there ? found[2].str() : "";
}

TEST_F(EstimateProgram, EstimatedDistancesExtendAsTheSameDistancesGiven) {
    Prepare();
    const ProgramRun estimated = Run({"--both", "-j", "2", "-o", Path("estimated.fa"),
                                      "--fragments-tsv", Path("fragments.tsv")});
    ASSERT_EQ(estimated.status, 0) << estimated.err;
    std::smatch distances;
    ASSERT_TRUE(std::regex_search(
        estimated.err, distances,
        std::regex("lorvex-extend: distances: --min-distance ([0-9]+) --max-distance ([0-9]+) "
                   "\\(2 of 6 seeds shorter than --max-distance\\)\n")))
        << estimated.err;
    const std::string minDistance = distances[1], maxDistance = distances[2];
    // Uniform 390 to 410: quartiles 395 and 405, taken 378 to 422.
    EXPECT_NEAR(std::stoi(minDistance), 378 - 50 + 20, 4);
    EXPECT_NEAR(std::stoi(maxDistance), 422 - 1, 4);
    const std::string tsv = ReadFile(Path("fragments.tsv"));
    EXPECT_EQ(TsvValue(tsv, "min_distance"), minDistance);
    EXPECT_EQ(TsvValue(tsv, "max_distance"), maxDistance);
    EXPECT_NEAR(std::stod(TsvValue(tsv, "median")), 400, 8);
    EXPECT_NE(tsv.find("\n\nbin_start\tbin_end\tpairs\tshare\n"), std::string::npos) << tsv;

    // Given, with the default votes and ratio spelled out.
    const ProgramRun given =
        Run({"--both", "-o", Path("given.fa"), "--min-distance", minDistance, "--max-distance",
             maxDistance, "--min-votes", "2", "--ratio", "1.5"});
    ASSERT_EQ(given.status, 0) << given.err;
    const std::string contigs = ReadFile(Path("estimated.fa"));
    EXPECT_EQ(ReadFile(Path("given.fa")), contigs);
    EXPECT_GT(contigs.size(), 4 * 1600u);

    // The same estimate on any number of threads.
    const ProgramRun only =
        Run({"--estimate-only", "-q", "-j", "3", "--fragments-tsv", Path("only.tsv")});
    ASSERT_EQ(only.status, 0) << only.err;
    EXPECT_EQ(only.err, "");
    EXPECT_EQ(only.out.find('>'), std::string::npos);
    const std::string command = "lorvex SEED.fa " + files_.table + " " + files_.index + " " +
                                minDistance + " " + maxDistance + " 2 1.5\n";
    EXPECT_EQ(only.out.substr(only.out.size() - command.size()), command) << only.out;
    EXPECT_EQ(ReadFile(Path("only.tsv")), tsv);
}

// What a workflow does with many seeds: settle the values once over all of
// them, then extend parts of the batch with those values given.
TEST_F(EstimateProgram, ValuesSettledOverTheBatchExtendItsPartsAsTheWhole) {
    Prepare();
    const ProgramRun whole = Run({"--both", "-q", "-o", Path("whole.fa"), "--bases-tsv",
                                  Path("whole.bases"), "--summary-tsv", Path("whole.summary")});
    ASSERT_EQ(whole.status, 0) << whole.err;
    const ProgramRun settled =
        Run({"--estimate-only", "-q", "--both", "--fragments-tsv", Path("settled.tsv")});
    ASSERT_EQ(settled.status, 0) << settled.err;
    const std::string tsv = ReadFile(Path("settled.tsv"));
    const std::string minDistance = TsvValue(tsv, "min_distance"),
                      maxDistance = TsvValue(tsv, "max_distance"),
                      depth = TsvValue(tsv, "single_copy_depth");
    ASSERT_NE(depth, "") << tsv;
    EXPECT_NE(settled.out.find("\nsingle-copy depth " + depth), std::string::npos) << settled.out;

    // Given distances are reported as given; only the depth is estimated.
    const ProgramRun given =
        Run({"--estimate-only", "--both", "--min-distance", minDistance, "--max-distance",
             maxDistance, "--fragments-tsv", Path("given.tsv")});
    ASSERT_EQ(given.status, 0) << given.err;
    EXPECT_EQ(given.out.rfind("distances: --min-distance " + minDistance + " --max-distance " +
                                  maxDistance + " (given)\nsingle-copy depth ",
                              0),
              0u)
        << given.out;
    const std::string givenTsv = ReadFile(Path("given.tsv"));
    EXPECT_EQ(TsvValue(givenTsv, "max_distance"), maxDistance);
    EXPECT_EQ(TsvValue(givenTsv, "single_copy_depth"), depth);
    EXPECT_EQ(TsvValue(givenTsv, "median"), "");
    const std::string noHistogram = "\n\nbin_start\tbin_end\tpairs\tshare\n";
    EXPECT_EQ(givenTsv.substr(givenTsv.size() - noHistogram.size()), noHistogram);

    // The seeds in two parts, each extended with the values of the whole.
    const std::string seeds = ReadFile(seeds_);
    const size_t cut = seeds.find("\n>s6000") + 1;
    std::string contigs, bases, summary;
    for (const std::string& part : {seeds.substr(0, cut), seeds.substr(cut)}) {
        const std::string partPath = dir_.Write("part.fa", part);
        const ProgramRun run = RunBuiltProgram("lorvex-extend", {"-s",
                                                                 partPath,
                                                                 "-t",
                                                                 files_.table,
                                                                 "-i",
                                                                 files_.index,
                                                                 "--both",
                                                                 "-q",
                                                                 "--min-distance",
                                                                 minDistance,
                                                                 "--max-distance",
                                                                 maxDistance,
                                                                 "--depth",
                                                                 depth,
                                                                 "-o",
                                                                 Path("part.fa.out"),
                                                                 "--bases-tsv",
                                                                 Path("part.bases"),
                                                                 "--summary-tsv",
                                                                 Path("part.summary"),
                                                                 "--force"});
        ASSERT_EQ(run.status, 0) << run.err;
        // The header line once, from the first part.
        const bool first = contigs.empty();
        const auto rows = [first](const std::string& text) {
            return first ? text : text.substr(text.find('\n') + 1);
        };
        contigs += ReadFile(Path("part.fa.out"));
        bases += rows(ReadFile(Path("part.bases")));
        summary += rows(ReadFile(Path("part.summary")));
    }
    EXPECT_EQ(contigs, ReadFile(Path("whole.fa")));
    EXPECT_EQ(bases, ReadFile(Path("whole.bases")));
    EXPECT_EQ(summary, ReadFile(Path("whole.summary")));
}

TEST_F(EstimateProgram, AnEstimateThatCannotBeTrustedStopsBeforeAnyOutput) {
    struct Case {
        std::string name;
        int pairs;
        int secondLibrary;  // fragment length of a second library (0: none)
        std::string message;
    };
    const std::vector<Case> cases = {
        {"few pairs", 40, 0, "lorvex-extend: too few pairs to estimate the fragment lengths: "},
        {"two libraries", 3000, 900, "lorvex-extend: the fragment lengths do not look like one"},
    };
    for (const Case& c : cases) {
        std::vector<testing::ReadPair> second;
        if (c.secondLibrary > 0)
            second = testing::SimulateReads(5, 8000, 50, c.secondLibrary, c.pairs).pairs;
        Prepare(second, c.pairs);
        const ProgramRun run =
            Run({"-o", Path("out.fa"), "--fragments-tsv", Path("f.tsv"), "--summary-tsv", "-"});
        EXPECT_EQ(run.status, 2) << c.name;
        const size_t lastLine = run.err.rfind('\n', run.err.size() - 2) + 1;
        EXPECT_EQ(run.err.substr(lastLine).rfind(c.message, 0), 0u) << run.err;
        // Few pairs still suggest distances; two libraries leave only what to measure.
        EXPECT_NE(run.err.find("; give --min-distance and --max-distance: "), std::string::npos);
        EXPECT_NE(run.err.find(c.secondLibrary > 0 ? ": measure the library's fragment"
                                                   : " pairs placed suggest --min-distance "),
                  std::string::npos)
            << run.err;
        EXPECT_EQ(run.out, "") << c.name;
        EXPECT_EQ(testing::FolderEntries(dir_.path()),
                  (std::vector<std::string>{"reads.index", "reads.table", "seeds.fa"}));
    }
    const ProgramRun one = Run({"--max-distance", "400"});
    EXPECT_EQ(one.status, 2);
    EXPECT_EQ(one.err.rfind("lorvex-extend: give both --min-distance and --max-distance", 0), 0u);
}

}  // namespace
}  // namespace lorvex
