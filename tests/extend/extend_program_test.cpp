// lorvex-extend run as a user runs it, held against lorvex and lorvex-strict
// run on each seed alone: the right side is what they print, the left side
// is what they print for the reverse-complemented seed, in batches and alone,
// on one thread and two, ties included.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>

#include "child_process.h"
#include "input/input_stream.h"
#include "seq/nucleotide.h"
#include "test_support.h"

namespace lorvex {
namespace {

using testing::ProgramRun;
using testing::ReadFile;
using testing::RunBuiltProgram;
using testing::TempDir;

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
const DataSetup mediumSetup = {
    2, 50, 200, 3000, 100, {"160", "199", "3", "0.2"}, {"150", "199", "2", "0.5"}, 2500, 0};
const std::vector<DataSetup> dataSetups = {
    {1, 50, 200, 600, 500, {"150", "199", "1", "0"}, {"170", "199", "1", "0"}, 400, 0},
    {12, 50, 200, 3000, 50, {"150", "199", "1", "1"}, {"170", "199", "1", "1"}, 700, 2},
    mediumSetup,
    {4, 120, 400, 1500, 200, {"300", "370", "2", "0.3"}, {"300", "370", "1", "0.3"}, 10000, 0},
};

struct Seed {
    std::string name;
    std::string bases;
};

struct FastaEntry {
    std::string header;
    std::string sequence;
};

std::vector<FastaEntry> ParseFasta(const std::string& text) {
    std::vector<FastaEntry> entries;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line[0] == '>')
            entries.push_back({line, ""});
        else if (!entries.empty())
            entries.back().sequence += line;
    }
    return entries;
}

// The tab-separated fields of a line, empty ones included.
std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> fields(1);
    for (const char c : line) {
        if (c == '\t')
            fields.emplace_back();
        else
            fields.back() += c;
    }
    return fields;
}

// The rows of a per-base TSV as lorvex prints its lines (columns 5 to 9), by
// seed and side.
using SideLines = std::map<std::pair<std::string, std::string>, std::string>;

SideLines ParseBaseRows(const std::string& text) {
    SideLines sides;
    std::istringstream lines(text);
    std::string line;
    std::getline(lines, line);  // header
    while (std::getline(lines, line)) {
        const std::vector<std::string> fields = Fields(line);
        EXPECT_EQ(fields.size(), 10u) << line;
        if (fields.size() != 10) continue;
        sides[{fields[0], fields[1]}] += fields[4] + "\t" + fields[5] + "\t" + fields[6] + "\t" +
                                         fields[7] + "\t" + fields[8] + "\n";
    }
    return sides;
}

// A left side's rows as the run on the reverse-complemented seed printed
// them: complemented bases, A/T and C/G votes swapped.
std::string AsReverseRun(const std::string& leftLines) {
    std::istringstream lines(leftLines);
    std::string line, result;
    while (std::getline(lines, line)) {
        std::vector<std::string> f;
        std::istringstream row(line);
        std::string field;
        while (std::getline(row, field, '\t')) f.push_back(field);
        result += std::string(1, ComplementBase(f[0][0])) + "\t" + f[4] + "\t" + f[3] + "\t" +
                  f[2] + "\t" + f[1] + "\n";
    }
    return result;
}

// The seed as the left side sees it: upper-cased first, as the seed reader
// does, then reverse-complemented.
std::string ReverseComplementOfSeed(std::string bases) {
    for (char& base : bases) base = base == 'a' ? 'A' : base == 'c' ? 'C' : base;
    return testing::ReverseComplementOf(bases);
}

std::string BasesOf(const std::string& lorvexLines) {
    std::string bases;
    std::istringstream lines(lorvexLines);
    std::string line;
    while (std::getline(lines, line)) bases += line[0];
    return bases;
}

// Cycles whose highest count was held by more than one base.
int TiedCycles(const std::string& lorvexLines) {
    int ties = 0;
    std::istringstream lines(lorvexLines);
    std::string line;
    while (std::getline(lines, line)) {
        int a, c, g, t;
        char base;
        std::istringstream(line) >> base >> a >> c >> g >> t;
        const int highest = std::max({a, c, g, t});
        ties += (a == highest) + (c == highest) + (g == highest) + (t == highest) > 1;
    }
    return ties;
}

struct ExtendRun {
    ProgramRun run;
    std::string fasta;
    std::string bases;
    std::string summary;
};

class ExtendProgram : public ::testing::Test {
  protected:
    void Prepare(const DataSetup& setup) {
        reads_ = testing::SimulateReads(setup.seed, 5000, setup.readLength, setup.fragment,
                                        setup.pairs, setup.errorEvery);
        files_ = testing::WriteTableAndIndex(dir_, reads_.pairs);
    }

    std::string WriteSeeds(const std::vector<Seed>& seeds, const std::string& name) const {
        std::string text;
        for (const Seed& seed : seeds) {
            text += ">" + seed.name + " test seed\n";
            // Wrapped at 70 bases to check that lines are joined.
            for (size_t at = 0; at < seed.bases.size(); at += 70)
                text += seed.bases.substr(at, 70) + "\n";
        }
        return dir_.Write(name, text);
    }

    ProgramRun RunAlone(const std::string& program, const std::string& bases,
                        const Distances& d) const {
        const std::string seedPath = dir_.Write("alone.fa", ">alone\n" + bases + "\n");
        return RunBuiltProgram(program, {seedPath, files_.table, files_.index, d.minDistance,
                                         d.maxDistance, d.minVotes, d.ratio});
    }

