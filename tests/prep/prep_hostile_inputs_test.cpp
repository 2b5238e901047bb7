// lorvex-prep on hostile inputs and interrupted runs, end to end: files of
// the wrong kind, garbage, damaged compression, files that do not pair up,
// outputs that cannot be written, and stop signals at any moment. A refused
// run ends by itself with one line on standard error and leaves nothing in
// the output folder; a run stopped by a signal it handles leaves nothing
// either; a run killed outright leaves nothing under the final names unless
// both outputs were complete and pass the check.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "child_process.h"
#include "prep_test_support.h"
#include "test_support.h"

namespace lorvex::prep {
namespace {

using lorvex::testing::ChildProcess;
using lorvex::testing::ProgramRun;
using lorvex::testing::ReadFile;
using lorvex::testing::RunBuiltProgram;
using lorvex::testing::TempDir;

constexpr int timeLimit = 120;

using testing::Prep;

void ExpectOneLineRefusal(const ProgramRun& run, int status, const std::string& fragment,
                          const std::string& label) {
    EXPECT_EQ(run.status, status) << label << "\n" << run.err;
    EXPECT_EQ(run.err.rfind("lorvex-prep: ", 0), 0u) << label << "\n" << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << label << "\n" << run.err;
    EXPECT_NE(run.err.find(fragment), std::string::npos)
        << label << ": expected '" << fragment << "' in\n"
        << run.err;
    EXPECT_EQ(run.err.find("Sanitizer"), std::string::npos) << label;
}

// A fresh output folder per run, to be found empty after a refusal.
class PrepHostileInputs : public ::testing::Test {
  protected:
    void SetUp() override {
        const std::vector<testing::FastqPair> pairs = testing::SimulatePairs(61, 300, 60);
        first_ = dir_.Write("good_1.fq", testing::FastqText(pairs, 1));
        second_ = dir_.Write("good_2.fq", testing::FastqText(pairs, 2));
        out_ = dir_.path() + "/out";
        mkdir(out_.c_str(), 0700);
    }

    void ExpectRefused(const std::vector<std::string>& inputs, int status,
                       const std::string& fragment, const std::string& label) {
        std::vector<std::string> arguments = inputs;
        arguments.insert(arguments.end(), {"-o", out_ + "/reads", "--tmp-dir", out_});
        ExpectOneLineRefusal(Prep(arguments), status, fragment, label);
        EXPECT_TRUE(testing::FolderEntries(out_).empty()) << label;
    }
    void ExpectPairRefused(const std::string& first, const std::string& second, int status,
                           const std::string& fragment, const std::string& label) {
        ExpectRefused({"-1", first, "-2", second}, status, fragment, label);
    }

