#include "prep/pair_filter.h"

#include <cstring>

namespace lorvex::prep {

std::vector<std::pair<size_t, uint64_t>> LengthHistogram::Counts() const {
    std::vector<std::pair<size_t, uint64_t>> counts;
    for (size_t length = 0; length < inPlace_.size(); ++length)
        if (inPlace_[length] > 0) counts.emplace_back(length, inPlace_[length]);
    counts.insert(counts.end(), longer_.begin(), longer_.end());
    return counts;
}

bool CopyBasesUpperCase(std::string_view sequence, int32_t readLength, char* destination) {
    // Clearing bit 5 upper-cases a, c, g, t, and no other byte becomes A, C,
    // G or T that way. Written without branches so that it vectorises.
    unsigned char invalid = 0;
    for (int32_t i = 0; i < readLength; ++i) {
        const unsigned char base =
            static_cast<unsigned char>(sequence[static_cast<size_t>(i)]) & 0xdf;
        destination[i] = static_cast<char>(base);
        invalid |= (base != 'A') & (base != 'C') & (base != 'G') & (base != 'T');
    }
    return invalid == 0;
}

PairVerdict PackPair(std::string_view firstSequence, std::string_view firstQuality,
                     std::string_view secondSequence, std::string_view secondQuality,
                     int32_t readLength, char* destination) {
    const size_t r = static_cast<size_t>(readLength);
    if (firstSequence.size() < r || secondSequence.size() < r) return PairVerdict::TooShort;
    if (!CopyBasesUpperCase(firstSequence, readLength, destination) ||
        !CopyBasesUpperCase(secondSequence, readLength, destination + r))
        return PairVerdict::NotAcgt;
    std::memcpy(destination + 2 * r, firstQuality.data(), r);
    std::memcpy(destination + 3 * r, secondQuality.data(), r);
    return PairVerdict::Kept;
}

void FilterCounts::Count(PairVerdict verdict) {
    ++pairsRead;
    switch (verdict) {
        case PairVerdict::Kept: ++pairsKept; break;
        case PairVerdict::TooShort: ++droppedTooShort; break;
        case PairVerdict::NotAcgt: ++droppedNotAcgt; break;
    }
}

}  // namespace lorvex::prep