    ExtendRun RunExtend(const std::string& seedsPath, const Distances& d, bool strict, bool both,
                        int threads, std::vector<std::string> extra = {}) const {
        const std::string out = dir_.path() + "/out.fa" + outputSuffix_;
        const std::string bases = dir_.path() + "/bases.tsv" + outputSuffix_;
        const std::string summary = dir_.path() + "/summary.tsv" + outputSuffix_;
        std::vector<std::string> arguments = {"--seeds",
                                              seedsPath,
                                              "--table",
                                              files_.table,
                                              "--index",
                                              files_.index,
                                              "--min-distance",
                                              d.minDistance,
                                              "--max-distance",
                                              d.maxDistance,
                                              "--min-votes",
                                              d.minVotes,
                                              "--ratio",
                                              d.ratio,
                                              "-o",
                                              out,
                                              "--bases-tsv",
                                              bases,
                                              "--summary-tsv",
                                              summary,
                                              "--threads",
                                              std::to_string(threads)};
        if (strict) arguments.push_back("--strict");
        if (both) arguments.push_back("--both");
        if (!repeatGuard_) arguments.push_back("--no-repeat-guard");
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        ExtendRun result;
        testing::ChildSettings settings;
        settings.stdinPath = standardInput_;
        result.run = testing::ChildProcess("lorvex-extend", arguments, settings).Wait();
        const auto read = [](const std::string& path) {
            return std::filesystem::exists(path) ? ReadWholeInput(path) : std::string();
        };
        result.fasta = read(out);
        result.bases = read(bases);
        result.summary = read(summary);
        return result;
    }

    std::vector<Seed> SeedsAlongTheGenome() const {
        const std::string& genome = reads_.genome;
        std::vector<Seed> seeds = {
            {"start", genome.substr(0, 500)},
            {"middle", genome.substr(2000, 600)},
            {"short", genome.substr(3000, 120)},  // below MAX_DISTANCE
            {"tail", genome.substr(genome.size() - 450)},
            {"marked", genome.substr(1000, 520)},
        };
        // An N in the anchor windows and lower-case bases, as users' seeds have.
        seeds[4].bases[200] = 'N';
        seeds[4].bases[seeds[4].bases.size() - 30] = 'a';
        seeds[4].bases[5] = 'c';
        return seeds;
    }

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
                              const std::string& label) {
    ASSERT_EQ(batch.run.status, 0) << label << batch.run.err;
    const std::vector<FastaEntry> entries = ParseFasta(batch.fasta);
    ASSERT_EQ(entries.size(), seeds.size()) << label;
    const SideLines sides = ParseBaseRows(batch.bases);
    for (size_t i = 0; i < seeds.size(); ++i) {
        const Seed& seed = seeds[i];
        std::string folded = seed.bases;
        for (char& base : folded) base = base == 'a' ? 'A' : base == 'c' ? 'C' : base;
        const std::string what = label + " seed " + seed.name;
        EXPECT_EQ(entries[i].header.substr(0, seed.name.size() + 2), ">" + seed.name + " ") << what;
        const auto side = [&](const std::string& name) {
            const auto found = sides.find({seed.name, name});
            return found == sides.end() ? std::string() : found->second;
        };
        const ProgramRun& right = rightAlone.at(seed.name);
        std::string left;
        if (right.status == 2) {
            // The programs refuse a seed shorter than MAX_DISTANCE; the batch
            // reports it and goes on.
            EXPECT_NE(right.err.find("fewer than MAX_DISTANCE"), std::string::npos) << what;
            EXPECT_NE(entries[i].header.find("right_stop=seed-too-short"), std::string::npos)
                << what;
            EXPECT_EQ(side("right"), "") << what;
        } else {
            ASSERT_EQ(right.status, 0) << what << right.err;
            EXPECT_EQ(side("right"), right.out) << what;
        }
        if (both) {
            const ProgramRun& reverse = leftAlone.at(seed.name);
            if (reverse.status == 0) {
                EXPECT_EQ(AsReverseRun(side("left")), reverse.out) << what;
            }
            left = testing::ReverseComplementOf(BasesOf(reverse.out));
            EXPECT_NE(entries[i].header.find(" left=" + std::to_string(left.size()) + " "),
                      std::string::npos)
                << what << entries[i].header;
        } else {
            EXPECT_EQ(side("left"), "") << what;
        }
        EXPECT_EQ(entries[i].sequence, left + folded + BasesOf(right.out)) << what;
    }
}

class ExtendProgramOnData : public ExtendProgram,
                            public ::testing::WithParamInterface<DataSetup> {};

