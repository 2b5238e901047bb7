#include "input/pair_table_format.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

namespace lorvex {
namespace {

static_assert(std::endian::native == std::endian::little,
              "the pair table is read and written with little-endian loads and stores");

constexpr uint8_t unknownCode = 4;

// Base letter (either case) to its 2-bit code, 4 for every other byte.
constexpr std::array<uint8_t, 256> MakeBaseCodes() {
    std::array<uint8_t, 256> codes{};
    codes.fill(unknownCode);
    codes['A'] = codes['a'] = 0;
    codes['C'] = codes['c'] = 1;
    codes['G'] = codes['g'] = 2;
    codes['T'] = codes['t'] = 3;
    return codes;
}
constexpr std::array<uint8_t, 256> baseCodes = MakeBaseCodes();

// A packed byte to its four letters, as read and reverse complemented.
struct PackedLetters {
    std::array<std::array<char, 4>, 256> forward{};
    std::array<std::array<char, 4>, 256> reverseComplement{};
};
constexpr PackedLetters MakePackedLetters() {
    constexpr char letters[4] = {'A', 'C', 'G', 'T'};
    PackedLetters table{};
    for (int byte = 0; byte < 256; ++byte)
        for (int i = 0; i < 4; ++i) {
            const int code = (byte >> (6 - 2 * i)) & 3;
            table.forward[byte][i] = letters[code];
            table.reverseComplement[byte][3 - i] = letters[3 - code];
        }
    return table;
}
constexpr PackedLetters packedLetters = MakePackedLetters();

// A byte of vote bits to eight vote qualities, as read and reversed.
struct VoteBytes {
    std::array<std::array<uint8_t, 8>, 256> forward{};
    std::array<std::array<uint8_t, 8>, 256> reversed{};
};
constexpr VoteBytes MakeVoteBytes() {
    VoteBytes table{};
    for (int byte = 0; byte < 256; ++byte)
        for (int i = 0; i < 8; ++i) {
            const uint8_t value = ((byte >> (7 - i)) & 1) ? pairTableVoteQuality : 0;
            table.forward[byte][i] = value;
            table.reversed[byte][7 - i] = value;
        }
    return table;
}
constexpr VoteBytes voteBytes = MakeVoteBytes();

void PutLittle(std::string& out, uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>(value >> (8 * i)));
}

uint64_t GetLittle(const uint8_t* bytes, int count) {
    uint64_t value = 0;
    for (int i = count - 1; i >= 0; --i) value = (value << 8) | bytes[i];
    return value;
}

void AppendVarint(std::vector<uint8_t>& out, uint64_t value) {
    while (value >= 0x80) {
        out.push_back(static_cast<uint8_t>(value | 0x80));
        value >>= 7;
    }
    out.push_back(static_cast<uint8_t>(value));
}

bool ReadVarint(const uint8_t*& at, const uint8_t* end, uint64_t& value) {
    value = 0;
    for (int shift = 0; shift < 64; shift += 7) {
        if (at == end) return false;
        const uint8_t byte = *at++;
        value |= uint64_t{byte & 0x7fu} << shift;
        if (!(byte & 0x80)) return true;
    }
    return false;
}

uint64_t PackedBytes(uint64_t bases) {
    return (bases + 3) / 4;
}
uint64_t VoteBitBytes(uint64_t bases) {
    return (bases + 7) / 8;
}

// Appends the bases of one read, packed; unknown bases become A.
void AppendPackedBases(std::string_view read, std::vector<uint8_t>& out) {
    const size_t start = out.size();
    out.resize(start + PackedBytes(read.size()), 0);
    uint8_t* packed = out.data() + start;
    for (size_t i = 0; i < read.size(); ++i) {
        const uint8_t code = baseCodes[static_cast<unsigned char>(read[i])] & 3;
        packed[i / 4] |= static_cast<uint8_t>(code << (6 - 2 * (i % 4)));
    }
}

void AppendVoteBits(std::string_view quality, uint32_t voteQuality, std::vector<uint8_t>& out) {
    const size_t start = out.size();
    out.resize(start + VoteBitBytes(quality.size()), 0);
    uint8_t* bits = out.data() + start;
    const unsigned char voteCharacter = static_cast<unsigned char>('!' + voteQuality);
    for (size_t i = 0; i < quality.size(); ++i)
        if (static_cast<unsigned char>(quality[i]) >= voteCharacter)
            bits[i / 8] |= static_cast<uint8_t>(0x80 >> (i % 8));
}

// Calls onRun(read, start, length) for every run of unknown bases, its start
// counted within its read.
template <typename OnRun>
void ForEachRun(const PairRecord& record, const OnRun& onRun) {
    const uint8_t* at = record.runs;
    const uint8_t* end = record.bases[0];
    uint64_t position = 0;
    for (uint32_t i = 0; i < record.runCount; ++i) {
        uint64_t gap = 0, length = 0;
        ReadVarint(at, end, gap);
        ReadVarint(at, end, length);
        position += gap;
        if (position < record.length[0])
            onRun(1, position, length);
        else
            onRun(2, position - record.length[0], length);
        position += length;
    }
}

}  // namespace

