// The incremental votes (bit sets per mate) held against the literal one:
// random mates laid near the end of random, repetitive and unusual contigs,
// voted on per mate and per cycle while bases are appended, in both variants.
#include "calling/incremental_voting.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "calling/overlap_voting.h"
#include "calling/random_mates.h"
#include "reference/literal_mates.h"
#include "reference/literal_voting.h"

namespace lorvex {
namespace {

int LiteralMateVote(const std::string& mate, const std::vector<uint8_t>& quality,
                    const std::string& contig, int32_t readLength, Variant variant) {
    BaseVotes votes;
    IncrementCountsFromRead(mate.c_str(), quality.data(), votes, contig.data(),
                            static_cast<int32_t>(contig.size()), readLength, variant);
    if (votes.Total() == 0) return -1;
    return votes.a ? 0 : votes.c ? 1 : votes.g ? 2 : 3;
}

struct Scenario {
    int32_t readLength;
    int mates;
    int cycles;
};

// Runs one scenario in both variants; returns the number of votes cast, so
// that a caller can tell the comparisons were not all of silent mates.
int CheckScenario(uint64_t seed, const Scenario& scenario) {
    Random random(seed);
    const int32_t r = scenario.readLength;
    // Sometimes the contig starts shorter than a read, so overlaps are capped
    // by its length at first.
    const size_t contigStart = Chance(random, 0.1) ? static_cast<size_t>(Uniform(random, 1, r))
                                                   : static_cast<size_t>(2 * r + 50);
    const std::string sequence = FutureSequence(
        random, contigStart + static_cast<size_t>(scenario.cycles + 2 * r), contigStart);

    std::vector<std::string> mates(static_cast<size_t>(scenario.mates));
    std::vector<std::vector<uint8_t>> qualities(mates.size());
    for (size_t j = 0; j < mates.size(); ++j) {
        const int back = Uniform(random, 0, r + 5);
        const size_t start = contigStart > static_cast<size_t>(back) ? contigStart - back : 0;
        MakeMate(random, sequence, start, r, mates[j], qualities[j]);
    }

    int votesCast = 0;
    for (const Variant variant : {Variant::Main, Variant::Strict}) {
        std::string contig = sequence.substr(0, contigStart);
        OverlapSlot slot = MakeOverlapSlot(r);
        for (size_t j = 0; j < mates.size(); ++j) {
            AddMate(slot, mates[j].data(), qualities[j].data(), contig);
        }
        for (int cycle = 0; cycle < scenario.cycles; ++cycle) {
            BaseVotes literalTotal;
            for (size_t j = 0; j < mates.size(); ++j) {
                const int expected = LiteralMateVote(mates[j], qualities[j], contig, r, variant);
                EXPECT_EQ(MateVote(slot, static_cast<int32_t>(j), variant), expected)
                    << "seed " << seed << " R " << r << " mate " << j << " cycle " << cycle
                    << (variant == Variant::Main ? " main" : " strict");
                if (expected >= 0) {
                    AddVote(literalTotal, "ACGT"[expected]);
                    ++votesCast;
                }
            }
            BaseVotes fastTotal;
            AddSlotVotes(slot, variant, fastTotal);
            EXPECT_EQ(fastTotal, literalTotal) << "seed " << seed << " cycle " << cycle;
            if (::testing::Test::HasFailure()) return votesCast;
            const char next = sequence[contig.size()];
            contig.push_back(next);
            AppendBaseToSlot(slot, next);
        }
    }
    return votesCast;
}

TEST(IncrementalVoting, AgreesWithTheLiteralVotePerMateAndCycle) {
    Random random(20240501);
    int votesCast = 0;
    for (uint64_t seed = 1; seed <= 300; ++seed) {
        const int32_t readLength =
            Uniform(random, 0, 3) == 0 ? Uniform(random, 12, 40) : Uniform(random, 41, 300);
        votesCast += CheckScenario(seed, {readLength, 12, 40});
        if (HasFailure()) return;
    }
    EXPECT_GT(votesCast, 10000);
}

TEST(IncrementalVoting, AgreesForReadsNearTheLongestAllowed) {
    for (const int32_t readLength : {1000, 1023}) {
        CheckScenario(static_cast<uint64_t>(readLength), {readLength, 6, 6});
        if (HasFailure()) return;
    }
}

// Word boundaries are where a shift can lose its carry.
TEST(IncrementalVoting, AgreesAtEveryWordBoundary) {
    for (const int32_t readLength : {20, 21, 63, 64, 65, 66, 127, 128, 129, 192, 193, 256, 257}) {
        for (uint64_t seed = 0; seed < 4; ++seed) {
            CheckScenario(seed * 1000 + static_cast<uint64_t>(readLength), {readLength, 10, 30});
            if (HasFailure()) return;
        }
    }
}

// The queue set against CountNextBase over the same mates in the same slots,
// with empty slots, slots filled oldest first at the start and a ring that
// has wrapped. Mates often repeat one another, as mates of one window at deep
// coverage do.
TEST(IncrementalVoting, QueueSetCountsLikeCountNextBase) {
    for (const int maxMates : {4, 150}) {
        Random random(7 + static_cast<uint64_t>(maxMates));
        const int32_t r = 60;
        const std::string sequence = FutureSequence(random, 2000, 400);
        std::string contig = sequence.substr(0, 400);
        const size_t slotCount = 5;
        QueueSet literal(slotCount);
        OverlapQueueSet fast = MakeOverlapQueueSet(slotCount, r);
        const auto addMates = [&](size_t slot) {
            const int mates = Uniform(random, 0, maxMates);
            std::string mate;
            std::vector<uint8_t> quality;
            for (int j = 0; j < mates; ++j) {
                if (j == 0 || Chance(random, 0.7))
                    MakeMate(random, sequence,
                             contig.size() - static_cast<size_t>(Uniform(random, 0, r)), r, mate,
                             quality);
                AddMate(SlotFromOldest(fast, slot), mate.data(), quality.data(), contig);
                literal[slot].mates.push_back(mate);
                literal[slot].qualities.push_back(quality);
            }
        };
        for (size_t slot = 0; slot + 1 < slotCount; ++slot) addMates(slot);
        const auto expectSameVotes = [&](int cycle) {
            for (const Variant variant : {Variant::Main, Variant::Strict}) {
                const BaseVotes expected = CountNextBase(contig, literal, r, variant);
                ASSERT_EQ(CountVotesFromOverlaps(fast, variant), expected) << "cycle " << cycle;
            }
        };
        for (int cycle = 0; cycle < 200; ++cycle) {
            expectSameVotes(cycle);
            // Drop the oldest slot (votes asked for in between too), append a
            // base, take in a new slot.
            std::rotate(literal.begin(), literal.begin() + 1, literal.end());
            literal.back() = MateQueue{};
            RecycleOldestSlot(fast);
            expectSameVotes(cycle);
            contig.push_back(sequence[contig.size()]);
            AppendBaseToOverlaps(fast, contig.back());
            addMates(slotCount - 1);
        }
    }
}

}  // namespace
}  // namespace lorvex
