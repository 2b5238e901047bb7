#include "input/pair_table_check.h"

#include <algorithm>
#include <tuple>

#include "base/number_text.h"

namespace lorvex {
namespace {

// A well-mixed number per (record, read): their sum over the records less
// the sum over the entries is 0 when the entries name every read once
// (a wrong set of reads leaves it 0 only by a 1 in 2^64 chance).
uint64_t ReadToken(uint64_t offset, int read) {
    uint64_t x = (offset << 1 | static_cast<uint64_t>(read - 1)) + 0x9e3779b97f4a7c15ULL;
    x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ULL;
    x = (x ^ (x >> 27)) * 0x94d049bb133111ebULL;
    return x ^ (x >> 31);
}

// The records one after another: counts and lengths as the header says.
uint64_t CheckRecords(const PairTable& table) {
    const ClosingHeader& h = table.header();
    const auto fail = [&table](const std::string& what) {
        return FileError(table.path(), "damaged: " + what);
    };
    uint64_t offset = 0, pairs = 0, bases = 0, unknown = 0, tokens = 0;
    uint32_t shortest = UINT32_MAX, longest = 0;
    PairRecord record;
    while (offset < h.recordsBytes) {
        if (!table.ParseRecordAt(offset, record))
            throw table.DamagedRecord(offset, "pair " + WithThousands(pairs + 1));
        ++pairs;
        for (int read = 1; read <= 2; ++read) {
            shortest = std::min(shortest, record.Length(read));
            longest = std::max(longest, record.Length(read));
            bases += record.Length(read);
            if (read <= static_cast<int>(h.readsIndexed)) tokens += ReadToken(offset, read);
        }
        unknown += UnknownBases(record);
        offset += record.bytes;
    }
    if (pairs != h.pairCount)
        throw fail("its records hold " + Counted(pairs, "pair") + ", its header says " +
                   WithThousands(h.pairCount));
    if (pairs > 0 && (shortest != h.shortestRead || longest != h.longestRead))
        throw fail("its reads run from " + std::to_string(shortest) + " to " +
                   std::to_string(longest) + " bases, its header says " +
                   std::to_string(h.shortestRead) + " to " + std::to_string(h.longestRead));
    if (bases != h.basesStored || unknown != h.unknownBases)
        throw fail("its records hold other base counts than its header says");
    return tokens;
}

// The entries in order, each in its slot and after the one before.
uint64_t CheckEntries(const PairTable& table) {
    const ClosingHeader& h = table.header();
    const EntryLayout& layout = table.Layout();
    const uint64_t* entries = table.Entries();
    const uint64_t* directory = table.Directory();
    uint64_t tokens = 0, slot = 0;
    std::tuple<uint64_t, uint64_t, int> previous{0, 0, 0};
    PairRecord record;
    for (uint64_t index = 0; index < h.entryCount; ++index) {
        const auto fail = [&](const std::string& what) {
            return FileError(table.path(),
                             "damaged: entry " + WithThousands(index + 1) + " " + what);
        };
        while (directory[slot + 1] <= index) ++slot;
        if (directory[slot] > index) throw fail("lies before its directory slot");
        const uint64_t entry = entries[index];
        const uint64_t offset = layout.RecordOffset(entry);
        const int read = layout.Read(entry);
        if (!table.ParseRecordAt(offset, record))
            throw table.DamagedRecord(offset, "entry " + WithThousands(index + 1));
        if (read > static_cast<int>(h.readsIndexed))
            throw fail("names read 2, which is not indexed");
        const uint64_t key = PackedReadKey(record.bases[read - 1], record.Length(read));
        if (layout.Slot(key) != slot ||
            (layout.fragmentBits && layout.Fragment(key) != entry >> (layout.offsetBits + 1)))
            throw fail("names a read whose key does not belong at its place");
        const std::tuple<uint64_t, uint64_t, int> current{key, offset, read};
        if (index > 0 && !(previous < current)) throw fail("is out of key order");
        previous = current;
        tokens += ReadToken(offset, read);
    }
    return tokens;
}

}  // namespace

void CheckPairTable(const PairTable& table) {
    const ClosingHeader& h = table.header();
    const MappedFile& file = table.File();
    // The padding between sections holds zeros.
    const uint8_t* data = file.data();
    for (const auto& [from, to] :
         {std::pair{h.recordsOffset + h.recordsBytes, h.entriesOffset},
          std::pair{h.entriesOffset + h.EntriesBytes(), h.directoryOffset},
          std::pair{h.directoryOffset + h.DirectoryBytes(), h.fileBytes - pairTableClosingBytes}})
        if (std::any_of(data + from, data + to, [](uint8_t byte) { return byte != 0; }))
            throw FileError(table.path(), "damaged: bytes between its sections are not zero");
    file.AdviseSequential(h.recordsOffset, h.fileBytes - h.recordsOffset);
    if (ExtendCrc32(0, table.Records(), h.recordsBytes) != h.recordsCrc)
        throw FileError(table.path(), "damaged: its records fail their checksum");
    if (ExtendCrc32(0, reinterpret_cast<const uint8_t*>(table.Entries()), h.EntriesBytes()) !=
        h.entriesCrc)
        throw FileError(table.path(), "damaged: its index entries fail their checksum");
    const uint64_t recordTokens = CheckRecords(table);
    file.AdviseNormal(h.recordsOffset, h.fileBytes - h.recordsOffset);
    if (CheckEntries(table) != recordTokens)
        throw FileError(table.path(),
                        "damaged: its index entries do not name every indexed read once");
}

}  // namespace lorvex
