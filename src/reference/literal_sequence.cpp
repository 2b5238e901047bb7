#include "reference/literal_sequence.h"

#include <utility>

namespace lorvex {

int32_t PosIntPower(int32_t base, int32_t exponent) {
    uint32_t result = 1;
    for (int32_t i = 0; i < exponent; ++i) result *= static_cast<uint32_t>(base);
    return static_cast<int32_t>(result);
}

void ReverseString(char* sequence, int32_t length) {
    for (int32_t i = 0; i < (length + 1) / 2; ++i) std::swap(sequence[i], sequence[length - 1 - i]);
}

void SwapStrings(std::string& first, std::string& second) {
    first.swap(second);
}

}  // namespace lorvex
