// Sixteen bytes handled as one vector, through the compiler's vector
// extension: SSE2 on x86-64, NEON on ARM, plain loops elsewhere.
#pragma once

#include <cstdint>
#include <cstring>

namespace lorvex {

inline constexpr int byteLanes = 16;

typedef uint8_t ByteLanes __attribute__((vector_size(byteLanes)));

inline ByteLanes LoadLanes(const void* bytes) {
    ByteLanes lanes;
    std::memcpy(&lanes, bytes, sizeof lanes);
    return lanes;
}

inline void StoreLanes(void* bytes, ByteLanes lanes) {
    std::memcpy(bytes, &lanes, sizeof lanes);
}

inline ByteLanes SplatLanes(uint8_t byte) {
    return ByteLanes{} + byte;
}

inline bool AnyLane(ByteLanes lanes) {
    uint64_t halves[2];
    std::memcpy(halves, &lanes, sizeof halves);
    return (halves[0] | halves[1]) != 0;
}

// 0xff in the lanes where a and b are equal, 0 elsewhere.
inline ByteLanes EqualLanes(ByteLanes a, ByteLanes b) {
    return __builtin_convertvector(a == b, ByteLanes);
}

// 0xff in the lanes where a is greater than b (unsigned), 0 elsewhere.
inline ByteLanes GreaterLanes(ByteLanes a, ByteLanes b) {
    return __builtin_convertvector(a > b, ByteLanes);
}

// The sixteen bytes in reverse order: both halves byte-swapped and
// exchanged, which needs no byte shuffle instruction.
inline ByteLanes ReversedLanes(ByteLanes lanes) {
    uint64_t halves[2];
    std::memcpy(halves, &lanes, sizeof halves);
    const uint64_t reversed[2] = {__builtin_bswap64(halves[1]), __builtin_bswap64(halves[0])};
    std::memcpy(&lanes, reversed, sizeof lanes);
    return lanes;
}

// Interleaving two vectors in units of 1, 2, 4 or 8 bytes, from their low
// halves (Low) or their high halves.
#if defined(__clang__)
#define LORVEX_SHUFFLE_LANES(a, b, ...) __builtin_shufflevector(a, b, __VA_ARGS__)
#else
#define LORVEX_SHUFFLE_LANES(a, b, ...) __builtin_shuffle(a, b, ByteLanes{__VA_ARGS__})
#endif
template <int unit>
inline ByteLanes InterleaveLow(ByteLanes a, ByteLanes b) {
    if constexpr (unit == 1)
        return LORVEX_SHUFFLE_LANES(a, b, 0, 16, 1, 17, 2, 18, 3, 19, 4, 20, 5, 21, 6, 22, 7, 23);
    else if constexpr (unit == 2)
        return LORVEX_SHUFFLE_LANES(a, b, 0, 1, 16, 17, 2, 3, 18, 19, 4, 5, 20, 21, 6, 7, 22, 23);
    else if constexpr (unit == 4)
        return LORVEX_SHUFFLE_LANES(a, b, 0, 1, 2, 3, 16, 17, 18, 19, 4, 5, 6, 7, 20, 21, 22, 23);
    else
        return LORVEX_SHUFFLE_LANES(a, b, 0, 1, 2, 3, 4, 5, 6, 7, 16, 17, 18, 19, 20, 21, 22, 23);
}
template <int unit>
inline ByteLanes InterleaveHigh(ByteLanes a, ByteLanes b) {
    if constexpr (unit == 1)
        return LORVEX_SHUFFLE_LANES(a, b, 8, 24, 9, 25, 10, 26, 11, 27, 12, 28, 13, 29, 14, 30, 15,
                                    31);
    else if constexpr (unit == 2)
        return LORVEX_SHUFFLE_LANES(a, b, 8, 9, 24, 25, 10, 11, 26, 27, 12, 13, 28, 29, 14, 15, 30,
                                    31);
    else if constexpr (unit == 4)
        return LORVEX_SHUFFLE_LANES(a, b, 8, 9, 10, 11, 24, 25, 26, 27, 12, 13, 14, 15, 28, 29, 30,
                                    31);
    else
        return LORVEX_SHUFFLE_LANES(a, b, 8, 9, 10, 11, 12, 13, 14, 15, 24, 25, 26, 27, 28, 29, 30,
                                    31);
}
#undef LORVEX_SHUFFLE_LANES

// A 16 x 16 byte matrix transposed: byte j of out[i] is byte i of in[j].
// Four rounds of interleaving, each pairing units twice as wide.
inline void TransposeLanes(const ByteLanes in[byteLanes], ByteLanes out[byteLanes]) {
    ByteLanes bytes[byteLanes], pairs[byteLanes], quads[byteLanes];
    // bytes[k], k < 8: rows 2k, 2k+1 interleaved at positions 0-7; k + 8: 8-15.
    for (int k = 0; k < 8; ++k) {
        bytes[k] = InterleaveLow<1>(in[2 * k], in[2 * k + 1]);
        bytes[k + 8] = InterleaveHigh<1>(in[2 * k], in[2 * k + 1]);
    }
    // pairs[h + k], k < 4: rows 4k .. 4k+3 at positions h .. h+3; h + k + 4: h+4 .. h+7.
    for (int h = 0; h < byteLanes; h += 8)
        for (int k = 0; k < 4; ++k) {
            pairs[h + k] = InterleaveLow<2>(bytes[h + 2 * k], bytes[h + 2 * k + 1]);
            pairs[h + k + 4] = InterleaveHigh<2>(bytes[h + 2 * k], bytes[h + 2 * k + 1]);
        }
    // quads[q + k], k < 2: rows 8k .. 8k+7 at positions q, q+1; q + k + 2: q+2, q+3.
    for (int q = 0; q < byteLanes; q += 4)
        for (int k = 0; k < 2; ++k) {
            quads[q + k] = InterleaveLow<4>(pairs[q + 2 * k], pairs[q + 2 * k + 1]);
            quads[q + k + 2] = InterleaveHigh<4>(pairs[q + 2 * k], pairs[q + 2 * k + 1]);
        }
    for (int p = 0; p < byteLanes; p += 2) {
        out[p] = InterleaveLow<8>(quads[p], quads[p + 1]);
        out[p + 1] = InterleaveHigh<8>(quads[p], quads[p + 1]);
    }
}

}  // namespace lorvex
