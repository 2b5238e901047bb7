// The checks after every appended base: enough and dominant votes, a tail
// that is not one repeated byte, and the cap on the bases of one run. Each
// gives 1 to go on and 0 to stop.
#pragma once

#include <cstdint>

namespace lorvex {

inline constexpr int32_t extensionCap = 2000000;

// 1 when the votes total at least minVotes and the highest is at least
// dominanceRatio times the sum of the other three (in single precision).
int32_t SanityCheck(int32_t a, int32_t c, int32_t g, int32_t t, int32_t minVotes,
                    float dominanceRatio);

// 1 when the last `window` bytes hold at least two different values (a varied
// tail, which lets the run go on); 0 when they are all equal or window < 2.
int32_t IsTailRepetitive(const char* sequence, int32_t length, int32_t window);

}  // namespace lorvex
