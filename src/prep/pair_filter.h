// Which read pairs go into the table, and in what form: every read is cut to
// the table's read length R, bases are upper-cased, and a pair is dropped
// when a read is shorter than R or its first R bases hold anything but A, C,
// G and T, such as the unknown bases N and '.' (the prefix code reads N as
// A, so such a read would sit in the wrong group, and it can never equal a
// window of the contig anyway).
#pragma once

#include <cstdint>
#include <map>
#include <string_view>
#include <utility>
#include <vector>

namespace lorvex::prep {

// What the table format allows: the prefix code takes 12 bases, and the
// programs measure reads in a buffer of 1,024 bytes.
inline constexpr int32_t leastReadLength = 12;
inline constexpr int32_t greatestReadLength = 1023;

enum class PairVerdict { Kept, TooShort, NotAcgt };

// Counts of the read lengths seen. Lengths up to a few thousand bases, all
// that short reads have, are counted in place; longer ones in a map, so that
// a few very long reads cost no memory to speak of.
class LengthHistogram {
  public:
    void Add(size_t length) {
        if (length < inPlace_.size())
            ++inPlace_[length];
        else
            ++longer_[length];
    }
    // (length, reads) for every length seen, shortest first.
    std::vector<std::pair<size_t, uint64_t>> Counts() const;

  private:
    std::vector<uint64_t> inPlace_ = std::vector<uint64_t>(4096, 0);
    std::map<size_t, uint64_t> longer_;
};

// The packed form of a kept pair: first read, second read, first quality,
// second quality, R bytes each, no separators.
inline constexpr int pairFieldCount = 4;
inline size_t PackedPairBytes(int32_t readLength) {
    return pairFieldCount * static_cast<size_t>(readLength);
}

// Copies the first readLength bases, upper-cased, to destination; false when
// one of them is not A, C, G or T (destination then holds junk).
bool CopyBasesUpperCase(std::string_view sequence, int32_t readLength, char* destination);

// Judges one pair and, when it is kept, packs it into destination
// (PackedPairBytes(readLength) bytes). Qualities must already be as long as
// their sequences.
PairVerdict PackPair(std::string_view firstSequence, std::string_view firstQuality,
                     std::string_view secondSequence, std::string_view secondQuality,
                     int32_t readLength, char* destination);

struct FilterCounts {
    uint64_t pairsRead = 0;
    uint64_t pairsKept = 0;
    uint64_t droppedTooShort = 0;
    uint64_t droppedNotAcgt = 0;
    void Count(PairVerdict verdict);
};

}  // namespace lorvex::prep
