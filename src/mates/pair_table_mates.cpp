#include "mates/pair_table_mates.h"

#include <algorithm>
#include <cstring>

#include "input/prefix_index.h"

namespace lorvex {
namespace {

// How the anchor (read `read` of the record, of any length) lies on the
// window by the rule over min(its length, rule.length) bases.
AnchorFit FitOn(std::string_view anchor, const PairRecord& record, int read, const char* window,
                AnchorRule rule) {
    rule.length = std::min(static_cast<int32_t>(anchor.size()), rule.length);
    return FitAnchor(anchor.data(), window, rule, [&](int32_t at) {
        return !BaseReachedVoteQuality(record, read, static_cast<uint32_t>(at));
    });
}

// The pairs found, reverse complemented mates and all, in the text table's
// order: a lookup over several key ranges, or over a range sorted by more
// bases than the rule compares, finds them in key order.
void PutInPairOrder(FoundPairs& found) {
    const auto before = [](const FoundPair& a, const FoundPair& b) {
        return a.pairId != b.pairId ? a.pairId < b.pairId : a.anchorRead < b.anchorRead;
    };
    if (!std::is_sorted(found.pairs.begin(), found.pairs.end(), before))
        std::sort(found.pairs.begin(), found.pairs.end(), before);
}

// The found pairs' mates into `selected`, with their marks when `marked`.
void CopyPadded(const FoundPairs& found, int32_t readLength, bool marked, SelectedMates& selected) {
    const size_t r = static_cast<size_t>(readLength);
    const size_t count = found.size();
    if (selected.bases.size() < count * r) {
        selected.bases.resize(count * r);
        selected.qualities.resize(count * r);
    }
    selected.lengths.resize(count);
    if (marked) selected.sure.resize(count);
    for (size_t i = 0; i < count; ++i) {
        if (marked) selected.sure[i] = found.pairs[i].mark;
        const std::string_view mate = found.Mate(i);
        char* bases = selected.bases.data() + i * r;
        uint8_t* qualities = selected.qualities.data() + i * r;
        std::memcpy(bases, mate.data(), mate.size());
        std::memcpy(qualities, found.MateQualities(i), mate.size());
        std::fill(bases + mate.size(), bases + r, mateEndPadding);
        std::fill(qualities + mate.size(), qualities + r, uint8_t{0});
        selected.lengths[i] = static_cast<int32_t>(mate.size());
    }
    selected.count = static_cast<int32_t>(count);
}

// Reads of this many bases or more stand in the range of the window's first
// bases of that count: the index key with mismatches, which fall past it.
int32_t KeyRangeLength(const AnchorRule& anchor) {
    return anchor.mismatches > 0 ? prefixLength : std::min(anchor.length, pairTableKeyBases);
}

}  // namespace

void PairTableMates::PrefetchAhead(const std::string& contig, int64_t windowStart) const {
    const int32_t least = KeyRangeLength(anchor_);
    const auto inside = [&](int64_t ahead) {
        return windowStart + ahead + least <= static_cast<int64_t>(contig.size());
    };
    const char* window = contig.data() + windowStart;
    const uint32_t keyLength = static_cast<uint32_t>(least);
    if (inside(3)) table_.PrefetchSlot(window + 3, keyLength);
    if (inside(2)) table_.PrefetchEntries(window + 2, keyLength);
    if (inside(1)) table_.PrefetchRecords(window + 1, keyLength);
}

void FetchPairTableMates(const char* window, const PairTable& table, const AnchorRule& anchor,
                         int32_t readLength, SelectedMates& selected) {
    ClearSelectedMates(readLength, selected);
    FoundPairs& found = selected.found;
    found.Clear();
    constexpr auto turned = MateOrientation::ReverseComplement;
    const int32_t least = KeyRangeLength(anchor);
    const auto [first, last] = table.KeyRange(window, static_cast<uint32_t>(least));
    std::vector<size_t>& sureAt = selected.sureFound;
    sureAt.clear();
    table.AppendEntriesWhere(
        first, last,
        [&](std::string_view read, const PairRecord& record, int which) {
            if (static_cast<int32_t>(read.size()) < least) return false;
            const AnchorFit fit = FitOn(read, record, which, window, anchor);
            if (fit == AnchorFit::SureMismatch) sureAt.push_back(found.pairs.size());
            return fit != AnchorFit::Off;
        },
        found, turned);
    // A shorter read that lies on the window is the window's first L bases,
    // and stands where its key, zeros after them, puts it. Keys of
    // successive lengths are equal where the window holds an A (or N), so
    // each is looked up once.
    const int32_t shortest = static_cast<int32_t>(table.header().shortestRead);
    if (anchor.mismatches == 0 && shortest < least) {
        uint64_t previousKey = 0;
        for (int32_t length = std::max(shortest, 1); length < least; ++length) {
            const uint64_t key = ReadKey(window, static_cast<uint64_t>(length));
            if (length > std::max(shortest, 1) && key == previousKey) continue;
            previousKey = key;
            const auto [from, to] = table.ExactKeyRange(window, static_cast<uint32_t>(length));
            table.AppendEntriesWhere(
                from, to,
                [&](std::string_view read) {
                    return static_cast<int32_t>(read.size()) < least &&
                           std::memcmp(read.data(), window, read.size()) == 0;
                },
                found, turned);
        }
    }
    for (const size_t at : sureAt) found.pairs[at].mark = 1;
    PutInPairOrder(found);
    CopyPadded(found, readLength, anchor.markSureMismatches, selected);
}

}  // namespace lorvex
