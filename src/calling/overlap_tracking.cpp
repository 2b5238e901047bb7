#include "calling/overlap_tracking.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#include "seq/byte_lanes.h"
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
constexpr uint32_t noBlock = UINT32_MAX;
constexpr size_t rowBytes = 2 * overlapBlockLanes;
// Cycles after its first row in which a block still takes births: a block
// has the rows of one overlap from 20 bases to the whole mate, and as many
// more.
constexpr int32_t joiningRows = 32;

// The vote codes of a mate's positions: 0-3 a qualifying A, C, G, T; 4 a
// qualifying other byte; 5 a position whose trial never qualifies (below
// the minimum overlap, or of low quality).
void WriteVoteCodes(const char* mate, const uint8_t* quality, int32_t readLength, uint8_t* codes) {
    const auto baseCodes = [](ByteLanes bases) {
        const ByteLanes a = EqualLanes(bases, SplatLanes('A'));
        const ByteLanes c = EqualLanes(bases, SplatLanes('C'));
        const ByteLanes g = EqualLanes(bases, SplatLanes('G'));
        const ByteLanes t = EqualLanes(bases, SplatLanes('T'));
        return (c & 1) | (g & 2) | (t & 3) | (~(a | c | g | t) & otherCode);
    };
    int32_t o = 0;
    for (; o + overlapBlockLanes <= readLength; o += overlapBlockLanes) {
        const ByteLanes qualifies =
            GreaterLanes(LoadLanes(quality + o), SplatLanes(qualityThreshold));
        const ByteLanes code =
            (baseCodes(LoadLanes(mate + o)) & qualifies) | (~qualifies & silentCode);
        StoreLanes(codes + o, code);
    }
    for (; o < readLength; ++o) {
        const int base = BaseIndex(mate[o]);
        codes[o] = static_cast<uint8_t>(quality[o] <= qualityThreshold ? silentCode
                                        : base < 0                     ? otherCode
                                                                       : base);
    }
    std::fill_n(codes, std::min(readLength, minimumOverlap), silentCode);
}

// Per byte: its 2-bit digit in a key (A, C, G, T; 0 for other bytes), and
// 4 for a byte other than A, C, G, T.
constexpr std::array<uint8_t, 256> keyDigits = [] {
    std::array<uint8_t, 256> table{};
    for (int byte = 0; byte < 256; ++byte) {
        const int base = BaseIndex(static_cast<char>(byte));
        table[byte] = static_cast<uint8_t>(base < 0 ? 4 : base);
    }
    return table;
}();

