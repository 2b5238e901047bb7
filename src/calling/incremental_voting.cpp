#include "calling/incremental_voting.h"

#include <algorithm>
#include <bit>

#include "seq/nucleotide.h"

namespace lorvex {
namespace {

// Positions of the six sets within a record, in units of `words`.
constexpr size_t overlapsSet = 0;
constexpr size_t qualifyingSet = 1;
constexpr size_t firstBaseSet = 2;  // A; C, G, T follow

void SetBit(uint64_t* set, int32_t bit) {
    set[bit / 64] |= uint64_t{1} << (bit % 64);
}

// The positions of the mate that hold `byte`.
void MaskOfByte(const char* mate, int32_t readLength, char byte, uint64_t* mask, int32_t words) {
    for (int32_t w = 0; w < words; ++w) mask[w] = 0;
    for (int32_t i = 0; i < readLength; ++i)
        if (mate[i] == byte) SetBit(mask, i);
}

// overlaps = ((overlaps << 1) | 1) & mask: the overlap lengths that still
// match after one more contig byte, and the new overlap of length 1.
template <int FixedWords>
inline void ShiftAnd(uint64_t* overlaps, const uint64_t* mask, int32_t dynamicWords) {
    const int32_t words = FixedWords > 0 ? FixedWords : dynamicWords;
    uint64_t carry = 1;
    for (int32_t w = 0; w < words; ++w) {
        const uint64_t word = overlaps[w];
        overlaps[w] = ((word << 1) | carry) & mask[w];
        carry = word >> 63;
    }
}

// Which candidates the qualifying trials of one record name (bit b for base
// b), and whether there is more than one qualifying trial. The trial of
// overlap o (bit o-1 of overlaps and qualifying) has its candidate at mate[o]
// (bit o of the base masks), hence the shift by one. Single bits are told by
// x & (x - 1) rather than a bit count, which without a CPU-specific build
// would be a library call.
struct Candidates {
    unsigned bases = 0;
    bool severalTrials = false;
};

inline bool SingleBit(unsigned bits) {
    return bits != 0 && (bits & (bits - 1)) == 0;
}

template <int FixedWords, bool countTrials>
inline Candidates CandidatesOf(const uint64_t* record, int32_t dynamicWords) {
    const int32_t words = FixedWords > 0 ? FixedWords : dynamicWords;
    const uint64_t* overlaps = record + overlapsSet * words;
    const uint64_t* qualifying = record + qualifyingSet * words;
    const uint64_t* baseMasks = record + firstBaseSet * words;
    uint64_t hits[4] = {0, 0, 0, 0};
    uint64_t carry = 0;
    bool anyTrial = false;
    bool severalTrials = false;
    for (int32_t w = 0; w < words; ++w) {
        const uint64_t trialsHere = overlaps[w] & qualifying[w];
        if constexpr (countTrials) {
            severalTrials |= (trialsHere & (trialsHere - 1)) != 0 || (anyTrial && trialsHere != 0);
            anyTrial |= trialsHere != 0;
        }
        const uint64_t candidatePositions = (trialsHere << 1) | carry;
        carry = trialsHere >> 63;
        for (int b = 0; b < 4; ++b) hits[b] |= candidatePositions & baseMasks[b * words + w];
    }
    Candidates result;
    result.severalTrials = severalTrials;
    for (int b = 0; b < 4; ++b) result.bases |= static_cast<unsigned>(hits[b] != 0) << b;
    return result;
}

// Main variant: one or more qualifying trials naming exactly one of A, C, G,
// T (other candidates count as trials but name no base); a set base flag
// implies a trial, so the trials need not be counted. Strict variant: exactly
// one qualifying trial, whose candidate is A, C, G or T.
template <int FixedWords, Variant variant>
inline int RecordVote(const uint64_t* record, int32_t dynamicWords) {
    const Candidates candidates =
        CandidatesOf<FixedWords, variant == Variant::Strict>(record, dynamicWords);
    if (candidates.severalTrials || !SingleBit(candidates.bases)) return -1;
    return std::countr_zero(candidates.bases);
}

template <int FixedWords, Variant variant>
void AddVotesOfRecords(const OverlapSlot& slot, BaseVotes& votes) {
    const size_t stride = static_cast<size_t>(overlapRecordSets) * slot.words;
    const uint64_t* record = slot.records.data();
    int32_t counts[4] = {0, 0, 0, 0};
    for (int32_t j = 0; j < slot.count; ++j, record += stride) {
        const int vote = RecordVote<FixedWords, variant>(record, slot.words);
        if (vote >= 0) ++counts[vote];
    }
    votes.a += counts[0];
    votes.c += counts[1];
    votes.g += counts[2];
    votes.t += counts[3];
}

template <int FixedWords>
void AddVotesOfRecords(const OverlapSlot& slot, Variant variant, BaseVotes& votes) {
    if (variant == Variant::Main)
        AddVotesOfRecords<FixedWords, Variant::Main>(slot, votes);
    else
        AddVotesOfRecords<FixedWords, Variant::Strict>(slot, votes);
}

template <int FixedWords>
void AppendToRecords(OverlapSlot& slot, int baseIndex) {
    const size_t stride = static_cast<size_t>(overlapRecordSets) * slot.words;
    uint64_t* record = slot.records.data();
    const size_t maskAt = (firstBaseSet + static_cast<size_t>(baseIndex)) * slot.words;
    for (int32_t j = 0; j < slot.count; ++j, record += stride)
        ShiftAnd<FixedWords>(record + overlapsSet * slot.words, record + maskAt, slot.words);
}

// Reads of up to 256 bases, by far the common case, get code unrolled for
// their word count; longer reads share one loop over the words.
template <template <int> class Operation, typename... Arguments>
void DispatchOnWords(int32_t words, Arguments&&... arguments) {
    switch (words) {
        case 1: Operation<1>::Run(arguments...); break;
        case 2: Operation<2>::Run(arguments...); break;
        case 3: Operation<3>::Run(arguments...); break;
        case 4: Operation<4>::Run(arguments...); break;
        default: Operation<0>::Run(arguments...); break;
    }
}

template <int FixedWords>
struct AddVotesOperation {
    static void Run(const OverlapSlot& slot, Variant variant, BaseVotes& votes) {
        AddVotesOfRecords<FixedWords>(slot, variant, votes);
    }
};

template <int FixedWords>
struct AppendOperation {
    static void Run(OverlapSlot& slot, int baseIndex) {
        AppendToRecords<FixedWords>(slot, baseIndex);
    }
};

}  // namespace

int32_t OverlapWords(int32_t readLength) {
    return (readLength + 63) / 64;
}

OverlapSlot MakeOverlapSlot(int32_t readLength) {
    OverlapSlot slot;
    slot.readLength = readLength;
    slot.words = OverlapWords(readLength);
    return slot;
}

void ClearOverlapSlot(OverlapSlot& slot) {
    slot.count = 0;
    slot.records.clear();
    slot.bases.clear();
}

void AddMate(OverlapSlot& slot, const char* mate, const uint8_t* quality, std::string_view contig) {
    const int32_t readLength = slot.readLength;
    const int32_t words = slot.words;
    const size_t stride = static_cast<size_t>(overlapRecordSets) * words;
    const size_t at = static_cast<size_t>(slot.count) * stride;
    slot.records.resize(at + stride, 0);
    slot.bases.insert(slot.bases.end(), mate, mate + readLength);
    uint64_t* record = slot.records.data() + at;
    uint64_t* overlaps = record + overlapsSet * words;
    uint64_t* qualifying = record + qualifyingSet * words;
    uint64_t* baseMasks = record + firstBaseSet * words;

    for (int32_t i = 0; i < readLength; ++i) {
        const int base = BaseIndex(mate[i]);
        if (base >= 0) SetBit(baseMasks + base * words, i);
    }
    for (int32_t overlap = minimumOverlap; overlap <= readLength - 1; ++overlap)
        if (quality[overlap] > qualityThreshold) SetBit(qualifying, overlap - 1);

    // Feed the contig's last min(L, R) bytes: longer overlaps than that cannot
    // match, and bytes further back cannot reach any of the R bits.
    const size_t fed = std::min(contig.size(), static_cast<size_t>(readLength));
    std::vector<uint64_t> otherByteMask;
    char otherByte = 0;
    for (size_t k = contig.size() - fed; k < contig.size(); ++k) {
        const char byte = contig[k];
        const int base = BaseIndex(byte);
        const uint64_t* mask = nullptr;
        if (base >= 0) {
            mask = baseMasks + base * words;
        } else {
            // Bytes other than A, C, G, T (N, lower case) can only come from the
            // seed; their mask is built when met, once per run of equal bytes.
            if (otherByteMask.empty() || byte != otherByte) {
                otherByteMask.resize(static_cast<size_t>(words));
                MaskOfByte(mate, readLength, byte, otherByteMask.data(), words);
                otherByte = byte;
            }
            mask = otherByteMask.data();
        }
        ShiftAnd<0>(overlaps, mask, words);
    }
    ++slot.count;
}

void RemoveMate(OverlapSlot& slot, int32_t mate) {
    const size_t stride = static_cast<size_t>(overlapRecordSets) * slot.words;
    const size_t r = static_cast<size_t>(slot.readLength);
    const int32_t last = slot.count - 1;
    if (mate != last) {
        std::copy_n(slot.records.data() + last * stride, stride,
                    slot.records.data() + mate * stride);
        std::copy_n(slot.bases.data() + last * r, r, slot.bases.data() + mate * r);
    }
    slot.records.resize(last * stride);
    slot.bases.resize(last * r);
    slot.count = last;
}

bool HasVotingOverlap(const OverlapSlot& slot, int32_t mate) {
    const uint64_t* overlaps =
        slot.records.data() + static_cast<size_t>(mate) * overlapRecordSets * slot.words;
    // Bits minimumOverlap - 1 .. R - 2: overlaps of 20 to R - 1 bases.
    const int32_t low = minimumOverlap - 1;
    const int32_t high = slot.readLength - 2;
    for (int32_t w = low / 64; w <= high / 64 && high >= low; ++w) {
        uint64_t mask = ~uint64_t{0};
        if (w == low / 64) mask &= ~uint64_t{0} << (low % 64);
        if (w == high / 64) mask &= ~uint64_t{0} >> (63 - high % 64);
        if (overlaps[w] & mask) return true;
    }
    return false;
}

int MateVote(const OverlapSlot& slot, int32_t mate, Variant variant) {
    const uint64_t* record =
        slot.records.data() + static_cast<size_t>(mate) * overlapRecordSets * slot.words;
    return variant == Variant::Main ? RecordVote<0, Variant::Main>(record, slot.words)
                                    : RecordVote<0, Variant::Strict>(record, slot.words);
}

void AddSlotVotes(const OverlapSlot& slot, Variant variant, BaseVotes& votes) {
    DispatchOnWords<AddVotesOperation>(slot.words, slot, variant, votes);
}

void AppendBaseToSlot(OverlapSlot& slot, char base) {
    const int baseIndex = BaseIndex(base);
    if (baseIndex >= 0) {
        DispatchOnWords<AppendOperation>(slot.words, slot, baseIndex);
        return;
    }
    // The engine only appends A, C, G or T; any other byte is followed
    // through the mates' own bytes.
    const size_t stride = static_cast<size_t>(overlapRecordSets) * slot.words;
    std::vector<uint64_t> mask(static_cast<size_t>(slot.words));
    for (int32_t j = 0; j < slot.count; ++j) {
        MaskOfByte(slot.bases.data() + static_cast<size_t>(j) * slot.readLength, slot.readLength,
                   base, mask.data(), slot.words);
        ShiftAnd<0>(slot.records.data() + j * stride + overlapsSet * slot.words, mask.data(),
                    slot.words);
    }
}

OverlapQueueSet MakeOverlapQueueSet(size_t slotCount, int32_t readLength) {
    OverlapQueueSet queues;
    queues.slots.assign(slotCount, MakeOverlapSlot(readLength));
    return queues;
}

OverlapSlot& SlotFromOldest(OverlapQueueSet& queues, size_t i) {
    return queues.slots[(queues.oldest + i) % queues.slots.size()];
}

OverlapSlot& RecycleOldestSlot(OverlapQueueSet& queues) {
    OverlapSlot& slot = queues.slots[queues.oldest];
    ClearOverlapSlot(slot);
    queues.oldest = (queues.oldest + 1) % queues.slots.size();
    return slot;
}

BaseVotes CountVotesFromOverlaps(const OverlapQueueSet& queues, Variant variant) {
    BaseVotes votes;
    for (const OverlapSlot& slot : queues.slots)
        if (slot.count > 0) AddSlotVotes(slot, variant, votes);
    return votes;
}

void AppendBaseToOverlaps(OverlapQueueSet& queues, char base) {
    for (OverlapSlot& slot : queues.slots)
        if (slot.count > 0) AppendBaseToSlot(slot, base);
}

}  // namespace lorvex
