#include "seq/nucleotide.h"

namespace lorvex {

uint32_t DnaToUint(const char* sequence, int32_t n) {
    uint32_t code = 0;
    uint32_t weight = 1;
    for (int32_t i = n - 1; i >= 0; --i) {
        code += weight * BaseDigit(static_cast<unsigned char>(sequence[i]));
        weight *= 4;
    }
    return code;
}

void ReverseComplement(char* sequence, int32_t length) {
    for (int32_t i = 0; i < (length + 1) / 2; ++i) {
        const char front = sequence[i];
        const char back = sequence[length - 1 - i];
        sequence[i] = ComplementBase(back);
        sequence[length - 1 - i] = ComplementBase(front);
    }
}

}  // namespace lorvex