// The 2-bit digits of the 20 bytes, other bytes as 0 and flagged.
uint64_t PrefixKey(const char* bases) {
    uint64_t key = 0;
    unsigned other = 0;
    for (int32_t i = 0; i < keyLength; ++i) {
        const unsigned digit = keyDigits[static_cast<unsigned char>(bases[i])];
        other |= digit;
        key = (key << 2) | (digit & 3);
    }
    return other & 4 ? key | otherByteInKey : key;
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

// A held mate's bytes: its R bases, then the R vote codes.
const uint8_t* MateBytesOf(const TrackedQueueSet& queues, uint64_t mate) {
    return queues.mateBytes.data() + RingIndex(queues, mate) * 2 * queues.readLength;
}

int32_t BlockRows(const TrackedQueueSet& queues) {
    return queues.readLength - minimumOverlap + joiningRows;
}

size_t BlockRowsBytes(const TrackedQueueSet& queues) {
    return static_cast<size_t>(BlockRows(queues)) * rowBytes;
}

// Row k of a block: 16 bases, then 16 vote codes.
uint8_t* RowOf(TrackedQueueSet& queues, uint32_t block, int32_t row) {
    return queues.rows.data() + block * BlockRowsBytes(queues) +
           static_cast<size_t>(row) * rowBytes;
}
const uint8_t* RowOf(const TrackedQueueSet& queues, uint32_t block, int32_t row) {
    return queues.rows.data() + block * BlockRowsBytes(queues) +
           static_cast<size_t>(row) * rowBytes;
}

void Chain(TrackedQueueSet& queues, uint64_t mate) {
    const uint64_t at = RingIndex(queues, mate);
    const size_t bucket = BucketOf(queues, queues.prefixKeys[at]);
    queues.chainNext[at] = queues.buckets[bucket];
    queues.buckets[bucket] = mate + 1;
}

// Doubles the ring, moving every held mate to its new place.
void Grow(TrackedQueueSet& queues) {
    const uint64_t oldMask = queues.capacity - 1;
    const size_t r = 2 * static_cast<size_t>(queues.readLength);
    const std::vector<uint8_t> oldBytes = std::move(queues.mateBytes);
    const std::vector<uint64_t> oldKeys = std::move(queues.prefixKeys);
    const std::vector<uint32_t> oldBlocks = std::move(queues.overlapBlock);
    const std::vector<uint8_t> oldLanes = std::move(queues.overlapLane);
    const std::vector<int32_t> oldRepeats = std::move(queues.repeatIndex);
    queues.capacity = std::max(minimumCapacity, 2 * queues.capacity);
    // Room for a 16-byte load that starts in the last mate's codes.
    queues.mateBytes.assign(queues.capacity * r + byteLanes, 0);
    queues.prefixKeys.assign(queues.capacity, 0);
    queues.chainNext.assign(queues.capacity, 0);
    queues.overlapBlock.assign(queues.capacity, noBlock);
    queues.overlapLane.assign(queues.capacity, 0);
    queues.repeatIndex.assign(queues.capacity, -1);
    queues.buckets.assign(2 * queues.capacity, 0);
    for (uint64_t mate = queues.firstMate; mate < queues.nextMate; ++mate) {
        const uint64_t from = mate & oldMask;
        const uint64_t to = RingIndex(queues, mate);
        std::copy_n(oldBytes.data() + from * r, r, queues.mateBytes.data() + to * r);
        queues.prefixKeys[to] = oldKeys[from];
        queues.overlapBlock[to] = oldBlocks[from];
        queues.overlapLane[to] = oldLanes[from];
        queues.repeatIndex[to] = oldRepeats[from];
        if (TracksOverlaps(queues.readLength)) Chain(queues, mate);
    }
}

uint32_t NewBlock(TrackedQueueSet& queues) {
    uint32_t id;
    if (!queues.freeBlocks.empty()) {
        id = queues.freeBlocks.back();
        queues.freeBlocks.pop_back();
    } else {
        id = static_cast<uint32_t>(queues.blocks.size());
        queues.blocks.emplace_back();
        queues.rows.resize(queues.rows.size() + BlockRowsBytes(queues));
    }
    OverlapBlock& block = queues.blocks[id];
    block = OverlapBlock{};
    block.row = 0;
    block.oldestMate = UINT64_MAX;
    queues.liveBlocks.push_back(id);
    queues.openBlock = id;
    return id;
}

void FreeBlock(TrackedQueueSet& queues, uint32_t id) {
    queues.blocks[id].row = -1;
    queues.freeBlocks.push_back(id);
    if (queues.openBlock == id) queues.openBlock = noBlock;
}

// A block with room for `count` overlaps of `overlap` bases: the open one
// when it has the lanes and the rows, else a new one.
uint32_t BlockWithRoom(TrackedQueueSet& queues, int count, int32_t overlap) {
    const uint32_t id = queues.openBlock;
    if (id != noBlock) {
        const OverlapBlock& block = queues.blocks[id];
        if (block.lanes + count <= overlapBlockLanes &&
            block.row + queues.readLength - overlap <= BlockRows(queues))
            return id;
    }
    return NewBlock(queues);
}

// Puts a held mate, which has no living overlap, into the next lane of a
// block. Returns the lane.
int JoinBlock(TrackedQueueSet& queues, uint32_t id, uint64_t mate) {
    OverlapBlock& block = queues.blocks[id];
    const int lane = block.lanes++;
    block.mates[lane] = mate;
    block.alive[lane] = 0xff;
    block.oldestMate = std::min(block.oldestMate, mate);
    const uint64_t at = RingIndex(queues, mate);
    queues.overlapBlock[at] = id;
    queues.overlapLane[at] = static_cast<uint8_t>(lane);
    return lane;
}

// A lane's last row, where its overlap would reach the whole mate: its base
// there is zero, so that it dies at the next append.
void EndLane(TrackedQueueSet& queues, uint32_t id, int lane, int32_t overlap) {
    RowOf(queues, id, queues.blocks[id].row + queues.readLength - 1 - overlap)[lane] = 0;
}

// Adds the living overlap of `overlap` bases of a held mate that has none
// yet.
void AddOverlap(TrackedQueueSet& queues, uint64_t mate, int32_t overlap) {
    queues.laneVotesFresh = false;
    const uint32_t id = BlockWithRoom(queues, 1, overlap);
    const int lane = JoinBlock(queues, id, mate);
    const uint8_t* bases = MateBytesOf(queues, mate);
    const uint8_t* codes = bases + queues.readLength;
    uint8_t* row = RowOf(queues, id, queues.blocks[id].row);
    for (int32_t o = overlap; o < queues.readLength; ++o, row += rowBytes) {
        row[lane] = bases[o];
        row[overlapBlockLanes + lane] = codes[o];
    }
    EndLane(queues, id, lane, overlap);
}

// Adds overlaps of 20 bases born in this cycle to free lanes of a block,
// their rows filled by transposing 16 positions of the 16 lanes at a time
// and blending the new lanes in. Returns the new lanes.
ByteLanes AddBornOverlaps(TrackedQueueSet& queues, uint32_t id, const uint64_t* mates, int count) {
    const int32_t r = queues.readLength;
    const uint8_t* bytes[overlapBlockLanes] = {};
    ByteLanes newLanes{};
    int lane = 0;
    for (int k = 0; k < count; ++k) {
        lane = JoinBlock(queues, id, mates[k]);
        bytes[lane] = MateBytesOf(queues, mates[k]);
        newLanes[lane] = 0xff;
    }
    ByteLanes in[overlapBlockLanes], out[overlapBlockLanes];
    const int32_t firstRow = queues.blocks[id].row;
    for (int32_t from = minimumOverlap; from < r; from += overlapBlockLanes) {
        const int rowCount = std::min(overlapBlockLanes, r - from);
        uint8_t* row = RowOf(queues, id, firstRow + from - minimumOverlap);
        for (const int32_t half : {0, r}) {
            for (int k = 0; k < overlapBlockLanes; ++k)
                in[k] = bytes[k] ? LoadLanes(bytes[k] + half + from) : ByteLanes{};
            TransposeLanes(in, out);
            for (int i = 0; i < rowCount; ++i) {
                uint8_t* at = row + i * rowBytes + (half == 0 ? 0 : overlapBlockLanes);
                StoreLanes(at, (LoadLanes(at) & ~newLanes) | (out[i] & newLanes));
            }
        }
    }
    for (int k = lane - count + 1; k <= lane; ++k) EndLane(queues, id, k, minimumOverlap);
    return newLanes;
}

// A mate with a second living overlap (in a repeat) moves to the bit-set
// form, which follows all its overlaps at a fixed cost, until it has no
// overlap of 20 bases or more left.
void MoveToRepeats(TrackedQueueSet& queues, uint64_t mate, std::string_view contig) {
    const uint64_t at = RingIndex(queues, mate);
    if (queues.overlapBlock[at] != noBlock) {
        queues.blocks[queues.overlapBlock[at]].alive[queues.overlapLane[at]] = 0;
        queues.overlapBlock[at] = noBlock;
        queues.laneVotesFresh = false;
    }
    const int32_t r = queues.readLength;
    const uint8_t* bytes = MateBytesOf(queues, mate);
    // Qualities that qualify exactly where the vote codes say so.
    std::vector<uint8_t>& quality = queues.repeatQuality;
    quality.resize(static_cast<size_t>(r));
    for (int32_t o = 0; o < r; ++o)
        quality[o] = bytes[r + o] == silentCode ? 0 : qualityThreshold + 1;
    AddMate(queues.repeats, reinterpret_cast<const char*>(bytes), quality.data(), contig);
    queues.repeatIndex[at] = static_cast<int32_t>(queues.repeatMates.size());
    queues.repeatMates.push_back(mate);
}

void RemoveRepeat(TrackedQueueSet& queues, int32_t index) {
    queues.repeatIndex[RingIndex(queues, queues.repeatMates[index])] = -1;
    RemoveMate(queues.repeats, index);
    queues.repeatMates[index] = queues.repeatMates.back();
    queues.repeatMates.pop_back();
    if (static_cast<size_t>(index) < queues.repeatMates.size())
        queues.repeatIndex[RingIndex(queues, queues.repeatMates[index])] = index;
}

// The votes of lanes: per lane and base for up to 255 blocks, then added up.
struct LaneVoteCounter {
    int32_t counts[4] = {0, 0, 0, 0};
    ByteLanes laneCounts[4] = {};
    int pending = 0;
};

void AddLaneCounts(LaneVoteCounter& counter) {
    for (int b = 0; b < 4; ++b) {
        // Lane counts summed in pairs of lanes, then across the two halves.
        uint64_t halves[2];
        std::memcpy(halves, &counter.laneCounts[b], sizeof halves);
        for (uint64_t half : halves) {
            half = (half & 0x00ff00ff00ff00ffull) + ((half >> 8) & 0x00ff00ff00ff00ffull);
            half = (half & 0x0000ffff0000ffffull) + ((half >> 16) & 0x0000ffff0000ffffull);
            counter.counts[b] += static_cast<int32_t>((half & 0xffffffffull) + (half >> 32));
        }
        counter.laneCounts[b] = ByteLanes{};
    }
    counter.pending = 0;
}

[[gnu::always_inline]] inline void CountLaneVotes(LaneVoteCounter& counter, ByteLanes codes,
                                                  ByteLanes alive) {
    for (int b = 0; b < 4; ++b)
        counter.laneCounts[b] -= EqualLanes(codes, SplatLanes(static_cast<uint8_t>(b))) & alive;
    if (++counter.pending == 255) [[unlikely]]
        AddLaneCounts(counter);
}

BaseVotes VotesOf(LaneVoteCounter& counter) {
    AddLaneCounts(counter);
    BaseVotes votes;
    votes.a = counter.counts[0];
    votes.c = counter.counts[1];
    votes.g = counter.counts[2];
    votes.t = counter.counts[3];
    return votes;
}

[[gnu::always_inline]] inline void CountBlockVotes(const TrackedQueueSet& queues, uint32_t id,
                                                   LaneVoteCounter& counter) {
    const OverlapBlock& block = queues.blocks[id];
    CountLaneVotes(counter, LoadLanes(RowOf(queues, id, block.row) + overlapBlockLanes),
                   LoadLanes(block.alive));
}

size_t FilterBit(uint64_t key) {
    return static_cast<size_t>((key * 0x9E3779B97F4A7C15ull) >> (64 - 12));
}

void CountInFilter(TrackedQueueSet& queues, uint64_t key, int change) {
    queues.recentFilter[FilterBit(key)] =
        static_cast<uint16_t>(queues.recentFilter[FilterBit(key)] + change);
}

// Keys the 20 bytes at every start in the contig's tail (its last
// min(L, R-1) bytes), where a new mate's first 20 bytes would have to lie
// for it to overlap the contig's end already. After one appended byte the
// keys only move on by one.
void KeyRecentStarts(TrackedQueueSet& queues, std::string_view tail) {
    const size_t longest = tail.size();
    const size_t keys = longest >= minimumOverlap ? longest - minimumOverlap + 1 : 0;
    std::vector<uint64_t>& recent = queues.recentKeys;
    if (keys > 0 && recent.size() == keys &&
        std::memcmp(tail.data(), queues.recentTail.data() + 1, longest - 1) == 0) {
        CountInFilter(queues, recent.back(), -1);
        std::copy_backward(recent.begin(), recent.end() - 1, recent.end());
        recent[0] = PrefixKey(tail.data() + longest - keyLength);
        CountInFilter(queues, recent[0], 1);
        queues.recentTail.assign(tail);
        return;
    }
    queues.recentTail.assign(tail);
    std::fill(std::begin(queues.recentFilter), std::end(queues.recentFilter), 0);
    recent.resize(keys);
    // One pass over the tail with a rolling key: the 20 bytes ending at i
    // start an overlap of longest - i + 19.
    uint64_t digits = 0;
    unsigned others = 0;
    for (size_t i = 0; i < longest; ++i) {
        const unsigned digit = keyDigits[static_cast<unsigned char>(tail[i])];
        digits = ((digits << 2) | (digit & 3)) & (otherByteInKey - 1);
        others += digit >> 2;
        if (i >= static_cast<size_t>(keyLength))
            others -= keyDigits[static_cast<unsigned char>(tail[i - keyLength])] >> 2;
        if (i + 1 < static_cast<size_t>(keyLength)) continue;
        const uint64_t key = others > 0 ? digits | otherByteInKey : digits;
        recent[longest - i - 1] = key;
        CountInFilter(queues, key, 1);
    }
}

std::string_view RecentTail(std::string_view contig, int32_t readLength) {
    return contig.substr(contig.size() -
                         std::min(contig.size(), static_cast<size_t>(readLength - 1)));
}

}  // namespace

