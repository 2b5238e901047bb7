// The key of the 20 bytes where an overlap starts: a mate's first 20 bases,
// or 20 bytes of the contig's end. An overlap of 20 or more can only start
// where the keys are equal, so overlap tracking finds the mates that start
// an overlap, and the overlaps a new mate has already, by key.
//
// A key holds the 20 bytes as 2-bit digits (A, C, G, T), with one more bit
// set when a byte is none of those; such keys are confirmed byte by byte.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "calling/overlap_voting.h"
#include "seq/nucleotide.h"

namespace lorvex {

inline constexpr int32_t overlapKeyLength = minimumOverlap;
inline constexpr uint64_t otherByteInKey = uint64_t{1} << (2 * overlapKeyLength);

// 2^64 divided by the golden ratio: the product's top bits depend on every
// digit of the key, so that keys that differ only in their last bases still
// fall into different buckets.
inline constexpr uint64_t keyHashMultiplier = 0x9E3779B97F4A7C15ull;

// One of 2^bits buckets for the key (bits from 1 to 63).
inline size_t KeyBucket(uint64_t key, int bits) {
    return static_cast<size_t>((key * keyHashMultiplier) >> (64 - bits));
}

// Per byte: its 2-bit digit in a key (A, C, G, T; 0 for other bytes), and
// 4 for a byte other than A, C, G, T.
inline constexpr std::array<uint8_t, 256> keyDigits = [] {
    std::array<uint8_t, 256> table{};
    for (int byte = 0; byte < 256; ++byte) {
        const int base = BaseIndex(static_cast<char>(byte));
        table[byte] = static_cast<uint8_t>(base < 0 ? 4 : base);
    }
    return table;
}();

// The key of the 20 bytes from `bytes`.
inline uint64_t OverlapKey(const char* bytes) {
    uint64_t key = 0;
    unsigned other = 0;
    for (int32_t i = 0; i < overlapKeyLength; ++i) {
        const unsigned digit = keyDigits[static_cast<unsigned char>(bytes[i])];
        other |= digit;
        key = (key << 2) | (digit & 3);
    }
    return other & 4 ? key | otherByteInKey : key;
}

}  // namespace lorvex
