// Whole extensions with the literal, the bit-set and the fast cycles on
// simulated reads: the same accepted bases with the same votes, the same
// stop, the same contig and the same queue set in every cycle, in both
// variants, with ties drawn from identical private sources.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#include "extension/extend_contig.h"
#include "reference/bitset_cycles.h"
#include "reference/literal_cycles.h"
#include "test_support.h"

namespace lorvex {
namespace {

using testing::TempDir;

struct Extension {
    std::string contig;
    std::string lines;
    ExtensionOutcome outcome;
    int ties = 0;                    // accepted bases chosen by a draw
    std::vector<QueueDepth> depths;  // the queue set of every cycle
};

Extension Extend(const std::string& seed, const RunInputs& inputs, const RunParameters& parameters,
                 Variant variant, MakeCycles cycles, int32_t cap = extensionCap) {
    Extension extension;
    extension.contig = seed;
    TieBreakSource tieBreaks = TieBreakSource::Private();
    ExtensionHooks hooks;
    hooks.onAccepted = [&](char base, const BaseVotes& votes) {
        int32_t counts[4] = {votes.a, votes.c, votes.g, votes.t};
        std::sort(counts, counts + 4);
        if (counts[3] == counts[2]) ++extension.ties;
        extension.lines += base;
        for (int32_t count : {votes.a, votes.c, votes.g, votes.t}) {
            extension.lines += '\t';
            extension.lines += std::to_string(count);
        }
        extension.lines += "\n";
    };
    hooks.observeCycle = [&](const CycleView& cycle) -> std::optional<StopReason> {
        extension.depths.push_back(cycle.depth);
        return std::nullopt;
    };
    extension.outcome = ExtendContig(extension.contig, inputs, {parameters, variant, cap, cycles},
                                     tieBreaks, hooks);
    return extension;
}

void ExpectSameExtension(const Extension& literal, const Extension& fast,
                         const std::string& label) {
    EXPECT_EQ(fast.lines, literal.lines) << label;
    EXPECT_EQ(fast.contig, literal.contig) << label;
    EXPECT_EQ(fast.outcome.reason, literal.outcome.reason) << label;
    EXPECT_EQ(fast.outcome.stopVotes, literal.outcome.stopVotes) << label;
    EXPECT_EQ(fast.outcome.accepted, literal.outcome.accepted) << label;
    ASSERT_EQ(fast.depths.size(), literal.depths.size()) << label;
    for (size_t i = 0; i < fast.depths.size(); ++i) {
        EXPECT_EQ(fast.depths[i].mates, literal.depths[i].mates) << label << " cycle " << i;
        EXPECT_EQ(fast.depths[i].windows, literal.depths[i].windows) << label << " cycle " << i;
    }
}

struct SimulatedSetup {
    uint64_t seed;
    int readLength;
    int fragment;
    int pairs;
    int errorEvery;
    bool unusualSeed;  // N and lower case in the seed
    RunParameters main;
    RunParameters strict;
};

// Coverage from thin (early stops) to thick, reads shorter and longer than
// the 100 bases the main variant compares, a single-slot queue set, and seeds
// with N and lower-case bytes.
const std::vector<SimulatedSetup> simulatedSetups = {
    {1, 50, 200, 3000, 500, true, {160, 199, 1, 0.0f}, {170, 199, 1, 0.0f}},
    {2, 50, 200, 3000, 100, false, {160, 199, 3, 0.2f}, {150, 199, 2, 0.5f}},
    {3, 40, 150, 3000, 300, false, {140, 140, 1, 0.0f}, {120, 149, 1, 0.0f}},
    {4, 120, 400, 1500, 200, true, {300, 370, 2, 0.3f}, {300, 370, 1, 0.3f}},
    {5, 30, 120, 5000, 50, false, {100, 119, 1, 1.0f}, {80, 119, 1, 1.0f}},
};

Extension ExtendEachWay(const std::string& seed, const RunInputs& inputs,
                        const RunParameters& parameters, Variant variant,
                        const std::string& label) {
    const Extension literal = Extend(seed, inputs, parameters, variant, MakeLiteralCycles);
    ExpectSameExtension(literal, Extend(seed, inputs, parameters, variant, MakeFastCycles), label);
    ExpectSameExtension(literal, Extend(seed, inputs, parameters, variant, MakeBitsetCycles),
                        label + " bit sets");
    ExpectSameExtension(literal,
                        Extend(seed, inputs, parameters, variant, MakeFastCyclesReadingOneByOne),
                        label + " read one by one");
    // The cap cuts them at the same cycle.
    ExpectSameExtension(Extend(seed, inputs, parameters, variant, MakeLiteralCycles, 37),
                        Extend(seed, inputs, parameters, variant, MakeFastCycles, 37),
                        label + " cap 37");
    return literal;
}

TEST(ExtendContigEngines, AllCyclesGiveTheSameExtension) {
    int accepted = 0;
    for (const SimulatedSetup& setup : simulatedSetups) {
        TempDir dir;
        const testing::SimulatedReads reads = testing::SimulateReads(
            setup.seed, 5000, setup.readLength, setup.fragment, setup.pairs, setup.errorEvery);
        const testing::TableFiles files = testing::WriteTableAndIndex(dir, reads.pairs);
        const RunInputs inputs = LoadRunInputs(files.table, files.index);
        std::string seed = reads.genome.substr(0, 600);
        if (setup.unusualSeed) {
            // One N inside the anchor windows, one lower-case base within
            // reach of the longest overlaps.
            seed[100] = 'N';
            seed[seed.size() - 160] = 'N';
            seed[seed.size() - 35] = 'n';
        }
        for (const Variant variant : {Variant::Main, Variant::Strict}) {
            const std::string label = "setup " + std::to_string(setup.seed) +
                                      (variant == Variant::Main ? " main" : " strict");
            accepted +=
                ExtendEachWay(seed, inputs, variant == Variant::Main ? setup.main : setup.strict,
                              variant, label)
                    .outcome.accepted;
        }
    }
    EXPECT_GT(accepted, 3000);
}

// Two haplotypes that differ in one base every 400, with one error-free pair
// per position of each: at every difference the votes split evenly, so the
// run draws, follows the drawn haplotype, and draws again at the next one.
TEST(ExtendContigEngines, TiesAreDrawnAlikeByAllCycles) {
    const int r = 50, fragment = 200;
    const std::string first = testing::RandomBases(21, 5000);
    std::string changed = first;
    for (size_t at = 700; at < changed.size(); at += 400)
        changed[at] = changed[at] == 'A' ? 'C' : 'A';
    const std::string second = changed;
    std::vector<testing::ReadPair> pairs;
    for (const std::string* haplotype : {&first, &second}) {
        for (size_t start = 0; start + fragment <= haplotype->size(); ++start) {
            const std::string read = haplotype->substr(start, r);
            const std::string mate =
                testing::ReverseComplementOf(haplotype->substr(start + fragment - r, r));
            pairs.push_back({read, mate, "", ""});
            pairs.push_back({mate, read, "", ""});
        }
    }
    TempDir dir;
    const testing::TableFiles files = testing::WriteTableAndIndex(dir, pairs);
    const RunInputs inputs = LoadRunInputs(files.table, files.index);
    for (const Variant variant : {Variant::Main, Variant::Strict}) {
        const Extension literal =
            ExtendEachWay(first.substr(0, 600), inputs, {170, 199, 1, 1.0f}, variant,
                          variant == Variant::Main ? "main" : "strict");
        EXPECT_GT(literal.ties, 5);
        EXPECT_GT(literal.outcome.accepted, 3000);
    }
}

// Several threads extending different seeds from one set of inputs, as a
// multi-seed tool would, get what one thread gets.
TEST(ExtendContigEngines, ThreadsSharingInputsGetTheSingleThreadedResult) {
    TempDir dir;
    const testing::SimulatedReads reads = testing::SimulateReads(9, 6000, 50, 200, 3000);
    const testing::TableFiles files = testing::WriteTableAndIndex(dir, reads.pairs);
    const RunInputs inputs = LoadRunInputs(files.table, files.index);
    const RunParameters parameters{170, 199, 2, 0.2f};
    std::vector<std::string> seeds;
    for (size_t start : {0, 700, 1400, 2100}) seeds.push_back(reads.genome.substr(start, 500));
    std::vector<Extension> alone;
    for (const std::string& seed : seeds)
        alone.push_back(Extend(seed, inputs, parameters, Variant::Main, MakeFastCycles));
    std::vector<Extension> together(seeds.size());
    std::vector<std::thread> threads;
    for (size_t i = 0; i < seeds.size(); ++i)
        threads.emplace_back([&, i] {
            together[i] = Extend(seeds[i], inputs, parameters, Variant::Main, MakeFastCycles);
        });
    for (std::thread& thread : threads) thread.join();
    for (size_t i = 0; i < seeds.size(); ++i) {
        ExpectSameExtension(alone[i], together[i], "seed " + std::to_string(i));
        EXPECT_GT(alone[i].outcome.accepted, 100);
    }
}

}  // namespace
}  // namespace lorvex
