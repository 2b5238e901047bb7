// The pileup's placement and counts against a plain recount that tries
// every start a mate's window allows, on small random contigs (some built
// of a repeated motif, so that a mate has several starts to choose from)
// with mates cut from them, changed at a few bases, running past the end
// and carrying some low qualities.
#include "extension/mate_pileup.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "seq/nucleotide.h"
#include "test_support.h"

namespace lorvex {
namespace {

struct Mate {
    int64_t window;
    std::string bases;
    std::vector<uint8_t> quality;
};

bool KeyLiesAt(const std::string& contig, const Mate& mate, int64_t start, int32_t offset,
               int64_t indexFrom, int64_t indexTo) {
    const int64_t at = start + offset;
    if (at < indexFrom || at + pileupKeyLength > indexTo) return false;
    for (int32_t i = 0; i < pileupKeyLength; ++i) {
        const char base = mate.bases[static_cast<size_t>(offset + i)];
        if (BaseIndex(base) < 0 || base != contig[static_cast<size_t>(at + i)]) return false;
    }
    return true;
}

std::vector<BaseVotes> PlainRecount(const std::string& contig, int64_t from, int64_t to,
                                    const PileupGeometry& geometry,
                                    const std::vector<Mate>& mates) {
    const auto length = static_cast<int64_t>(contig.size());
    const int64_t r = geometry.readLength;
    const int64_t indexFrom = std::max<int64_t>(0, from - r);
    const int64_t indexTo = std::min(length, to + r);
    std::vector<BaseVotes> counts(static_cast<size_t>(to - from));
    for (const Mate& mate : mates) {
        int64_t best = -1, fewest = geometry.mismatches + 1, tied = 0;
        for (int64_t start = std::max<int64_t>(0, mate.window + geometry.nearest);
             start <= mate.window + geometry.farthest; ++start) {
            bool keyed = false;
            for (const int32_t offset : PileupKeyOffsets(geometry.readLength))
                keyed = keyed || KeyLiesAt(contig, mate, start, offset, indexFrom, indexTo);
            if (!keyed) continue;
            int64_t mismatches = 0;
            for (int64_t i = 0; i < r && start + i < length; ++i)
                mismatches +=
                    mate.bases[static_cast<size_t>(i)] != contig[static_cast<size_t>(start + i)];
            if (mismatches < fewest) {
                best = start, fewest = mismatches, tied = 0;
            } else if (mismatches == fewest) {
                tied = 1;
            }
        }
        if (best < 0 || tied) continue;
        for (int64_t i = 0; i < r; ++i) {
            const int64_t at = best + i;
            if (at >= from && at < to && mate.quality[static_cast<size_t>(i)] >= 30)
                AddVote(counts[static_cast<size_t>(at - from)], mate.bases[static_cast<size_t>(i)]);
        }
    }
    return counts;
}

TEST(MatePileup, CountsWhatAPlainRecountOfEveryStartCounts) {
    std::mt19937_64 random(11);
    const auto below = [&](int64_t n) {
        return static_cast<int64_t>(random() % static_cast<uint64_t>(n));
    };
    for (int round = 0; round < 300; ++round) {
        const int32_t readLength = static_cast<int32_t>(20 + below(50));
        std::string contig;
        if (round % 3 == 0) {
            const std::string motif =
                testing::RandomBases(round, static_cast<size_t>(30 + below(40)));
            while (contig.size() < 300) contig += motif;
            for (int i = 0; i < 4; ++i) contig[static_cast<size_t>(below(300))] = "ACGTN"[below(5)];
        } else {
            contig = testing::RandomBases(round, static_cast<size_t>(100 + below(300)));
        }
        const auto length = static_cast<int64_t>(contig.size());
        const int64_t from = below(length), to = from + below(length - from + 1);
        PileupGeometry geometry;
        geometry.readLength = readLength;
        geometry.nearest = below(60) - 20;
        geometry.farthest = geometry.nearest + below(150);
        geometry.mismatches = static_cast<int32_t>(below(5));
        std::vector<Mate> mates;
        for (int m = 0; m < 40; ++m) {
            Mate mate;
            const int64_t start = below(length - pileupKeyLength);
            mate.window =
                start - geometry.nearest - below(geometry.farthest - geometry.nearest + 30);
            for (int64_t i = 0; i < readLength; ++i)
                mate.bases +=
                    start + i < length ? contig[static_cast<size_t>(start + i)] : "ACGT"[below(4)];
            for (int changes = static_cast<int>(below(6)); changes > 0; --changes)
                mate.bases[static_cast<size_t>(below(readLength))] = "ACGTN"[below(5)];
            for (int64_t i = 0; i < readLength; ++i)
                mate.quality.push_back(static_cast<uint8_t>(below(8) == 0 ? 20 : 30 + below(10)));
            mates.push_back(std::move(mate));
        }
        MatePileup pileup(contig, from, to, geometry);
        for (const Mate& mate : mates)
            pileup.Add(mate.window, mate.bases.data(), mate.quality.data());
        ASSERT_EQ(pileup.Counts(), PlainRecount(contig, from, to, geometry, mates))
            << "round " << round << " read length " << readLength << " contig " << contig;
    }
}

}  // namespace
}  // namespace lorvex
