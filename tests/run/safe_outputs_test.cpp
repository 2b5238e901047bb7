// What the file-writing programs do with their outputs, end to end: no
// output may be an input, existing files are replaced only with --force,
// missing folders are made; a stop signal or a closed standard output
// leaves no partial file; and the inputs a user gets wrong (compressed
// text, blanks after the bases, Ns where mates anchor, seeds shorter than
// the distances, qualities of the other offset) are named.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "child_process.h"
#include "test_support.h"

namespace lorvex {
namespace {

using testing::ChildOutput;
using testing::ChildProcess;
using testing::FolderEntries;
using testing::ProgramRun;
using testing::ReadFile;
using testing::RunBuiltProgram;

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

class SafeOutputs : public ::testing::Test {
  protected:
    void SetUp() override {
        genome_ = testing::RandomBases(2727, 8000);
        pairs_ = testing::SampleReadPairs(genome_, 27, 50, 200, 4000, 500);
        files_ = testing::WriteTableAndIndex(dir_, pairs_);
        std::string seeds, scaffolds;
        for (int i = 0; i < 8; ++i) {
            seeds += ">seed" + std::to_string(i) + "\n" + genome_.substr(900 * i, 600) + "\n";
            scaffolds += ">scaffold" + std::to_string(i) + "\n" + genome_.substr(0, 3000) +
                         std::string(200, 'N') + genome_.substr(3200) + "\n";
        }
        seeds_ = dir_.Write("seeds.fa", seeds);
        scaffolds_ = dir_.Write("scaffolds.fa", scaffolds);
    }

    std::vector<std::string> Arguments(const std::string& program,
                                       std::vector<std::string> extra) const {
        std::vector<std::string> arguments = {"-s",
                                              program == "lorvex-extend" ? seeds_ : scaffolds_,
                                              "-t",
                                              files_.table,
                                              "-i",
                                              files_.index,
                                              "--min-distance",
                                              "150",
                                              "--max-distance",
                                              "199",
                                              "-q"};
        if (program == "lorvex-extend") arguments.push_back("--both");
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        return arguments;
    }

    ProgramRun Run(const std::string& program, std::vector<std::string> extra) const {
        return RunBuiltProgram(program, Arguments(program, std::move(extra)));
    }

    std::string Path(const std::string& name) const { return dir_.path() + "/" + name; }

    // FASTQ of the pairs' reads (mate 1 or 2), every quality `quality`.
    std::string Fastq(int mate, char quality) const {
        std::string text;
        for (size_t i = 0; i < pairs_.size(); ++i) {
            const std::string& read = mate == 1 ? pairs_[i].first : pairs_[i].second;
            text += "@p" + std::to_string(i) + "/" + std::to_string(mate) + "\n" + read + "\n+\n" +
                    std::string(read.size(), quality) + "\n";
        }
        return text;
    }

