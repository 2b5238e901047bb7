// Variant rows on simulated pileups: reads with errors at a known rate, and
// minorities planted at low depth. The rule must keep errors out at every
// depth and rate, and find more low-depth minorities than a fixed three
// reads would.
#include "extension/variant_sites.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace lorvex {
namespace {

struct Pileup {
    std::vector<BaseVotes> counts;
    std::string accepted;
    std::vector<bool> planted;
};

// `positions` positions of depths 10 to 10 + spread; every read an error at
// `errorRate` (a uniform other base); every `plantEvery`th position (0:
// none) a minority of `share` in C against A.
Pileup Simulate(uint64_t seed, int positions, int spread, double errorRate, int plantEvery,
                double share) {
    std::mt19937_64 random(seed);
    std::uniform_real_distribution<double> unit(0, 1);
    Pileup pileup;
    for (int i = 0; i < positions; ++i) {
        const int depth = 10 + static_cast<int>(random() % static_cast<uint64_t>(spread + 1));
        const bool planted = plantEvery > 0 && i % plantEvery == 0;
        BaseVotes votes;
        for (int read = 0; read < depth; ++read) {
            char base = planted && unit(random) < share ? 'C' : 'A';
            if (unit(random) < errorRate) {
                std::string others = "ACGT";
                others.erase(others.find(base), 1);
                base = others[random() % 3];
            }
            AddVote(votes, base);
        }
        pileup.counts.push_back(votes);
        pileup.accepted += 'A';
        pileup.planted.push_back(planted);
    }
    return pileup;
}

TEST(VariantSites, ErrorsGiveAboutNoRowAndLowDepthMinoritiesNeedFewerReads) {
    for (const double rate : {0.0005, 0.002, 0.01}) {
        const Pileup errors = Simulate(7, 40000, 190, rate, 0, 0);
        const double estimate = PileupErrorRate(errors.counts, errors.accepted, 0.05);
        EXPECT_NEAR(estimate, rate, 0.2 * rate + 0.0002) << rate;
        // A chance of 1e-4 per position: 4 rows expected at most.
        EXPECT_LE(FindVariantSites(errors.counts, errors.accepted, 0.05).size(), 10u) << rate;
        EXPECT_LE(FindVariantSites(errors.counts, errors.accepted, 0.01).size(), 10u) << rate;
    }
    // 15 % minorities at 10x to 30x, one in 50 positions, clean reads.
    const Pileup mixed = Simulate(8, 20000, 20, 0.001, 50, 0.15);
    int found = 0, wrong = 0, byThree = 0;
    for (const VariantSite& site : FindVariantSites(mixed.counts, mixed.accepted, 0.05))
        (mixed.planted[static_cast<size_t>(site.step - 1)] ? found : wrong) += 1;
    for (size_t i = 0; i < mixed.counts.size(); ++i)
        byThree += mixed.planted[i] && IsVariantSite(mixed.counts[i], 'A', 0.05, 3);
    EXPECT_LE(wrong, 2);
    EXPECT_GT(found, byThree + 25) << found << " against " << byThree << " of 400";
}

TEST(VariantSites, LeastReadsGrowWithDepthAndRate) {
    for (const double rate : {0.0001, 0.001, 0.01, 0.05}) {
        int32_t previous = 2;
        for (int32_t depth = 0; depth <= 3000; depth += depth < 100 ? 1 : 97) {
            const int32_t least = LeastVariantReads(depth, rate);
            EXPECT_GE(least, previous) << depth << " " << rate;
            EXPECT_GE(LeastVariantReads(depth, rate * 2), least) << depth << " " << rate;
            previous = least;
        }
    }
    EXPECT_EQ(LeastVariantReads(20, 0.001), 2);
    EXPECT_EQ(LeastVariantReads(20, 0.01), 4);
    EXPECT_TRUE(IsVariantSite({90, 0, 10, 0}, 'A', 0.05, 3));
    EXPECT_FALSE(IsVariantSite({90, 0, 10, 0}, 'A', 0.11, 3));
    EXPECT_FALSE(IsVariantSite({10, 2, 0, 0}, 'A', 0.05, 3));
    EXPECT_FALSE(IsVariantSite({10, 5, 0, 0}, 'A', 0, 3));
    EXPECT_EQ(MinorBase({5, 9, 5, 0}, 'C'), 'A');
    EXPECT_EQ(MinorBase({5, 5, 0, 0}, 'A'), 'C');  // the accepted base of a tie is the major
    EXPECT_DOUBLE_EQ(MinorShare({0, 0, 3, 9}, 'T'), 0.25);
}

}  // namespace
}  // namespace lorvex
