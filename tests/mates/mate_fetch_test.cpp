// The fast lookup held against GetAllPairedReads: random groups in which
// first reads equal the window, differ from it only after the 100th base, or
// differ anywhere; N in windows; odd quality bytes; and damaged tables, which
// must fail with the same messages. Groups are read whole and in chunks of
// one line and more, down to a group split over many reads. The look-ahead
// lookup is held against the single one at every start of a contig, in
// batches of every size and with both ways of reading; its failures must
// come at the damaged window, not before. Anchors of K bases select exactly
// the pairs whose first read equals the window on its first K bases (but for
// the mismatches allowed past the index key, those with one at a base of
// voting quality marked when the rule asks), and are looked up ahead up to
// the last window whose anchor lies in the contig.
#include "mates/mate_fetch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "mates/mates_ahead.h"
#include "reference/literal_mates.h"
#include "seq/nucleotide.h"
#include "test_support.h"

namespace lorvex {
namespace {

using Random = std::mt19937_64;
using testing::ReadPair;
using testing::TempDir;

int Uniform(Random& random, int low, int high) {
    return std::uniform_int_distribution<int>(low, high)(random);
}

std::string RandomRead(Random& random, int32_t length) {
    std::string read(static_cast<size_t>(length), 'A');
    for (char& base : read) base = "ACGT"[Uniform(random, 0, 3)];
    return read;
}

// A second read with now and then a byte other than A, C, G, T, which the
// reverse complement keeps as it is.
std::string RandomSecondRead(Random& random, int32_t length) {
    std::string read = RandomRead(random, length);
    for (char& base : read)
        if (Uniform(random, 0, 19) == 0) base = "NnacgtX*"[Uniform(random, 0, 7)];
    return read;
}

// Quality text with every kind of byte a field may hold: printable, below
// 33 (wrapping when decoded) and above 126. Line ends stay out: a CR at the
// end of a line would read as part of a CR LF line end.
std::string RandomQuality(Random& random, int32_t length) {
    std::string quality(static_cast<size_t>(length), 'I');
    for (char& byte : quality) {
        const int kind = Uniform(random, 0, 9);
        byte = static_cast<char>(kind < 6   ? Uniform(random, 33, 126)
                                 : kind < 8 ? Uniform(random, 1, 32)
                                            : Uniform(random, 127, 255));
        if (byte == '\n' || byte == '\r') byte = ' ';
    }
    return quality;
}

// A first read for the window's group: equal to the window, equal to it up
// to some position past the prefix, or a copy with N in place of A.
std::string FirstReadNear(Random& random, const std::string& window) {
    std::string read = window;
    const int32_t r = static_cast<int32_t>(window.size());
    switch (Uniform(random, 0, 3)) {
        case 0: break;
        case 1:
            if (r > 100) read[static_cast<size_t>(Uniform(random, 100, r - 1))] = 'N';
            break;
        case 2: {
            const size_t at = static_cast<size_t>(Uniform(random, r > 12 ? 12 : 0, r - 1));
            read[at] = read[at] == 'C' ? 'G' : 'C';
            break;
        }
        default:
            for (char& base : read)
                if (base == 'A' && Uniform(random, 0, 9) == 0) base = 'N';
    }
    return read;
}

using testing::LoadedTable;

// Chunk sizes in lines: the whole group, one line, a few lines.
const uint64_t kChunkLines[] = {0, 1, 3};

uint64_t ChunkBytes(const LoadedTable& table, uint64_t lines) {
    return lines == 0 ? groupChunkBytes : lines * table.stream->layout.lineSize;
}

void ExpectSameLookup(const std::string& window, const LoadedTable& table, Variant variant,
                      SelectedMates& selected) {
    int32_t count = -1;
    std::vector<std::string> mates;
    std::vector<std::vector<uint8_t>> qualities;
    GetAllPairedReads(window, *table.stream, table.denseIndex, variant, count, mates, qualities);
    for (const uint64_t chunkLines : kChunkLines) {
        FetchSelectedMates(window.data(), *table.stream, table.index, variant, selected,
                           ChunkBytes(table, chunkLines));
        ASSERT_EQ(selected.count, count) << window << " chunks of " << chunkLines;
        const int32_t r = table.stream->layout.readLength;
        for (int32_t i = 0; i < count; ++i) {
            EXPECT_EQ(std::string(selected.Mate(i), static_cast<size_t>(r)), mates[i]);
            EXPECT_EQ(std::vector<uint8_t>(selected.Quality(i), selected.Quality(i) + r),
                      qualities[i]);
        }
    }
}

// Batches of the default size, of one line (every group alone) and of a
// few lines, read through io_uring and one by one.
template <typename Check>
void ForEveryLookAhead(const LoadedTable& table, const AnchorRule& anchor, const Check& check) {
    for (const TableReadMode mode : {TableReadMode::Batched, TableReadMode::Positioned})
        for (const uint64_t batchLines : {0, 1, 5}) {
            MatesAhead ahead(*table.stream, table.index, anchor, mode, 0,
                             ChunkBytes(table, batchLines));
            check(ahead, "batches of " + std::to_string(batchLines) + " lines" +
                             (mode == TableReadMode::Batched ? ", batched" : ", one by one"));
        }
}

// Every window of the contig whose anchor lies in it, in turn, some asked
// for twice.
void ExpectSameLookupsAhead(const std::string& contig, const LoadedTable& table,
                            const AnchorRule& anchor) {
    SelectedMates alone;
    ForEveryLookAhead(table, anchor, [&](MatesAhead& ahead, const std::string& label) {
        for (int64_t start = 0; start + anchor.length <= static_cast<int64_t>(contig.size());
             ++start)
            for (int times = start % 7 == 0 ? 2 : 1; times > 0; --times) {
                const SelectedMates& fetched = ahead.Fetch(contig, start);
                FetchSelectedMates(contig.data() + start, *table.stream, table.index, anchor,
                                   alone);
                ASSERT_EQ(fetched.count, alone.count) << label << ", start " << start;
                const size_t bytes = static_cast<size_t>(alone.count) * alone.readLength;
                ASSERT_EQ(std::string_view(fetched.bases.data(), bytes),
                          std::string_view(alone.bases.data(), bytes))
                    << label << ", start " << start;
                ASSERT_TRUE(std::equal(alone.qualities.begin(), alone.qualities.begin() + bytes,
                                       fetched.qualities.begin()))
                    << label << ", start " << start;
                ASSERT_EQ(fetched.sure, alone.sure) << label << ", start " << start;
            }
    });
}

// With anchors of K bases the mates are those of the pairs whose first read
// equals the window on its first 12 bases and on the rest of its first K but
// for the mismatches allowed, each with its mark where the rule asks for
// them (compared as sorted lists).
void ExpectAnchoredPairs(const std::string& window, const AnchorRule& anchor,
                         const std::vector<ReadPair>& pairs, const LoadedTable& table,
                         SelectedMates& selected) {
    const size_t k = static_cast<size_t>(anchor.length);
    std::vector<std::string> expected;
    for (const ReadPair& pair : pairs) {
        int mismatches = 0;
        bool sure = false;
        for (size_t i = 12; i < k; ++i)
            if (pair.first[i] != window[i]) {
                ++mismatches;
                sure |= static_cast<unsigned char>(pair.firstQuality[i]) - 33 >= anchor.voteQuality;
            }
        if (pair.first.compare(0, 12, window, 0, 12) == 0 && mismatches <= anchor.mismatches) {
            std::string mate = pair.second;
            ReverseComplement(mate.data(), static_cast<int32_t>(mate.size()));
            expected.push_back(mate + (anchor.markSureMismatches && sure ? "+" : ""));
        }
    }
    FetchSelectedMates(window.data(), *table.stream, table.index, anchor, selected);
    ASSERT_EQ(selected.sure.size(),
              anchor.markSureMismatches ? static_cast<size_t>(selected.count) : 0u);
    std::vector<std::string> fetched;
    for (int32_t i = 0; i < selected.count; ++i)
        fetched.push_back(
            std::string(selected.Mate(i), static_cast<size_t>(selected.readLength)) +
            (anchor.markSureMismatches && selected.sure[static_cast<size_t>(i)] ? "+" : ""));
    std::sort(expected.begin(), expected.end());
    std::sort(fetched.begin(), fetched.end());
    EXPECT_EQ(fetched, expected) << window << ", anchors of " << anchor.length << " with "
                                 << anchor.mismatches << " mismatches";
}

TEST(FetchSelectedMates, AgreesWithTheLiteralLookupOverRandomGroups) {
    Random random(11);
    int32_t selectedTotal = 0;
    for (const int32_t r : {12, 21, 64, 100, 101, 150, 257}) {
        for (const std::string lineEnd : {"\n", "\r\n"}) {
            TempDir dir;
            std::vector<std::string> windows;
            std::vector<ReadPair> pairs;
            for (int w = 0; w < 25; ++w) {
                std::string window = RandomRead(random, r);
                if (w % 5 == 0) window[static_cast<size_t>(Uniform(random, 0, r - 1))] = 'N';
                windows.push_back(window);
                const int lines = Uniform(random, 0, 12);
                for (int i = 0; i < lines; ++i)
                    pairs.push_back({FirstReadNear(random, window), RandomSecondRead(random, r),
                                     RandomQuality(random, r), RandomQuality(random, r)});
            }
            const LoadedTable table =
                testing::LoadTable(testing::WriteTableAndIndex(dir, pairs, lineEnd));
            SelectedMates selected;  // reused across lookups, as the engine does
            std::string contig;
            for (const std::string& window : windows) contig += window;
            if (lineEnd == "\n") {
                const Variant variant = r % 2 ? Variant::Main : Variant::Strict;
                ExpectSameLookupsAhead(contig, table, {FirstReadCompareLength(r, variant), 0});
                const AnchorRule shortAnchor{std::max(12, r / 3), 0};
                const AnchorRule looseAnchor{r, 2};
                const AnchorRule markingAnchor{r, 2, 20, true};
                ExpectSameLookupsAhead(contig, table, shortAnchor);
                ExpectSameLookupsAhead(contig, table, looseAnchor);
                ExpectSameLookupsAhead(contig, table, markingAnchor);
                for (const std::string& window : windows)
                    for (const AnchorRule& anchor : {shortAnchor, looseAnchor, markingAnchor})
                        ExpectAnchoredPairs(window, anchor, pairs, table, selected);
            }
            for (const std::string& window : windows) {
                for (const Variant variant : {Variant::Main, Variant::Strict}) {
                    ExpectSameLookup(window, table, variant, selected);
                    selectedTotal += selected.count;
                    if (::testing::Test::HasFailure()) return;
                }
            }
            ExpectSameLookup(RandomRead(random, r), table, Variant::Main, selected);
        }
    }
    EXPECT_GT(selectedTotal, 1000);
}

// The message of a failed lookup: the literal one with chunkLines < 0, the
// fast one otherwise.
std::string LookupError(const std::string& window, const LoadedTable& table, int chunkLines) {
    try {
        if (chunkLines >= 0) {
            SelectedMates selected;
            FetchSelectedMates(window.data(), *table.stream, table.index, Variant::Main, selected,
                               ChunkBytes(table, static_cast<uint64_t>(chunkLines)));
        } else {
            int32_t count = 0;
            std::vector<std::string> mates;
            std::vector<std::vector<uint8_t>> qualities;
            GetAllPairedReads(window, *table.stream, table.denseIndex, Variant::Main, count, mates,
                              qualities);
        }
    } catch (const InputError& error) {
        return error.what();
    }
    return "";
}

// Damage done to the table after it was loaded, as when it changes while a
// run goes on.
void Overwrite(const std::string& path, uint64_t offset, const std::string& bytes) {
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(static_cast<std::streamoff>(offset));
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

TEST(FetchSelectedMates, DamagedTablesFailWithTheLiteralMessages) {
    const int32_t r = 30;
    const uint64_t lineSize = 4 * r + 4;
    Random random(5);
    const std::string window = RandomRead(random, r);
    struct Damage {
        const char* what;
        std::function<void(const std::string& path)> apply;
    };
    const char* const lastLineEnd = "line end missing on the last line";
    // Several kinds at once, in different chunks, must give the one the
    // whole group's checks find first.
    const auto cut = [&](uint64_t size) {
        return [size](const std::string& path) { std::filesystem::resize_file(path, size); };
    };
    const auto lineEndAt = [&](uint64_t line) {
        return [line, lineSize](const std::string& path) {
            Overwrite(path, line * lineSize + 40, "\n");
        };
    };
    const auto zeroAt = [&](uint64_t line) {
        return [line, lineSize, r](const std::string& path) {
            Overwrite(path, line * lineSize + 3 * r + 5, std::string(1, '\0'));
        };
    };
    const auto outsideAt = [&](uint64_t line) {
        return [line, lineSize](const std::string& path) { Overwrite(path, line * lineSize, "T"); };
    };
    const std::vector<Damage> damages = {
        {"truncated", cut(2 * lineSize + 7)},
        {lastLineEnd, cut(6 * lineSize - 1)},
        {"line end inside a line", lineEndAt(1)},
        {"zero byte", zeroAt(2)},
        {"line outside its group", outsideAt(1)},
        {"outside, then zero byte",
         [&](const std::string& path) {
             outsideAt(0)(path);
             zeroAt(4)(path);
         }},
        {"zero byte, then line end",
         [&](const std::string& path) {
             zeroAt(1)(path);
             lineEndAt(3)(path);
         }},
        {"outside, then truncated",
         [&](const std::string& path) {
             outsideAt(1)(path);
             cut(5 * lineSize + 3)(path);
         }},
    };
    for (const Damage& damage : damages) {
        TempDir dir;
        std::vector<ReadPair> pairs;
        for (int i = 0; i < 6; ++i)
            pairs.push_back({window, RandomRead(random, r), RandomQuality(random, r), ""});
        const testing::TableFiles files = testing::WriteTableAndIndex(dir, pairs);
        const LoadedTable table = testing::LoadTable(files);
        damage.apply(files.table);
        const std::string literal = LookupError(window, table, -1);
        // A table's last line may lack its line end.
        EXPECT_EQ(literal.empty(), std::string(damage.what) == lastLineEnd) << damage.what;
        for (const int chunkLines : {0, 1, 2, 4})
            EXPECT_EQ(LookupError(window, table, chunkLines), literal)
                << damage.what << ", chunks of " << chunkLines;
        // Looked up ahead with the windows before it, the damaged group
        // fails only when its own window is asked for.
        const std::string contig = "GATTACA" + window;
        ForEveryLookAhead(table, {r, 0}, [&](MatesAhead& ahead, const std::string& label) {
            for (int64_t start = 0; start < 7; ++start)
                EXPECT_NO_THROW(ahead.Fetch(contig, start)) << damage.what << ", " << label;
            std::string message;
            try {
                ahead.Fetch(contig, 7);
            } catch (const InputError& error) {
                message = error.what();
            }
            EXPECT_EQ(message, literal) << damage.what << ", " << label;
        });
    }
}

}  // namespace
}  // namespace lorvex