std::string PairTableOpening() {
    std::string opening(pairTableMagic, sizeof pairTableMagic);
    PutLittle(opening, pairTableVersion, 4);
    PutLittle(opening, pairTableOpeningBytes, 4);
    opening.resize(pairTableOpeningBytes, '\0');
    return opening;
}

std::string EncodeClosingHeader(const ClosingHeader& h) {
    std::string out(pairTableMagic, sizeof pairTableMagic);
    PutLittle(out, h.version, 4);
    PutLittle(out, pairTableClosingBytes, 4);
    for (const uint64_t value :
         {h.fileBytes, h.pairCount, h.entryCount, h.recordsOffset, h.recordsBytes, h.entriesOffset,
          h.directoryOffset, h.basesStored, h.unknownBases})
        PutLittle(out, value, 8);
    for (const uint32_t value :
         {h.shortestRead, h.longestRead, h.leastReadLength, h.keyBases, h.directoryBits,
          h.fragmentBits, h.offsetBits, h.qualityBits, h.qualityThreshold, h.readsIndexed,
          h.recordsCrc, h.entriesCrc, h.directoryCrc})
        PutLittle(out, value, 4);
    out.resize(pairTableClosingBytes - 4, '\0');
    const uint32_t crc =
        static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(out.data()), out.size()));
    PutLittle(out, crc, 4);
    return out;
}

bool DecodeClosingHeader(const uint8_t* bytes, ClosingHeader& h) {
    if (std::memcmp(bytes, pairTableMagic, sizeof pairTableMagic) != 0) return false;
    const uint32_t crc = static_cast<uint32_t>(crc32(0, bytes, pairTableClosingBytes - 4));
    if (crc != GetLittle(bytes + pairTableClosingBytes - 4, 4)) return false;
    const uint8_t* at = bytes + 8;
    const auto next = [&at](int count) {
        const uint64_t value = GetLittle(at, count);
        at += count;
        return value;
    };
    h.version = static_cast<uint32_t>(next(4));
    if (next(4) != pairTableClosingBytes) return false;
    for (uint64_t* field :
         {&h.fileBytes, &h.pairCount, &h.entryCount, &h.recordsOffset, &h.recordsBytes,
          &h.entriesOffset, &h.directoryOffset, &h.basesStored, &h.unknownBases})
        *field = next(8);
    for (uint32_t* field :
         {&h.shortestRead, &h.longestRead, &h.leastReadLength, &h.keyBases, &h.directoryBits,
          &h.fragmentBits, &h.offsetBits, &h.qualityBits, &h.qualityThreshold, &h.readsIndexed,
          &h.recordsCrc, &h.entriesCrc, &h.directoryCrc})
        *field = static_cast<uint32_t>(next(4));
    return true;
}