TrackedQueueSet MakeTrackedQueueSet(size_t slotCount, int32_t readLength) {
    TrackedQueueSet queues;
    queues.readLength = readLength;
    queues.slotBegin.assign(slotCount, 0);
    queues.slotEnd.assign(slotCount, 0);
    queues.repeats = MakeOverlapSlot(readLength);
    return queues;
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
    uint8_t* bytes = queues.mateBytes.data() + at * 2 * static_cast<size_t>(r);
    std::memcpy(bytes, mate, static_cast<size_t>(r));
    WriteVoteCodes(mate, quality, r, bytes + r);
    queues.overlapBlock[at] = noBlock;
    queues.repeatIndex[at] = -1;
    if (!TracksOverlaps(r)) return;
    const uint64_t key = PrefixKey(mate);
    queues.prefixKeys[at] = key;
    Chain(queues, number);

    // The overlaps the mate has already: only where the contig's 20 bytes
    // have the mate's key can one start.
    const size_t length = contig.size();
    const std::string_view tail = RecentTail(contig, r);
    const size_t longest = tail.size();
    if (tail != queues.recentTail) KeyRecentStarts(queues, tail);
    if (queues.recentFilter[FilterBit(key)] == 0) return;
    size_t found = 0;
    size_t foundOverlap = 0;
    for (size_t o = minimumOverlap; o <= longest && found < 2; ++o)
        if (queues.recentKeys[o - minimumOverlap] == key &&
            std::memcmp(contig.data() + length - o, mate, o) == 0) {
            ++found;
            foundOverlap = o;
        }
    if (found == 1)
        AddOverlap(queues, number, static_cast<int32_t>(foundOverlap));
    else if (found > 1)
        MoveToRepeats(queues, number, contig);
}

