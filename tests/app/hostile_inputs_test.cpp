// Hostile inputs, end to end: both programs run as built, under a time
// limit, on files and arguments that are missing, empty, of the wrong kind,
// garbage, cut short, inconsistent or absurd. Every run must end by itself,
// without a signal or a sanitizer report. Where the input is valid the
// output must be what the literal cycles compute in this process from the
// same files, with status 0 and nothing on standard error; where it is not,
// standard output stays empty (or, for damage met during the run, holds
// only lines the run had accepted) and standard error holds exactly one line
// that starts with the program's name and says what is wrong.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "child_process.h"
#include "extension/extend_contig.h"
#include "input/seed_reader.h"
#include "reference/literal_cycles.h"
#include "test_support.h"
#include "tool/number_arguments.h"

namespace lorvex {
namespace {

using testing::ChildOutput;
using testing::ChildProcess;
using testing::ProgramRun;
using testing::ReadFile;
using testing::RunBuiltProgram;
using testing::TempDir;

constexpr int timeLimit = 60;
using lorvex::testing::bothPrograms;

Variant VariantOf(const std::string& program) {
    return program == "lorvex" ? Variant::Main : Variant::Strict;
}

// Every run, whatever its input: it ended by itself, within the time limit,
// and no sanitizer spoke.
void ExpectNoCrash(const ProgramRun& run, const std::string& label) {
    EXPECT_GE(run.status, 0) << label;
    EXPECT_LT(run.status, 128) << label << ": ended by signal " << run.status - 128 << "\n"
                               << run.err;
    EXPECT_EQ(run.err.find("Sanitizer"), std::string::npos) << label << "\n" << run.err;
    EXPECT_EQ(run.err.find("runtime error"), std::string::npos) << label << "\n" << run.err;
}

// Exactly one line on standard error, "<program>: ...", holding `fragment`.
void ExpectOneLineMessage(const ProgramRun& run, const std::string& program,
                          const std::string& fragment, const std::string& label) {
    EXPECT_EQ(run.err.rfind(program + ": ", 0), 0u) << label << "\n" << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << label << "\n" << run.err;
    EXPECT_NE(run.err.find(fragment), std::string::npos)
        << label << ": expected '" << fragment << "' in\n"
        << run.err;
}

void ExpectRefused(const ProgramRun& run, const std::string& program, int status,
                   const std::string& fragment, const std::string& label) {
    ExpectNoCrash(run, label);
    EXPECT_EQ(run.status, status) << label << "\n" << run.err;
    EXPECT_EQ(run.out, "") << label;
    ExpectOneLineMessage(run, program, fragment, label);
}

void ExpectOutput(const ProgramRun& run, const std::string& expected, const std::string& label) {
    ExpectNoCrash(run, label);
    EXPECT_EQ(run.status, 0) << label << "\n" << run.err;
    EXPECT_EQ(run.err, "") << label;
    EXPECT_TRUE(run.out == expected)
        << label << ": " << run.out.size() << " bytes of output, " << expected.size()
        << " expected; first difference at byte "
        << std::mismatch(run.out.begin(), run.out.end(), expected.begin(), expected.end()).first -
               run.out.begin();
}

struct Inputs {
    std::string seed;
    std::string table;
    std::string index;
};

struct Numbers {
    std::string minDistance, maxDistance, minVotes, ratio;
};

// The output the programs must print: the literal cycles on the same files
// and numbers, with ties drawn as the never-seeded rand() draws them.
std::string ReferenceOutput(const std::string& program, const Inputs& inputs,
                            const Numbers& numbers) {
    ExtensionRules rules;
    rules.parameters.minDistance = ParseIntegerArgument(numbers.minDistance, "MIN_DISTANCE");
    rules.parameters.maxDistance = ParseIntegerArgument(numbers.maxDistance, "MAX_DISTANCE");
    rules.parameters.minVotes = ParseIntegerArgument(numbers.minVotes, "MIN_VOTES");
    rules.parameters.dominanceRatio = ParseRatioArgument(numbers.ratio, "DOMINANCE_RATIO");
    rules.variant = VariantOf(program);
    rules.makeCycles = MakeLiteralCycles;
    std::string contig = LoadSeed(inputs.seed);
    const RunInputs run = LoadRunInputs(inputs.table, inputs.index);
    TieBreakSource tieBreaks = TieBreakSource::Private();
    std::string output;
    ExtensionHooks hooks;
    hooks.onAccepted = [&](char base, const BaseVotes& votes) {
        char line[64];
        std::snprintf(line, sizeof line, "%c\t%d\t%d\t%d\t%d\n", base, votes.a, votes.c, votes.g,
                      votes.t);
        output += line;
    };
    ExtendContig(contig, run, rules, tieBreaks, hooks);
    return output;
}

std::vector<std::string> Arguments(const Inputs& inputs, const Numbers& numbers) {
    return {inputs.seed,         inputs.table,     inputs.index, numbers.minDistance,
            numbers.maxDistance, numbers.minVotes, numbers.ratio};
}

ProgramRun RunOn(const std::string& program, const Inputs& inputs, const Numbers& numbers) {
    return RunBuiltProgram(program, Arguments(inputs, numbers), timeLimit);
}

std::string Lines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text;
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

// Reads of 40 bases from fragments of about 160 over a genome of 1,600
// bases, a seed of its first 400: both programs extend to near the genome's
// end, some 1,100 bases. Table lines are 164 bytes long.
constexpr size_t genomeLength = 1600;
constexpr int pairCount = 2200;  // 4,400 table lines
const std::string tableLines = std::to_string(2 * pairCount);

class HostileInputs : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        data_ = new TempDir;
        reads_ = new testing::SimulatedReads(
            testing::SimulateReads(21, genomeLength, 40, 160, pairCount));
        const testing::TableFiles files = testing::WriteTableAndIndex(*data_, reads_->pairs);
        good_ =
            new Inputs{data_->Write("seed.fa", ">seed\n" + reads_->genome.substr(0, 400) + "\n"),
                       files.table, files.index};
    }
    static void TearDownTestSuite() {
        delete good_;
        delete reads_;
        delete data_;
    }

