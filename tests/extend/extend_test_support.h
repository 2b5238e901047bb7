// What the lorvex-extend program tests share: simulated data sets, the
// outputs parsed back (FASTA, per-base rows), lorvex's lines turned about
// for a left side, and a fixture that runs lorvex-extend and lorvex (or
// lorvex-strict) on one table, so that a batch can be held against the
// programs run seed by seed.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "child_process.h"
#include "test_support.h"

namespace lorvex::testing {

struct Distances {
    std::string minDistance, maxDistance, minVotes, ratio;
};

struct DataSetup {
    uint64_t seed;
    int readLength;
    int fragment;
    int pairs;
    int errorEvery;
    Distances main;
    Distances strict;
    int leastAccepted = 0;  // over both variants and sides
    int leastTies = 0;
};

// Thin coverage, frequent read errors with a lenient ratio (some 1-1 ties
// pass), medium coverage, and reads longer than the 100 bases the main
// variant compares.
extern const DataSetup mediumSetup;
extern const std::vector<DataSetup> dataSetups;

struct Seed {
    std::string name;
    std::string bases;
};

struct FastaEntry {
    std::string header;
    std::string sequence;
};
// "--min-distance", d.minDistance, ..., "--ratio", d.ratio.
std::vector<std::string> DistanceArguments(const Distances& d);

std::vector<FastaEntry> ParseFasta(const std::string& text);

// The tab-separated fields of a line, empty ones included.
std::vector<std::string> Fields(const std::string& line);

// The rows of a per-base TSV as lorvex prints its lines (columns 5 to 9), by
// seed and side.
using SideLines = std::map<std::pair<std::string, std::string>, std::string>;
SideLines ParseBaseRows(const std::string& text);

// A left side's rows as the run on the reverse-complemented seed printed
// them: complemented bases, A/T and C/G votes swapped.
std::string AsReverseRun(const std::string& leftLines);

// The seed as the left side sees it: upper-cased first, as the seed reader
// does, then reverse-complemented.
std::string ReverseComplementOfSeed(std::string bases);

std::string BasesOf(const std::string& lorvexLines);

// Cycles whose highest count was held by more than one base.
int TiedCycles(const std::string& lorvexLines);

struct ExtendRun {
    ProgramRun run;
    std::string fasta;
    std::string bases;
    std::string summary;
};

class ExtendProgram : public ::testing::Test {
  protected:
    void Prepare(const DataSetup& setup);
    std::string WriteSeeds(const std::vector<Seed>& seeds, const std::string& name) const;
    ProgramRun RunAlone(const std::string& program, const std::string& bases,
                        const Distances& d) const;
    ExtendRun RunExtend(const std::string& seedsPath, const Distances& d, bool strict, bool both,
                        int threads, std::vector<std::string> extra = {}) const;
    std::vector<Seed> SeedsAlongTheGenome() const;

    TempDir dir_;
    testing::SimulatedReads reads_;
    testing::TableFiles files_;
    // The comparisons with lorvex run without the repeat guard unless a test
    // shows that the guard leaves them alone.
    bool repeatGuard_ = false;
    std::string outputSuffix_;   // ".gz": RunExtend's outputs compressed
    std::string standardInput_;  // the file RunExtend's standard input reads
};

// Checks one lorvex-extend run against the programs run seed by seed.
void ExpectSameAsSeparateRuns(const ExtendRun& batch, const std::vector<Seed>& seeds,
                              const std::map<std::string, ProgramRun>& rightAlone,
                              const std::map<std::string, ProgramRun>& leftAlone, bool both,
                              const std::string& label);

}  // namespace lorvex::testing
