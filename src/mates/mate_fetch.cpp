#include "mates/mate_fetch.h"

#include <algorithm>
#include <cstring>

#include "seq/byte_lanes.h"
#include "seq/nucleotide.h"

namespace lorvex {

int32_t FirstReadCompareLength(int32_t readLength, Variant variant) {
    return variant == Variant::Main ? std::min(readLength, mainMatchLength) : readLength;
}

namespace {

// A, C, G, T complemented, every other byte kept, sixteen at a time.
ByteLanes ComplementLanes(ByteLanes bases) {
    const ByteLanes at = EqualLanes(bases, SplatLanes('A')) | EqualLanes(bases, SplatLanes('T'));
    const ByteLanes cg = EqualLanes(bases, SplatLanes('C')) | EqualLanes(bases, SplatLanes('G'));
    return bases ^ (at & ('A' ^ 'T')) ^ (cg & ('C' ^ 'G'));
}

// Appends the reverse complement of the second read and its reversed,
// decoded qualities.
void AppendMate(const char* line, int32_t readLength, SelectedMates& selected) {
    const size_t r = static_cast<size_t>(readLength);
    const char* secondRead = line + r + 1;
    const char* secondQuality = line + 3 * r + 3;
    const size_t at = static_cast<size_t>(selected.count) * r;
    // The arrays only grow: zeroing what is overwritten at once would cost
    // as much as the copy.
    if (selected.bases.size() < at + r) {
        selected.bases.resize(at + r);
        selected.qualities.resize(at + r);
    }
    char* mate = selected.bases.data() + at;
    uint8_t* quality = selected.qualities.data() + at;
    size_t k = 0;
    for (; k + byteLanes <= r; k += byteLanes) {
        const size_t from = r - k - byteLanes;
        StoreLanes(mate + k, ComplementLanes(ReversedLanes(LoadLanes(secondRead + from))));
        StoreLanes(quality + k, ReversedLanes(LoadLanes(secondQuality + from)) - 33);
    }
    for (; k < r; ++k) {
        mate[k] = ComplementBase(secondRead[r - 1 - k]);
        quality[k] =
            static_cast<uint8_t>(static_cast<unsigned char>(secondQuality[r - 1 - k]) - 33);
    }
    ++selected.count;
}

// Qualities from `least` to 29 become 30, so that those bases vote.
void RaiseVoteQualities(uint8_t* qualities, size_t count, int32_t least) {
    const uint8_t from = static_cast<uint8_t>(least);
    for (size_t i = 0; i < count; ++i)
        if (qualities[i] >= from && qualities[i] < pairTableVoteQuality)
            qualities[i] = pairTableVoteQuality;
}

}  // namespace

int32_t MismatchesPastKey(const char* firstRead, const char* window, int32_t length, int32_t most) {
    const int32_t key = std::min(length, prefixLength);
    if (std::memcmp(firstRead, window, static_cast<size_t>(key)) != 0) return -1;
    int32_t mismatches = 0;
    for (int32_t i = key; i < length && mismatches <= most; ++i)
        mismatches += firstRead[i] != window[i];
    return mismatches;
}

void ClearSelectedMates(int32_t readLength, SelectedMates& selected) {
    selected.readLength = readLength;
    selected.count = 0;
    selected.lengths.clear();
    selected.sure.clear();
}

void SelectMates(const char* window, const char* lines, uint64_t count, const TableLayout& layout,
                 Variant variant, SelectedMates& selected) {
    SelectMates(window, lines, count, layout,
                AnchorRule{FirstReadCompareLength(layout.readLength, variant), 0}, selected);
}

void SelectMates(const char* window, const char* lines, uint64_t count, const TableLayout& layout,
                 const AnchorRule& anchor, SelectedMates& selected) {
    const AnchorRule rule = CutToReadLength(anchor, layout.readLength);
    const int32_t before = selected.count;
    const size_t firstQuality = 2 * static_cast<size_t>(layout.readLength) + 2;
    for (uint64_t i = 0; i < count; ++i) {
        const char* line = lines + i * layout.lineSize;
        const auto doubtful = [&](int32_t at) {
            return static_cast<unsigned char>(line[firstQuality + static_cast<size_t>(at)]) - 33 <
                   rule.voteQuality;
        };
        const AnchorFit fit = FitAnchor(line, window, rule, doubtful);
        if (fit == AnchorFit::Off) continue;
        AppendMate(line, layout.readLength, selected);
        if (rule.markSureMismatches) selected.sure.push_back(fit == AnchorFit::SureMismatch);
    }
    if (rule.voteQuality < static_cast<int32_t>(pairTableVoteQuality) && selected.count > before)
        RaiseVoteQualities(
            selected.qualities.data() + static_cast<size_t>(before) * layout.readLength,
            static_cast<size_t>(selected.count - before) * layout.readLength, rule.voteQuality);
}

void FetchSelectedMates(const char* window, const TableStream& table, const PrefixIndex& index,
                        Variant variant, SelectedMates& selected, uint64_t chunkBytes) {
    FetchSelectedMates(window, table, index,
                       AnchorRule{FirstReadCompareLength(table.layout.readLength, variant), 0},
                       selected, chunkBytes);
}

void FetchSelectedMates(const char* window, const TableStream& table, const PrefixIndex& index,
                        const AnchorRule& anchor, SelectedMates& selected, uint64_t chunkBytes) {
    ClearSelectedMates(table.layout.readLength, selected);
    const uint32_t code = DnaToUint(window, prefixLength);
    const PrefixGroup group = FindGroup(index, code);
    if (group.count == 0) return;
    ReadGroupInChunks(
        table, code, group, selected.group,
        [&](const char* lines, uint64_t count) {
            SelectMates(window, lines, count, table.layout, anchor, selected);
        },
        chunkBytes);
}

}  // namespace lorvex