    static Numbers NumbersFor(const std::string& program) {
        return program == "lorvex" ? Numbers{"130", "160", "3", "0.2"}
                                   : Numbers{"140", "160", "3", "0.2"};
    }
    // The output of the good inputs, computed when a test first needs it
    // (each test may run in a process of its own).
    static const std::string& Expected(const std::string& program) {
        std::string& expected = expected_[program == "lorvex" ? 0 : 1];
        if (expected.empty()) expected = ReferenceOutput(program, *good_, NumbersFor(program));
        return expected;
    }
    static std::string GoodText(const std::string& which) {
        return ReadFile(which == "seed"    ? good_->seed
                        : which == "table" ? good_->table
                                           : good_->index);
    }
    // The good inputs with one file replaced.
    Inputs With(const std::string& which, const std::string& path) const {
        Inputs inputs = *good_;
        (which == "seed" ? inputs.seed : which == "table" ? inputs.table : inputs.index) = path;
        return inputs;
    }
    Inputs WithText(const std::string& which, const std::string& contents) const {
        return With(which, dir_.Write("hostile." + which, contents));
    }
    // The good inputs with a seed that ends 100 bases before the genome does:
    // runs of a few dozen bases, for cases that need many runs or little
    // output.
    Inputs NearTheEnd() const {
        return WithText("seed", ">late\n" + reads_->genome.substr(genomeLength - 600, 500) + "\n");
    }

    // Runs both programs on inputs that break the format: refused with the
    // status and a message naming the file.
    void ExpectBothRefuse(const Inputs& inputs, int status, const std::string& fragment,
                          const std::string& label) const {
        for (const std::string& program : bothPrograms)
            ExpectRefused(RunOn(program, inputs, NumbersFor(program)), program, status, fragment,
                          label + " (" + program + ")");
    }
    // Runs both programs on valid inputs: the output the reference computes
    // from them, or, where the change cannot matter, the good inputs' output.
    void ExpectBothRunAsReference(const Inputs& inputs, const std::string& label,
                                  bool sameAsGood = false) const {
        for (const std::string& program : bothPrograms) {
            const std::string expected =
                sameAsGood ? Expected(program)
                           : ReferenceOutput(program, inputs, NumbersFor(program));
            ExpectOutput(RunOn(program, inputs, NumbersFor(program)), expected,
                         label + " (" + program + ")");
        }
    }

