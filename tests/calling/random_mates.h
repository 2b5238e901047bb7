// Random contigs and mates for the vote tests: sequences with repetitive
// stretches and unusual bytes, and mates copied from them with miscalls and
// qualities on both sides of the threshold.
#pragma once

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace lorvex {

using Random = std::mt19937_64;

inline int Uniform(Random& random, int low, int high) {
    return std::uniform_int_distribution<int>(low, high)(random);
}

inline bool Chance(Random& random, double probability) {
    return std::bernoulli_distribution(probability)(random);
}

// A sequence whose later part the contig will grow into: random bases, a
// repetitive stretch (homopolymer or a short repeat unit) around the point
// where the contig starts, and now and then N or a lower-case base.
inline std::string FutureSequence(Random& random, size_t length, size_t start) {
    std::string sequence(length, 'A');
    for (char& base : sequence) base = "ACGT"[Uniform(random, 0, 3)];
    if (Chance(random, 0.6)) {
        const int period = Uniform(random, 1, 4);
        const std::string unit = sequence.substr(0, static_cast<size_t>(period));
        const size_t from =
            start - std::min<size_t>(start, static_cast<size_t>(Uniform(random, 5, 400)));
        const size_t to = std::min(length, start + static_cast<size_t>(Uniform(random, 0, 60)));
        for (size_t i = from; i < to; ++i) sequence[i] = unit[(i - from) % unit.size()];
    }
    const char unusual[] = {'N', 'n', 'a', 'c', 'g', 't', 'X'};
    for (char& base : sequence)
        if (Chance(random, 0.01)) base = unusual[Uniform(random, 0, 6)];
    return sequence;
}

// A mate copied from the sequence at `start` (so that it overlaps the contig
// end by a varying amount as the contig grows), with some miscalls and
// unusual bytes, and qualities spread over low, high and wrapped values.
inline void MakeMate(Random& random, const std::string& sequence, size_t start, int32_t readLength,
                     std::string& mate, std::vector<uint8_t>& quality) {
    mate.assign(static_cast<size_t>(readLength), 'A');
    quality.assign(static_cast<size_t>(readLength), 0);
    const double errorRate = Chance(random, 0.5) ? 0.0 : 0.03;
    for (int32_t i = 0; i < readLength; ++i) {
        const size_t at = start + static_cast<size_t>(i);
        mate[i] = at < sequence.size() ? sequence[at] : "ACGT"[Uniform(random, 0, 3)];
        if (Chance(random, errorRate)) mate[i] = "ACGTNn"[Uniform(random, 0, 5)];
        const int kind = Uniform(random, 0, 9);
        quality[i] = static_cast<uint8_t>(kind < 6   ? Uniform(random, 30, 60)
                                          : kind < 8 ? Uniform(random, 0, 29)
                                          : kind < 9 ? Uniform(random, 223, 255)
                                                     : Uniform(random, 28, 31));
    }
}

}  // namespace lorvex