TEST_P(ExtendProgramOnData, MatchesTheProgramsSeedBySeedInBatchesAndAlone) {
    const DataSetup& setup = GetParam();
    Prepare(setup);
    const std::vector<Seed> seeds = SeedsAlongTheGenome();
    const std::string batchPath = WriteSeeds(seeds, "seeds.fa");
    int ties = 0;
    int accepted = 0;
    for (const bool strict : {false, true}) {
        const Distances& d = strict ? setup.strict : setup.main;
        const std::string program = strict ? "lorvex-strict" : "lorvex";
        const std::string label = std::string(strict ? "strict" : "main");
        std::map<std::string, ProgramRun> rightAlone, leftAlone;
        for (const Seed& seed : seeds) {
            rightAlone[seed.name] = RunAlone(program, seed.bases, d);
            leftAlone[seed.name] = RunAlone(program, ReverseComplementOfSeed(seed.bases), d);
            ties += TiedCycles(rightAlone[seed.name].out) + TiedCycles(leftAlone[seed.name].out);
            accepted += static_cast<int>(BasesOf(rightAlone[seed.name].out).size() +
                                         BasesOf(leftAlone[seed.name].out).size());
        }
        const ExtendRun one = RunExtend(batchPath, d, strict, true, 1);
        ExpectSameAsSeparateRuns(one, seeds, rightAlone, leftAlone, true, label + " -j1");
        const ExtendRun two = RunExtend(batchPath, d, strict, true, 2);
        EXPECT_EQ(two.fasta, one.fasta) << label;
        EXPECT_EQ(two.bases, one.bases) << label;
        EXPECT_EQ(two.summary, one.summary) << label;
        const ExtendRun rightOnly = RunExtend(batchPath, d, strict, false, 2);
        ExpectSameAsSeparateRuns(rightOnly, seeds, rightAlone, leftAlone, false,
                                 label + " right only");
        // Each seed alone in its file: the same record, whatever ran before.
        const std::vector<FastaEntry> batchEntries = ParseFasta(one.fasta);
        for (size_t i = 0; i < seeds.size(); ++i) {
            const ExtendRun alone = RunExtend(WriteSeeds({seeds[i]}, "one.fa"), d, strict, true, 1);
            ASSERT_EQ(alone.run.status, 0) << alone.run.err;
            const std::vector<FastaEntry> entries = ParseFasta(alone.fasta);
            ASSERT_EQ(entries.size(), 1u);
            EXPECT_EQ(entries[0].header, batchEntries[i].header) << label;
            EXPECT_EQ(entries[0].sequence, batchEntries[i].sequence) << label;
        }
    }
    // The comparison means something only if seeds grew, and (on the data
    // meant for it) some ties were drawn; TiesDrawFromEachSidesOwnGenerator
    // makes sure of many.
    EXPECT_GE(accepted, setup.leastAccepted);
    EXPECT_GE(ties, setup.leastTies);
}

// Under the sanitizers, which look for memory faults rather than other
// results, the data set with ties and the one with long reads.
std::vector<DataSetup> SetupsToRun() {
#ifdef LORVEX_SANITIZED
    return {dataSetups[1], dataSetups[3]};
#else
    return dataSetups;
#endif
}

INSTANTIATE_TEST_SUITE_P(Simulated, ExtendProgramOnData, ::testing::ValuesIn(SetupsToRun()),
                         [](const auto& info) { return "data" + std::to_string(info.param.seed); });

// Pairs anchored on the last readLength bases of `contig` whose mates vote
// once each for the candidate bases in the first cycle: each mate qualifies
// only at an overlap of 21 (the one good quality), so the votes tie.
std::vector<testing::ReadPair> TiePairs(const std::string& contig, int readLength,
                                        const std::string& candidates) {
    const std::string window = contig.substr(contig.size() - readLength);
    std::vector<testing::ReadPair> pairs;
    for (const char next : candidates) {
        std::string mate = contig.substr(contig.size() - 21) + next;
        mate.resize(readLength, 'T');
        std::string quality(readLength, '#');
        quality[21] = 'I';
        std::reverse(quality.begin(), quality.end());
        pairs.push_back({window, testing::ReverseComplementOf(mate), "", quality});
    }
    return pairs;
}

// Every side of every seed meets a four-way tie in its first cycle. Drawn
// from one shared generator, the seeds after the first would get other bases
// (the unseeded sequence modulo 4 runs 3, 2, 1, 3, 1, ...); drawn from a
// generator per side, every side gets what lorvex gets for it alone.
TEST_F(ExtendProgram, TiesDrawFromEachSidesOwnGenerator) {
    constexpr int readLength = 30;
    std::vector<Seed> seeds;
    std::vector<testing::ReadPair> pairs;
    for (int i = 0; i < 6; ++i) {
        const std::string bases = testing::RandomBases(500 + i, 200);
        seeds.push_back({"tie" + std::to_string(i), bases});
        for (const auto& pair : TiePairs(bases, readLength, "ACGT")) pairs.push_back(pair);
        for (const auto& pair : TiePairs(testing::ReverseComplementOf(bases), readLength, "ACGT"))
            pairs.push_back(pair);
    }
    files_ = testing::WriteTableAndIndex(dir_, pairs);
    const std::string batchPath = WriteSeeds(seeds, "seeds.fa");
    for (const bool strict : {false, true}) {
        // One anchor window, the contig's last 30 bases, in both variants.
        const Distances d =
            strict ? Distances{"58", "30", "1", "0"} : Distances{"30", "30", "1", "0"};
        const std::string program = strict ? "lorvex-strict" : "lorvex";
        std::map<std::string, ProgramRun> rightAlone, leftAlone;
        for (const Seed& seed : seeds) {
            rightAlone[seed.name] = RunAlone(program, seed.bases, d);
            leftAlone[seed.name] = RunAlone(program, ReverseComplementOfSeed(seed.bases), d);
            EXPECT_EQ(rightAlone[seed.name].out.substr(1), "\t1\t1\t1\t1\n");
            EXPECT_EQ(leftAlone[seed.name].out, rightAlone[seed.name].out);
        }
        for (const int threads : {1, 2}) {
            const std::string label = program + " -j" + std::to_string(threads);
            ExpectSameAsSeparateRuns(RunExtend(batchPath, d, strict, true, threads), seeds,
                                     rightAlone, leftAlone, true, label);
        }
    }
}

