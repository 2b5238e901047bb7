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

}  // namespace lorvex
