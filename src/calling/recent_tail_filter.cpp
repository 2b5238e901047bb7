#include "calling/recent_tail_filter.h"

#include <algorithm>
#include <cstring>

#include "calling/overlap_key.h"

namespace lorvex {

void RecentTailFilter::CountInFilter(uint64_t key, int change) {
    uint16_t& count = keysInEntry_[KeyBucket(key, recentFilterBits)];
    count = static_cast<uint16_t>(count + change);
}

void RecentTailFilter::MoveOn(std::string_view tail) {
    const size_t longest = tail.size();
    const size_t keyCount = longest >= overlapKeyLength ? longest - overlapKeyLength + 1 : 0;
    if (keyCount > 0 && keys_.size() == keyCount &&
        std::memcmp(tail.data(), tail_.data() + 1, longest - 1) == 0) {
        CountInFilter(keys_.back(), -1);
        std::copy_backward(keys_.begin(), keys_.end() - 1, keys_.end());
        keys_[0] = OverlapKey(tail.data() + longest - overlapKeyLength);
        CountInFilter(keys_[0], 1);
        tail_.assign(tail);
        return;
    }
    tail_.assign(tail);
    keys_.resize(keyCount);
    KeyWholeTail();
}

// One pass over the tail with a rolling key: the 20 bytes ending at i start
// an overlap of longest - i + 19.
void RecentTailFilter::KeyWholeTail() {
    std::fill(keysInEntry_.begin(), keysInEntry_.end(), 0);
    const size_t longest = tail_.size();
    constexpr size_t keyLength = overlapKeyLength;
    uint64_t digits = 0;
    unsigned others = 0;  // bytes other than A, C, G, T among the last 20
    for (size_t i = 0; i < longest; ++i) {
        const unsigned digit = keyDigits[static_cast<unsigned char>(tail_[i])];
        digits = ((digits << 2) | (digit & 3)) & (otherByteInKey - 1);
        others += digit >> 2;
        if (i >= keyLength)
            others -= keyDigits[static_cast<unsigned char>(tail_[i - keyLength])] >> 2;
        if (i + 1 < keyLength) continue;
        const uint64_t key = others > 0 ? digits | otherByteInKey : digits;
        keys_[longest - i - 1] = key;
        CountInFilter(key, 1);
    }
}

TailOverlaps RecentTailFilter::OverlapsOf(const char* mate, uint64_t key) const {
    TailOverlaps found;
    if (keysInEntry_[KeyBucket(key, recentFilterBits)] == 0) return found;
    const size_t longest = tail_.size();
    for (size_t o = overlapKeyLength; o <= longest && found.count < 2; ++o)
        if (keys_[o - overlapKeyLength] == key &&
            std::memcmp(tail_.data() + longest - o, mate, o) == 0) {
            ++found.count;
            found.overlap = static_cast<int32_t>(o);
        }
    return found;
}

}  // namespace lorvex
