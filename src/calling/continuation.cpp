#include "calling/continuation.h"

#include <algorithm>

namespace lorvex {

int32_t SanityCheck(int32_t a, int32_t c, int32_t g, int32_t t, int32_t minVotes,
                    float dominanceRatio) {
    if (a + c + g + t < minVotes) return 0;
    int32_t sorted[4] = {a, c, g, t};
    std::sort(sorted, sorted + 4);
    const float others = static_cast<float>(sorted[0] + sorted[1] + sorted[2]);
    const float product = others * dominanceRatio;
    const float highest = static_cast<float>(sorted[3]);
    return product > highest ? 0 : 1;
}

int32_t IsTailRepetitive(const char* sequence, int32_t length, int32_t window) {
    if (window < 2) return 0;
    const int32_t first = length - window;
    for (int32_t i = first + 1; i < length; ++i)
        if (sequence[i] != sequence[first]) return 1;
    return 0;
}

}  // namespace lorvex
