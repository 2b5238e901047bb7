// The extension loop's own rules: the cap, and clean ends of runs started
// anywhere along a genome.
#include "app/driver.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_support.h"

namespace lorvex {
namespace {

using testing::TempDir;

class DriverTest : public ::testing::Test {
  protected:
    void SetUp() override {
        reads_ = testing::SimulateReads(11, 6000, 50, 200, 10000);
        files_ = testing::WriteTableAndIndex(dir_, reads_.pairs);
    }
    TempDir dir_;
    testing::SimulatedReads reads_;
    testing::TableFiles files_;
};

TEST_F(DriverTest, TheCapAppendsOneBaseMoreThanItPrints) {
    const RunInputs inputs = LoadRunInputs(files_.table, files_.index);
    for (const Variant variant : {Variant::Main, Variant::Strict}) {
        for (const int32_t cap : {0, 1, 5}) {
            std::string contig = reads_.genome.substr(0, 500);
            std::string printed;
            TieBreakSource tieBreaks = TieBreakSource::Private();
            const ExtensionOutcome outcome = ExtendContig(
                contig, inputs, {170, 190, 3, 0.2f}, variant, tieBreaks,
                [&](char base, const BaseVotes&) { printed += base; }, cap);
            EXPECT_EQ(outcome.reason, StopReason::CapReached);
            EXPECT_EQ(outcome.accepted, cap);
            EXPECT_EQ(printed, reads_.genome.substr(500, static_cast<size_t>(cap)));
            EXPECT_EQ(contig, reads_.genome.substr(0, 500 + static_cast<size_t>(cap) + 1));
        }
    }
}

TEST_F(DriverTest, RunsFromSeedsAllAlongTheGenomeEndCleanly) {
    for (const std::string program : {"lorvex", "lorvex-strict"}) {
        for (size_t start = 0; start + 500 <= reads_.genome.size(); start += 1100) {
            const std::string seedPath =
                dir_.Write("seed.fa", ">s\n" + reads_.genome.substr(start, 500) + "\n");
            const testing::ProgramRun run = testing::RunBuiltProgram(
                program, {seedPath, files_.table, files_.index, program == "lorvex" ? "150" : "170",
                          "190", "3", "0.2"});
            EXPECT_EQ(run.status, 0) << program << " " << start;
            EXPECT_EQ(run.err, "");
            std::string extension;
            for (size_t line = 0; line < run.out.size(); line = run.out.find('\n', line) + 1)
                extension += run.out[line];
            EXPECT_EQ(extension, reads_.genome.substr(start + 500, extension.size()))
                << program << " " << start;
            // Runs reach close to the genome's end, where no mate is left.
            EXPECT_GT(start + 500 + extension.size(), reads_.genome.size() - 250);
        }
    }
}

}  // namespace
}  // namespace lorvex
