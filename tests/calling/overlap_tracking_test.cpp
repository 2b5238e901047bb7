// Overlap tracking held against the literal vote and the bit sets: random
// mates laid near the end of random, repetitive and unusual contigs, voted on
// in every cycle while bases are appended, in both variants; at deep
// coverage; and the tail keys a new mate's overlaps are found by, against a
// search of every overlap.
#include "calling/overlap_tracking.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "calling/incremental_voting.h"
#include "calling/random_mates.h"
#include "mates/mate_fetch.h"
#include "reference/literal_mates.h"
#include "reference/literal_voting.h"

namespace lorvex {
namespace {

const char* VariantName(Variant variant) {
    return variant == Variant::Main ? "main" : "strict";
}

// One slot of random mates near the contig's end (which is sometimes shorter
// than a read at first), voted on in every cycle against CountNextBase.
void CheckAgainstTheLiteralVote(uint64_t seed, int32_t readLength, int mateCount, int cycles) {
    Random random(seed);
    const int32_t r = readLength;
    const size_t contigStart = Chance(random, 0.1) ? static_cast<size_t>(Uniform(random, 1, r))
                                                   : static_cast<size_t>(2 * r + 50);
    const std::string sequence =
        FutureSequence(random, contigStart + static_cast<size_t>(cycles + 2 * r), contigStart);
    MateQueue queue;
    queue.mates.resize(static_cast<size_t>(mateCount));
    queue.qualities.resize(queue.mates.size());
    for (size_t j = 0; j < queue.mates.size(); ++j) {
        const size_t back = static_cast<size_t>(Uniform(random, 0, r + 5));
        MakeMate(random, sequence, contigStart - std::min(contigStart, back), r, queue.mates[j],
                 queue.qualities[j]);
    }
    const QueueSet literal{queue};
    for (const Variant variant : {Variant::Main, Variant::Strict}) {
        std::string contig = sequence.substr(0, contigStart);
        TrackedQueueSet tracked(1, r);
        for (size_t j = 0; j < queue.mates.size(); ++j)
            tracked.AddMate(0, queue.mates[j].data(), queue.qualities[j].data(), contig);
        for (int cycle = 0; cycle < cycles; ++cycle) {
            ASSERT_EQ(tracked.Votes(variant), CountNextBase(contig, literal, r, variant))
                << "seed " << seed << " R " << r << " cycle " << cycle << " "
                << VariantName(variant);
            contig.push_back(sequence[contig.size()]);
            tracked.Append(contig);
        }
    }
}

TEST(OverlapTracking, VotesLikeTheLiteralVoteInEveryCycle) {
    Random random(20240501);
    for (uint64_t seed = 1; seed <= 300; ++seed) {
        const int32_t readLength =
            Uniform(random, 0, 3) == 0 ? Uniform(random, 12, 40) : Uniform(random, 41, 300);
        CheckAgainstTheLiteralVote(seed, readLength, 12, 40);
        if (HasFailure()) return;
    }
    // Reads near the longest allowed, and lengths at the edges of a block's
    // 16 rows (R - 20 a multiple of 16, one less, one more).
    for (const int32_t readLength : {1000, 1023, 35, 36, 37, 51, 52, 53}) {
        CheckAgainstTheLiteralVote(static_cast<uint64_t>(readLength), readLength, 8, 30);
        if (HasFailure()) return;
    }
}

// Against CountNextBase over the same mates in the same slots, with empty
// slots, slots filled oldest first at the start, rings that have wrapped,
// and (with many mates per slot) a ring of mates that has to grow while it
// holds overlaps. Mates often repeat one another, as mates of one window at
// deep coverage do; votes are asked for between dropping a slot and
// appending too.
TEST(OverlapTracking, QueueSetCountsLikeCountNextBase) {
    for (const int maxMates : {4, 150}) {
        Random random(7 + static_cast<uint64_t>(maxMates));
        const int32_t r = 60;
        const std::string sequence = FutureSequence(random, 2000, 400);
        std::string contig = sequence.substr(0, 400);
        const size_t slotCount = 5;
        QueueSet literal(slotCount);
        TrackedQueueSet tracked(slotCount, r);
        const auto addMates = [&](size_t slot) {
            const int mates = Uniform(random, 0, maxMates);
            std::string mate;
            std::vector<uint8_t> quality;
            for (int j = 0; j < mates; ++j) {
                if (j == 0 || Chance(random, 0.7))
                    MakeMate(random, sequence,
                             contig.size() - static_cast<size_t>(Uniform(random, 0, r)), r, mate,
                             quality);
                tracked.AddMate(slot, mate.data(), quality.data(), contig);
                literal[slot].mates.push_back(mate);
                literal[slot].qualities.push_back(quality);
            }
        };
        for (size_t slot = 0; slot + 1 < slotCount; ++slot) addMates(slot);
        const auto expectSameVotes = [&](int cycle) {
            for (const Variant variant : {Variant::Main, Variant::Strict}) {
                ASSERT_EQ(tracked.Votes(variant), CountNextBase(contig, literal, r, variant))
                    << "cycle " << cycle << " " << VariantName(variant);
                int64_t held = 0;
                for (const MateQueue& queue : literal) held += std::ssize(queue.mates);
                ASSERT_EQ(tracked.MateCount(), held) << "cycle " << cycle;
            }
        };
        for (int cycle = 0; cycle < 200; ++cycle) {
            expectSameVotes(cycle);
            std::rotate(literal.begin(), literal.begin() + 1, literal.end());
            literal.back() = MateQueue{};
            tracked.RecycleOldestSlot();
            expectSameVotes(cycle);
            contig.push_back(sequence[contig.size()]);
            tracked.Append(contig);
            addMates(slotCount - 1);
        }
    }
}

// Thousands of mates, as at deep coverage: more living overlaps than the
// lane counters take before they are added up (255 blocks of 16), births
// that fill several blocks a cycle, and repeats. Held against the bit sets,
// which the incremental voting tests hold against the literal vote.
TEST(OverlapTracking, VotesLikeTheBitSetsAtDeepCoverage) {
    Random random(2000);
    const int32_t r = 150;
    const size_t contigStart = 1000;
    const int cycles = 150;
    // Random bases, a homopolymer of 40 that the contig grows into, and now
    // and then an N.
    std::string sequence(contigStart + cycles + 2 * r, 'A');
    for (char& base : sequence) base = Chance(random, 0.002) ? 'N' : "ACGT"[Uniform(random, 0, 3)];
    std::fill_n(sequence.begin() + contigStart + 60, 40, 'C');
    for (const Variant variant : {Variant::Main, Variant::Strict}) {
        std::string contig = sequence.substr(0, contigStart);
        OverlapSlot bitSets = MakeOverlapSlot(r);
        TrackedQueueSet tracked(1, r);
        // Copies of the sequence of good quality, a tenth with a miscall.
        const std::vector<uint8_t> quality(static_cast<size_t>(r), 40);
        for (int j = 0; j < 8192; ++j) {
            const size_t start = contigStart - r + 1 + static_cast<size_t>(Uniform(random, 0, 210));
            std::string mate = sequence.substr(start, static_cast<size_t>(r));
            if (Chance(random, 0.1))
                mate[Uniform(random, 0, r - 1)] = "ACGT"[Uniform(random, 0, 3)];
            AddMate(bitSets, mate.data(), quality.data(), contig);
            tracked.AddMate(0, mate.data(), quality.data(), contig);
        }
        int32_t mostVotes = 0;
        for (int cycle = 0; cycle < cycles; ++cycle) {
            BaseVotes expected;
            AddSlotVotes(bitSets, variant, expected);
            const BaseVotes votes = tracked.Votes(variant);
            ASSERT_EQ(votes, expected) << "cycle " << cycle << " " << VariantName(variant);
            mostVotes = std::max(mostVotes, votes.Total());
            contig.push_back(sequence[contig.size()]);
            AppendBaseToSlot(bitSets, contig.back());
            tracked.Append(contig);
        }
        EXPECT_GT(mostVotes, 255 * overlapBlockLanes);
    }
}

// The overlaps a mate has with the tail, from the keys, against a search of
// every overlap length; tails that move on by one byte (the keys shifted)
// and tails that jump (the keys made anew), with repeats and unusual bytes.
// Mates shorter than R, padded past their end as the compact table's lookup
// pads them, vote in every cycle as reads of their own length would: an
// overlap never reaches the padding, and mates of 20 bases or fewer never
// vote.
TEST(OverlapTracking, PaddedShortMatesVoteAsReadsOfTheirOwnLength) {
    int64_t votes = 0;
    for (uint64_t seed = 1; seed <= 200; ++seed) {
        Random random(seed);
        const int32_t r = Uniform(random, 21, 160);
        const size_t contigStart = static_cast<size_t>(2 * r + 50);
        const int cycles = 40;
        const std::string sequence =
            FutureSequence(random, contigStart + static_cast<size_t>(cycles + 2 * r), contigStart);
        std::vector<std::string> mates(12);
        std::vector<std::vector<uint8_t>> qualities(mates.size());
        for (size_t j = 0; j < mates.size(); ++j) {
            const int32_t length = Uniform(random, 0, 3) == 0 ? r : Uniform(random, 1, r);
            const size_t back = static_cast<size_t>(Uniform(random, 0, length + 5));
            MakeMate(random, sequence, contigStart - back, length, mates[j], qualities[j]);
        }
        for (const Variant variant : {Variant::Main, Variant::Strict}) {
            std::string contig = sequence.substr(0, contigStart);
            TrackedQueueSet tracked(1, r);
            for (size_t j = 0; j < mates.size(); ++j) {
                std::string padded = mates[j];
                std::vector<uint8_t> quality = qualities[j];
                padded.resize(static_cast<size_t>(r), mateEndPadding);
                quality.resize(static_cast<size_t>(r), 0);
                tracked.AddMate(0, padded.data(), quality.data(), contig);
            }
            for (int cycle = 0; cycle < cycles; ++cycle) {
                BaseVotes own;
                for (size_t j = 0; j < mates.size(); ++j)
                    IncrementCountsFromRead(mates[j].data(), qualities[j].data(), own,
                                            contig.data(), static_cast<int32_t>(contig.size()),
                                            static_cast<int32_t>(mates[j].size()), variant);
                ASSERT_EQ(tracked.Votes(variant), own) << "seed " << seed << " R " << r << " cycle "
                                                       << cycle << " " << VariantName(variant);
                votes += own.Total();
                contig.push_back(sequence[contig.size()]);
                tracked.Append(contig);
            }
        }
    }
    EXPECT_GT(votes, 10000);  // the short mates did vote
}

TEST(RecentTailFilter, FindsTheOverlapsOfAFullSearch) {
    Random random(12);
    for (int round = 0; round < 40; ++round) {
        const int32_t r = Uniform(random, 21, 200);
        const std::string sequence = FutureSequence(random, 1200, 600);
        RecentTailFilter filter;
        size_t end = static_cast<size_t>(Uniform(random, 0, 600));
        for (int step = 0; step < 60; ++step) {
            end = Chance(random, 0.9) ? end + 1 : static_cast<size_t>(Uniform(random, 0, 1100));
            const size_t length = std::min(end, static_cast<size_t>(r - 1));
            const std::string tail = sequence.substr(end - length, length);
            filter.Follow(tail);
            for (int m = 0; m < 20; ++m) {
                const size_t start =
                    end - std::min(end, static_cast<size_t>(Uniform(random, 0, r)));
                std::string mate;
                std::vector<uint8_t> quality;
                MakeMate(random, sequence, start, r, mate, quality);
                TailOverlaps expected;
                for (size_t o = minimumOverlap; o <= length && expected.count < 2; ++o)
                    if (tail.compare(length - o, o, mate, 0, o) == 0) {
                        ++expected.count;
                        expected.overlap = static_cast<int32_t>(o);
                    }
                const TailOverlaps found = filter.OverlapsOf(mate.data(), OverlapKey(mate.data()));
                ASSERT_EQ(found.count, expected.count) << "round " << round << " step " << step;
                if (found.count == 1) {
                    ASSERT_EQ(found.overlap, expected.overlap);
                }
            }
        }
    }
}

}  // namespace
}  // namespace lorvex
