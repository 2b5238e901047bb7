// Small operations on bases: the prefix code that keys the prefix index,
// complements, case folding and the reverse complement in place.
#pragma once

#include <cstdint>

namespace lorvex {

// Number of leading bases that key the prefix index.
inline constexpr int prefixLength = 12;

// 2-bit digit of a base in the prefix code: C=1, G=2, T=3, anything else 0.
inline constexpr uint32_t BaseDigit(unsigned char base) {
    switch (base) {
        case 'C': return 1;
        case 'G': return 2;
        case 'T': return 3;
        default: return 0;
    }
}

// Complement of A, C, G, T; every other byte is kept as it is.
inline constexpr char ComplementBase(char base) {
    switch (base) {
        case 'A': return 'T';
        case 'T': return 'A';
        case 'C': return 'G';
        case 'G': return 'C';
        default: return base;
    }
}

// Position of A, C, G, T in that order (the order of votes); -1 for any
// other byte.
inline constexpr int BaseIndex(char base) {
    switch (base) {
        case 'A': return 0;
        case 'C': return 1;
        case 'G': return 2;
        case 'T': return 3;
        default: return -1;
    }
}

// a, c, g, t upper-cased; every other byte kept as it is (seed files fold
// only these four).
inline constexpr char FoldBaseCase(char byte) {
    switch (byte) {
        case 'a': return 'A';
        case 'c': return 'C';
        case 'g': return 'G';
        case 't': return 'T';
        default: return byte;
    }
}

// Base-4 number of the first n bytes, first byte most significant; unsigned
// 32-bit arithmetic, so for n above 16 the high digits wrap away.
uint32_t DnaToUint(const char* sequence, int32_t n);

void ReverseComplement(char* sequence, int32_t length);

}  // namespace lorvex
