// The compact pair table: what PairTableWriter writes, PairTable finds, held
// against a brute-force scan of the pairs; and damaged files refused.
#include "input/pair_table.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <random>
#include <tuple>

#include "input/pair_table_check.h"
#include "prep/entry_sort.h"
#include "prep/pair_table_writer.h"
#include "prep_test_support.h"
#include "test_support.h"

namespace lorvex::prep {
namespace {

using lorvex::testing::ReadFile;
using lorvex::testing::ReverseComplementOf;
using lorvex::testing::TempDir;
using testing::FastqPair;

// Reads of 1 to 300 bases (a few of 1,100) from a small genome, so that
// prefixes repeat; lower case, N, '.' and other bytes among the bases.
std::vector<FastqPair> RandomPairs(uint64_t seed, int count) {
    std::mt19937_64 random(seed);
    const std::string genome = lorvex::testing::RandomBases(seed, 3000);
    const auto read = [&](std::string& bases, std::string& quality) {
        const size_t length = random() % 10 == 0  ? 1100
                              : random() % 3 == 0 ? 1 + random() % 40
                                                  : 1 + random() % 300;
        bases.clear();
        while (bases.size() < length) bases += genome.substr(random() % 2000, 1000);
        bases = bases.substr(0, length);
        for (char& base : bases) {
            const uint64_t draw = random() % 200;
            if (draw == 0) base = 'N';
            if (draw == 1) base = static_cast<char>(std::tolower(base));
            if (draw == 2) base = ".Rn-"[random() % 4];
        }
        if (random() % 20 == 0)
            bases.replace(0, std::min<size_t>(length, 5), "NNNNN", 0, std::min<size_t>(length, 5));
        quality.assign(length, 'J');
        for (char& q : quality) q = static_cast<char>('!' + random() % 42);
    };
    std::vector<FastqPair> pairs(static_cast<size_t>(count));
    for (FastqPair& pair : pairs) {
        read(pair.firstSequence, pair.firstQuality);
        read(pair.secondSequence, pair.secondQuality);
    }
    return pairs;
}

// How the table gives a read back: upper case, every other base N.
std::string Decoded(std::string bases) {
    for (char& base : bases) {
        base = static_cast<char>(std::toupper(static_cast<unsigned char>(base)));
        if (base != 'A' && base != 'C' && base != 'G' && base != 'T') base = 'N';
    }
    return bases;
}

std::vector<uint8_t> VoteQualities(const std::string& quality) {
    std::vector<uint8_t> votes;
    for (const char q : quality) votes.push_back(q - '!' >= int{defaultVoteQuality} ? 30 : 0);
    return votes;
}

std::string WriteTable(const std::string& path, const std::vector<FastqPair>& pairs, uint32_t least,
                       bool bothReads, uint64_t budget, const std::string& workParent) {
    WorkFolder work(workParent);
    PairTableWriter writer(path, {least, bothReads, budget}, work, true);
    for (const FastqPair& pair : pairs)
        writer.Add(pair.firstSequence, pair.firstQuality, pair.secondSequence, pair.secondQuality);
    writer.WriteIndex();
    FinishThenCommit(&writer);
    return ReadFile(path);
}

// An entry as the brute force and the lookups name it.
using Found = std::tuple<uint64_t, uint64_t, int>;  // key of the anchor, pair number, read

struct KeptPair {
    std::string read[2];
    std::vector<uint8_t> votes[2];
};

TEST(PairTable, LookupsEqualABruteForceScanAtEveryKeyLength) {
    const TempDir dir;
    const std::vector<FastqPair> pairs = RandomPairs(7, 1500);
    for (const bool bothReads : {true, false}) {
        const uint32_t least = bothReads ? 1 : 21;
        const std::string path = dir.path() + "/t.pairs";
        WriteTable(path, pairs, least, bothReads, 1 << 20, dir.path());
        std::vector<KeptPair> kept;
        for (const FastqPair& pair : pairs)
            if (pair.firstSequence.size() >= least && pair.secondSequence.size() >= least) {
                const auto cut = [](const std::string& s) { return s.substr(0, 65535); };
                kept.push_back(
                    {{Decoded(cut(pair.firstSequence)), Decoded(cut(pair.secondSequence))},
                     {VoteQualities(pair.firstQuality), VoteQualities(pair.secondQuality)}});
            }

        const PairTable table(path);
        CheckPairTable(table);
        EXPECT_EQ(table.PairCount(), kept.size());
        // The cursor gives every pair in input order; pair ids map to numbers.
        std::map<uint64_t, uint64_t> numberOf;
        PairTable::PairCursor cursor(table);
        StoredPair stored;
        for (uint64_t number = 0; cursor.Next(stored); ++number) {
            ASSERT_LT(number, kept.size());
            EXPECT_EQ(stored.read1, kept[number].read[0]);
            EXPECT_EQ(stored.read2, kept[number].read[1]);
            EXPECT_EQ(stored.qualities1, kept[number].votes[0]);
            EXPECT_EQ(stored.qualities2, kept[number].votes[1]);
            numberOf[stored.pairId] = number;
        }
        ASSERT_EQ(numberOf.size(), kept.size());

        // Keys: the leading bases of reads at many lengths, and random ones.
        std::mt19937_64 random(3);
        std::vector<std::string> keys;
        for (int i = 0; i < 200; ++i) {
            const std::string& read = kept[random() % kept.size()].read[random() % 2];
            for (const size_t k :
                 {size_t{1}, size_t{3}, size_t{12}, size_t{13}, size_t{20}, size_t{26}, size_t{31},
                  size_t{32}, size_t{33}, size_t{45}, read.size(), read.size() + 1})
                if (k <= read.size() + 1) keys.push_back((read + "A").substr(0, k));
        }
        for (int i = 0; i < 100; ++i) keys.push_back(lorvex::testing::RandomBases(i, 1 + i % 40));

        FoundPairs found, reverse;
        size_t matches = 0;
        for (const std::string& key : keys) {
            std::vector<Found> expected;
            for (uint64_t number = 0; number < kept.size(); ++number)
                for (int read = 1; read <= (bothReads ? 2 : 1); ++read) {
                    const std::string& bases = kept[number].read[read - 1];
                    if (bases.compare(0, key.size(), key) == 0 && bases.size() >= key.size())
                        expected.emplace_back(ReadKey(bases.data(), bases.size()), number, read);
                }
            std::sort(expected.begin(), expected.end());
            const auto length = static_cast<uint32_t>(key.size());
            table.FindPairs(key.data(), length, found);
            table.FindPairs(key.data(), length, reverse, MateOrientation::ReverseComplement);
            std::vector<Found> got;
            for (size_t i = 0; i < found.size(); ++i) {
                const uint64_t number = numberOf.at(found.pairs[i].pairId);
                const int read = found.pairs[i].anchorRead;
                const KeptPair& pair = kept[number];
                got.emplace_back(ReadKey(found.Anchor(i).data(), found.Anchor(i).size()), number,
                                 read);
                EXPECT_EQ(found.Anchor(i), pair.read[read - 1]);
                EXPECT_EQ(found.Mate(i), pair.read[2 - read]);
                const std::vector<uint8_t>& votes = pair.votes[2 - read];
                EXPECT_TRUE(std::equal(votes.begin(), votes.end(), found.MateQualities(i)));
                EXPECT_EQ(reverse.Mate(i), ReverseComplementOf(pair.read[2 - read]));
                EXPECT_TRUE(std::equal(votes.rbegin(), votes.rend(), reverse.MateQualities(i)));
            }
            EXPECT_EQ(got, expected) << "key " << key;
            matches += got.size();
            EXPECT_GE(table.Candidates(key.data(), length), got.size());
        }

        EXPECT_GT(matches, 4 * keys.size());  // short keys find many

        // Entry by entry: every indexed read once, in key order.
        std::vector<Found> entries;
        for (uint64_t i = 0; i < table.EntryCount(); ++i) {
            found.Clear();
            table.AppendEntry(i, found);
            entries.emplace_back(ReadKey(found.Anchor(0).data(), found.Anchor(0).size()),
                                 numberOf.at(found.pairs[0].pairId), found.pairs[0].anchorRead);
        }
        EXPECT_TRUE(std::is_sorted(entries.begin(), entries.end()));
        EXPECT_EQ(entries.size(), kept.size() * (bothReads ? 2 : 1));
        EXPECT_EQ(std::adjacent_find(entries.begin(), entries.end()), entries.end());
    }
}

// Entries beyond the budget go through run files, merged in several passes
// when there are more than a merge takes; the order is that of one sort.
TEST(PairTable, EntrySortInRunsEqualsOneSort) {
    const TempDir dir;
    std::mt19937_64 random(5);
    std::vector<IndexEntry> entries;
    for (uint64_t place = 0; place < 300000; ++place)
        entries.push_back({random() % 64 == 0 ? 0 : random() & 0xfff000000000ffffULL, place});
    for (const uint64_t budget : {uint64_t{1}, uint64_t{1} << 22, uint64_t{1} << 30}) {
        WorkFolder work(dir.path());
        IndexEntrySorter sorter(budget, work);
        for (const IndexEntry& entry : entries) sorter.Add(entry.key, entry.place);
        std::vector<IndexEntry> sorted;
        sorter.Drain([&sorted](std::span<const IndexEntry> batch) {
            sorted.insert(sorted.end(), batch.begin(), batch.end());
        });
        std::vector<IndexEntry> expected = entries;
        std::sort(expected.begin(), expected.end());
        ASSERT_EQ(sorted.size(), expected.size());
        EXPECT_TRUE(std::equal(sorted.begin(), sorted.end(), expected.begin(),
                               [](const IndexEntry& a, const IndexEntry& b) {
                                   return a.key == b.key && a.place == b.place;
                               }));
        EXPECT_EQ(sorter.totals().runs > entries.size() / 1024, budget == 1) << budget;
        if (work.created()) {
            EXPECT_TRUE(testing::FolderEntries(work.path()).empty());
        }
    }
}

// Cut short, foreign, of another version, or with any bit flipped: refused
// with one line naming the file, at opening or by the full check; lookups on
// a damaged file never crash.
TEST(PairTable, DamagedFilesAreRefusedNamingTheFile) {
    const TempDir dir;
    const std::string path = dir.path() + "/t.pairs";
    const std::string good = WriteTable(path, RandomPairs(9, 300), 1, true, 1 << 20, dir.path());
    const auto refusal = [&](const std::string& bytes) -> std::string {
        const std::string damaged = dir.Write("bad.pairs", bytes);
        try {
            const PairTable table(damaged);
            CheckPairTable(table);
        } catch (const InputError& error) {
            return error.what();
        }
        return "";
    };
    const auto expectRefused = [&](const std::string& bytes, const std::string& what) {
        const std::string message = refusal(bytes);
        EXPECT_EQ(message.rfind(dir.path() + "/bad.pairs: ", 0), 0u) << what << ": " << message;
        EXPECT_EQ(message.find('\n'), std::string::npos) << message;
    };
    EXPECT_EQ(refusal(good), "");
    for (const size_t size : {size_t{0}, size_t{5}, size_t{64}, size_t{300}, good.size() / 2,
                              good.size() - 256, good.size() - 1})
        expectRefused(good.substr(0, size), "cut to " + std::to_string(size));
    expectRefused(good + "x", "extended");
    expectRefused("AAAACCCC\tGGGG\tIIII\tIIII\n", "a text table");
    expectRefused(testing::GzipBytes("@r\nACGT\n+\nIIII\n"), "gzip");
    std::string otherVersion = good;
    otherVersion[8] = 2;
    EXPECT_NE(refusal(otherVersion).find("format version 2; this lorvex reads version 1"),
              std::string::npos);

    std::mt19937_64 random(11);
    FoundPairs found;
    for (int trial = 0; trial < 300; ++trial) {
        std::string flipped = good;
        const size_t at = random() % flipped.size();
        flipped[at] = static_cast<char>(flipped[at] ^ (1 << (random() % 8)));
        expectRefused(flipped, "bit flipped at byte " + std::to_string(at));
        try {
            const PairTable table(dir.Write("bad.pairs", flipped));
            for (int lookup = 0; lookup < 20; ++lookup) {
                const std::string key = lorvex::testing::RandomBases(random(), 1 + random() % 8);
                table.FindPairs(key.data(), static_cast<uint32_t>(key.size()), found);
            }
            PairTable::PairCursor cursor(table);
            StoredPair pair;
            while (cursor.Next(pair)) {
            }
        } catch (const InputError&) {
        }
    }
}

// A file cut short while mapped ends the process with one line naming it.
TEST(PairTableDeathTest, AFileCutShortWhileMappedEndsTheRunNamingIt) {
    const TempDir dir;
    const std::string path = dir.path() + "/t.pairs";
    WriteTable(path, RandomPairs(13, 3000), 1, true, 1 << 20, dir.path());
    EXPECT_EXIT(
        {
            const PairTable table(path);
            if (::truncate(path.c_str(), 4096) != 0) std::abort();
            StoredPair pair;
            PairTable::PairCursor cursor(table);
            while (cursor.Next(pair)) {
            }
        },
        ::testing::ExitedWithCode(1), "t.pairs: cut short or unreadable while it was being read");
}

}  // namespace
}  // namespace lorvex::prep