    testing::TempDir dir_;
    std::string genome_;
    std::vector<testing::ReadPair> pairs_;
    testing::TableFiles files_;
    std::string seeds_, scaffolds_;
};

// An output that is an input under any name is refused by every program,
// even with --force, and the input is left as it was.
TEST_F(SafeOutputs, NoProgramWritesOverItsInputs) {
    const std::string tableText = ReadFile(files_.table);
    ASSERT_EQ(link(seeds_.c_str(), Path("seeds_link.fa").c_str()), 0);
    ASSERT_EQ(symlink(files_.index.c_str(), Path("index_link").c_str()), 0);
    const struct {
        std::string program;
        std::vector<std::string> extra;
        std::string message;
    } cases[] = {
        {"lorvex-extend", {"-o", seeds_}, ": is also an input"},
        {"lorvex-extend", {"-o", Path("seeds_link.fa"), "-f"}, ": is the input " + seeds_},
        {"lorvex-extend", {"--summary-tsv", Path("index_link")}, ": is the input " + files_.index},
        {"lorvex-close", {"-o", files_.table, "-f"}, ": is also an input"},
        {"lorvex-close", {"--gaps-tsv", scaffolds_}, ": is also an input"},
        {"lorvex-extend", {"--variants-tsv", seeds_}, ": is also an input"},
        {"lorvex-close", {"--variants-tsv", Path("index_link")}, ": is the input " + files_.index},
    };
    const std::vector<std::string> entries = FolderEntries(dir_.path());
    for (const auto& c : cases) {
        const ProgramRun run = Run(c.program, c.extra);
        EXPECT_EQ(run.status, 1) << c.program << " " << run.err;
        EXPECT_TRUE(Contains(run.err, c.message)) << run.err;
        EXPECT_EQ(FolderEntries(dir_.path()), entries) << run.err;
    }
    // lorvex-prep: a table named like the first reads, and the stats on them.
    const std::string first = dir_.Write("r1.table", Fastq(1, 'I'));
    const std::string second = dir_.Write("reads_2.fq", Fastq(2, 'I'));
    for (const std::vector<std::string>& extra :
         {std::vector<std::string>{"-o", Path("r1"), "-f"},
          std::vector<std::string>{"-o", Path("other/reads"), "--stats", second}}) {
        std::vector<std::string> arguments = {"-q", "--format", "text", "-1", first, "-2", second};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        const ProgramRun run = RunBuiltProgram("lorvex-prep", arguments);
        EXPECT_EQ(run.status, 1) << run.err;
        EXPECT_TRUE(Contains(run.err, "is also an input")) << run.err;
    }
    EXPECT_EQ(ReadFile(files_.table), tableText);
    EXPECT_EQ(ReadFile(first), Fastq(1, 'I'));
}

// One rule for existing outputs in every program: refused before any work
// without --force, replaced with it; devices are written in place; missing
// folders are made.
TEST_F(SafeOutputs, ExistingOutputsNeedForceAndFoldersAreMade) {
    const std::string old = "old\n";
    for (const std::string program : {"lorvex-extend", "lorvex-close"}) {
        const std::string out = dir_.Write(program + ".fa", old);
        const std::string tsv = Path("new/" + program + "/rows.tsv");
        const std::string rows = program == "lorvex-extend" ? "--summary-tsv" : "--gaps-tsv";
        ProgramRun run = Run(program, {"-o", out, rows, tsv});
        EXPECT_EQ(run.status, 1) << program;
        EXPECT_EQ(run.err, program + ": " + out + ": exists already (--force replaces it)\n");
        EXPECT_EQ(ReadFile(out), old);
        run = Run(program, {"-o", out, rows, tsv, "--force"});
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_NE(ReadFile(out), old);
        EXPECT_NE(ReadFile(tsv), "");
        EXPECT_EQ(Run(program, {"-o", "/dev/null"}).status, 0) << program;
    }
    const std::string first = dir_.Write("r_1.fq", Fastq(1, 'I'));
    const std::string second = dir_.Write("r_2.fq", Fastq(2, 'I'));
    const std::string stats = dir_.Write("stats.tsv", old);
    const std::vector<std::string> prep = {"-q", "-1",           first,     "-2", second,
                                           "-o", Path("made/r"), "--stats", stats};
    ProgramRun run = RunBuiltProgram("lorvex-prep", prep);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "lorvex-prep: " + stats + ": exists already (--force replaces it)\n");
    std::vector<std::string> forced = prep;
    forced.push_back("-f");
    run = RunBuiltProgram("lorvex-prep", forced);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(ReadFile(stats), old);
    EXPECT_EQ(FolderEntries(Path("made")), (std::vector<std::string>{"r.pairs"}));
}

// Standard output into a one-page pipe that nobody reads holds the program
// up while its other output waits under a temporary name.
std::unique_ptr<ChildProcess> StartBlocked(const std::string& program,
                                           const std::vector<std::string>& arguments) {
    testing::ChildSettings settings;
    settings.output = ChildOutput::Pipe;
    auto child = std::make_unique<ChildProcess>(program, arguments, settings);
    const std::string wchan = "/proc/" + std::to_string(child->pid()) + "/wchan";
    for (int waited = 0; waited < 3000 && !Contains(ReadFile(wchan), "pipe_write"); ++waited)
        usleep(10000);
    return child;
}

bool HasPartialFile(const std::vector<std::string>& entries) {
    for (const std::string& entry : entries)
        if (Contains(entry, ".partial-")) return true;
    return false;
}

// Every stop signal, and a reader that goes away, end both batch programs
// with their partial files removed: one line and 128 + the signal, or
// nothing at all and 128 + SIGPIPE.
TEST_F(SafeOutputs, StopSignalsAndClosedPipesLeaveNoPartialFiles) {
    for (const std::string program : {"lorvex-extend", "lorvex-close"}) {
        const std::string rows = program == "lorvex-extend" ? "--summary-tsv" : "--gaps-tsv";
        const std::vector<std::string> arguments =
            Arguments(program, {rows, Path("rows.tsv"), "--line-width", "0"});
        for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) {
            const std::string label = program + " " + strsignal(signal);
            std::unique_ptr<ChildProcess> child = StartBlocked(program, arguments);
            ASSERT_TRUE(HasPartialFile(FolderEntries(dir_.path()))) << label;
            if (signal == SIGPIPE)
                child->CloseOutput();
            else
                child->Signal(signal);
            const ProgramRun run = child->Wait();
            EXPECT_EQ(run.status, 128 + signal) << label << "\n" << run.err;
            EXPECT_EQ(run.err, signal == SIGPIPE
                                   ? std::string()
                                   : program + ": stopped by signal " + strsignal(signal) +
                                         "; partial files removed\n")
                << label;
            EXPECT_FALSE(HasPartialFile(FolderEntries(dir_.path()))) << label;
            EXPECT_EQ(access(Path("rows.tsv").c_str(), F_OK), -1) << label;
        }
    }
}

