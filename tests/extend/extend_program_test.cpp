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

#include "extend_test_support.h"

namespace lorvex {
namespace {

using namespace testing;

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

// Anchors: K equal to the read length selects as the whole read does; on
// reads with an error every 50 bases, anchors of half a read, or whole reads
// with a mismatch allowed, select the pairs whose errors the strict rule
// loses, and the contigs grow, still the genome's. A K below the index key,
// or either option with --strict, is refused.
TEST_F(ExtendProgram, LooserAnchorsSelectPairsWithErrorsAndStayInTheGenome) {
    const DataSetup& setup = dataSetups[1];
    Prepare(setup);
    const std::string batchPath = WriteSeeds(SeedsAlongTheGenome(), "seeds.fa");
    // The programs' default votes and ratio: the data set's own are lenient
    // enough for read errors to win a cycle now and then.
    const Distances distances{setup.main.minDistance, setup.main.maxDistance, "2", "1.5"};
    const auto run = [&](std::vector<std::string> anchor) {
        const ExtendRun extended = RunExtend(batchPath, distances, false, true, 1, anchor);
        EXPECT_EQ(extended.run.status, 0) << extended.run.err;
        return extended;
    };
    const ExtendRun whole = run({"--anchor-mismatches", "0"});
    const ExtendRun asLong =
        run({"--anchor-length", std::to_string(setup.readLength), "--anchor-mismatches", "0"});
    EXPECT_EQ(asLong.fasta, whole.fasta);
    EXPECT_EQ(asLong.bases, whole.bases);
    const std::string& genome = reads_.genome;
    const std::string reverse = testing::ReverseComplementOf(genome);
    const auto inGenome = [&](const std::string& bases) {
        return genome.find(bases) != std::string::npos || reverse.find(bases) != std::string::npos;
    };
    const auto addedBases = [&](const ExtendRun& extended) {
        size_t total = 0;
        for (const FastaEntry& entry : ParseFasta(extended.fasta)) {
            const auto added = [&](const std::string& key) {
                const size_t at = entry.header.find(key);
                return at == std::string::npos ? size_t{0}
                                               : std::stoul(entry.header.substr(at + key.size()));
            };
            const size_t left = added(" left="), right = added(" right=");
            EXPECT_TRUE(inGenome(entry.sequence.substr(0, left))) << entry.header;
            EXPECT_TRUE(inGenome(entry.sequence.substr(entry.sequence.size() - right)))
                << entry.header;
            total += left + right;
        }
        return total;
    };
    const size_t wholeBases = addedBases(whole);
    EXPECT_GT(addedBases(run({"--anchor-length", std::to_string(setup.readLength / 2),
                              "--anchor-mismatches", "0"})),
              wholeBases);
    EXPECT_GT(addedBases(run({"--anchor-mismatches", "1"})), wholeBases);
    for (const std::vector<std::string>& refused :
         {std::vector<std::string>{"--anchor-length", "11"},
          std::vector<std::string>{"--anchor-mismatches", "-1"},
          std::vector<std::string>{"--anchor-length", "20", "--strict"},
          std::vector<std::string>{"--anchor-mismatches", "1", "--strict"}}) {
        const ExtendRun extended = RunExtend(batchPath, distances, false, true, 1, refused);
        EXPECT_EQ(extended.run.status, 2) << extended.run.err;
        EXPECT_NE(extended.run.err.find("--anchor-"), std::string::npos) << extended.run.err;
    }
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
              "contig_length\tsingle_copy_depth\ttopology\tvariants\tmates_per_cycle\t"
              "votes_per_cycle\tend_read_cycles");
    const std::vector<FastaEntry> entries = ParseFasta(run.fasta);
    for (size_t i = 0; i < seeds.size(); ++i) {
        for (const std::string side : {"left", "right"}) {
            ASSERT_TRUE(std::getline(lines, line));
            const std::vector<std::string> f = Fields(line);
            ASSERT_EQ(f.size(), 16u) << line;
            // A side that ran cycles shows its mates and votes per cycle; a
            // vote comes from a queued mate.
            if (f[4] == "seed-too-short") {
                EXPECT_EQ(f[13] + f[14], "") << line;
            } else {
                EXPECT_LE(std::stod(f[14]), std::stod(f[13])) << line;
                if (f[3] != "0") {
                    EXPECT_GT(std::stod(f[14]), 0) << line;
                }
            }
            EXPECT_EQ(f[10], "") << "no repeat guard, no depth";
            EXPECT_EQ(f[11], "linear");
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
        std::vector<std::string> arguments = {"-s", seedsPath, "-t", table, "-i", files_.index};
        const std::vector<std::string> distances =
            DistanceArguments({minDistance, d.maxDistance, d.minVotes, d.ratio});
        arguments.insert(arguments.end(), distances.begin(), distances.end());
        arguments.push_back("-q");
        return arguments;
    };
    struct Case {
        std::vector<std::string> arguments;
        int status;
        std::string message;  // the start of the one line on standard error
    };
    std::vector<std::string> toFull = base(seeds, files_.table, d.minDistance);
    toFull.insert(toFull.end(), {"-o", "/dev/full"});
    std::vector<std::string> noFolder = base(seeds, files_.table, d.minDistance);
    noFolder.insert(noFolder.end(), {"--summary-tsv", seeds + "/sub/s.tsv"});
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
        {noFolder, 1, "lorvex-extend: " + seeds + "/sub: cannot create the folder: "},
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
    EXPECT_EQ(run({"--version"}).out, std::string("lorvex-extend ") + LORVEX_VERSION + "\n");
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
    const ProgramRun prep =
        RunBuiltProgram("lorvex-prep", {"-q", "-1", examples + "/lambda_reads_1.fq.gz", "-2",
                                        examples + "/lambda_reads_2.fq.gz", "-o",
                                        dir_.path() + "/lambda", "--format", "text"});
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
