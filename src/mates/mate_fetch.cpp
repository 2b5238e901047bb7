#include "mates/mate_fetch.h"

#include <algorithm>
#include <cstring>

#include "seq/nucleotide.h"

namespace lorvex {

int32_t FirstReadCompareLength(int32_t readLength, Variant variant) {
    return variant == Variant::Main ? std::min(readLength, mainMatchLength) : readLength;
}

namespace {

// Eight bytes at a time in one 64-bit word: reversed by a byte swap, A, C,
// G, T complemented and qualities decoded byte by byte without carries
// between bytes.
constexpr uint64_t everyByte = 0x0101010101010101ull;
constexpr uint64_t highBits = 0x8080808080808080ull;

// 0xff in each byte of word that equals `byte`, 0 elsewhere.
uint64_t BytesEqual(uint64_t word, unsigned char byte) {
    const uint64_t x = word ^ (byte * everyByte);
    const uint64_t zero = ~(((x & ~highBits) + ~highBits) | x | ~highBits);
    return (zero >> 7) * 0xff;
}

uint64_t ComplementBytes(uint64_t word) {
    const uint64_t at = BytesEqual(word, 'A') | BytesEqual(word, 'T');
    const uint64_t cg = BytesEqual(word, 'C') | BytesEqual(word, 'G');
    return word ^ (at & ('A' ^ 'T') * everyByte) ^ (cg & ('C' ^ 'G') * everyByte);
}

uint64_t LessThirtyThree(uint64_t word) {
    return ((word | highBits) - 33 * everyByte) ^ (~word & highBits);
}

uint64_t ReversedWord(const char* bytes) {
    uint64_t word;
    std::memcpy(&word, bytes, sizeof word);
    return __builtin_bswap64(word);
}

// Appends the reverse complement of the second read and its reversed,
// decoded qualities.
void AppendMate(const char* line, int32_t readLength, SelectedMates& selected) {
    const size_t r = static_cast<size_t>(readLength);
    const char* secondRead = line + r + 1;
    const char* secondQuality = line + 3 * r + 3;
    const size_t at = static_cast<size_t>(selected.count) * r;
    selected.bases.resize(at + r);
    selected.qualities.resize(at + r);
    char* mate = selected.bases.data() + at;
    uint8_t* quality = selected.qualities.data() + at;
    size_t k = 0;
    for (; k + 8 <= r; k += 8) {
        const uint64_t bases = ComplementBytes(ReversedWord(secondRead + r - k - 8));
        const uint64_t decoded = LessThirtyThree(ReversedWord(secondQuality + r - k - 8));
        std::memcpy(mate + k, &bases, sizeof bases);
        std::memcpy(quality + k, &decoded, sizeof decoded);
    }
    for (; k < r; ++k) {
        mate[k] = ComplementBase(secondRead[r - 1 - k]);
        quality[k] =
            static_cast<uint8_t>(static_cast<unsigned char>(secondQuality[r - 1 - k]) - 33);
    }
    ++selected.count;
}

}  // namespace

void FetchSelectedMates(const char* window, const TableStream& table, const PrefixIndex& index,
                        Variant variant, SelectedMates& selected, uint64_t chunkBytes) {
    const int32_t readLength = table.layout.readLength;
    selected.readLength = readLength;
    selected.count = 0;
    selected.bases.clear();
    selected.qualities.clear();
    const uint32_t code = DnaToUint(window, prefixLength);
    if (index.counts[code] == 0) return;

    const size_t compareLength = static_cast<size_t>(FirstReadCompareLength(readLength, variant));
    const uint64_t lineSize = table.layout.lineSize;
    ReadGroupInChunks(
        table, index, code, selected.group,
        [&](const char* lines, uint64_t count) {
            for (uint64_t i = 0; i < count; ++i) {
                const char* line = lines + i * lineSize;
                if (std::memcmp(line, window, compareLength) == 0)
                    AppendMate(line, readLength, selected);
            }
        },
        chunkBytes);
}

}  // namespace lorvex
