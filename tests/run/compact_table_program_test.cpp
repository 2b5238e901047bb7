// lorvex-extend and lorvex-close on the compact table, end to end: on reads
// of one length every output equals the text table's, whatever the anchor
// rule; on trimmed reads the compact table, which keeps the short ones,
// extends further and still right; a table and an index that do not go
// together are refused, and so is the compact table by lorvex and
// lorvex-strict; bases vote by the quality the table was made with; reads
// that cover the end carry a side where mates starve.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "child_process.h"
#include "test_support.h"

namespace lorvex {
namespace {

using testing::ProgramRun;
using testing::ReadFile;
using testing::RunBuiltProgram;
using testing::TempDir;

struct Pair {
    std::string read1, read2, quality1, quality2;
    size_t fragmentEnd = 0;  // in the genome
    size_t fragmentStart = 0;
};

// Pairs from both strands of the genome: reads of readLength bases, read 1
// at the fragment's start on its strand, about one miscall in 400 bases and
// one quality in 20 below the vote threshold.
std::vector<Pair> SimulatePairs(const std::string& genome, uint64_t seed, int count,
                                int readLength) {
    std::mt19937_64 random(seed);
    const auto uniform = [&](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    std::vector<Pair> pairs;
    for (int i = 0; i < count; ++i) {
        const int fragment = uniform(260, 340);
        const size_t start =
            static_cast<size_t>(uniform(0, static_cast<int>(genome.size()) - fragment));
        const std::string left = genome.substr(start, static_cast<size_t>(readLength));
        const std::string right = testing::ReverseComplementOf(genome.substr(
            start + static_cast<size_t>(fragment - readLength), static_cast<size_t>(readLength)));
        Pair pair{left, right, "", "", start + static_cast<size_t>(fragment), start};
        if (uniform(0, 1)) std::swap(pair.read1, pair.read2);
        for (std::string* read : {&pair.read1, &pair.read2}) {
            std::string& quality = read == &pair.read1 ? pair.quality1 : pair.quality2;
            // Half the errors at a base of low quality, as instruments call them.
            for (char& base : *read) {
                const bool error = uniform(0, 399) == 0;
                if (error) base = "ACGT"[uniform(0, 3)];
                quality.push_back(uniform(0, 19) == 0 || (error && uniform(0, 1)) ? '+' : 'I');
            }
        }
        pairs.push_back(pair);
    }
    return pairs;
}

std::string Fastq(const std::vector<Pair>& pairs, int mate) {
    std::string text;
    for (size_t i = 0; i < pairs.size(); ++i) {
        const Pair& pair = pairs[i];
        text += "@p" + std::to_string(i) + "/" + std::to_string(mate) + "\n" +
                (mate == 1 ? pair.read1 : pair.read2) + "\n+\n" +
                (mate == 1 ? pair.quality1 : pair.quality2) + "\n";
    }
    return text;
}

// Writes the pairs and makes PREFIX.table, PREFIX.index and PREFIX.pairs.
std::string PrepareBoth(const TempDir& dir, const std::vector<Pair>& pairs, int readLength) {
    const std::string prefix = dir.path() + "/reads";
    const ProgramRun prep =
        RunBuiltProgram("lorvex-prep", {"-q", "-1", dir.Write("1.fq", Fastq(pairs, 1)), "-2",
                                        dir.Write("2.fq", Fastq(pairs, 2)), "-o", prefix,
                                        "--format", "both", "-l", std::to_string(readLength)});
    EXPECT_EQ(prep.status, 0) << prep.err;
    return prefix;
}

// The table arguments of either form.
std::vector<std::string> TableArguments(const std::string& prefix, bool compact) {
    if (compact) return {"-t", prefix + ".pairs"};
    return {"-t", prefix + ".table", "-i", prefix + ".index"};
}

// Runs a program on one form; returns its status and errors, and the text
// of each output named in `outputs` (written into dir with the form's name).
struct FormRun {
    ProgramRun run;
    std::vector<std::string> outputs;
};
FormRun RunOnForm(const TempDir& dir, const std::string& program,
                  std::vector<std::string> arguments, const std::string& prefix, bool compact,
                  const std::vector<std::string>& outputOptions) {
    const std::string form = compact ? "compact" : "text";
    for (const std::string& table : TableArguments(prefix, compact)) arguments.push_back(table);
    std::vector<std::string> paths;
    for (const std::string& option : outputOptions) {
        paths.push_back(dir.path() + "/" + form + option);
        arguments.insert(arguments.end(), {option, paths.back()});
    }
    arguments.insert(arguments.end(), {"-q", "-f", "--line-width", "0"});
    FormRun result{RunBuiltProgram(program, arguments), {}};
    for (const std::string& path : paths) result.outputs.push_back(ReadFile(path));
    return result;
}

// The sequences of a FASTA file written one line per record.
std::vector<std::string> FastaSequences(const std::string& text) {
    std::vector<std::string> sequences;
    size_t at = 0;
    while (at < text.size()) {
        const size_t end = text.find('\n', at);
        const std::string line = text.substr(at, end - at);
        if (!line.empty() && line[0] != '>') sequences.push_back(line);
        at = end == std::string::npos ? text.size() : end + 1;
    }
    return sequences;
}

TEST(CompactTableRuns, ReadsOfOneLengthGiveTheTextTablesOutputs) {
    const TempDir dir;
    const std::string genome = testing::RandomBases(2828, 9000);
    const std::string prefix = PrepareBoth(dir, SimulatePairs(genome, 28, 4000, 60), 60);
    const auto g = [&](size_t from, size_t to) { return genome.substr(from, to - from); };
    const std::string seeds =
        dir.Write("seeds.fa", ">a\n" + g(1000, 2500) + "\n>b\n" + g(4000, 4800) + "\n>c\n" +
                                  g(6000, 7600) + "\n");
    const std::string n300(300, 'N'), n100(100, 'N');
    const std::string scaffolds = dir.Write(
        "scaffolds.fa", ">s1\n" + g(200, 2000) + n300 + g(2300, 4000) + n100 + g(4400, 6000) +
                            "\n>s2\n" + g(6200, 7400) + n300 + g(7650, 8900) + "\n");
    // Default anchors (the whole read), anchors of R (the same rule spelled
    // out), short anchors whose reads the compact table finds by more than
    // one key, and mismatches past the index key (at doubtful bases, and at
    // any).
    const std::vector<std::vector<std::string>> rules = {
        {},
        {"--anchor-length", "60"},
        {"--anchor-length", "24"},
        {"--anchor-mismatches", "1"},
        {"--anchor-mismatches", "1", "--mismatches-at-any-quality"}};
    for (const std::vector<std::string>& rule : rules) {
        std::vector<std::string> extend = {"-s", seeds, "--both"};
        extend.insert(extend.end(), rule.begin(), rule.end());
        std::vector<std::string> close = {"-s", scaffolds};
        close.insert(close.end(), rule.begin(), rule.end());
        std::string label = rule.empty() ? "default anchors" : "";
        for (const std::string& word : rule) label += (label.empty() ? "" : " ") + word;
        for (const auto& [program, arguments, outputs] :
             {std::tuple{std::string("lorvex-extend"), extend,
                         std::vector<std::string>{"-o", "--summary-tsv", "--variants-tsv"}},
              std::tuple{std::string("lorvex-close"), close,
                         std::vector<std::string>{"-o", "--gaps-tsv", "--variants-tsv"}}}) {
            const FormRun text = RunOnForm(dir, program, arguments, prefix, false, outputs);
            const FormRun compact = RunOnForm(dir, program, arguments, prefix, true, outputs);
            ASSERT_EQ(text.run.status, 0) << program << " " << label << ": " << text.run.err;
            ASSERT_EQ(compact.run.status, 0) << program << " " << label << ": " << compact.run.err;
            for (size_t i = 0; i < outputs.size(); ++i)
                EXPECT_EQ(compact.outputs[i], text.outputs[i])
                    << program << " " << label << " " << outputs[i];
            EXPECT_GT(text.outputs[0].size(), 4000u) << program << " " << label;
        }
    }

    // A table and an index that do not go together: one line, no output.
    const std::string out = dir.path() + "/refused.fa";
    for (const std::vector<std::string>& tables :
         {std::vector<std::string>{"-t", prefix + ".pairs", "-i", prefix + ".index"},
          std::vector<std::string>{"-t", prefix + ".table"},
          std::vector<std::string>{"-t", prefix + ".table", "-i", prefix + ".pairs"}}) {
        std::vector<std::string> arguments = {"-s", seeds, "-o", out};
        arguments.insert(arguments.end(), tables.begin(), tables.end());
        const ProgramRun run = RunBuiltProgram("lorvex-extend", arguments);
        EXPECT_NE(run.status, 0);
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
        EXPECT_NE(run.err.find(tables[1]), std::string::npos) << run.err;
        EXPECT_FALSE(testing::FolderEntries(dir.path()).empty());
        EXPECT_NE(::access(out.c_str(), F_OK), 0);
    }
    // lorvex and lorvex-strict read the text table only, and say how to make
    // it when given the compact one in either place.
    const std::string seed = dir.Write("seed.fa", ">a\n" + g(1000, 2500) + "\n");
    for (const std::string program : {"lorvex", "lorvex-strict"})
        for (const auto& [table, index] : {std::pair{prefix + ".pairs", prefix + ".index"},
                                           std::pair{prefix + ".table", prefix + ".pairs"}}) {
            const ProgramRun run =
                RunBuiltProgram(program, {seed, table, index, "230", "300", "5", "0.1"});
            EXPECT_EQ(run.status, 1) << run.err;
            EXPECT_EQ(run.out, "");
            EXPECT_EQ(run.err.rfind(program + ": " + prefix + ".pairs: a compact pair table", 0),
                      0u)
                << run.err;
            EXPECT_TRUE(run.err.ends_with("make them with lorvex-prep --format text (or both)\n"))
                << run.err;
        }
}

// Trimmed reads: the pairs whose fragments end in the genome's last 300
// bases have one read cut to 25-45 bases (read 1 or read 2, so short reads
// both anchor and vote). The text table (R = 60) loses them and stops
// short of the end; the compact table keeps them and extends further, every
// base right.
TEST(CompactTableRuns, ShortReadsAnchorAndVote) {
    const TempDir dir;
    const std::string genome = testing::RandomBases(3131, 7000);
    std::vector<Pair> pairs = SimulatePairs(genome, 31, 3500, 60);
    std::mt19937_64 random(31);
    int trimmed = 0;
    for (Pair& pair : pairs) {
        if (pair.fragmentEnd + 300 <= genome.size()) continue;
        const size_t length = std::uniform_int_distribution<size_t>(25, 45)(random);
        const bool first = (trimmed++ % 2) == 0;
        (first ? pair.read1 : pair.read2).resize(length);
        (first ? pair.quality1 : pair.quality2).resize(length);
    }
    ASSERT_GT(trimmed, 100);
    const std::string prefix = PrepareBoth(dir, pairs, 60);
    const std::string seeds = dir.Write("seed.fa", ">s\n" + genome.substr(4000, 1500) + "\n");
    const std::vector<std::string> arguments = {
        "-s", seeds, "--min-distance", "230", "--max-distance", "300"};
    const FormRun text =
        RunOnForm(dir, "lorvex-extend", arguments, prefix, false, {"-o", "--summary-tsv"});
    const FormRun compact =
        RunOnForm(dir, "lorvex-extend", arguments, prefix, true, {"-o", "--summary-tsv"});
    ASSERT_EQ(text.run.status, 0) << text.run.err;
    ASSERT_EQ(compact.run.status, 0) << compact.run.err;
    const std::string fromText = FastaSequences(text.outputs[0]).at(0);
    const std::string fromCompact = FastaSequences(compact.outputs[0]).at(0);
    EXPECT_EQ(fromCompact, genome.substr(4000, fromCompact.size()));
    EXPECT_EQ(fromText, genome.substr(4000, fromText.size()));
    EXPECT_LT(4000 + fromText.size(), genome.size() - 200);
    EXPECT_GT(fromCompact.size(), fromText.size() + 150) << text.outputs[1] << compact.outputs[1];
}

// A stretch of 200 bases where no fragment starts: the mates that would vote
// a fragment further on are missing, while reads still cover the end. The
// reads that cover the end carry the side through, right base for base and
// alike from both forms; with --no-end-reads it starves there.
TEST(CompactTableRuns, EndReadsCarryASideWhereMatesStarve) {
    const TempDir dir;
    const std::string genome = testing::RandomBases(4242, 7000);
    std::vector<Pair> pairs = SimulatePairs(genome, 42, 3500, 60);
    std::erase_if(pairs, [](const Pair& pair) {
        return pair.fragmentStart >= 4600 && pair.fragmentStart < 4800;
    });
    const std::string prefix = PrepareBoth(dir, pairs, 60);
    const std::string seeds = dir.Write("seed.fa", ">s\n" + genome.substr(3000, 1000) + "\n");
    for (const bool endReads : {true, false}) {
        std::vector<std::string> arguments = {
            "-s", seeds, "--min-distance", "230", "--max-distance", "300", "--max-bases", "2500"};
        if (!endReads) arguments.push_back("--no-end-reads");
        std::vector<std::string> sequences;
        for (const bool compact : {false, true}) {
            const FormRun run = RunOnForm(dir, "lorvex-extend", arguments, prefix, compact,
                                          {"-o", "--summary-tsv"});
            ASSERT_EQ(run.run.status, 0) << run.run.err;
            sequences.push_back(FastaSequences(run.outputs[0]).at(0));
            EXPECT_EQ(sequences.back(), genome.substr(3000, sequences.back().size()));
        }
        EXPECT_EQ(sequences[0], sequences[1]);
        if (endReads)
            EXPECT_GT(3000 + sequences[0].size(), 5400u);
        else
            EXPECT_LT(3000 + sequences[0].size(), 5000u);
    }
}

// Reads whose good bases all have quality 25: they vote under the default
// --min-quality (20) alike from both forms, and not at all where 30 is asked
// for, of a text table by lorvex-extend or of a compact table by lorvex-prep;
// a compact table made at 20 refuses a run asking for 30.
TEST(CompactTableRuns, BasesVoteByTheTablesQuality) {
    const TempDir dir;
    const std::string genome = testing::RandomBases(2525, 5000);
    std::vector<Pair> pairs = SimulatePairs(genome, 25, 2500, 60);
    for (Pair& pair : pairs)
        for (std::string* quality : {&pair.quality1, &pair.quality2})
            std::replace(quality->begin(), quality->end(), 'I', ':');
    const std::string prefix = PrepareBoth(dir, pairs, 60);
    const std::string seeds = dir.Write("seed.fa", ">s\n" + genome.substr(1000, 1500) + "\n");
    const std::vector<std::string> arguments = {
        "-s", seeds, "--min-distance", "230", "--max-distance", "300", "--max-bases", "500"};
    const auto added = [&](const FormRun& run) {
        EXPECT_EQ(run.run.status, 0) << run.run.err;
        return FastaSequences(run.outputs.at(0)).at(0).size() - 1500;
    };
    const FormRun text = RunOnForm(dir, "lorvex-extend", arguments, prefix, false, {"-o"});
    EXPECT_EQ(added(text), 500u);
    EXPECT_EQ(RunOnForm(dir, "lorvex-extend", arguments, prefix, true, {"-o"}).outputs,
              text.outputs);
    std::vector<std::string> at30 = arguments;
    at30.insert(at30.end(), {"--min-quality", "30"});
    EXPECT_EQ(added(RunOnForm(dir, "lorvex-extend", at30, prefix, false, {"-o"})), 0u);
    const ProgramRun refused = RunOnForm(dir, "lorvex-extend", at30, prefix, true, {"-o"}).run;
    EXPECT_EQ(refused.status, 2);
    EXPECT_NE(refused.err.find(prefix + ".pairs counts bases of quality 20"), std::string::npos)
        << refused.err;

    const ProgramRun prep = RunBuiltProgram(
        "lorvex-prep", {"-q", "-1", dir.path() + "/1.fq", "-2", dir.path() + "/2.fq", "-o",
                        dir.path() + "/at30", "--format", "compact", "--min-quality", "30"});
    ASSERT_EQ(prep.status, 0) << prep.err;
    EXPECT_EQ(added(RunOnForm(dir, "lorvex-extend", arguments, dir.path() + "/at30", true, {"-o"})),
              0u);
}

}  // namespace
}  // namespace lorvex