TEST_F(ExtendProgram, SummaryReportsEachSideAndTheStoppingVotes) {
    Prepare(mediumSetup);
    const std::vector<Seed> seeds = SeedsAlongTheGenome();
    const ExtendRun run =
        RunExtend(WriteSeeds(seeds, "seeds.fa"), mediumSetup.main, false, true, 2);
    ASSERT_EQ(run.run.status, 0) << run.run.err;
    std::istringstream lines(run.summary);
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ(line,
              "seed\tside\tseed_length\tadded\tstop\tstop_A\tstop_C\tstop_G\tstop_T\t"
              "contig_length\tsingle_copy_depth");
    const std::vector<FastaEntry> entries = ParseFasta(run.fasta);
    for (size_t i = 0; i < seeds.size(); ++i) {
        for (const std::string side : {"left", "right"}) {
            ASSERT_TRUE(std::getline(lines, line));
            const std::vector<std::string> f = Fields(line);
            ASSERT_EQ(f.size(), 11u) << line;
            EXPECT_EQ(f[10], "") << "no repeat guard, no depth";
            EXPECT_EQ(f[0], seeds[i].name);
            EXPECT_EQ(f[1], side);
            EXPECT_EQ(f[2], std::to_string(seeds[i].bases.size()));
            EXPECT_NE(entries[i].header.find(" " + side + "=" + f[3] + " "), std::string::npos);
            EXPECT_NE(entries[i].header.find(" " + side + "_stop=" + f[4]), std::string::npos);
            EXPECT_EQ(f[9], std::to_string(entries[i].sequence.size()));
            const int total = std::stoi(f[5]) + std::stoi(f[6]) + std::stoi(f[7]) + std::stoi(f[8]);
            if (f[4] == "no-votes" || f[4] == "seed-too-short") {
                EXPECT_EQ(total, 0) << line;
            } else if (f[4] == "too-few-votes") {
                EXPECT_LT(total, 3) << line;
            } else if (f[4] == "not-dominant") {
                EXPECT_GT(total, 0) << line;
            }
        }
    }
    EXPECT_FALSE(std::getline(lines, line));
    // Not quiet: one summary line on standard error.
    EXPECT_EQ(run.run.err.rfind("lorvex-extend: 5 seeds: ", 0), 0u) << run.run.err;
    EXPECT_EQ(std::count(run.run.err.begin(), run.run.err.end(), '\n'), 1);
}

TEST_F(ExtendProgram, CapIsReportedPerSide) {
    Prepare(mediumSetup);
    // The first seed along the genome that grows by more than 20 bases.
    std::vector<Seed> seeds;
    ProgramRun full;
    for (size_t start = 0; start < 4000 && seeds.empty(); start += 250) {
        full = RunAlone("lorvex", reads_.genome.substr(start, 500), mediumSetup.main);
        if (full.out.size() > 20 * 8u) seeds = {{"start", reads_.genome.substr(start, 500)}};
    }
    ASSERT_FALSE(seeds.empty());
    const std::string seedsPath = WriteSeeds(seeds, "seeds.fa");
    const ExtendRun capped = RunExtend(seedsPath, mediumSetup.main, false, false, 1,
                                       {"--max-bases", "20", "--line-width", "0", "-q"});
    EXPECT_EQ(capped.run.err, "");
    EXPECT_EQ(capped.fasta, ">start right=20 right_stop=cap-reached test seed\n" + seeds[0].bases +
                                BasesOf(full.out).substr(0, 20) + "\n");
}

TEST_F(ExtendProgram, PlotIsWellFormedAndRenders) {
    repeatGuard_ = true;  // its lines drawn too
    Prepare(mediumSetup);
    const std::vector<Seed> seeds = SeedsAlongTheGenome();
    const std::string seedsPath = WriteSeeds(seeds, "seeds<&>.fa");
    const std::string plot = dir_.path() + "/votes.svg";
    const ExtendRun one = RunExtend(seedsPath, mediumSetup.main, false, true, 1, {"--plot", plot});
    ASSERT_EQ(one.run.status, 0) << one.run.err;
    const std::string svg = ReadFile(plot);
    const ExtendRun two = RunExtend(seedsPath, mediumSetup.main, false, true, 2, {"--plot", plot});
    EXPECT_EQ(ReadFile(plot), svg);
    // One panel per seed and side.
    size_t panels = 0;
    for (size_t at = svg.find("<g transform"); at != std::string::npos;
         at = svg.find("<g transform", at + 1))
        ++panels;
    EXPECT_EQ(panels, 2 * seeds.size());
    EXPECT_NE(svg.find("the single-copy depth D "), std::string::npos);
    // rsvg-convert parses the XML strictly and fails on malformed documents.
    const std::string png = dir_.path() + "/votes.png";
    const std::string command = "rsvg-convert -o '" + png + "' '" + plot + "' 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << "rsvg-convert (librsvg2-bin) failed on " << plot;
    const std::string image = ReadFile(png);
    ASSERT_GT(image.size(), 1000u);
    EXPECT_EQ(image.substr(1, 3), "PNG");
}

