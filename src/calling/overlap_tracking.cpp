#include "calling/overlap_tracking.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#include "seq/nucleotide.h"

namespace lorvex {
namespace {

constexpr int32_t keyLength = minimumOverlap;
// Set in a key whose 20 bytes hold something other than A, C, G, T; such
// keys are confirmed byte by byte.
constexpr uint64_t otherByteInKey = uint64_t{1} << (2 * keyLength);
constexpr int otherCode = 4;   // a qualifying trial whose candidate names no base
constexpr int silentCode = 5;  // a position whose trial never qualifies
constexpr uint64_t minimumCapacity = 64;

unsigned char PositionBase(uint16_t position) {
    return static_cast<unsigned char>(position & 0xff);
}
int PositionCode(uint16_t position) {
    return position >> 8;
}

// The position entries of every byte, when its trial qualifies and when not.
constexpr std::array<uint16_t, 256> PositionTable(bool qualifies) {
    std::array<uint16_t, 256> table{};
    for (int byte = 0; byte < 256; ++byte) {
        const int base = BaseIndex(static_cast<char>(byte));
        table[byte] = static_cast<uint16_t>(byte | ((!qualifies ? silentCode
                                                     : base < 0 ? otherCode
                                                                : base)
                                                    << 8));
    }
    return table;
}
constexpr std::array<uint16_t, 256> qualifyingPositions = PositionTable(true);
constexpr std::array<uint16_t, 256> silentPositions = PositionTable(false);

// The 2-bit digits of the 20 bytes, other bytes as 0 and flagged.
uint64_t PrefixKey(const char* bases) {
    uint64_t key = 0;
    bool other = false;
    for (int32_t i = 0; i < keyLength; ++i) {
        const int base = BaseIndex(bases[i]);
        other |= base < 0;
        key = (key << 2) | static_cast<uint64_t>(base < 0 ? 0 : base);
    }
    return other ? key | otherByteInKey : key;
}

bool TracksOverlaps(int32_t readLength) {
    return readLength - 1 >= minimumOverlap;
}

size_t BucketOf(const TrackedQueueSet& queues, uint64_t key) {
    const int bits = std::countr_zero(queues.buckets.size());
    return static_cast<size_t>((key * 0x9E3779B97F4A7C15ull) >> (64 - bits));
}

uint64_t RingIndex(const TrackedQueueSet& queues, uint64_t mate) {
    return mate & (queues.capacity - 1);
}

const uint16_t* PositionsOf(const TrackedQueueSet& queues, uint64_t mate) {
    return queues.positions.data() + RingIndex(queues, mate) * queues.readLength;
}

void Chain(TrackedQueueSet& queues, uint64_t mate) {
    const uint64_t at = RingIndex(queues, mate);
    const size_t bucket = BucketOf(queues, queues.prefixKeys[at]);
    queues.chainNext[at] = queues.buckets[bucket];
    queues.buckets[bucket] = mate + 1;
}

// Doubles the ring, moving every held mate to its new place.
void Grow(TrackedQueueSet& queues) {
    const uint64_t oldCapacity = queues.capacity;
    const size_t r = static_cast<size_t>(queues.readLength);
    std::vector<uint16_t> oldPositions = std::move(queues.positions);
    std::vector<uint64_t> oldKeys = std::move(queues.prefixKeys);
    queues.capacity = std::max(minimumCapacity, 2 * oldCapacity);
    queues.positions.assign(queues.capacity * r, 0);
    queues.prefixKeys.assign(queues.capacity, 0);
    queues.chainNext.assign(queues.capacity, 0);
    queues.buckets.assign(2 * queues.capacity, 0);
    for (uint64_t mate = queues.firstMate; mate < queues.nextMate; ++mate) {
        const uint64_t from = mate & (oldCapacity - 1);
        const uint64_t to = RingIndex(queues, mate);
        std::copy_n(oldPositions.data() + from * r, r, queues.positions.data() + to * r);
        queues.prefixKeys[to] = oldKeys[from];
        if (TracksOverlaps(queues.readLength)) Chain(queues, mate);
    }
}

// The vote of one mate from its living overlaps' codes, by the variant's rule.
int VoteOfCodes(const TrackedOverlap* first, const TrackedOverlap* last, Variant variant) {
    int trials = 0;
    unsigned bases = 0;
    int lastCode = silentCode;
    for (const TrackedOverlap* overlap = first; overlap != last; ++overlap) {
        const int code = PositionCode(overlap->position);
        if (code == silentCode) continue;
        ++trials;
        lastCode = code;
        if (code < otherCode) bases |= 1u << code;
    }
    if (variant == Variant::Strict) return trials == 1 && lastCode < otherCode ? lastCode : -1;
    return trials >= 1 && std::has_single_bit(bases) ? std::countr_zero(bases) : -1;
}

}  // namespace

TrackedQueueSet MakeTrackedQueueSet(size_t slotCount, int32_t readLength) {
    TrackedQueueSet queues;
    queues.readLength = readLength;
    queues.slotBegin.assign(slotCount, 0);
    queues.slotEnd.assign(slotCount, 0);
    return queues;
}

uint64_t TrackedSlotSize(const TrackedQueueSet& queues, size_t i) {
    const size_t slot = (queues.oldest + i) % queues.slotBegin.size();
    return queues.slotEnd[slot] - queues.slotBegin[slot];
}

void AddTrackedMate(TrackedQueueSet& queues, size_t i, const char* mate, const uint8_t* quality,
                    std::string_view contig) {
    const size_t slot = (queues.oldest + i) % queues.slotBegin.size();
    if (queues.slotBegin[slot] == queues.slotEnd[slot])
        queues.slotBegin[slot] = queues.slotEnd[slot] = queues.nextMate;
    if (queues.nextMate - queues.firstMate == queues.capacity) Grow(queues);
    const uint64_t number = queues.nextMate++;
    queues.slotEnd[slot] = queues.nextMate;

    const int32_t r = queues.readLength;
    const uint64_t at = RingIndex(queues, number);
    uint16_t* positions = queues.positions.data() + at * static_cast<size_t>(r);
    for (int32_t o = 0; o < r; ++o) {
        const unsigned char byte = static_cast<unsigned char>(mate[o]);
        const bool qualifies = o >= minimumOverlap && quality[o] > qualityThreshold;
        positions[o] = qualifies ? qualifyingPositions[byte] : silentPositions[byte];
    }
    if (!TracksOverlaps(r)) return;
    queues.prefixKeys[at] = PrefixKey(mate);
    Chain(queues, number);

    // The overlaps the mate has already: its first 8 bytes sift the
    // lengths before a whole comparison.
    const size_t length = contig.size();
    const size_t longest = std::min(length, static_cast<size_t>(r - 1));
    uint64_t head;
    std::memcpy(&head, mate, sizeof head);
    for (size_t o = minimumOverlap; o <= longest; ++o) {
        const char* end = contig.data() + length - o;
        uint64_t word;
        std::memcpy(&word, end, sizeof word);
        if (word != head || std::memcmp(end, mate, o) != 0) continue;
        queues.overlaps.push_back({number, static_cast<int32_t>(o), positions[o]});
    }
}

void RecycleOldestTrackedSlot(TrackedQueueSet& queues) {
    const size_t slot = queues.oldest;
    if (queues.slotBegin[slot] != queues.slotEnd[slot])
        queues.firstMate = std::max(queues.firstMate, queues.slotEnd[slot]);
    queues.slotBegin[slot] = queues.slotEnd[slot] = queues.nextMate;
    queues.oldest = (queues.oldest + 1) % queues.slotBegin.size();
}

BaseVotes CountTrackedVotes(const TrackedQueueSet& queues, Variant variant) {
    int32_t counts[4] = {0, 0, 0, 0};
    const TrackedOverlap* overlap = queues.overlaps.data();
    const TrackedOverlap* end = overlap + queues.overlaps.size();
    while (overlap != end) {
        const uint64_t mate = overlap->mate;
        const TrackedOverlap* next = overlap + 1;
        if (mate < queues.firstMate) {
            overlap = next;
            continue;
        }
        if (next == end || next->mate != mate) {
            // One living overlap, by far the common case: both rules vote
            // for its candidate when it qualifies and names a base.
            const int code = PositionCode(overlap->position);
            if (code < otherCode) ++counts[code];
            overlap = next;
            continue;
        }
        while (next != end && next->mate == mate) ++next;
        const int vote = VoteOfCodes(overlap, next, variant);
        if (vote >= 0) ++counts[vote];
        overlap = next;
    }
    BaseVotes votes;
    votes.a = counts[0];
    votes.c = counts[1];
    votes.g = counts[2];
    votes.t = counts[3];
    return votes;
}

void AppendToTracked(TrackedQueueSet& queues, std::string_view contig) {
    if (contig.empty()) return;
    const int32_t r = queues.readLength;
    const unsigned char appended = static_cast<unsigned char>(contig.back());

    // An overlap lives on when the appended byte is its candidate; the
    // survivors are compacted in place, keeping their order.
    TrackedOverlap* overlaps = queues.overlaps.data();
    const size_t count = queues.overlaps.size();
    const uint64_t firstMate = queues.firstMate;
    size_t kept = 0;
    for (size_t k = 0; k < count; ++k) {
        TrackedOverlap overlap = overlaps[k];
        if (overlap.mate < firstMate || PositionBase(overlap.position) != appended ||
            overlap.overlap + 1 > r - 1)
            continue;
        ++overlap.overlap;
        overlap.position = PositionsOf(queues, overlap.mate)[overlap.overlap];
        overlaps[kept++] = overlap;
    }
    queues.overlaps.resize(kept);

    // Births: mates whose first 20 bytes equal the contig's last 20.
    std::vector<TrackedOverlap>& births = queues.births;
    births.clear();
    if (TracksOverlaps(r) && contig.size() >= static_cast<size_t>(keyLength) &&
        queues.nextMate > queues.firstMate) {
        const char* tail = contig.data() + contig.size() - keyLength;
        const uint64_t key = PrefixKey(tail);
        for (uint64_t link = queues.buckets[BucketOf(queues, key)];
             link != 0 && link - 1 >= queues.firstMate;) {
            const uint64_t mate = link - 1;
            const uint64_t at = RingIndex(queues, mate);
            const uint16_t* positions = PositionsOf(queues, mate);
            bool equal = queues.prefixKeys[at] == key;
            for (int32_t i = 0; equal && (key & otherByteInKey) && i < keyLength; ++i)
                equal = PositionBase(positions[i]) == static_cast<unsigned char>(tail[i]);
            if (equal) births.push_back({mate, minimumOverlap, positions[minimumOverlap]});
            link = queues.chainNext[at];
        }
        std::reverse(births.begin(), births.end());
    }

    // Merge the births in from the back; both runs ascend by mate.
    if (births.empty()) return;
    queues.overlaps.resize(kept + births.size());
    TrackedOverlap* merged = queues.overlaps.data();
    size_t from = kept;
    size_t born = births.size();
    for (size_t to = kept + born; born > 0;) {
        if (from > 0 && merged[from - 1].mate > births[born - 1].mate)
            merged[--to] = merged[--from];
        else
            merged[--to] = births[--born];
    }
}

}  // namespace lorvex