    TempDir dir_;
    std::string first_, second_, out_;
};

TEST_F(PrepHostileInputs, InputFilesOfTheWrongKind) {
    const std::string missing = dir_.path() + "/missing.fq";
    const std::string fifo = dir_.path() + "/fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    ExpectPairRefused(missing, second_, 1, missing + ": No such file or directory", "missing");
    ExpectPairRefused(first_, dir_.path(), 1, dir_.path() + ": is a directory, not a file",
                      "directory");
    // Nothing behind a FIFO reads as an empty file, at once.
    ExpectPairRefused(fifo, second_, 1, fifo + ": ends after 0 records, but", "FIFO first");
    ExpectPairRefused(first_, fifo, 1, fifo + ": ends after 0 records, but", "FIFO second");
    const std::string empty = dir_.Write("empty.fq", "");
    ExpectPairRefused("/dev/null", empty, 1, "/dev/null: holds no reads", "device file");
    ExpectPairRefused(empty, dir_.Write("empty2.fq", ""), 1, empty + ": holds no reads",
                      "empty files");
    ExpectRefused({"--interleaved", fifo}, 1, fifo + ": holds no reads", "FIFO interleaved");
}

TEST_F(PrepHostileInputs, GarbageAndDamagedCompression) {
    std::mt19937_64 generator(7);
    std::string garbage(50000, '\0');
    for (char& byte : garbage) byte = static_cast<char>(generator());
    garbage[0] = 'x';
    const std::string text = ReadFile(first_);
    const std::string gzip = testing::GzipBytes(text);

    ExpectPairRefused(dir_.Write("garbage.fq", garbage), second_, 1,
                      "garbage.fq: record 1: does not begin with '@'", "binary garbage");
    ExpectPairRefused(dir_.Write("garbage.fq.gz", "\x1f\x8b" + garbage), second_, 1,
                      "garbage.fq.gz: corrupt gzip data", "garbage behind a gzip magic");
    ExpectPairRefused(dir_.Write("header.fq.gz", gzip.substr(0, 10)), second_, 1,
                      "header.fq.gz: record 1: the file ends inside compressed data",
                      "gzip header only");
    ExpectPairRefused(
        first_,
        dir_.Write("cut.fq.gz", testing::GzipBytes(ReadFile(second_)).substr(0, gzip.size() / 2)),
        1, "cut.fq.gz: record ", "second file cut");
    std::string damaged = gzip;
    for (size_t i = damaged.size() / 2; i < damaged.size() / 2 + 16; ++i) damaged[i] ^= 0x55;
    ExpectPairRefused(dir_.Write("damaged.fq.gz", damaged), second_, 1,
                      "damaged.fq.gz: corrupt gzip data", "damaged gzip");

    // A zero byte in a quality string breaks the record; a record longer
    // than the reader takes is refused rather than read in parts.
    std::string zeroQuality = text;
    zeroQuality[text.find("\n+\n") + 5] = '\0';
    ExpectPairRefused(dir_.Write("zero.fq", zeroQuality), second_, 1,
                      "zero.fq: record 1: quality character byte 0x00", "zero byte in quality");
    const std::string huge =
        "@big/1\n" + std::string(1100000, 'A') + "\n+\n" + std::string(1100000, 'I') + "\n";
    ExpectPairRefused(dir_.Write("huge.fq", huge + text), second_, 1,
                      "huge.fq: record 1: longer than 1,048,576 bytes", "record of 2.2 MB");
}

TEST_F(PrepHostileInputs, OddButValidInputsGiveATableThatPassesTheCheck) {
    // A zero byte in a sequence only drops its pair; a header of 100,000
    // bytes is long but well within a record.
    std::string text = ReadFile(first_);
    text[text.find('\n') + 3] = '\0';
    text.replace(0, text.find('\n'), std::string(100000, 'h')).front() = '@';
    const ProgramRun run = Prep({"-1", dir_.Write("odd.fq", text), "-2", second_, "-o",
                                 out_ + "/reads", "--no-name-check", "-q", "--format", "both"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    const ProgramRun check =
        Prep({"--check", out_ + "/reads.table", out_ + "/reads.index", out_ + "/reads.pairs"});
    EXPECT_EQ(check.status, 0) << check.err;
}

TEST_F(PrepHostileInputs, FilesThatDoNotPairUp) {
    const std::vector<testing::FastqPair> pairs = testing::SimulatePairs(61, 301, 60);
    const std::string longer = dir_.Write("longer_2.fq", testing::FastqText(pairs, 2));
    ExpectPairRefused(first_, longer, 1,
                      first_ + ": ends after 300 records, but " + longer + " has more",
                      "first file shorter");
    ExpectRefused({"--interleaved", first_}, 1, first_ + ": record ", "interleaved, names differ");
    ExpectRefused(
        {"--interleaved",
         dir_.Write("odd.fq", ReadFile(first_) + ReadFile(first_) + "@x/1\nACGT\n+\nIIII\n"),
         "--no-name-check"},
        1, "missing: the file ends after an odd number of records",
        "interleaved, odd record count");
}

TEST_F(PrepHostileInputs, OutputsThatCannotBeWritten) {
    const std::string file = dir_.Write("plain-file", "x");
    const ProgramRun underAFile = Prep({"-1", first_, "-2", second_, "-o", file + "/reads"});
    ExpectOneLineRefusal(underAFile, 1, file, "output folder is a file");
    const ProgramRun noTmp = Prep(
        {"-1", first_, "-2", second_, "-o", out_ + "/reads", "--tmp-dir", dir_.path() + "/none"});
    ExpectOneLineRefusal(noTmp, 1, "temporary folder does not exist", "missing --tmp-dir");
    EXPECT_TRUE(testing::FolderEntries(out_).empty());

    // The check prints one line; a full device must not pass for success.
    ASSERT_EQ(Prep({"-1", first_, "-2", second_, "-o", out_ + "/reads", "-q"}).status, 0);
    const ProgramRun check =
        RunBuiltProgram("lorvex-prep", {"--check", out_ + "/reads.pairs"}, timeLimit, "/dev/full");
    EXPECT_EQ(check.status, 1) << check.err;
    EXPECT_NE(check.err.find("standard output"), std::string::npos) << check.err;
}

TEST_F(PrepHostileInputs, CheckOfHostileTablesAndIndexes) {
    ASSERT_EQ(
        Prep({"-1", first_, "-2", second_, "-o", out_ + "/reads", "-q", "--format", "text"}).status,
        0);
    const std::string table = out_ + "/reads.table", index = out_ + "/reads.index";
    const std::string fifo = dir_.path() + "/fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::mt19937_64 generator(8);
    std::string garbage(20000, '\0');
    for (char& byte : garbage) byte = static_cast<char>(generator());
    const std::string text = ReadFile(table);
    const struct {
        std::string table, index, fragment, label;
    } cases[] = {
        {dir_.Write("garbage.table", garbage), index, "garbage.table", "garbage table"},
        {table, dir_.Write("garbage.index", garbage), "garbage.index", "garbage index"},
        {fifo, index, fifo, "FIFO table"},
        {table, dir_.path(), dir_.path(), "directory index"},
        {dir_.Write("cut.table", text.substr(0, text.size() / 2)), index, "", "table cut in half"},
        {table, dir_.Write("over.index", ReadFile(index) + "TTTTTTTTTTTT\t4294967295\n"), "",
         "counts beyond the table"},
    };
    for (const auto& c : cases)
        ExpectOneLineRefusal(Prep({"--check", c.table, c.index}), 1, c.fragment, c.label);
}

// Interrupted runs: an input beyond the least memory bound, so that bucket
// files in the temporary folder become part of what must be cleaned; both
// tables are written.
class PrepInterrupted : public ::testing::Test {
  protected:
    void SetUp() override {
        const std::vector<testing::FastqPair> pairs = testing::SimulatePairs(63, 20000, 100);
        first_ = dir_.Write("big_1.fq", testing::FastqText(pairs, 1));
        second_ = dir_.Write("big_2.fq", testing::FastqText(pairs, 2));
        out_ = dir_.path() + "/out";
        tmp_ = dir_.path() + "/tmp";
    }
    // lorvex-prep started in the background.
    std::unique_ptr<ChildProcess> Start(const std::string& first, const std::string& second) const {
        lorvex::testing::ChildSettings settings;
        settings.timeoutSeconds = timeLimit;
        return std::make_unique<ChildProcess>(
            "lorvex-prep",
            std::vector<std::string>{"-1", first, "-2", second, "-o", out_ + "/reads", "--tmp-dir",
                                     tmp_, "--memory", "32M", "--format", "both", "-q"},
            settings);
    }
    void FreshFolders() const {
        std::filesystem::remove_all(out_);
        std::filesystem::remove_all(tmp_);
        mkdir(out_.c_str(), 0700);
        mkdir(tmp_.c_str(), 0700);
    }
    bool OutputsPassTheCheck() const {
        const ProgramRun check =
            Prep({"--check", out_ + "/reads.table", out_ + "/reads.index", out_ + "/reads.pairs"});
        return check.status == 0;
    }

    TempDir dir_;
    std::string first_, second_, out_, tmp_;
};

TEST_F(PrepInterrupted, AStopSignalWhileReadingAPipeLeavesNothing) {
    const std::string fifo = dir_.path() + "/fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::vector<testing::FastqPair> pairs = testing::SimulatePairs(64, 13000, 250, 600);
    const std::string firstText = testing::FastqText(pairs, 1);
    const std::string second = dir_.Write("long_2.fq", testing::FastqText(pairs, 2));
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        FreshFolders();
        // The whole first file, then the writer stays silent: the run waits in
        // a read from the pipe when the signal comes, the pairs beyond its
        // bound (reads of 250 bases, which fill it sooner) already in bucket
        // files. The test holds both ends, so the pipe never reads as ended.
        const int writer = open(fifo.c_str(), O_RDWR | O_NONBLOCK);
        ASSERT_GE(writer, 0);
        const std::unique_ptr<ChildProcess> prep = Start(fifo, second);
        size_t written = 0;
        for (int waited = 0; written < firstText.size() && waited < 30000; ++waited) {
            const ssize_t n = write(writer, firstText.data() + written, firstText.size() - written);
            if (n > 0)
                written += static_cast<size_t>(n);
            else
                usleep(1000);
        }
        ASSERT_EQ(written, firstText.size());
        for (int waited = 0; testing::FolderEntries(tmp_).empty() && waited < 3000; ++waited)
            usleep(10000);
        ASSERT_FALSE(testing::FolderEntries(tmp_).empty()) << "no bucket files before the signal";
        // A signal that came between the run's last look at the flag and its
        // read would wait for the next data.
        const std::string wchan = "/proc/" + std::to_string(prep->pid()) + "/wchan";
        for (int waited = 0;
             waited < 1000 && ReadFile(wchan).find("pipe_read") == std::string::npos; ++waited)
            usleep(10000);
        prep->Signal(signal);
        const ProgramRun run = prep->Wait();
        close(writer);
        const std::string label = "signal " + std::to_string(signal);
        EXPECT_EQ(run.status, 128 + signal) << label << "\n" << run.err;
        EXPECT_EQ(run.err, std::string("lorvex-prep: stopped by signal ") + strsignal(signal) +
                               "; nothing was written\n")
            << label;
        EXPECT_TRUE(testing::FolderEntries(out_).empty()) << label;
        EXPECT_TRUE(testing::FolderEntries(tmp_).empty()) << label;
    }
}

TEST_F(PrepInterrupted, AStopSignalAtAnyMomentLeavesNothingOrACompleteResult) {
    std::mt19937 generator(11);
    int stopped = 0;
    for (int attempt = 0; attempt < 8; ++attempt) {
        FreshFolders();
        const int signal = attempt % 2 ? SIGINT : SIGTERM;
        const std::string label = "attempt " + std::to_string(attempt);
        const std::unique_ptr<ChildProcess> prep = Start(first_, second_);
        usleep(static_cast<useconds_t>(generator() % 400000));
        prep->Signal(signal);
        const ProgramRun run = prep->Wait();
        if (run.status == 0) {
            EXPECT_TRUE(OutputsPassTheCheck()) << label;
        } else {
            ++stopped;
            // A signal that comes before the handlers are installed ends the
            // run silently, before it has created anything.
            EXPECT_EQ(run.status, 128 + signal) << label << "\n" << run.err;
            EXPECT_TRUE(run.err.empty() ||
                        run.err.find("; nothing was written\n") != std::string::npos)
                << label << "\n"
                << run.err;
            EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), run.err.empty() ? 0 : 1)
                << label;
            EXPECT_TRUE(testing::FolderEntries(out_).empty()) << label;
        }
        EXPECT_TRUE(testing::FolderEntries(tmp_).empty()) << label;
    }
    EXPECT_GT(stopped, 0);
}

TEST_F(PrepInterrupted, AKilledRunLeavesNothingThatLooksValid) {
    // SIGKILL cannot be handled: temporary files may stay behind, under names
    // that no program takes for a table or an index.
    std::mt19937 generator(12);
    for (int attempt = 0; attempt < 6; ++attempt) {
        FreshFolders();
        const std::string label = "attempt " + std::to_string(attempt);
        const std::unique_ptr<ChildProcess> prep = Start(first_, second_);
        usleep(static_cast<useconds_t>(generator() % 400000));
        prep->Signal(SIGKILL);
        prep->Wait();
        const bool table = std::filesystem::exists(out_ + "/reads.table");
        const bool index = std::filesystem::exists(out_ + "/reads.index");
        const bool pairs = std::filesystem::exists(out_ + "/reads.pairs");
        if (table || index) {
            EXPECT_TRUE(table && index) << label;
            EXPECT_EQ(Prep({"--check", out_ + "/reads.table", out_ + "/reads.index"}).status, 0)
                << label;
        }
        if (pairs) {
            EXPECT_EQ(Prep({"--check", out_ + "/reads.pairs"}).status, 0) << label;
        }
        for (const std::string& name : testing::FolderEntries(out_))
            EXPECT_TRUE(name == "reads.table" || name == "reads.index" || name == "reads.pairs" ||
                        name.find(".partial-") != std::string::npos)
                << label << ": " << name;
    }
}

}  // namespace
}  // namespace lorvex::prep
