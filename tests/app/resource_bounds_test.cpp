// What a run of the programs holds in memory: not the table. Two tables
// that differ tenfold in size, but only in lines that no window of the run
// looks up, must give the same output at the same peak resident memory.
// And a memory limit below what the index needs ends a run with a message,
// not a crash.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "child_process.h"
#include "test_support.h"

namespace lorvex {
namespace {

using testing::ChildProcess;
using testing::ProgramRun;
using testing::ReadFile;
using testing::TempDir;

// Runs a built program, measuring its peak memory, under an address-space
// limit (0: none).
ProgramRun RunMeasured(const std::string& program, const std::vector<std::string>& arguments,
                       uint64_t addressSpaceLimit = 0) {
    testing::ChildSettings settings;
    settings.addressSpaceLimit = addressSpaceLimit;
    settings.measurePeak = true;
    return ChildProcess(program, arguments, settings).Wait();
}

// A table line whose group no window of the run looks up: its key is not a
// prefix of any read of the simulated genome.
std::string PaddingKey(const std::string& indexText) {
    for (const char* key : {"TTTTGGGGCCCC", "GGGGTTTTAAAA", "CCCCAAAATTTT"})
        if (indexText.find(std::string(key) + "\t") == std::string::npos) return key;
    return "";
}

// Runs both programs with the same seed over two tables, the second grown
// in a way that must change neither the output nor, beyond a small margin,
// the peak memory; `grown` says how, for the messages and the recorded peaks.
void ExpectSameRunAtTheSamePeak(const std::string& seed, const testing::TableFiles& small,
                                const testing::TableFiles& large, const std::string& grown) {
    for (const std::string program : {"lorvex", "lorvex-strict"}) {
        const std::string near = program == "lorvex" ? "150" : "170";
        const ProgramRun smallRun =
            RunMeasured(program, {seed, small.table, small.index, near, "190", "3", "0.2"});
        const ProgramRun largeRun =
            RunMeasured(program, {seed, large.table, large.index, near, "190", "3", "0.2"});
        EXPECT_EQ(smallRun.status, 0) << smallRun.err;
        EXPECT_EQ(largeRun.status, 0) << largeRun.err;
        EXPECT_GT(smallRun.out.size(), 10000u) << program;  // a run of thousands of bases
        EXPECT_EQ(largeRun.out, smallRun.out) << program;
        // The growth is 20 MB or more; loading any sizeable part of it
        // would show far beyond this margin.
        EXPECT_LT(largeRun.peakKib, smallRun.peakKib + 8 * 1024)
            << program << ": peak " << smallRun.peakKib << " KiB with " << small.table << ", "
            << largeRun.peakKib << " KiB with " << grown;
        ::testing::Test::RecordProperty(program + "_peak_kib", std::to_string(smallRun.peakKib));
        ::testing::Test::RecordProperty(program + "_peak_kib_" + grown,
                                        std::to_string(largeRun.peakKib));
    }
}

TEST(ResourceBounds, PeakMemoryDoesNotGrowWithTheTable) {
    TempDir dir;
    const testing::SimulatedReads reads = testing::SimulateReads(31, 4000, 50, 200, 5000);
    const testing::TableFiles files = testing::WriteTableAndIndex(dir, reads.pairs);
    const std::string table = ReadFile(files.table);
    const std::string index = ReadFile(files.index);
    const std::string key = PaddingKey(index);
    ASSERT_FALSE(key.empty());
    const std::string padding = testing::TableLine(
        {key + testing::RandomBases(3, 38), testing::RandomBases(4, 50), "", ""});

    // The padding group goes last, so the run's groups keep their offsets.
    const auto padded = [&](const std::string& name, size_t totalLines) {
        const size_t lines = totalLines - reads.pairs.size();
        std::string text = table;
        text.reserve(text.size() + lines * padding.size());
        for (size_t i = 0; i < lines; ++i) text += padding;
        return testing::TableFiles{
            dir.Write(name + ".table", text),
            dir.Write(name + ".index", index + key + "\t" + std::to_string(lines) + "\n")};
    };
    const testing::TableFiles small = padded("small", 20000);
    const testing::TableFiles large = padded("large", 200000);
    const std::string seed = dir.Write("seed.fa", ">s\n" + reads.genome.substr(0, 500) + "\n");
    ExpectSameRunAtTheSamePeak(seed, small, large, "tenfold");
}

// A group that a window of the run looks up, grown by 100,000 lines (20 MB)
// that it does not select: read in bounded chunks, it costs no memory.
TEST(ResourceBounds, ALargeGroupIsReadInBoundedChunks) {
    TempDir dir;
    const testing::SimulatedReads reads = testing::SimulateReads(33, 4000, 50, 200, 5000);
    const std::string seedBases = reads.genome.substr(0, 500);
    // The first window of both programs starts 190 bases before the end.
    const std::string prefix = seedBases.substr(seedBases.size() - 190, 12);
    const auto withGroupOf = [&](const std::string& name, int extraLines) {
        std::vector<testing::ReadPair> pairs = reads.pairs;
        for (int i = 0; i < extraLines; ++i)
            pairs.push_back({prefix + testing::RandomBases(static_cast<uint64_t>(i), 38),
                             testing::RandomBases(7, 50), "", ""});
        const testing::TableFiles files = testing::WriteTableAndIndex(dir, pairs);
        const std::string table = dir.Write(name + ".table", ReadFile(files.table));
        return testing::TableFiles{table, dir.Write(name + ".index", ReadFile(files.index))};
    };
    const testing::TableFiles small = withGroupOf("small", 1000);
    const testing::TableFiles large = withGroupOf("large", 100000);
    const std::string seed = dir.Write("seed.fa", ">s\n" + seedBases + "\n");
    ExpectSameRunAtTheSamePeak(seed, small, large, "large_group");
}

TEST(ResourceBounds, AMemoryLimitBelowWhatTheIndexNeedsEndsWithAMessage) {
#ifdef LORVEX_SANITIZED
    GTEST_SKIP() << "AddressSanitizer reserves terabytes of address space at start; a limit on "
                    "it stops the sanitizer, not the program";
#else
    TempDir dir;
    const testing::SimulatedReads reads = testing::SimulateReads(32, 3000, 40, 160, 2000);
    const testing::TableFiles files = testing::WriteTableAndIndex(dir, reads.pairs);
    // A limit of 24 MiB of address space, under which the run goes through
    // with the index as it is but not once the index also names every eighth
    // code (with no lines): 2^21 groups, 32 MiB in memory.
    constexpr uint64_t limit = uint64_t{24} << 20;
    std::string index = ReadFile(files.index);
    for (uint32_t code = 1; code < (uint32_t{1} << 24); code += 8) {
        for (int k = 11; k >= 0; --k) index += "ACGT"[(code >> (2 * k)) & 3];
        index += "\t0\n";
    }
    const std::string largeIndex = dir.Write("large.index", index);
    const std::string seed = dir.Write("seed.fa", ">s\n" + reads.genome.substr(0, 400) + "\n");
    for (const std::string program : {"lorvex", "lorvex-strict"}) {
        const ProgramRun small =
            RunMeasured(program, {seed, files.table, files.index, "130", "160", "3", "0.2"}, limit);
        EXPECT_EQ(small.status, 0) << program << "\n" << small.err;
        const ProgramRun run =
            RunMeasured(program, {seed, files.table, largeIndex, "130", "160", "3", "0.2"}, limit);
        EXPECT_EQ(run.status, 1) << program << "\n" << run.err;
        EXPECT_EQ(run.err, program + ": out of memory\n");
        EXPECT_EQ(run.out, "");
    }
#endif
}

}  // namespace
}  // namespace lorvex