TEST_F(ExtendProgram, BadInputsAndOutputsGiveOneLineAndAStatus) {
    Prepare(mediumSetup);
    const Distances& d = mediumSetup.main;
    const std::string seeds = WriteSeeds({{"a", reads_.genome.substr(0, 500)}}, "seeds.fa");
    const std::string zero =
        dir_.Write("zero.fa", ">a\nACGT\n>b\nAC" + std::string(1, '\0') + "\n");
    const std::string missing = dir_.path() + "/missing";
    const auto run = [&](std::vector<std::string> arguments) {
        return RunBuiltProgram("lorvex-extend", arguments);
    };
    const auto base = [&](const std::string& seedsPath, const std::string& table,
                          const std::string& minDistance) {
        return std::vector<std::string>{"-s",
                                        seedsPath,
                                        "-t",
                                        table,
                                        "-i",
                                        files_.index,
                                        "--min-distance",
                                        minDistance,
                                        "--max-distance",
                                        d.maxDistance,
                                        "--min-votes",
                                        d.minVotes,
                                        "--ratio",
                                        d.ratio,
                                        "-q"};
    };
    struct Case {
        std::vector<std::string> arguments;
        int status;
        std::string message;  // the start of the one line on standard error
    };
    std::vector<std::string> toFull = base(seeds, files_.table, d.minDistance);
    toFull.insert(toFull.end(), {"-o", "/dev/full"});
    std::vector<std::string> noFolder = base(seeds, files_.table, d.minDistance);
    noFolder.insert(noFolder.end(), {"--summary-tsv", missing + "/s.tsv"});
    std::vector<std::string> noThreads = base(seeds, files_.table, d.minDistance);
    noThreads.insert(noThreads.end(), {"--threads", "0"});
    std::vector<std::string> twoToStdout = base(seeds, files_.table, d.minDistance);
    twoToStdout.insert(twoToStdout.end(), {"--bases-tsv", "-"});
    std::vector<std::string> badRatio = base(seeds, files_.table, d.minDistance);
    badRatio[13] = "0.2x";
    std::vector<std::string> zeroDepth = base(seeds, files_.table, d.minDistance);
    zeroDepth.insert(zeroDepth.end(), {"--depth", "0"});
    std::vector<std::string> depthUnguarded = base(seeds, files_.table, d.minDistance);
    depthUnguarded.insert(depthUnguarded.end(), {"--depth", "9", "--no-repeat-guard"});
    const std::string gzip = testing::GzipBytes(ReadFile(seeds));
    const std::string trailing = dir_.Write("trailing.fa.gz", gzip + "tar padding");
    // Numbers no run can mean: a nearest window beyond the farthest, negative thresholds.
    std::vector<std::string> minAboveMax = base(seeds, files_.table, "250");
    std::vector<std::string> negativeVotes = base(seeds, files_.table, d.minDistance);
    negativeVotes[11] = "-1";
    std::vector<std::string> negativeRatio = base(seeds, files_.table, d.minDistance);
    negativeRatio[13] = "-inf";
    std::vector<std::string> swapped = base(seeds, files_.index, d.minDistance);
    swapped[5] = files_.table;
    const std::vector<Case> cases = {
        {base(zero, files_.table, d.minDistance), 1,
         "lorvex-extend: " + zero + ": line 4: record 2: holds a zero byte"},
        {base(seeds, missing, d.minDistance), 1,
         "lorvex-extend: " + missing + ": No such file or directory"},
        {base(trailing, files_.table, d.minDistance), 1,
         "lorvex-extend: " + trailing + ": the bytes after the gzip data, at byte offset " +
             std::to_string(gzip.size()) + ", are not another gzip member"},
        {base(seeds, "-", d.minDistance), 2,
         "lorvex-extend: the table is read by positioned reads"},
        {base(seeds, files_.table, "49"), 2,
         "lorvex-extend: --min-distance 49 must be at least 50 (the read length)"},
        {toFull, 1, "lorvex-extend: /dev/full: No space left on device"},
        {noFolder, 1, "lorvex-extend: " + missing + "/s.tsv: No such file or directory"},
        {noThreads, 2, "lorvex-extend: --threads"},
        {badRatio, 2, "lorvex-extend: --ratio must be a number, not '0.2x'"},
        {twoToStdout, 2, "lorvex-extend: two outputs go to standard output"},
        {zeroDepth, 2, "lorvex-extend: --depth must be a positive number, not '0'"},
        {depthUnguarded, 2, "lorvex-extend: --depth sets the repeat guard"},
        {{"-s", seeds}, 2, "lorvex-extend: "},
        {minAboveMax, 2, "lorvex-extend: --min-distance 250 is greater than --max-distance 199"},
        {negativeVotes, 2, "lorvex-extend: --min-votes must be 0 or more, not -1"},
        {negativeRatio, 2, "lorvex-extend: --ratio must be 0 or more"},
        {swapped, 1,
         "lorvex-extend: " + files_.index + " is a prefix index and " + files_.table +
             " a read-pair table: swap the two (--table TABLE --index INDEX)"},
    };
    for (const Case& c : cases) {
        const ProgramRun result = run(c.arguments);
        EXPECT_EQ(result.status, c.status) << c.message << "\n" << result.err;
        EXPECT_EQ(result.err.rfind(c.message, 0), 0u) << result.err;
        const size_t lines = std::count(result.err.begin(), result.err.end(), '\n');
        EXPECT_LE(lines, c.status == 2 ? 2u : 1u) << result.err;
    }
    const ProgramRun help = run({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("--min-distance"), std::string::npos);
    EXPECT_EQ(run({"--version"}).out, std::string(LORVEX_VERSION) + "\n");
}

// Seeds compressed (gzip members, BGZF) or from standard input extend as
// plain ones, and outputs named .gz hold the same text compressed.
TEST_F(ExtendProgram, CompressedAndPipedSeedsAndCompressedOutputs) {
    Prepare(mediumSetup);
    const std::vector<Seed> seeds = SeedsAlongTheGenome();
    const std::string plain = WriteSeeds(seeds, "seeds.fa");
    const ExtendRun expected = RunExtend(plain, mediumSetup.main, false, true, 2);
    ASSERT_EQ(expected.run.status, 0) << expected.run.err;
    testing::WriteGzip(dir_.path() + "/seeds.fa.gz", ReadFile(plain), 3);
    testing::WriteBgzf(dir_.path() + "/seeds.bgzf", ReadFile(plain));
    outputSuffix_ = ".gz";
    for (const auto& [seedsArgument, standardInput] :
         {std::pair{dir_.path() + "/seeds.fa.gz", std::string()},
          std::pair{std::string("-"), dir_.path() + "/seeds.bgzf"}}) {
        standardInput_ = standardInput;
        const ExtendRun run = RunExtend(seedsArgument, mediumSetup.main, false, true, 2);
        ASSERT_EQ(run.run.status, 0) << seedsArgument << run.run.err;
        EXPECT_EQ(ReadFile(dir_.path() + "/out.fa.gz").substr(0, 2), "\x1f\x8b");
        EXPECT_EQ(run.fasta, expected.fasta) << seedsArgument;
        EXPECT_EQ(run.bases, expected.bases) << seedsArgument;
        EXPECT_EQ(run.summary, expected.summary) << seedsArgument;
    }
}

// A table damaged where only the second seed looks (zero bytes in the groups
// of its first windows): the run fails in the middle of the batch, after the
// first seed's records were written, and leaves no output file behind; a
// file of the same name from an earlier run keeps its contents.
TEST_F(ExtendProgram, AFailureMidBatchLeavesNoOutputFile) {
    Prepare(mediumSetup);
    const std::string& genome = reads_.genome;
    std::string table = ReadFile(files_.table);
    std::set<std::string> prefixes;
    for (size_t start = 3500 - 199; start <= 3500 - 160; ++start)
        prefixes.insert(genome.substr(start, 12));
    const size_t lineSize = 4 * 50 + 4;
    size_t damaged = 0;
    for (size_t line = 0; line < table.size(); line += lineSize)
        if (prefixes.count(table.substr(line, 12))) {
            table[line + lineSize - 2] = '\0';
            ++damaged;
        }
    ASSERT_GT(damaged, 0u);
    files_.table = dir_.Write("damaged.table", table);
    const std::string seeds = WriteSeeds(
        {{"first", genome.substr(0, 500)}, {"second", genome.substr(3000, 500)}}, "seeds.fa");
    // The first seed grows too little to reach the damaged groups.
    dir_.Write("out.fa", "an earlier run's contigs\n");
    const ExtendRun run = RunExtend(seeds, mediumSetup.main, false, false, 1,
                                    {"--max-bases", "100", "--plot", dir_.path() + "/votes.svg"});
    EXPECT_EQ(run.run.status, 1) << run.run.err;
    EXPECT_EQ(run.run.err.rfind("lorvex-extend: " + files_.table + ": line ", 0), 0u)
        << run.run.err;
    EXPECT_NE(run.run.err.find(": holds a zero byte\n"), std::string::npos) << run.run.err;
    EXPECT_EQ(std::count(run.run.err.begin(), run.run.err.end(), '\n'), 1) << run.run.err;
    EXPECT_EQ(run.fasta, "an earlier run's contigs\n");
    for (const std::string& name : testing::FolderEntries(dir_.path()))
        EXPECT_TRUE(name.find(".tsv") == std::string::npos && name != "votes.svg" &&
                    name.find(".partial-") == std::string::npos)
            << name;
}

// A genome with two identical copies of a 700-base repeat between unique
// stretches, and seeds that reach a copy's edge on each side: before the
// first copy, inside it, between the copies, after the second.
class RepeatGuardProgram : public ExtendProgram {
  protected:
    static constexpr size_t repeatLength = 700;
    static constexpr size_t firstCopy = 1500;
    static constexpr size_t secondCopy = firstCopy + repeatLength + 1200;

    void PrepareRepeats() {
        const std::string repeat = testing::RandomBases(901, repeatLength);
        reads_.genome = testing::RandomBases(902, firstCopy) + repeat +
                        testing::RandomBases(903, 1200) + repeat + testing::RandomBases(904, 1500);
        reads_.pairs = testing::SampleReadPairs(reads_.genome, 905, 50, 200, 3500);
        files_ = testing::WriteTableAndIndex(dir_, reads_.pairs);
    }

    std::vector<Seed> RepeatSeeds() const {
        const std::string& genome = reads_.genome;
        return {{"before", genome.substr(firstCopy - 600, 600)},
                {"inside", genome.substr(firstCopy + 50, 600)},
                {"between", genome.substr(firstCopy + repeatLength, 600)},
                {"after", genome.substr(secondCopy + repeatLength + 400, 600)}};
    }

    // At most 3,000 bases a side: without the guard, a side can go round
    // from one copy to the other for ever.
    ExtendRun RunCapped(const std::string& seedsPath, const Distances& d, bool both, int threads,
                        std::vector<std::string> extra = {}) const {
        extra.insert(extra.end(), {"--max-bases", "3000"});
        return RunExtend(seedsPath, d, false, both, threads, extra);
    }

    // Each side's added bases, outward from the seed on its strand, and its
    // stop, by seed name and side.
    static std::map<std::pair<std::string, std::string>, std::pair<std::string, std::string>> Sides(
        const ExtendRun& run) {
        std::map<std::pair<std::string, std::string>, std::pair<std::string, std::string>> sides;
        std::istringstream lines(run.summary);
        std::string line;
        std::getline(lines, line);
        while (std::getline(lines, line)) {
            const std::vector<std::string> f = Fields(line);
            sides[{f[0], f[1]}].second = f[4];
        }
        lines = std::istringstream(run.bases);
        std::getline(lines, line);
        while (std::getline(lines, line)) {
            const std::vector<std::string> f = Fields(line);
            sides[{f[0], f[1]}].first += f[4];
        }
        return sides;
    }
};

const Distances repeatDistances{"160", "199", "2", "0.2"};

// Where two copies' reads disagree the guard stops the side, whose bases are
// all the genome's; without it the side runs on, through the wrong copy at
// least once.
TEST_F(RepeatGuardProgram, StopsWhereTheCopiesDisagree) {
    PrepareRepeats();
    const std::vector<Seed> seeds = RepeatSeeds();
    const std::string batch = WriteSeeds(seeds, "seeds.fa");
    const ExtendRun unguarded = RunCapped(batch, repeatDistances, true, 2);
    repeatGuard_ = true;
    const ExtendRun guarded = RunCapped(batch, repeatDistances, true, 2);
    ASSERT_EQ(guarded.run.status, 0) << guarded.run.err;
    EXPECT_NE(guarded.run.err.find(" (estimated)"), std::string::npos) << guarded.run.err;
    const auto guardedSides = Sides(guarded), unguardedSides = Sides(unguarded);
    const std::string& genome = reads_.genome;
    int wrongWithout = 0;
    for (const Seed& seed : seeds) {
        const size_t start = genome.find(seed.bases);
        for (const std::string side : {"left", "right"}) {
            const auto& [bases, stop] = guardedSides.at({seed.name, side});
            const auto& [longer, unguardedStop] = unguardedSides.at({seed.name, side});
            const std::string what = seed.name + " " + side;
            // The outer sides of the outer seeds meet no copy's edge.
            if ((seed.name == "before" && side == "left") ||
                (seed.name == "after" && side == "right")) {
                EXPECT_EQ(bases, longer) << what;
                continue;
            }
            EXPECT_EQ(stop, "repeat") << what;
            EXPECT_LT(bases.size(), longer.size()) << what;
            std::string truth;  // the genome outward from the seed
            if (side == "right") {
                truth = genome.substr(start + seed.bases.size(), longer.size());
            } else {
                const size_t reach = std::min(start, longer.size());
                truth = genome.substr(start - reach, reach);
                std::reverse(truth.begin(), truth.end());
            }
            EXPECT_EQ(bases, truth.substr(0, bases.size())) << what;
            wrongWithout += longer != truth.substr(0, longer.size());
        }
    }
    EXPECT_GT(wrongWithout, 0);
}

// With the guard, every side is the start of the same side without it, its
// stop the same or `repeat`, on repeats and on noisy single-copy reads, with
// the depth estimated or given, on one thread or two.
TEST_F(RepeatGuardProgram, EachSideIsAPrefixOfTheUnguardedSide) {
    int shortened = 0;
    for (const bool repeats : {true, false}) {
        std::vector<Seed> seeds;
        Distances d = repeatDistances;
        if (repeats) {
            PrepareRepeats();
            seeds = RepeatSeeds();
        } else {
            Prepare(dataSetups[1]);  // a read error every 50 bases, ratio 1
            d = dataSetups[1].main;
            seeds = SeedsAlongTheGenome();
        }
        const std::string batch = WriteSeeds(seeds, "seeds.fa");
        repeatGuard_ = false;
        const auto unguarded = Sides(RunCapped(batch, d, true, 1));
        repeatGuard_ = true;
        for (const std::vector<std::string>& depth :
             {std::vector<std::string>{}, {"--depth", "4"}, {"--depth", "12.5"}}) {
            const ExtendRun one = RunCapped(batch, d, true, 1, depth);
            ASSERT_EQ(one.run.status, 0) << one.run.err;
            const std::string given = depth.empty() ? "" : depth[1];
            EXPECT_NE(one.run.err.find(depth.empty() ? " (estimated)" : given + " (given)"),
                      std::string::npos)
                << one.run.err;
            if (!depth.empty()) {
                EXPECT_NE(one.summary.find("\t" + given + "\n"), std::string::npos);
            }
            for (const auto& [key, side] : Sides(one)) {
                const auto& [bases, stop] = side;
                const auto& [full, fullStop] = unguarded.at(key);
                const std::string what = key.first + " " + key.second + " " + given;
                EXPECT_EQ(full.substr(0, bases.size()), bases) << what;
                EXPECT_TRUE(stop == fullStop || stop == "repeat") << what << " " << stop;
                shortened += bases.size() < full.size();
            }
            const ExtendRun two = RunCapped(batch, d, true, 2, depth);
            EXPECT_EQ(two.fasta, one.fasta);
            EXPECT_EQ(two.bases, one.bases);
            EXPECT_EQ(two.summary, one.summary);
        }
    }
    EXPECT_GT(shortened, 10);
}

// Too few cycles to replay, or seeds the reads do not cover: the run says so
// in one line and extends as without the guard.
TEST_F(RepeatGuardProgram, WithoutAnEstimateTheRunGoesOnUnguarded) {
    PrepareRepeats();
    const std::string& genome = reads_.genome;
    for (const std::vector<Seed>& seeds :
         {std::vector<Seed>{{"a", genome.substr(100, 250)}, {"b", genome.substr(4000, 250)}},
          std::vector<Seed>{{"foreign", testing::RandomBases(77, 900)}}}) {
        const std::string batch = WriteSeeds(seeds, "seeds.fa");
        const ExtendRun unguarded = RunCapped(batch, repeatDistances, false, 1);
        repeatGuard_ = true;
        const ExtendRun run = RunCapped(batch, repeatDistances, false, 1);
        repeatGuard_ = false;
        ASSERT_EQ(run.run.status, 0) << run.run.err;
        const std::string why = seeds.size() == 2 ? "(102 cycles could be replayed, 200 are needed"
                                                  : "(the replayed cycles' median is 0 votes)";
        EXPECT_EQ(
            run.run.err.rfind("lorvex-extend: cannot estimate the single-copy depth " + why, 0), 0u)
            << run.run.err;
        EXPECT_NE(run.run.err.find("; extending without the repeat guard, give --depth N to set "
                                   "it\nlorvex-extend: "),
                  std::string::npos);
        EXPECT_NE(run.run.err.find("; repeat guard off (no single-copy depth)"), std::string::npos);
        EXPECT_EQ(run.fasta, unguarded.fasta);
        EXPECT_EQ(run.summary, unguarded.summary);
    }
}

// The bundled example: reads of lambda phage made into a table by lorvex-prep,
// seeds cut from its genome, the distances of the demo.
// Under the sanitizers every base costs many times more: there the example
// runs one variant with one thread count; the optimised build runs all four.
#ifdef LORVEX_SANITIZED
constexpr bool wholeExample = false;
#else
constexpr bool wholeExample = true;
#endif

TEST_F(ExtendProgram, MatchesTheProgramsOnTheExample) {
    // Single-copy data: the repeat guard, on, must not change a base.
    repeatGuard_ = true;
    const std::string examples = LORVEX_EXAMPLES;
    ASSERT_TRUE(std::filesystem::exists(examples + "/lambda_virus.fa"));
    const ProgramRun prep = RunBuiltProgram(
        "lorvex-prep", {"-q", "-1", examples + "/lambda_reads_1.fq.gz", "-2",
                        examples + "/lambda_reads_2.fq.gz", "-o", dir_.path() + "/lambda"});
    ASSERT_EQ(prep.status, 0) << prep.err;
    files_ = {dir_.path() + "/lambda.table", dir_.path() + "/lambda.index"};
    std::string genome;
    std::istringstream lines(ReadFile(examples + "/lambda_virus.fa"));
    for (std::string line; std::getline(lines, line);)
        if (!line.empty() && line[0] != '>') genome += line.substr(0, line.find('\r'));
    ASSERT_GT(genome.size(), 48000u);
    std::vector<Seed> seeds;
    for (const size_t start : {20000, 45500})
        seeds.push_back({"lambda_" + std::to_string(start), genome.substr(start, 1000)});
    const std::string batchPath = WriteSeeds(seeds, "seeds.fa");
    for (const bool strict : {false, true}) {
        if (strict && !wholeExample) continue;
        const Distances d{"230", "489", "5", "0.1"};
        const std::string program = strict ? "lorvex-strict" : "lorvex";
        std::map<std::string, ProgramRun> rightAlone, leftAlone;
        size_t accepted = 0;
        for (const Seed& seed : seeds) {
            rightAlone[seed.name] = RunAlone(program, seed.bases, d);
            leftAlone[seed.name] = RunAlone(program, ReverseComplementOfSeed(seed.bases), d);
            accepted += BasesOf(rightAlone[seed.name].out).size();
        }
        EXPECT_GT(accepted, 1000u) << program;
        for (const int threads : {1, 2}) {
            if (threads == 1 && !wholeExample) continue;
            const ExtendRun run = RunExtend(batchPath, d, strict, true, threads);
            EXPECT_NE(run.run.err.find("; single-copy depth "), std::string::npos) << run.run.err;
            ExpectSameAsSeparateRuns(run, seeds, rightAlone, leftAlone, true,
                                     program + " -j" + std::to_string(threads));
        }
        const ExtendRun alone = RunExtend(WriteSeeds({seeds[0]}, "one.fa"), d, strict, false, 1);
        ExpectSameAsSeparateRuns(alone, {seeds[0]}, rightAlone, leftAlone, false,
                                 program + " alone");
    }
}

}  // namespace
}  // namespace lorvex