    static TempDir* data_;
    static testing::SimulatedReads* reads_;
    static Inputs* good_;
    static std::string expected_[2];
    TempDir dir_;
};

TempDir* HostileInputs::data_ = nullptr;
testing::SimulatedReads* HostileInputs::reads_ = nullptr;
Inputs* HostileInputs::good_ = nullptr;
std::string HostileInputs::expected_[2];

TEST_F(HostileInputs, TheGoodInputsExtendFarAndMatchTheReference) {
    for (const std::string& program : bothPrograms) {
        EXPECT_GT(SplitLines(Expected(program)).size(), genomeLength / 2) << program;
        ExpectOutput(RunOn(program, *good_, NumbersFor(program)), Expected(program), program);
    }
}

TEST_F(HostileInputs, MissingFilesDirectoriesAndFifos) {
    const std::string missing = dir_.path() + "/missing";
    const std::string fifo = dir_.path() + "/fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string which : {"seed", "table", "index"}) {
        ExpectBothRefuse(With(which, missing), 1, missing + ": No such file or directory",
                         "missing " + which);
        ExpectBothRefuse(With(which, dir_.path()), 1, dir_.path() + ": is a directory, not a file",
                         "directory as " + which);
    }
    // A FIFO that nobody writes to reads as an empty file (it must not
    // hang): an empty seed is too short for the windows, a table must be a
    // regular file to be read by position, an empty index is valid.
    ExpectBothRefuse(With("seed", fifo), 2, "the seed holds 0 bases, fewer than MAX_DISTANCE 160",
                     "FIFO seed");
    ExpectBothRefuse(With("table", fifo), 1, fifo + ": not a regular file", "FIFO table");
    ExpectBothRefuse(With("table", "/dev/null"), 1, "/dev/null: not a regular file",
                     "device table");
    for (const std::string& program : bothPrograms)
        ExpectOutput(RunOn(program, With("index", fifo), NumbersFor(program)), "",
                     "FIFO index (" + program + ")");
}

TEST_F(HostileInputs, EmptyFiles) {
    ExpectBothRefuse(WithText("seed", ""), 2, "the seed holds 0 bases", "empty seed");
    ExpectBothRefuse(WithText("seed", ">header only, no line end"), 2, "the seed holds 0 bases",
                     "header-only seed");
    ExpectBothRefuse(WithText("seed", ">h\n\r\n\n\r\r\n"), 2, "the seed holds 0 bases",
                     "seed of line ends");
    ExpectBothRefuse(WithText("table", ""), 1, "the read-pair table is empty", "empty table");
    // An index of no groups is valid: no window finds a mate.
    for (const std::string& program : bothPrograms)
        ExpectOutput(RunOn(program, WithText("index", ""), NumbersFor(program)), "",
                     "empty index (" + program + ")");
    for (const std::string& program : bothPrograms)
        ExpectOutput(RunOn(program, WithText("index", "\n\r\n\n"), NumbersFor(program)), "",
                     "index of blank lines (" + program + ")");
}