uint32_t ExtendCrc32(uint32_t crc, const void* bytes, uint64_t count) {
    const auto* data = static_cast<const Bytef*>(bytes);
    constexpr uint64_t step = uint64_t{1} << 30;  // zlib takes 32-bit lengths
    uLong value = crc;
    for (uint64_t done = 0; done < count; done += step)
        value = crc32(value, data + done, static_cast<uInt>(std::min(step, count - done)));
    return static_cast<uint32_t>(value);
}

uint32_t DirectoryBitsFor(uint64_t entryCount) {
    const uint64_t slots = entryCount / 8;
    if (slots < 2) return 0;
    return std::min<uint32_t>(32, static_cast<uint32_t>(std::bit_width(slots) - 1));
}

uint64_t ReadKey(const char* bases, uint64_t length) {
    const uint64_t counted = std::min<uint64_t>(length, pairTableKeyBases);
    uint64_t key = 0;
    for (uint64_t i = 0; i < counted; ++i)
        key = (key << 2) | (baseCodes[static_cast<unsigned char>(bases[i])] & 3);
    return counted == 0 ? 0 : key << (64 - 2 * counted);
}

uint64_t PackedReadKey(const uint8_t* packed, uint32_t length) {
    const uint32_t counted = std::min<uint32_t>(length, pairTableKeyBases);
    const uint32_t bytes = static_cast<uint32_t>(PackedBytes(counted));
    uint64_t key = 0;
    for (uint32_t i = 0; i < bytes; ++i) key |= uint64_t{packed[i]} << (56 - 8 * i);
    return counted == pairTableKeyBases ? key : key & ~(~uint64_t{0} >> (2 * counted));
}

EntryLayout EntryLayoutFor(uint64_t entryCount, uint64_t recordsBytes) {
    EntryLayout layout;
    layout.directoryBits = DirectoryBitsFor(entryCount);
    layout.offsetBits = std::max<uint32_t>(
        1, static_cast<uint32_t>(std::bit_width(recordsBytes > 0 ? recordsBytes - 1 : 0)));
    layout.fragmentBits = std::min<uint32_t>(63 - layout.offsetBits, 64 - layout.directoryBits);
    return layout;
}

uint64_t AppendPairRecord(std::string_view read1, std::string_view quality1, std::string_view read2,
                          std::string_view quality2, uint32_t voteQuality,
                          std::vector<uint8_t>& record) {
    AppendVarint(record, read1.size());
    AppendVarint(record, read2.size());
    // The runs of unknown bases, read 1 then read 2, none across the two.
    std::vector<uint64_t> runs;  // start, length, ... over the two reads
    uint64_t unknown = 0;
    uint64_t offset = 0;
    for (const std::string_view read : {read1, read2}) {
        for (size_t i = 0; i < read.size();) {
            if (baseCodes[static_cast<unsigned char>(read[i])] != unknownCode) {
                ++i;
                continue;
            }
            size_t end = i + 1;
            while (end < read.size() &&
                   baseCodes[static_cast<unsigned char>(read[end])] == unknownCode)
                ++end;
            runs.push_back(offset + i);
            runs.push_back(end - i);
            unknown += end - i;
            i = end;
        }
        offset += read.size();
    }
    AppendVarint(record, runs.size() / 2);
    uint64_t position = 0;
    for (size_t i = 0; i < runs.size(); i += 2) {
        AppendVarint(record, runs[i] - position);
        AppendVarint(record, runs[i + 1]);
        position = runs[i] + runs[i + 1];
    }
    AppendPackedBases(read1, record);
    AppendPackedBases(read2, record);
    AppendVoteBits(quality1, voteQuality, record);
    AppendVoteBits(quality2, voteQuality, record);
    return unknown;
}