// The inputs users get wrong, each said in one line, while the run goes on
// where the input can still be read as meant.
TEST_F(SafeOutputs, InputsUsersGetWrongAreNamed) {
    // Compressed text where plain text is read.
    testing::WriteGzip(Path("table.gz"), ReadFile(files_.table));
    testing::WriteGzip(Path("index.gz"), ReadFile(files_.index));
    testing::WriteGzip(Path("seed.fa.gz"), ReadFile(seeds_));
    const auto compressed = [&](const ProgramRun& run, const std::string& path) {
        EXPECT_EQ(run.status, 1) << run.err;
        EXPECT_TRUE(Contains(run.err, path + ": is compressed (gzip)")) << run.err;
    };
    compressed(RunBuiltProgram("lorvex-extend", {"-s", seeds_, "-t", Path("table.gz"), "-i",
                                                 files_.index, "-o", Path("a.fa")}),
               Path("table.gz"));
    compressed(RunBuiltProgram("lorvex-close", {"-s", scaffolds_, "-t", files_.table, "-i",
                                                Path("index.gz"), "-o", Path("b.fa")}),
               Path("index.gz"));
    compressed(RunBuiltProgram("lorvex", {Path("seed.fa.gz"), files_.table, files_.index, "150",
                                          "199", "2", "1.5"}),
               Path("seed.fa.gz"));
    compressed(RunBuiltProgram("lorvex-prep", {"--check", Path("table.gz"), files_.index}),
               Path("table.gz"));

    // Blanks after the bases: dropped with one warning, the contigs as
    // without them.
    std::string blanks;
    for (const char c : ReadFile(seeds_))
        blanks += c == '\n' ? std::string(" \t\n") : std::string(1, c);
    const std::string blankSeeds = dir_.Write("blanks.fa", blanks);
    ASSERT_EQ(Run("lorvex-extend", {"-o", Path("clean.fa")}).status, 0);
    std::vector<std::string> arguments = Arguments("lorvex-extend", {"-o", Path("blank.fa")});
    arguments[1] = blankSeeds;
    ProgramRun run = RunBuiltProgram("lorvex-extend", arguments);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err,
              "lorvex-extend: warning: " + blankSeeds +
                  ": 8 sequence lines end (the first is line 2) in spaces or tabs, which were "
                  "dropped, not read as bases\n");
    EXPECT_EQ(ReadFile(Path("blank.fa")), ReadFile(Path("clean.fa")));

    // Estimated distances: a seed a little shorter than --max-distance is
    // extended with it capped, and a seed whose end is Ns says why its
    // right side added nothing.
    run = RunBuiltProgram(
        "lorvex-extend", {"-s", seeds_, "-t", files_.table, "-i", files_.index, "--estimate-only"});
    ASSERT_EQ(run.status, 0) << run.err;
    const size_t at = run.out.find("--max-distance ");
    ASSERT_NE(at, std::string::npos) << run.out;
    const int maxDistance = std::stoi(run.out.substr(at + 15));
    const int shortLength = maxDistance - 20;
    const std::string odd = dir_.Write(
        "odd.fa", ReadFile(seeds_) + ">short\n" + genome_.substr(5000, shortLength) + "\n>n_end\n" +
                      genome_.substr(6000, 500) + std::string(60, 'N') + "\n");
    run = RunBuiltProgram("lorvex-extend", {"-s", odd, "-t", files_.table, "-i", files_.index, "-o",
                                            Path("odd.out"), "--summary-tsv", "-"});
    ASSERT_EQ(run.status, 0) << run.err;
    // The two seeds may move the estimate a little.
    const size_t estimated = run.err.find("--max-distance ");
    ASSERT_NE(estimated, std::string::npos) << run.err;
    const std::string oddMax = std::to_string(std::stoi(run.err.substr(estimated + 15)));
    EXPECT_TRUE(Contains(run.err, "warning: 1 seed shorter than the estimated --max-distance " +
                                      oddMax +
                                      " is extended with --max-distance capped to the seed's "
                                      "length (the shortest: short, " +
                                      std::to_string(shortLength) + " bases)"))
        << run.err;
    EXPECT_TRUE(Contains(run.out, "short\tright\t" + std::to_string(shortLength) + "\t"));
    EXPECT_FALSE(Contains(run.out, "seed-too-short")) << run.out;
    EXPECT_TRUE(Contains(run.err,
                         "warning: seed n_end: its right side added nothing (no-votes): "
                         "60 of its last " +
                             oddMax +
                             " bases, where the mates anchor, are not A, C, G "
                             "or T"))
        << run.err;

    // Qualities that only Phred+64 explains, read with --phred33: a warning
    // that says so.
    const std::string first = dir_.Write("h_1.fq", Fastq(1, 'h'));
    const std::string second = dir_.Write("h_2.fq", Fastq(2, 'h'));
    run = RunBuiltProgram("lorvex-prep",
                          {"-q", "--phred33", "-1", first, "-2", second, "-o", Path("h/r")});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(Contains(run.err,
                         "lorvex-prep: warning: --phred33 is given, but the quality "
                         "characters of both reads of the first "))
        << run.err;
    EXPECT_TRUE(Contains(run.err, "which only Phred+64 explains")) << run.err;
}

}  // namespace
}  // namespace lorvex
