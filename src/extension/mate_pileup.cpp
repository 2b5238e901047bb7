#include "extension/mate_pileup.h"

#include <algorithm>
#include <array>
#include <cstdlib>

#include "mates/mate_fetch.h"
#include "mates/mates_ahead.h"
#include "mates/pair_table_mates.h"
#include "seq/nucleotide.h"

namespace lorvex {
namespace {

// The 2-bit code of `length` bases, or -1 when one is not A, C, G or T.
int64_t KeyCode(const char* bases, int32_t length) {
    uint64_t code = 0;
    for (int32_t i = 0; i < length; ++i) {
        const int digit = BaseIndex(bases[i]);
        if (digit < 0) return -1;
        code = code << 2 | static_cast<uint64_t>(digit);
    }
    return static_cast<int64_t>(code);
}

// The nearest window's distance behind the contig's end.
int64_t NearestDistance(const ExtensionRules& rules, int32_t readLength) {
    return int64_t{rules.parameters.maxDistance} + 1 -
           WindowCount(rules.variant, rules.parameters, readLength);
}

// The tally lane of a byte: A, C, G, T, and 4 for any other.
constexpr std::array<uint8_t, 256> laneOf = [] {
    std::array<uint8_t, 256> lanes{};
    lanes.fill(4);
    lanes['A'] = 0;
    lanes['C'] = 1;
    lanes['G'] = 2;
    lanes['T'] = 3;
    return lanes;
}();

}  // namespace

std::vector<BaseVotes> MatePileup::Counts() const {
    std::vector<BaseVotes> counts(tallies_.size() / 5);
    for (size_t i = 0; i < counts.size(); ++i)
        counts[i] = {tallies_[5 * i], tallies_[5 * i + 1], tallies_[5 * i + 2],
                     tallies_[5 * i + 3]};
    return counts;
}

PileupGeometry PileupGeometryFor(const ExtensionRules& rules, int32_t readLength) {
    PileupGeometry geometry;
    geometry.readLength = readLength;
    geometry.nearest = NearestDistance(rules, readLength) - readLength;
    geometry.farthest = rules.parameters.maxDistance;
    geometry.mismatches = std::max(2, readLength / 16);
    return geometry;
}

std::vector<int32_t> PileupKeyOffsets(int32_t readLength) {
    std::vector<int32_t> offsets;
    for (int32_t at = 0; at + pileupKeyLength <= readLength; at += pileupKeyLength)
        offsets.push_back(at);
    if (readLength % pileupKeyLength != 0 && readLength > pileupKeyLength)
        offsets.push_back(readLength - pileupKeyLength);
    return offsets;
}

MatePileup::MatePileup(const std::string& contig, int64_t from, int64_t to,
                       const PileupGeometry& geometry)
    : contig_(contig),
      from_(std::clamp<int64_t>(from, 0, static_cast<int64_t>(contig.size()))),
      to_(std::clamp<int64_t>(to, from_, static_cast<int64_t>(contig.size()))),
      geometry_(geometry),
      keyOffsets_(PileupKeyOffsets(geometry.readLength)),
      tallies_(static_cast<size_t>(to_ - from_) * 5) {
    indexFrom_ = std::max<int64_t>(0, from_ - geometry.readLength);
    const int64_t indexTo =
        std::min<int64_t>(static_cast<int64_t>(contig.size()), to_ + geometry.readLength);
    const int64_t keys = std::max<int64_t>(0, indexTo - pileupKeyLength + 1 - indexFrom_);
    // Half full at most.
    while ((int64_t{1} << slotBits_) < 2 * keys) ++slotBits_;
    slotKeys_.assign(size_t{1} << slotBits_, 0);
    slotHeads_.assign(size_t{1} << slotBits_, -1);
    previous_.assign(static_cast<size_t>(keys), -1);
    for (int64_t at = 0; at < keys; ++at) {
        const int64_t code = KeyCode(contig.data() + indexFrom_ + at, pileupKeyLength);
        if (code < 0) continue;
        const size_t slot = Slot(static_cast<uint64_t>(code));
        previous_[static_cast<size_t>(at)] = slotHeads_[slot];
        slotKeys_[slot] = static_cast<uint64_t>(code) + 1;
        slotHeads_[slot] = static_cast<int32_t>(at);
    }
}

size_t MatePileup::Slot(uint64_t code) const {
    const size_t mask = (size_t{1} << slotBits_) - 1;
    size_t slot = static_cast<size_t>((code * 0x9E3779B97F4A7C15ull) >> (64 - slotBits_)) & mask;
    while (slotKeys_[slot] != 0 && slotKeys_[slot] != code + 1) slot = (slot + 1) & mask;
    return slot;
}

int64_t MatePileup::Mismatches(const char* mate, int64_t start, int32_t most) const {
    const int64_t overlap =
        std::min<int64_t>(geometry_.readLength, static_cast<int64_t>(contig_.size()) - start);
    const char* bases = contig_.data() + start;
    int64_t mismatches = 0;
    for (int64_t i = 0; i < overlap && mismatches <= most; ++i) mismatches += mate[i] != bases[i];
    return mismatches;
}

void MatePileup::Add(int64_t window, const char* mate, const uint8_t* quality) {
    const int64_t lowest = std::max<int64_t>(0, window + geometry_.nearest);
    const int64_t highest = window + geometry_.farthest;
    if (highest < lowest) return;
    candidates_.clear();
    for (const int32_t offset : keyOffsets_) {
        const int64_t code = KeyCode(mate + offset, pileupKeyLength);
        if (code < 0) continue;
        int32_t at = slotHeads_[Slot(static_cast<uint64_t>(code))];
        // A key's positions, from the last one down.
        while (at >= 0 && indexFrom_ + at - offset > highest)
            at = previous_[static_cast<size_t>(at)];
        for (; at >= 0 && indexFrom_ + at - offset >= lowest;
             at = previous_[static_cast<size_t>(at)])
            candidates_.push_back(indexFrom_ + at - offset);
    }
    std::sort(candidates_.begin(), candidates_.end());
    candidates_.erase(std::unique(candidates_.begin(), candidates_.end()), candidates_.end());
    int64_t best = -1, fewest = int64_t{geometry_.mismatches} + 1;
    bool tied = false;
    for (const int64_t start : candidates_) {
        const int64_t mismatches = Mismatches(mate, start, static_cast<int32_t>(fewest));
        if (mismatches < fewest) {
            best = start;
            fewest = mismatches;
            tied = false;
        } else if (mismatches == fewest) {
            tied = true;
        }
    }
    if (best < 0 || tied) return;
    const int64_t end = std::min<int64_t>(best + geometry_.readLength, to_);
    for (int64_t at = std::max(best, from_); at < end; ++at) {
        const int64_t i = at - best;
        const int lane = quality[i] > qualityThreshold ? laneOf[static_cast<uint8_t>(mate[i])] : 4;
        ++tallies_[static_cast<size_t>(at - from_) * 5 + lane];
    }
}

namespace {

// Calls use(window, mates) for each window that visitWindows(visit) visits
// (in increasing order) and that lies inside the contig.
template <typename VisitWindows, typename Use>
void ForEachWindowMates(const std::string& contig, const RunInputs& inputs,
                        const AnchorRule& anchor, VisitWindows&& visitWindows, Use&& use) {
    const int64_t last =
        static_cast<int64_t>(contig.size()) - std::max(anchor.length, int32_t{prefixLength});
    const auto fetchAll = [&](auto& mates) {
        visitWindows([&](int64_t window) {
            if (window >= 0 && window <= last) use(window, mates.Fetch(contig, window));
        });
    };
    if (inputs.Compact()) {
        // Shorter mates come padded with bytes that lie on no contig and
        // never count.
        PairTableMates mates(*inputs.pairs, anchor, inputs.ReadLength());
        fetchAll(mates);
    } else {
        // The windows are all known: their groups are read in batches.
        MatesAhead mates(inputs.table, inputs.index, anchor, TableReadMode::Batched, 0);
        fetchAll(mates);
    }
}

// The same for a list of windows, with the run's own anchor rule.
template <typename Use>
void ForListedWindowMates(const std::string& contig, const std::vector<int64_t>& windows,
                          const RunInputs& inputs, const ExtensionRules& rules, Use&& use) {
    ForEachWindowMates(
        contig, inputs, RunAnchor(rules.variant, rules.parameters, inputs.ReadLength()),
        [&](auto&& visit) {
            for (const int64_t window : windows) visit(window);
        },
        use);
}

// The pileup over [from, to) of `contig` of the mates of windows first to
// last.
std::vector<BaseVotes> StrandPileup(const std::string& contig, int64_t from, int64_t to,
                                    int64_t first, int64_t last, const RunInputs& inputs,
                                    const PileupGeometry& geometry, const AnchorRule& anchor) {
    MatePileup pileup(contig, from, to, geometry);
    ForEachWindowMates(
        contig, inputs, anchor,
        [&](auto&& visit) {
            for (int64_t window = std::max<int64_t>(0, first); window <= last; ++window)
                visit(window);
        },
        [&](int64_t window, const SelectedMates& selected) {
            for (int32_t i = 0; i < selected.count; ++i)
                pileup.Add(window, selected.Mate(i), selected.Quality(i));
        });
    return pileup.Counts();
}

}  // namespace

std::vector<int32_t> WindowMateCounts(const std::string& contig,
                                      const std::vector<int64_t>& windows, const RunInputs& inputs,
                                      const ExtensionRules& rules) {
    std::vector<int32_t> counts(windows.size(), 0);
    size_t next = 0;
    ForListedWindowMates(contig, windows, inputs, rules,
                         [&](int64_t window, const SelectedMates& mates) {
                             while (windows[next] != window) ++next;
                             counts[next] = mates.count;
                         });
    return counts;
}

std::vector<BaseVotes> WindowsPileup(const std::string& contig, int64_t from, int64_t to,
                                     const std::vector<int64_t>& windows, const RunInputs& inputs,
                                     const ExtensionRules& rules) {
    MatePileup pileup(contig, from, to, PileupGeometryFor(rules, inputs.ReadLength()));
    ForListedWindowMates(contig, windows, inputs, rules,
                         [&](int64_t window, const SelectedMates& mates) {
                             for (int32_t i = 0; i < mates.count; ++i)
                                 pileup.Add(window, mates.Mate(i), mates.Quality(i));
                         });
    return pileup.Counts();
}

std::vector<BaseVotes> SidePileup(const std::string& contig, int64_t sequenceLength,
                                  const RunInputs& inputs, const ExtensionRules& rules) {
    const int32_t readLength = inputs.ReadLength();
    const PileupGeometry geometry = PileupGeometryFor(rules, readLength);
    AnchorRule anchor = RunAnchor(rules.variant, rules.parameters, readLength);
    anchor.mismatches = std::max(anchor.mismatches, pileupAnchorMismatches);
    const auto length = static_cast<int64_t>(contig.size());
    const int64_t added = length - sequenceLength;
    // Pairs whose first read lies behind a base (on the strand extended)...
    std::vector<BaseVotes> counts = StrandPileup(
        contig, sequenceLength, length, sequenceLength - rules.parameters.maxDistance - readLength,
        length - NearestDistance(rules, readLength), inputs, geometry, anchor);
    // ... and those whose first read lies past it: the same on the reverse
    // complement of the added bases and of the sequence's end behind them.
    const int64_t cut =
        std::max<int64_t>(0, sequenceLength - geometry.farthest - 2 * int64_t{readLength} -
                                 std::abs(geometry.nearest));
    std::string reverse = contig.substr(static_cast<size_t>(cut));
    ReverseComplement(reverse.data(), static_cast<int32_t>(reverse.size()));
    const std::vector<BaseVotes> back =
        StrandPileup(reverse, 0, added, 0, added - 1 - geometry.nearest, inputs, geometry, anchor);
    AddReverseComplementCounts(counts, back);
    return counts;
}

void AddReverseComplementCounts(std::vector<BaseVotes>& counts,
                                const std::vector<BaseVotes>& back) {
    const size_t n = counts.size();
    for (size_t i = 0; i < n; ++i) {
        const BaseVotes& other = back[n - 1 - i];
        counts[i].a += other.t;
        counts[i].c += other.g;
        counts[i].g += other.c;
        counts[i].t += other.a;
    }
}

}  // namespace lorvex
