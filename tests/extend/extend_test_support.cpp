#include "extend_test_support.h"

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "input/input_stream.h"
#include "seq/nucleotide.h"

namespace lorvex::testing {

const DataSetup mediumSetup = {
    2, 50, 200, 3000, 100, {"160", "199", "3", "0.2"}, {"150", "199", "2", "0.5"}, 2500, 0};
const std::vector<DataSetup> dataSetups = {
    {1, 50, 200, 600, 500, {"150", "199", "1", "0"}, {"170", "199", "1", "0"}, 400, 0},
    {12, 50, 200, 3000, 50, {"150", "199", "1", "1"}, {"170", "199", "1", "1"}, 700, 2},
    mediumSetup,
    {4, 120, 400, 1500, 200, {"300", "370", "2", "0.3"}, {"300", "370", "1", "0.3"}, 10000, 0},
};

std::vector<std::string> DistanceArguments(const Distances& d) {
    return {"--min-distance", d.minDistance, "--max-distance", d.maxDistance,
            "--min-votes",    d.minVotes,    "--ratio",        d.ratio};
}

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

void ExtendProgram::Prepare(const DataSetup& setup) {
    reads_ = testing::SimulateReads(setup.seed, 5000, setup.readLength, setup.fragment, setup.pairs,
                                    setup.errorEvery);
    files_ = testing::WriteTableAndIndex(dir_, reads_.pairs);
}

std::string ExtendProgram::WriteSeeds(const std::vector<Seed>& seeds,
                                      const std::string& name) const {
    std::string text;
    for (const Seed& seed : seeds) {
        text += ">" + seed.name + " test seed\n";
        // Wrapped at 70 bases to check that lines are joined.
        for (size_t at = 0; at < seed.bases.size(); at += 70)
            text += seed.bases.substr(at, 70) + "\n";
    }
    return dir_.Write(name, text);
}

ProgramRun ExtendProgram::RunAlone(const std::string& program, const std::string& bases,
                                   const Distances& d) const {
    const std::string seedPath = dir_.Write("alone.fa", ">alone\n" + bases + "\n");
    return RunBuiltProgram(program, {seedPath, files_.table, files_.index, d.minDistance,
                                     d.maxDistance, d.minVotes, d.ratio});
}

ExtendRun ExtendProgram::RunExtend(const std::string& seedsPath, const Distances& d, bool strict,
                                   bool both, int threads, std::vector<std::string> extra) const {
    const std::string out = dir_.path() + "/out.fa" + outputSuffix_;
    const std::string bases = dir_.path() + "/bases.tsv" + outputSuffix_;
    const std::string summary = dir_.path() + "/summary.tsv" + outputSuffix_;
    std::vector<std::string> arguments = {"--seeds",    seedsPath, "--table",
                                          files_.table, "--index", files_.index};
    const std::vector<std::string> distances = DistanceArguments(d);
    arguments.insert(arguments.end(), distances.begin(), distances.end());
    arguments.insert(arguments.end(), {"-o", out, "--bases-tsv", bases, "--summary-tsv", summary,
                                       "--threads", std::to_string(threads), "--force"});
    if (strict) arguments.push_back("--strict");
    if (both) arguments.push_back("--both");
    if (!repeatGuard_) arguments.push_back("--no-repeat-guard");
    // Exact anchors, votes of quality 30 or more and of mates only, as lorvex
    // has them, unless the test sets the anchors.
    const bool anchorsGiven = std::any_of(extra.begin(), extra.end(), [](const std::string& word) {
        return word.rfind("--anchor-", 0) == 0;
    });
    if (!strict && !anchorsGiven)
        arguments.insert(arguments.end(),
                         {"--anchor-mismatches", "0", "--min-quality", "30", "--no-end-reads"});
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

std::vector<Seed> ExtendProgram::SeedsAlongTheGenome() const {
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

}  // namespace lorvex::testing