TEST_F(HostileInputs, BinaryGarbageAndZeroBytes) {
    std::mt19937_64 generator(99);
    std::string garbage(100000, '\0');
    for (char& byte : garbage) byte = static_cast<char>(generator());
    std::string garbageWithoutZeros = garbage;
    for (char& byte : garbageWithoutZeros)
        if (byte == '\0') byte = '\x01';

    ExpectBothRefuse(WithText("seed", garbage), 1, "seed holds a zero byte", "garbage seed");
    ExpectBothRefuse(WithText("table", garbage), 1, "hostile.table", "garbage table");
    ExpectBothRefuse(WithText("index", garbage), 1, "hostile.index: line ", "garbage index");
    ExpectBothRefuse(WithText("table", garbageWithoutZeros), 1, "hostile.table",
                     "garbage table without zero bytes");
    ExpectBothRefuse(WithText("index", garbageWithoutZeros), 1, "hostile.index: line ",
                     "garbage index without zero bytes");
    // A seed of garbage without zero bytes is a valid seed of odd bases.
    ExpectBothRunAsReference(WithText("seed", ">garbage\n" + garbageWithoutZeros), "garbage seed");

    // Zero bytes: in the seed, in the table's first line, in every later
    // table line (met at the first lookup), in the index.
    std::string seed = GoodText("seed");
    seed[seed.size() - 10] = '\0';
    ExpectBothRefuse(WithText("seed", seed), 1, "seed holds a zero byte", "zero byte in seed");
    std::vector<std::string> lines = SplitLines(GoodText("table"));
    std::string table = GoodText("table");
    table[45] = '\0';
    ExpectBothRefuse(WithText("table", table), 1, "hostile.table: line 1: holds a zero byte",
                     "zero byte in table line 1");
    for (size_t i = 1; i < lines.size(); ++i) lines[i][50] = '\0';
    ExpectBothRefuse(WithText("table", Lines(lines)), 1, ": holds a zero byte",
                     "zero bytes in later table lines");
    std::string index = GoodText("index");
    index[index.size() / 2] = '\0';
    ExpectBothRefuse(WithText("index", index), 1, ": holds a zero byte", "zero byte in index");
}

TEST_F(HostileInputs, TablesOutsideTheFormat) {
    const std::vector<std::string> lines = SplitLines(GoodText("table"));
    const auto changed = [&](size_t line, const std::string& replacement) {
        std::vector<std::string> copy = lines;
        copy[line] = replacement;
        return Lines(copy);
    };
    const std::string& first = lines[0];
    const std::string read = first.substr(0, 40);

    // Lines of different lengths: every later group moves off its offset.
    ExpectBothRefuse(WithText("table", changed(1, lines[1].substr(0, lines[1].size() - 1))), 1,
                     "hostile.table: line ", "second line one byte short");
    ExpectBothRefuse(WithText("table", changed(1, lines[1] + "x")), 1, "hostile.table: line ",
                     "second line one byte long");

    // The first line decides the layout.
    ExpectBothRefuse(WithText("table", changed(0, first.substr(0, 100))), 1,
                     "line 1: shorter than four fields of 40 bytes", "first line too short");
    ExpectBothRefuse(WithText("table", changed(0, std::string(163, 'A'))), 1,
                     "line 1: no tab after the first read", "first line without a tab");
    ExpectBothRefuse(WithText("table", changed(0, std::string("\t").append(first, 1))), 1,
                     "line 1: does not begin with a read", "first line with a leading tab");
    ExpectBothRefuse(WithText("table", "ACGTACGTACG\tA\tI\tI\n"), 1,
                     "reads of 11 bases are shorter than the 12-base prefix", "reads of 11");
    ExpectBothRefuse(
        WithText("table", std::string(1024, 'A') + "\t" + std::string(1024, 'A') + "\t" +
                              std::string(1024, 'I') + "\t" + std::string(1024, 'I') + "\n"),
        1, "line 1: first read longer than 1,023 bases", "first field of 1,024");
    ExpectBothRefuse(WithText("table", changed(0, read + "\t" + std::string(70000, 'A'))), 1,
                     "line 1: longer than 65,535 bytes", "first line of 70,000 bytes");

    // Fields are taken by position: a line of the right length with odd
    // separators and qualities is valid, and so is a table whose last line
    // lacks its line end, or whose lines end in CR LF.
    std::string oddLine = lines[5];
    oddLine[40] = 'x';
    oddLine[81] = ' ';
    oddLine[82] = ' ';
    oddLine[122] = '|';
    ExpectBothRunAsReference(WithText("table", changed(5, oddLine)), "odd separators");
    const std::string text = GoodText("table");
    ExpectBothRunAsReference(WithText("table", text.substr(0, text.size() - 1)),
                             "no final line end", true);
    TempDir crlf;
    const testing::TableFiles crlfFiles = testing::WriteTableAndIndex(crlf, reads_->pairs, "\r\n");
    ExpectBothRunAsReference(Inputs{good_->seed, crlfFiles.table, crlfFiles.index},
                             "CR LF line ends", true);
}

