#include "prep/read_length_choice.h"

#include <algorithm>

#include "calling/overlap_voting.h"
#include "prep/pair_filter.h"

namespace lorvex::prep {

size_t UsableLength(std::string_view sequence) {
    // The test PackPair applies: clearing bit 5 upper-cases a, c, g, t only.
    for (size_t i = 0; i < sequence.size(); ++i) {
        const unsigned char base = static_cast<unsigned char>(sequence[i]) & 0xdf;
        if (base != 'A' && base != 'C' && base != 'G' && base != 'T') return i;
    }
    return sequence.size();
}

void PairLengths::Add(std::string_view firstSequence, std::string_view secondSequence) {
    const size_t usable = std::min({UsableLength(firstSequence), UsableLength(secondSequence),
                                    static_cast<size_t>(greatestReadLength)});
    if (usable >= pairsUsableFor.size()) pairsUsableFor.resize(usable + 1, 0);
    ++pairsUsableFor[usable];
    ++pairs;
}

uint64_t LengthCandidate::VotingRoom() const {
    return readLength > minimumOverlap
               ? pairsKept * static_cast<uint64_t>(readLength - minimumOverlap)
               : 0;
}

std::vector<LengthCandidate> LengthCandidates(const PairLengths& lengths) {
    std::vector<LengthCandidate> candidates;
    uint64_t kept = 0;
    for (size_t length = lengths.pairsUsableFor.size(); length-- > leastReadLength;) {
        kept += lengths.pairsUsableFor[length];
        if (kept > 0) candidates.push_back({static_cast<int32_t>(length), kept});
    }
    // Below the shortest usable length every R keeps the same pairs.
    while (candidates.size() > 1 && candidates.back().pairsKept == candidates.end()[-2].pairsKept)
        candidates.pop_back();
    return candidates;
}

int32_t ChooseReadLength(const std::vector<LengthCandidate>& candidates) {
    int32_t chosen = 0;
    uint64_t best = 0;
    // Longest first, so a tie keeps the longer R.
    for (const LengthCandidate& candidate : candidates) {
        if (candidate.VotingRoom() > best) {
            best = candidate.VotingRoom();
            chosen = candidate.readLength;
        }
    }
    return chosen;
}

uint64_t PairsKeptAt(const std::vector<LengthCandidate>& candidates, int32_t readLength) {
    uint64_t kept = 0;
    for (const LengthCandidate& candidate : candidates) {
        if (candidate.readLength < readLength) break;
        kept = candidate.pairsKept;
    }
    return kept;
}

std::vector<LengthCandidate> ShownCandidates(const std::vector<LengthCandidate>& candidates,
                                             int32_t chosen, int32_t used) {
    std::vector<int32_t> lengths = {chosen, used, used - 10, used - 20, used - 30};
    if (!candidates.empty()) lengths.push_back(candidates.front().readLength);
    std::sort(lengths.begin(), lengths.end(), std::greater<>());
    lengths.erase(std::unique(lengths.begin(), lengths.end()), lengths.end());
    std::vector<LengthCandidate> shown;
    for (const int32_t length : lengths)
        if (length >= leastReadLength) shown.push_back({length, PairsKeptAt(candidates, length)});
    return shown;
}

}  // namespace lorvex::prep
