#include "reference/literal_voting.h"

#include <cstring>

#include "seq/nucleotide.h"

namespace lorvex {

void IncrementCountsFromRead(const char* mate, const uint8_t* quality, BaseVotes& votes,
                             const char* contig, int32_t contigLength, int32_t readLength,
                             Variant variant) {
    if (readLength - 1 < minimumOverlap) return;
    int32_t qualifyingTrials = 0;
    bool present[4] = {false, false, false, false};
    char lastCandidate = 0;
    for (int32_t overlap = readLength - 1; overlap >= minimumOverlap; --overlap) {
        if (overlap > contigLength) continue;  // cannot overlap a shorter contig
        if (std::strncmp(contig + contigLength - overlap, mate, overlap) != 0) continue;
        if (quality[overlap] <= qualityThreshold) continue;
        ++qualifyingTrials;
        lastCandidate = mate[overlap];
        const int slot = BaseIndex(lastCandidate);
        if (slot >= 0) present[slot] = true;
    }
    if (variant == Variant::Main) {
        const int distinct = present[0] + present[1] + present[2] + present[3];
        if (qualifyingTrials < 1 || distinct != 1) return;
        for (int slot = 0; slot < 4; ++slot)
            if (present[slot]) AddVote(votes, "ACGT"[slot]);
    } else if (qualifyingTrials == 1) {
        AddVote(votes, lastCandidate);
    }
}

BaseVotes CountNextBase(const std::string& contig, const QueueSet& queues, int32_t readLength,
                        Variant variant) {
    BaseVotes votes;
    const int32_t length = static_cast<int32_t>(contig.size());
    for (const MateQueue& slot : queues)
        for (size_t j = 0; j < slot.mates.size(); ++j)
            IncrementCountsFromRead(slot.mates[j].c_str(), slot.qualities[j].data(), votes,
                                    contig.data(), length, readLength, variant);
    return votes;
}

}  // namespace lorvex
