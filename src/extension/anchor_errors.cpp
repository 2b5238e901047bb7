#include "extension/anchor_errors.h"

#include <algorithm>
#include <cmath>

#include "mates/group_chunks.h"
#include "mates/mate_fetch.h"
#include "seq/nucleotide.h"

namespace lorvex {
namespace {

int64_t Total(const std::array<int64_t, 4>& found) {
    return found[0] + found[1] + found[2] + found[3];
}

// Adds the windows whose reads look like one copy's: a window in a repeat
// family gathers the reads of every copy, which differ from it by the
// copies' divergence, not by errors. Windows with more than four times the
// median of reads (and more than 5) are left out.
void AddSingleCopyWindows(std::vector<std::array<int64_t, 4>>& perWindow,
                          AnchorMismatchCounts& counts) {
    if (perWindow.empty()) return;
    std::vector<int64_t> totals;
    totals.reserve(perWindow.size());
    for (const auto& found : perWindow) totals.push_back(Total(found));
    const auto middle = totals.begin() + static_cast<std::ptrdiff_t>(totals.size() / 2);
    std::nth_element(totals.begin(), middle, totals.end());
    const int64_t most = std::max<int64_t>(5, 4 * *middle);
    for (const auto& found : perWindow) {
        if (Total(found) > most) continue;
        for (size_t m = 0; m < found.size(); ++m) counts.firstReads[m] += found[m];
    }
}

// Calls count(first read) for every line of the window's group.
template <typename Count>
void CountText(const RunInputs& inputs, const char* window, std::vector<char>& buffer,
               const Count& count) {
    const uint32_t code = DnaToUint(window, prefixLength);
    const PrefixGroup group = FindGroup(inputs.index, code);
    if (group.count == 0) return;
    const uint64_t lineSize = inputs.table.layout.lineSize;
    ReadGroupInChunks(inputs.table, code, group, buffer,
                      [&](const char* lines, uint64_t lineCount) {
                          for (uint64_t i = 0; i < lineCount; ++i) count(lines + i * lineSize);
                      });
}

// The same for the compact table's first reads that share the key. Reads
// shorter than the anchor are left out: fewer bases hold fewer errors, and
// the measure is of errors over the anchor's length. Nothing but the
// anchors is decoded.
template <typename Count>
void CountCompact(const PairTable& table, const char* window, int32_t anchorLength,
                  FoundPairs& found, const Count& count) {
    found.Clear();
    const auto [first, last] = table.KeyRange(window, prefixLength);
    table.AppendEntriesWhere(
        first, last,
        [&](std::string_view read) {
            if (static_cast<int32_t>(read.size()) >= anchorLength) count(read.data());
            return false;
        },
        found, MateOrientation::AsRead);
}

}  // namespace

AnchorMismatchCounts CountAnchorMismatches(const std::vector<std::string_view>& sequences,
                                           const RunInputs& inputs, int32_t anchorLength,
                                           int64_t mostWindows) {
    AnchorMismatchCounts counts;
    anchorLength = std::min(anchorLength, inputs.ReadLength());
    int64_t available = 0;
    for (const std::string_view sequence : sequences)
        available += std::max<int64_t>(0, static_cast<int64_t>(sequence.size()) - anchorLength + 1);
    if (available == 0 || mostWindows <= 0) return counts;
    const int64_t stride = std::max<int64_t>(1, (available + mostWindows - 1) / mostWindows);
    std::vector<char> buffer;
    FoundPairs foundPairs;
    std::vector<std::array<int64_t, 4>> perWindow;
    int64_t position = 0;  // over all windows of all sequences
    for (const std::string_view sequence : sequences) {
        const int64_t windows = static_cast<int64_t>(sequence.size()) - anchorLength + 1;
        for (int64_t start = (stride - position % stride) % stride; start < windows;
             start += stride) {
            const char* window = sequence.data() + start;
            ++counts.windows;
            std::array<int64_t, 4> found{};
            // Keys differ where an N reads as A in the prefix code.
            const auto count = [&](const char* firstRead) {
                const int32_t m = MismatchesPastKey(firstRead, window, anchorLength, 3);
                if (m >= 0 && m <= 3) ++found[static_cast<size_t>(m)];
            };
            if (inputs.pairs)
                CountCompact(*inputs.pairs, window, anchorLength, foundPairs, count);
            else
                CountText(inputs, window, buffer, count);
            if (Total(found) > 0) perWindow.push_back(found);
        }
        position += std::max<int64_t>(0, windows);
    }
    AddSingleCopyWindows(perWindow, counts);
    return counts;
}

std::optional<double> ErrorsPerAnchor(const AnchorMismatchCounts& counts) {
    if (counts.firstReads[0] < leastExactReads) return std::nullopt;
    return static_cast<double>(counts.firstReads[1]) / static_cast<double>(counts.firstReads[0]);
}

int32_t ChooseAnchorMismatches(std::optional<double> errorsPerAnchor) {
    if (!errorsPerAnchor) return 0;
    const double mean = *errorsPerAnchor;
    double term = std::exp(-mean);  // P(0)
    double kept = term;
    for (int32_t mismatches = 0; mismatches < 2; ++mismatches) {
        if (kept >= keptShare) return mismatches;
        term *= mean / (mismatches + 1);
        kept += term;
    }
    return 2;
}

}  // namespace lorvex