TEST_F(HostileInputs, TheLongestReadsAreValid) {
    // Reads of 1,023 bases, the most a table may hold: lines of 4,096 bytes.
    const testing::SimulatedReads reads = testing::SimulateReads(5, 4000, 1023, 2500, 200);
    const testing::TableFiles files = testing::WriteTableAndIndex(dir_, reads.pairs);
    const Inputs inputs{dir_.Write("long.fa", ">s\n" + reads.genome.substr(0, 3000) + "\n"),
                        files.table, files.index};
    for (const std::string& program : bothPrograms) {
        const Numbers numbers = program == "lorvex" ? Numbers{"1500", "2400", "1", "0.5"}
                                                    : Numbers{"2044", "2400", "1", "0.5"};
        ExpectOutput(RunOn(program, inputs, numbers), ReferenceOutput(program, inputs, numbers),
                     "reads of 1,023 (" + program + ")");
    }
}

TEST_F(HostileInputs, IndexesThatDoNotFitTheTable) {
    const std::vector<std::string> lines = SplitLines(GoodText("index"));
    const std::string key = lines[0].substr(0, 12);
    const auto withFirstLine = [&](const std::string& replacement) {
        std::vector<std::string> copy = lines;
        copy[0] = replacement;
        return Lines(copy);
    };
    ExpectBothRefuse(
        WithText("index", withFirstLine(key + "\t" + "4294967295")), 1,
        "lines, but " + good_->table + " holds only " + tableLines + " lines of 164 bytes",
        "counts overrunning the table");
    ExpectBothRefuse(WithText("index", GoodText("index") + "TTTTTTTTTTTT\t1\n"), 1,
                     "counts add up to " + std::to_string(2 * pairCount + 1) + " lines",
                     "one line more than the table");
    ExpectBothRefuse(WithText("index", withFirstLine(key + "\t4294967296")), 1,
                     "line 1: count does not fit in 32 bits", "count of 2^32");
    ExpectBothRefuse(WithText("index", withFirstLine(key + "\t" + std::string(400, '9'))), 1,
                     "line 1: count does not fit in 32 bits", "count of 400 digits");
    ExpectBothRefuse(WithText("index", withFirstLine(key + "\t-1")), 1, "line 1: negative count",
                     "negative count");
    ExpectBothRefuse(WithText("index", withFirstLine(key + "\t1e3")), 1,
                     "line 1: count is not a whole number", "count in exponent form");
    ExpectBothRefuse(WithText("index", withFirstLine(key.substr(0, 11) + "\t1")), 1,
                     "line 1: key shorter than 12 characters", "key of 11");
    ExpectBothRefuse(WithText("index", withFirstLine(key)), 1, "line 1: no tab and count",
                     "line without a count");
    ExpectBothRefuse(WithText("index", withFirstLine(key + std::string(70000, 'A') + "\t1")), 1,
                     "line 1: longer than 65,535 bytes", "index line of 70,000 bytes");

    // Groups that are not where the index says: the lookup meets lines of
    // another group and stops the run.
    std::vector<std::string> rotated(lines.begin() + 1, lines.end());
    rotated.push_back(lines[0]);
    ExpectBothRefuse(WithText("index", Lines(rotated)), 1,
                     "first read does not belong to the group the index places there",
                     "groups out of order");

    // Forms of a valid index: CR LF, blank lines, runs of tabs, a sign,
    // spaces after the count, longer keys, more fields.
    std::string varied;
    for (size_t i = 0; i < lines.size(); ++i) {
        const size_t tab = lines[i].find('\t');
        const std::string count = lines[i].substr(tab + 1);
        switch (i % 5) {
            case 0: varied += lines[i] + "\r\n"; break;
            case 1: varied += "\n" + lines[i] + "\n"; break;
            case 2: varied += lines[i].substr(0, tab) + "\t\t+" + count + "  \n"; break;
            case 3: varied += lines[i].substr(0, tab) + "GATTACA\t" + count + "\tmore\n"; break;
            default: varied += lines[i] + "\n"; break;
        }
    }
    ExpectBothRunAsReference(WithText("index", varied), "index forms", true);
}

