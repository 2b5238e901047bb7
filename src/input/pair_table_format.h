// The compact pair table on disk (PREFIX.pairs): every read pair stored once,
// in input order, with reads of any length, and an index over both reads of
// every pair. Read by input/pair_table.h, written by lorvex-prep.
//
//   opening     64 bytes: the magic number, the format version, zeros
//   records     one per pair, in input order (below)
//   entries     one 64-bit word per indexed read, sorted by the read's key
//   directory   2^directoryBits + 1 words: where each run of entries begins
//   closing     256 bytes: counts, section places, checksums (ClosingHeader)
//
// Sections start at multiples of 64 bytes (zero padding between them); every
// number is little-endian. The closing header is written last, so a file cut
// short has none and is refused; it carries the size of the whole file and a
// CRC-32 of itself and of each section.
//
// A read's key is its first 32 bases, two bits each (A 0, C 1, G 2, T 3, any
// other base 0), the first base in the top bits; a read shorter than 32
// bases has zeros after its bases. Entries are sorted by (key, pair, read),
// so the reads that begin with any K bases (K up to 32) are one run of
// entries. The top directoryBits bits of a key pick a directory slot; an
// entry word holds, from the top, the next fragmentBits bits of its key,
// one bit for the read (0: read 1, 1: read 2) and, in the low offsetBits
// bits, the byte offset of its pair's record within the records section.
// The directory is sized to the data (about 8 entries a slot), so a slot's
// entries are a few cache lines whatever the genome's size.
//
// Record of one pair, byte-aligned, no padding between records:
//   varint length1, varint length2, varint runCount,
//   runCount x (varint gap, varint length): runs of unknown bases (stored as
//     N) over read 1 followed by read 2, the gap counted from the end of the
//     run before (from position 0 for the first); no run spans both reads
//   bases of read 1, then of read 2: two bits a base, four bases a byte, the
//     first in the top bits, each read starting on a byte; N is stored as A
//   vote bits of read 1, then of read 2: one bit a base, eight a byte, the
//     first in the top bit, each read starting on a byte; 1 when the base's
//     quality is the header's qualityThreshold (lorvex-prep --min-quality,
//     20 by default) or more, the only use the engine makes of a quality: a
//     mate's base votes only then
// Varints are unsigned LEB128 (seven bits a byte, low bits first).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lorvex {

inline constexpr char pairTableMagic[8] = {'\x89', 'L', 'V', 'X', 'P', 'A', 'I', 'R'};
inline constexpr uint32_t pairTableVersion = 1;
inline constexpr uint64_t pairTableOpeningBytes = 64;
inline constexpr uint64_t pairTableClosingBytes = 256;
inline constexpr uint64_t pairTableAlignment = 64;
inline constexpr int32_t pairTableKeyBases = 32;
// Reads are 1 to this many bases long.
inline constexpr uint32_t pairTableLongestRead = 65535;
// The quality of a base that may vote, and the value a decoded vote quality
// takes for such a base (0 for the others).
inline constexpr uint32_t pairTableVoteQuality = 30;
// The quality from which lorvex-prep marks a base of the compact table as a
// vote, and from which lorvex-extend and lorvex-close count a text table's
// mate bases, unless told otherwise: 20, one error in a hundred, keeps the
// votes of reads whose qualities fall below 30 towards their ends.
inline constexpr uint32_t defaultVoteQuality = 20;
// The highest vote quality a table may be made with (Phred+33 ends at '~').
inline constexpr uint32_t highestVoteQuality = 93;

// Everything the closing header holds.
struct ClosingHeader {
    uint32_t version = pairTableVersion;
    uint64_t fileBytes = 0;
    uint64_t pairCount = 0;
    uint64_t entryCount = 0;  // indexed reads: 2 per pair, 1 with readsIndexed 1
    uint64_t recordsOffset = pairTableOpeningBytes;
    uint64_t recordsBytes = 0;
    uint64_t entriesOffset = 0;
    uint64_t directoryOffset = 0;
    uint64_t basesStored = 0;   // both reads of every pair
    uint64_t unknownBases = 0;  // stored as N
    uint32_t shortestRead = 0;
    uint32_t longestRead = 0;
    uint32_t leastReadLength = 0;  // pairs with a shorter read were left out
    uint32_t keyBases = pairTableKeyBases;
    uint32_t directoryBits = 0;
    uint32_t fragmentBits = 0;
    uint32_t offsetBits = 0;
    uint32_t qualityBits = 1;
    uint32_t qualityThreshold = pairTableVoteQuality;
    uint32_t readsIndexed = 2;  // 2: both reads of every pair; 1: read 1 only
    uint32_t recordsCrc = 0;
    uint32_t entriesCrc = 0;
    uint32_t directoryCrc = 0;