int64_t TrackedMateCount(const TrackedQueueSet& queues) {
    int64_t mates = 0;
    for (size_t slot = 0; slot < queues.slotBegin.size(); ++slot)
        mates += static_cast<int64_t>(queues.slotEnd[slot] - queues.slotBegin[slot]);
    return mates;
}

void RecycleOldestTrackedSlot(TrackedQueueSet& queues) {
    const size_t slot = queues.oldest;
    queues.oldest = (queues.oldest + 1) % queues.slotBegin.size();
    const bool dropsMates = queues.slotBegin[slot] != queues.slotEnd[slot];
    if (dropsMates) queues.firstMate = std::max(queues.firstMate, queues.slotEnd[slot]);
    queues.slotBegin[slot] = queues.slotEnd[slot] = queues.nextMate;
    if (!dropsMates) return;
    // The dropped mates' overlaps die with them.
    for (int32_t index = static_cast<int32_t>(queues.repeatMates.size()); index-- > 0;)
        if (queues.repeatMates[index] < queues.firstMate) RemoveRepeat(queues, index);
    size_t kept = 0;
    for (const uint32_t id : queues.liveBlocks) {
        OverlapBlock& block = queues.blocks[id];
        if (block.oldestMate < queues.firstMate) {
            block.oldestMate = UINT64_MAX;
            bool any = false;
            for (int lane = 0; lane < block.lanes; ++lane) {
                if (block.alive[lane] && block.mates[lane] < queues.firstMate) {
                    block.alive[lane] = 0;
                    queues.laneVotesFresh = false;
                }
                if (block.alive[lane]) {
                    any = true;
                    block.oldestMate = std::min(block.oldestMate, block.mates[lane]);
                }
            }
            if (!any) {
                FreeBlock(queues, id);
                continue;
            }
        }
        queues.liveBlocks[kept++] = id;
    }
    queues.liveBlocks.resize(kept);
}