// Valid indexes far from what lorvex-prep writes: a single group, and the
// groups in descending code order with the table's groups in the same order,
// which must read as the good inputs do.
TEST_F(HostileInputs, IndexesOfOneGroupOrInDescendingCodeOrder) {
    const std::vector<std::string> indexLines = SplitLines(GoodText("index"));
    const std::vector<std::string> tableLines = SplitLines(GoodText("table"));
    std::vector<std::string> groupTexts;
    size_t line = 0;
    for (const std::string& indexLine : indexLines) {
        const size_t count = std::stoul(indexLine.substr(indexLine.find('\t') + 1));
        groupTexts.push_back(Lines({tableLines.begin() + line, tableLines.begin() + line + count}));
        line += count;
    }
    ASSERT_EQ(line, tableLines.size());

    const size_t largest =
        static_cast<size_t>(std::max_element(groupTexts.begin(), groupTexts.end(),
                                             [](const std::string& a, const std::string& b) {
                                                 return a.size() < b.size();
                                             }) -
                            groupTexts.begin());
    Inputs oneGroup = WithText("index", indexLines[largest] + "\n");
    oneGroup.table = dir_.Write("one-group.table", groupTexts[largest]);
    ExpectBothRunAsReference(oneGroup, "index of one group");

    std::string table, index;
    for (size_t group = indexLines.size(); group-- > 0;) {
        table += groupTexts[group];
        index += indexLines[group] + "\n";
    }
    Inputs descending = WithText("index", index);
    descending.table = dir_.Write("descending.table", table);
    ExpectBothRunAsReference(descending, "groups in descending code order", true);
}

TEST_F(HostileInputs, TruncatedTables) {
    const std::string text = GoodText("table");
    ExpectBothRefuse(WithText("table", text.substr(0, text.size() - 50)), 1,
                     "counts add up to " + tableLines + " lines", "table cut inside its last line");
    ExpectBothRefuse(WithText("table", text.substr(0, text.size() / 2)), 1,
                     "counts add up to " + tableLines + " lines", "table cut in half");
    ExpectBothRefuse(WithText("table", text.substr(0, 164)), 1,
                     "counts add up to " + tableLines + " lines", "table cut to its first line");
}

// A run whose standard output is a pipe of one page, so that it blocks on
// writing once the page and its own buffer are full.
ChildProcess PipedRun(const std::string& program, const std::vector<std::string>& arguments,
                      ChildOutput output = ChildOutput::Pipe) {
    testing::ChildSettings settings;
    settings.timeoutSeconds = timeLimit;
    settings.output = output;
    return ChildProcess(program, arguments, settings);
}

TEST_F(HostileInputs, TableShortenedWhileTheProgramRuns) {
    for (const std::string& program : bothPrograms) {
        for (const uint64_t keptBytes : {uint64_t{0}, uint64_t{164}, uint64_t{164} * pairCount}) {
            const std::string label = program + ", table cut to " + std::to_string(keptBytes);
            const std::string table = dir_.Write("shrinking.table", GoodText("table"));
            ChildProcess piped =
                PipedRun(program, Arguments(With("table", table), NumbersFor(program)));
            // The first bytes show that start-up is over; the full pipe then
            // holds the run while the table is cut.
            piped.ReadAtLeast(1);
            ASSERT_EQ(truncate(table.c_str(), static_cast<off_t>(keptBytes)), 0);
            piped.ReadToEnd();
            const ProgramRun run = piped.Wait();
            ExpectNoCrash(run, label);
            EXPECT_EQ(run.status, 1) << label << "\n" << run.err;
            ExpectOneLineMessage(run, program, "before the lines its index counts (truncated?)",
                                 label);
            // What was printed before is what the whole run prints first.
            EXPECT_EQ(Expected(program).compare(0, run.out.size(), run.out), 0) << label;
            EXPECT_LT(run.out.size(), Expected(program).size()) << label;
        }
    }
}