    uint64_t EntriesBytes() const { return 8 * entryCount; }
    uint64_t DirectorySlots() const { return (uint64_t{1} << directoryBits) + 1; }
    uint64_t DirectoryBytes() const { return 8 * DirectorySlots(); }
};

// The opening 64 bytes of a file of the current version.
std::string PairTableOpening();

// The 256 bytes of the closing header, its own checksum last.
std::string EncodeClosingHeader(const ClosingHeader& header);

// Reads a closing header; false when its magic number or checksum is wrong.
bool DecodeClosingHeader(const uint8_t* bytes, ClosingHeader& header);

// The CRC-32 of bytes following those that gave `crc` (0 for none).
uint32_t ExtendCrc32(uint32_t crc, const void* bytes, uint64_t count);

// Rounds up to the section alignment.
inline uint64_t AlignSection(uint64_t offset) {
    return (offset + pairTableAlignment - 1) / pairTableAlignment * pairTableAlignment;
}

// The directory's size for a number of entries: about 8 entries a slot.
uint32_t DirectoryBitsFor(uint64_t entryCount);

// The key of a read from its first bases (at most 32 are looked at).
uint64_t ReadKey(const char* bases, uint64_t length);

// The key of a read from its packed bases.
uint64_t PackedReadKey(const uint8_t* packed, uint32_t length);

// One entry word and its parts, for the layout of a given file.
struct EntryLayout {
    uint32_t directoryBits = 0;
    uint32_t fragmentBits = 0;
    uint32_t offsetBits = 0;

    uint64_t Slot(uint64_t key) const { return directoryBits ? key >> (64 - directoryBits) : 0; }
    // The fragmentBits key bits after the directory's.
    uint64_t Fragment(uint64_t key) const {
        return fragmentBits ? (key << directoryBits) >> (64 - fragmentBits) : 0;
    }
    uint64_t Pack(uint64_t key, uint64_t recordOffset, int read) const {
        const uint64_t readBit = read == 2 ? 1 : 0;
        const uint64_t low = (readBit << offsetBits) | recordOffset;
        return fragmentBits ? (Fragment(key) << (offsetBits + 1)) | low : low;
    }
    uint64_t RecordOffset(uint64_t entry) const {
        return entry & ((uint64_t{1} << offsetBits) - 1);
    }
    int Read(uint64_t entry) const { return ((entry >> offsetBits) & 1) ? 2 : 1; }
};

// The layout for a file: directory bits from the entry count, offset bits
// from the records' size, and as many key bits as the rest of a word holds.
EntryLayout EntryLayoutFor(uint64_t entryCount, uint64_t recordsBytes);

// Appends the record of one pair. Bases may be in either case; every byte
// but A, C, G, T (a, c, g, t) is stored as N. Qualities are Phred+33
// characters as long as their reads; a base votes when its quality is
// voteQuality or more. Returns the bases stored as N.
uint64_t AppendPairRecord(std::string_view read1, std::string_view quality1, std::string_view read2,
                          std::string_view quality2, uint32_t voteQuality,
                          std::vector<uint8_t>& record);

// A record's parts, where they lie in the mapped file.
struct PairRecord {
    uint32_t length[2] = {0, 0};
    uint32_t runCount = 0;
    const uint8_t* runs = nullptr;  // the varints of the runs
    const uint8_t* bases[2] = {nullptr, nullptr};
    const uint8_t* votes[2] = {nullptr, nullptr};
    uint64_t bytes = 0;  // the whole record

    uint32_t Length(int read) const { return length[read - 1]; }
};

// Reads the record at `record`, of which `available` bytes lie in the
// records section; false when it does not fit there, when a read is empty
// or longer than `longest`, or when its runs leave their reads.
bool ParsePairRecord(const uint8_t* record, uint64_t available, uint32_t longest,
                     PairRecord& parsed);

// The bases a record stores as N.
uint64_t UnknownBases(const PairRecord& record);

// The bases of read 1 or 2 as letters (A, C, G, T, N) into `out`, as read
// or reverse complemented.
void DecodeReadBases(const PairRecord& record, int read, char* out);
void DecodeReadBasesReverseComplement(const PairRecord& record, int read, char* out);

// The vote qualities of read 1 or 2 into `out`: pairTableVoteQuality for a
// base whose quality reached it, 0 for the others; as read or reversed.
void DecodeVoteQualities(const PairRecord& record, int read, uint8_t* out);
// Whether base `position` of read 1 or 2 reached the table's vote quality.
inline bool BaseReachedVoteQuality(const PairRecord& record, int read, uint32_t position) {
    return (record.votes[read - 1][position / 8] >> (7 - position % 8)) & 1;
}
void DecodeVoteQualitiesReversed(const PairRecord& record, int read, uint8_t* out);

}  // namespace lorvex
