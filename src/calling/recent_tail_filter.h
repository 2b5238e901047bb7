// The keys of the contig's recent tail, its last min(L, R-1) bytes: the keys
// of the 20 bytes at every start there, where a new mate's first 20 bytes
// would have to lie for it to overlap the contig's end already, with a
// counting filter over them that turns most new mates away at one lookup.
// A mate is added in the cycle its window is taken in, against the tail of
// that cycle, so the keys are made once per cycle; after one appended byte
// they only move on by one.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lorvex {

// The filter has 2^12 entries, counted by the top 12 bits of a key's hash.
inline constexpr int recentFilterBits = 12;

// The overlaps of 20 bytes or more a mate has with the tail: none, one (of
// `overlap` bytes) or several (count 2).
struct TailOverlaps {
    int count = 0;
    int32_t overlap = 0;
};

class RecentTailFilter {
  public:
    // Keys the tail, the contig's last min(L, R-1) bytes, after a byte was
    // appended: the keys move on by one when the tail is the last one moved
    // on by that byte, and are made anew otherwise.
    void MoveOn(std::string_view tail);

    // Keys the tail unless it is keyed already.
    void Follow(std::string_view tail) {
        if (tail != tail_) MoveOn(tail);
    }

    // The overlaps with the tail of a mate whose first 20 bytes have `key`.
    TailOverlaps OverlapsOf(const char* mate, uint64_t key) const;

  private:
    void CountInFilter(uint64_t key, int change);
    void KeyWholeTail();

    std::string tail_;
    // The key at the start of an overlap of o bytes at index o - 20.
    std::vector<uint64_t> keys_;
    std::array<uint16_t, size_t{1} << recentFilterBits> keysInEntry_ = {};
};

}  // namespace lorvex