TEST_F(HostileInputs, TableShortenedAtARandomMoment) {
    std::mt19937 generator(5);
    for (int attempt = 0; attempt < 8; ++attempt) {
        const std::string& program = bothPrograms[static_cast<size_t>(attempt) % 2];
        const std::string label = program + ", attempt " + std::to_string(attempt);
        const std::string table = dir_.Write("shrinking.table", GoodText("table"));
        const std::string outPath = dir_.path() + "/out";
        ProgramRun run;
        std::thread runner([&] {
            run = RunBuiltProgram(program, Arguments(With("table", table), NumbersFor(program)),
                                  timeLimit, outPath);
        });
        usleep(static_cast<useconds_t>(generator() % 100000));
        ASSERT_EQ(truncate(table.c_str(), static_cast<off_t>(generator() % (164 * 2 * pairCount))),
                  0);
        runner.join();
        run.out = ReadFile(outPath);
        // Either the run was over, or it read from the cut table: then a
        // clean message after a first part of the output.
        ExpectNoCrash(run, label);
        if (run.status == 0) {
            EXPECT_EQ(run.out, Expected(program)) << label;
            EXPECT_EQ(run.err, "") << label;
        } else {
            EXPECT_EQ(run.status, 1) << label;
            ExpectOneLineMessage(run, program, "", label);
            EXPECT_EQ(Expected(program).compare(0, run.out.size(), run.out), 0) << label;
        }
    }
}

TEST_F(HostileInputs, SeedsOfOddShape) {
    // A seed on one line of more than 65,536 bytes, lower case, CR LF, N:
    // the seed has no line limit, and only its last bases meet the windows.
    const std::string genome = reads_->genome.substr(0, 400);
    std::string lower = genome;
    for (char& base : lower) base = static_cast<char>(std::tolower(base));
    ExpectBothRunAsReference(WithText("seed", ">long line\n" + std::string(70000, 'N') + genome),
                             "seed line of 70,400 bytes", true);
    ExpectBothRunAsReference(
        WithText("seed", ">lower\r\n" + lower.substr(0, 200) + "\r\n" + lower.substr(200) + "\r\n"),
        "lower-case CR LF seed", true);
    ExpectBothRunAsReference(WithText("seed", ">two\n" + genome + "\n>second record\nACGT\n"),
                             "second record as sequence");
}

std::string Describe(const std::string& program, const Numbers& numbers) {
    return program + " " + numbers.minDistance + " " + numbers.maxDistance + " " +
           numbers.minVotes + " " + numbers.ratio;
}

const std::string greatestInt32 = "2147483647", leastInt32 = "-2147483648";

TEST_F(HostileInputs, AbsurdArgumentsAreRefused) {
    for (const std::string& program : bothPrograms) {
        const std::string near = program == "lorvex" ? "130" : "140";
        const struct {
            Numbers numbers;
            std::string fragment;
        } cases[] = {
            {{"-5", "160", "3", "0.2"}, "MIN_DISTANCE -5 must be at least"},
            {{leastInt32, greatestInt32, "3", "0.2"}, "MIN_DISTANCE -2147483648 must be at least"},
            {{near, greatestInt32, "3", "0.2"},
             "the seed holds 400 bases, fewer than MAX_DISTANCE 2147483647"},
            {{greatestInt32, greatestInt32, "3", "0.2"}, "fewer than MAX_DISTANCE 2147483647"},
            {{near, "99999999999999999999", "3", "0.2"},
             "MAX_DISTANCE 99999999999999999999 is outside the range"},
            {{near, "160", "nan", "0.2"}, "MIN_VOTES must be a whole number"},
            {{near, "160", "3", "ratio"}, "DOMINANCE_RATIO must be a number"},
        };
        for (const auto& c : cases)
            ExpectRefused(RunOn(program, *good_, c.numbers), program, 2, c.fragment,
                          Describe(program, c.numbers));
    }
}

