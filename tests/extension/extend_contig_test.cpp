// The extension loop's own rules: the cap, the cycle observer, clean ends
// of runs started anywhere along a genome, and the say of the mates whose
// anchors hold no mismatch the first read is sure of.
#include "extension/extend_contig.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "child_process.h"
#include "test_support.h"

namespace lorvex {
namespace {

using testing::TempDir;

class ExtendContigTest : public ::testing::Test {
  protected:
    void SetUp() override {
        reads_ = testing::SimulateReads(11, 6000, 50, 200, 10000);
        files_ = testing::WriteTableAndIndex(dir_, reads_.pairs);
    }
    TempDir dir_;
    testing::SimulatedReads reads_;
    testing::TableFiles files_;
};

TEST_F(ExtendContigTest, TheCapAppendsOneBaseMoreThanItPrints) {
    const RunInputs inputs = LoadRunInputs(files_.table, files_.index);
    for (const Variant variant : {Variant::Main, Variant::Strict}) {
        for (const int32_t cap : {0, 1, 5}) {
            std::string contig = reads_.genome.substr(0, 500);
            std::string printed;
            TieBreakSource tieBreaks = TieBreakSource::Private();
            ExtensionHooks hooks;
            hooks.onAccepted = [&](char base, const BaseVotes&) { printed += base; };
            const ExtensionOutcome outcome =
                ExtendContig(contig, inputs, {{170, 190, 3, 0.2f}, variant, cap}, tieBreaks, hooks);
            EXPECT_EQ(outcome.reason, StopReason::CapReached);
            EXPECT_EQ(outcome.accepted, cap);
            EXPECT_EQ(printed, reads_.genome.substr(500, static_cast<size_t>(cap)));
            EXPECT_EQ(contig, reads_.genome.substr(0, 500 + static_cast<size_t>(cap) + 1));
        }
    }
}

// The observer sees every cycle before its checks, with the votes that the
// accepted bases then report, and ends the run at the cycle it chooses,
// without that cycle's base; looking alone changes nothing.
TEST_F(ExtendContigTest, AnObserverSeesEveryCycleAndMayEndTheRun) {
    const RunInputs inputs = LoadRunInputs(files_.table, files_.index);
    const ExtensionRules rules{{170, 190, 3, 0.2f}, Variant::Main, 300};
    struct Run {
        std::string contig;
        std::vector<BaseVotes> observed, accepted;
        ExtensionOutcome outcome;
    };
    const auto run = [&](bool observe, int32_t stopAt) {
        Run result{reads_.genome.substr(0, 500), {}, {}, {}};
        TieBreakSource tieBreaks = TieBreakSource::Private();
        ExtensionHooks hooks;
        hooks.onAccepted = [&](char, const BaseVotes& votes) { result.accepted.push_back(votes); };
        if (observe)
            hooks.observeCycle = [&](const CycleView& cycle) -> std::optional<StopReason> {
                EXPECT_EQ(cycle.contig.size(), 500u + static_cast<size_t>(cycle.accepted));
                EXPECT_EQ(cycle.depth.windows, 21);
                EXPECT_GT(cycle.depth.mates, 0);
                result.observed.push_back(cycle.votes);
                if (cycle.accepted == stopAt) return StopReason::RepetitiveTail;
                return std::nullopt;
            };
        result.outcome = ExtendContig(result.contig, inputs, rules, tieBreaks, hooks);
        return result;
    };
    const Run unobserved = run(false, -1);
    const Run watched = run(true, -1);
    EXPECT_EQ(watched.outcome.reason, StopReason::CapReached);
    EXPECT_EQ(watched.contig, unobserved.contig);
    EXPECT_EQ(watched.accepted, unobserved.accepted);
    ASSERT_EQ(watched.observed.size(), watched.accepted.size() + 1);
    EXPECT_TRUE(
        std::equal(watched.accepted.begin(), watched.accepted.end(), watched.observed.begin()));
    EXPECT_EQ(watched.observed.back(), watched.outcome.stopVotes);

    const Run stopped = run(true, 40);
    EXPECT_EQ(stopped.outcome.reason, StopReason::RepetitiveTail);
    EXPECT_EQ(stopped.outcome.accepted, 40);
    EXPECT_EQ(stopped.contig, unobserved.contig.substr(0, 540));
    EXPECT_EQ(stopped.outcome.stopVotes, watched.observed[40]);
}

TEST_F(ExtendContigTest, RunsFromSeedsAllAlongTheGenomeEndCleanly) {
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

// Two copies that differ at base 330, inside the anchor windows, and at
// base 500, the first one voted on. The other copy's first reads have their
// mismatch at a base of good quality: they count, but where the mates whose
// anchors are exact or doubt their mismatch choose the contig's own copy's
// base, those decide; the one read whose mismatch lies at a doubtful base
// is among them, and makes their two votes.
TEST(CleanAnchors, MatesOfAnotherCopyCannotOutvoteTheContigsOwn) {
    const std::string own = testing::RandomBases(31, 700);
    std::string other = own;
    other[330] = own[330] == 'A' ? 'C' : 'A';
    other[500] = own[500] == 'G' ? 'T' : 'G';
    const auto pair = [](const std::string& copy, size_t start) {
        return testing::ReadPair{copy.substr(start, 50),
                                 testing::ReverseComplementOf(copy.substr(460, 50)), "", ""};
    };
    std::vector<testing::ReadPair> pairs;
    for (size_t start = 310; start <= 318; ++start) pairs.push_back(pair(other, start));
    pairs.push_back(pair(own, 313));
    testing::ReadPair doubting = pair(own, 315);
    doubting.first[20] = doubting.first[20] == 'A' ? 'C' : 'A';
    doubting.firstQuality = std::string(50, 'I');
    doubting.firstQuality[20] = '#';
    pairs.push_back(doubting);
    const TempDir dir;
    const testing::TableFiles files = testing::WriteTableAndIndex(dir, pairs);
    const RunInputs inputs = LoadRunInputs(files.table, files.index);
    const auto firstBase = [&](int32_t mismatches, bool cleanDecide) {
        std::string contig = own.substr(0, 500);
        TieBreakSource tieBreaks = TieBreakSource::Private();
        RunParameters parameters{170, 190, 2, 1.5f, 0, mismatches};
        parameters.cleanAnchorsDecide = cleanDecide;
        ExtendContig(contig, inputs, {parameters, Variant::Main, 0}, tieBreaks, {});
        return contig.substr(500);
    };
    EXPECT_EQ(firstBase(1, true), own.substr(500, 1));
    EXPECT_EQ(firstBase(1, false), other.substr(500, 1));
    EXPECT_EQ(firstBase(0, true), own.substr(500, 1));
}

}  // namespace
}  // namespace lorvex
