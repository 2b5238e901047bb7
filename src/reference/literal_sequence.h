// Byte-string helpers of the literal functions: integer powers, in-place
// reversal and a handle swap. The programs need none of them.
#pragma once

#include <cstdint>
#include <string>

namespace lorvex {

// base raised to exponent in wrapping 32-bit arithmetic; 1 for exponent <= 0.
int32_t PosIntPower(int32_t base, int32_t exponent);

void ReverseString(char* sequence, int32_t length);
void SwapStrings(std::string& first, std::string& second);

}  // namespace lorvex