TEST_F(HostileInputs, OddButValidNumbersRunAsTheReference) {
    const Inputs inputs = NearTheEnd();
    const auto expectReference = [&](const std::string& program, const Numbers& numbers) {
        ExpectOutput(RunOn(program, inputs, numbers), ReferenceOutput(program, inputs, numbers),
                     Describe(program, numbers));
    };
    for (const std::string& program : bothPrograms) {
        const std::string near = program == "lorvex" ? "130" : "140";
        // No windows at all: nothing to print, and no limits to meet.
        expectReference(program, {greatestInt32, "100", "3", "0.2"});
        expectReference(program, {near, "160", "-5", "0.2"});
        expectReference(program, {near, "160", leastInt32, "0.2"});
        expectReference(program, {near, "160", greatestInt32, "0.2"});
        for (const char* ratio : {"nan", "inf", "-inf", "1e400"})
            expectReference(program, {near, "160", "3", ratio});
    }
    for (const char* ratio : {"-1e400", "1e-400", "0x1p-3", " 0.2", "-0.5"})
        expectReference("lorvex", {"130", "160", "3", ratio});
    // Negative distances in the main variant: MAX below MIN means no windows.
    expectReference("lorvex", {"-5", "-10", "3", "0.2"});
    // Arguments after the seventh are ignored.
    std::vector<std::string> extra = Arguments(inputs, NumbersFor("lorvex"));
    extra.insert(extra.end(), {"--help", "", "more"});
    ExpectOutput(RunBuiltProgram("lorvex", extra, timeLimit),
                 ReferenceOutput("lorvex", inputs, NumbersFor("lorvex")), "extra");
}

// Standard output that cannot take the output (a full device, a pipe closed
// early, no descriptor at all): never a false success.
TEST_F(HostileInputs, OutputToAFullDevice) {
    // A short run, whose few lines the strict variant only writes at exit.
    const Inputs nearTheEnd = NearTheEnd();
    for (const std::string& program : bothPrograms) {
        const std::string expected = ReferenceOutput(program, nearTheEnd, NumbersFor(program));
        ASSERT_GT(expected.size(), 0u);
        ASSERT_LT(expected.size(), 4096u);
        for (const Inputs& inputs : {*good_, nearTheEnd}) {
            const ProgramRun run = RunBuiltProgram(program, Arguments(inputs, NumbersFor(program)),
                                                   timeLimit, "/dev/full");
            ExpectNoCrash(run, program);
            EXPECT_EQ(run.status, 1) << program;
            EXPECT_EQ(run.err, program + ": standard output: No space left on device\n");
        }
    }
}

TEST_F(HostileInputs, OutputToAPipeClosedEarly) {
    for (const std::string& program : bothPrograms) {
        for (const size_t readFirst : {size_t{0}, size_t{1}, size_t{5000}}) {
            const std::string label =
                program + ", pipe closed after " + std::to_string(readFirst) + " bytes";
            ChildProcess piped = PipedRun(program, Arguments(*good_, NumbersFor(program)));
            piped.ReadAtLeast(readFirst);
            piped.CloseOutput();
            const ProgramRun run = piped.Wait();
            ExpectNoCrash(run, label);
            EXPECT_EQ(run.status, 1) << label;
            EXPECT_EQ(run.err, program + ": standard output: Broken pipe\n") << label;
        }
    }
    // No standard output at all: the descriptor may be reused by an input
    // opened for reading, which refuses writes all the same.
    for (const std::string& program : bothPrograms) {
        ChildProcess closed =
            PipedRun(program, Arguments(*good_, NumbersFor(program)), ChildOutput::Closed);
        closed.CloseOutput();
        const ProgramRun run = closed.Wait();
        ExpectNoCrash(run, program + ", no standard output");
        EXPECT_EQ(run.status, 1) << program;
        EXPECT_EQ(run.err, program + ": standard output: Bad file descriptor\n");
    }
    // A run that prints nothing has nothing to fail on.
    ChildProcess quiet = PipedRun("lorvex", Arguments(WithText("index", ""), NumbersFor("lorvex")));
    quiet.CloseOutput();
    const ProgramRun run = quiet.Wait();
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
}

}  // namespace
}  // namespace lorvex