BaseVotes CountTrackedVotes(const TrackedQueueSet& queues, Variant variant) {
    BaseVotes votes = queues.laneVotes;
    if (!queues.laneVotesFresh) {
        LaneVoteCounter counter;
        for (const uint32_t id : queues.liveBlocks) CountBlockVotes(queues, id, counter);
        votes = VotesOf(counter);
    }
    if (queues.repeats.count > 0) AddSlotVotes(queues.repeats, variant, votes);
    return votes;
}

void AppendToTracked(TrackedQueueSet& queues, std::string_view contig) {
    if (contig.empty()) return;
    const int32_t r = queues.readLength;
    const ByteLanes appended = SplatLanes(static_cast<uint8_t>(contig.back()));

    // An overlap lives on when the appended byte is its candidate (a lane's
    // zero where it would reach the whole mate is never one). The next
    // cycle's votes are counted while the block is at hand.
    LaneVoteCounter counter;
    size_t kept = 0;
    // The loop reads through local pointers: its stores to the blocks could
    // otherwise alias every field of the queue set.
    OverlapBlock* const blocks = queues.blocks.data();
    uint32_t* const live = queues.liveBlocks.data();
    const uint8_t* const rows = queues.rows.data();
    const size_t blockBytes = BlockRowsBytes(queues);
    const size_t liveCount = queues.liveBlocks.size();
    for (size_t i = 0; i < liveCount; ++i) {
        const uint32_t id = live[i];
        OverlapBlock& block = blocks[id];
        const int32_t rowIndex = block.row;
        const uint8_t* const row =
            rows + id * blockBytes + static_cast<size_t>(rowIndex) * rowBytes;
        const ByteLanes alive = LoadLanes(block.alive);
        const ByteLanes lives = alive & EqualLanes(LoadLanes(row), appended);
        const ByteLanes dies = alive & ~lives;
        if (AnyLane(dies)) [[unlikely]] {
            for (int lane = 0; lane < block.lanes; ++lane)
                if (dies[lane]) queues.overlapBlock[RingIndex(queues, block.mates[lane])] = noBlock;
            StoreLanes(block.alive, lives);
            // A block can also have been emptied by mates moved to the repeats.
            if (!AnyLane(lives)) {
                FreeBlock(queues, id);
                continue;
            }
        } else if (!AnyLane(lives)) [[unlikely]] {
            FreeBlock(queues, id);
            continue;
        }
        block.row = rowIndex + 1;
        live[kept++] = id;
        CountLaneVotes(counter, LoadLanes(row + rowBytes + overlapBlockLanes), lives);
    }
    queues.liveBlocks.resize(kept);
    queues.laneVotesFresh = true;  // until a lane is killed or added elsewhere

    // Mates in repeats follow the byte in their bit sets, and return to the
    // blocks once they have no overlap of 20 bases or more.
    if (queues.repeats.count > 0) {
        AppendBaseToSlot(queues.repeats, contig.back());
        for (int32_t index = queues.repeats.count; index-- > 0;)
            if (!HasVotingOverlap(queues.repeats, index)) RemoveRepeat(queues, index);
    }

    // Births: mates whose first 20 bytes equal the contig's last 20, taken
    // oldest first. A mate that has a living overlap already, or is followed
    // in the bit-set form, is not born into a block.
    std::vector<uint64_t>& born = queues.born;
    born.clear();
    if (TracksOverlaps(r) && contig.size() >= static_cast<size_t>(keyLength) &&
        queues.nextMate > queues.firstMate) {
        const char* tail = contig.data() + contig.size() - keyLength;
        const uint64_t key = PrefixKey(tail);
        for (uint64_t link = queues.buckets[BucketOf(queues, key)];
             link != 0 && link - 1 >= queues.firstMate;) {
            const uint64_t mate = link - 1;
            const uint64_t at = RingIndex(queues, mate);
            link = queues.chainNext[at];
            if (queues.prefixKeys[at] != key ||
                ((key & otherByteInKey) &&
                 std::memcmp(MateBytesOf(queues, mate), tail, keyLength) != 0))
                continue;
            if (queues.repeatIndex[at] >= 0) continue;
            if (queues.overlapBlock[at] != noBlock)
                MoveToRepeats(queues, mate, contig);
            else
                born.push_back(mate);
        }
    }
    std::reverse(born.begin(), born.end());
    // New mates look for overlaps they have already among these keys.
    if (TracksOverlaps(r)) KeyRecentStarts(queues, RecentTail(contig, r));
    for (size_t from = 0; from < born.size();) {
        const uint32_t id = BlockWithRoom(queues, 1, minimumOverlap);
        const int count = static_cast<int>(std::min<size_t>(
            static_cast<size_t>(overlapBlockLanes - queues.blocks[id].lanes), born.size() - from));
        const ByteLanes newLanes = AddBornOverlaps(queues, id, born.data() + from, count);
        CountLaneVotes(counter,
                       LoadLanes(RowOf(queues, id, queues.blocks[id].row) + overlapBlockLanes),
                       newLanes);
        from += static_cast<size_t>(count);
    }
    queues.laneVotes = VotesOf(counter);
}

}  // namespace lorvex