bool ParsePairRecord(const uint8_t* record, uint64_t available, uint32_t longest,
                     PairRecord& parsed) {
    const uint8_t* at = record;
    const uint8_t* end = record + available;
    uint64_t length1 = 0, length2 = 0, runCount = 0;
    if (!ReadVarint(at, end, length1) || !ReadVarint(at, end, length2) ||
        !ReadVarint(at, end, runCount))
        return false;
    if (length1 == 0 || length2 == 0 || length1 > longest || length2 > longest) return false;
    const uint64_t total = length1 + length2;
    if (runCount > total) return false;
    parsed.length[0] = static_cast<uint32_t>(length1);
    parsed.length[1] = static_cast<uint32_t>(length2);
    parsed.runCount = static_cast<uint32_t>(runCount);
    parsed.runs = at;
    uint64_t position = 0;
    for (uint64_t i = 0; i < runCount; ++i) {
        uint64_t gap = 0, length = 0;
        if (!ReadVarint(at, end, gap) || !ReadVarint(at, end, length)) return false;
        if (length == 0 || gap > total - position || length > total - position - gap) return false;
        position += gap;
        if (position < length1 && position + length > length1) return false;
        position += length;
    }
    const uint64_t payload =
        PackedBytes(length1) + PackedBytes(length2) + VoteBitBytes(length1) + VoteBitBytes(length2);
    if (payload > static_cast<uint64_t>(end - at)) return false;
    parsed.bases[0] = at;
    parsed.bases[1] = at + PackedBytes(length1);
    parsed.votes[0] = parsed.bases[1] + PackedBytes(length2);
    parsed.votes[1] = parsed.votes[0] + VoteBitBytes(length1);
    parsed.bytes = static_cast<uint64_t>(at - record) + payload;
    return true;
}

uint64_t UnknownBases(const PairRecord& record) {
    uint64_t unknown = 0;
    ForEachRun(record, [&unknown](int, uint64_t, uint64_t length) { unknown += length; });
    return unknown;
}

void DecodeReadBases(const PairRecord& record, int read, char* out) {
    const uint32_t length = record.Length(read);
    const uint8_t* packed = record.bases[read - 1];
    const uint32_t whole = length / 4;
    for (uint32_t i = 0; i < whole; ++i)
        std::memcpy(out + 4 * i, packedLetters.forward[packed[i]].data(), 4);
    if (length % 4)
        std::memcpy(out + 4 * whole, packedLetters.forward[packed[whole]].data(), length % 4);
    if (record.runCount)
        ForEachRun(record, [&](int runRead, uint64_t start, uint64_t runLength) {
            if (runRead == read) std::memset(out + start, 'N', runLength);
        });
}

void DecodeReadBasesReverseComplement(const PairRecord& record, int read, char* out) {
    const uint32_t length = record.Length(read);
    const uint8_t* packed = record.bases[read - 1];
    const uint32_t whole = length / 4;
    for (uint32_t i = 0; i < whole; ++i)
        std::memcpy(out + length - 4 * i - 4, packedLetters.reverseComplement[packed[i]].data(), 4);
    if (const uint32_t rest = length % 4)
        std::memcpy(out, packedLetters.reverseComplement[packed[whole]].data() + (4 - rest), rest);
    if (record.runCount)
        ForEachRun(record, [&](int runRead, uint64_t start, uint64_t runLength) {
            if (runRead == read) std::memset(out + length - start - runLength, 'N', runLength);
        });
}

void DecodeVoteQualities(const PairRecord& record, int read, uint8_t* out) {
    const uint32_t length = record.Length(read);
    const uint8_t* bits = record.votes[read - 1];
    const uint32_t whole = length / 8;
    for (uint32_t i = 0; i < whole; ++i)
        std::memcpy(out + 8 * i, voteBytes.forward[bits[i]].data(), 8);
    if (length % 8) std::memcpy(out + 8 * whole, voteBytes.forward[bits[whole]].data(), length % 8);
}

void DecodeVoteQualitiesReversed(const PairRecord& record, int read, uint8_t* out) {
    const uint32_t length = record.Length(read);
    const uint8_t* bits = record.votes[read - 1];
    const uint32_t whole = length / 8;
    for (uint32_t i = 0; i < whole; ++i)
        std::memcpy(out + length - 8 * i - 8, voteBytes.reversed[bits[i]].data(), 8);
    if (const uint32_t rest = length % 8)
        std::memcpy(out, voteBytes.reversed[bits[whole]].data() + (8 - rest), rest);
}

}  // namespace lorvex
