// How many mismatches an anchor may allow, from the reads themselves. Known
// sequence (a batch's seeds, a scaffold's flanks) is cut into windows, and
// the first reads that share a window's 12-base index key are compared with
// it past the key. Reads from the window's own place differ from it only by
// sequencing errors, so the share that differ in one base against those that
// differ in none measures the errors a read carries over an anchor; the
// anchor then allows as many mismatches as keep most of the pairs.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "extension/run_setup.h"

namespace lorvex {

struct AnchorMismatchCounts {
    int64_t windows = 0;
    // First reads sharing a window's key that differ from it in 0, 1, 2 and
    // 3 bases of the anchor past the key (more are not counted), over the
    // windows that look single-copy.
    std::array<int64_t, 4> firstReads{};
};

// Counts over at most mostWindows windows spread evenly over the sequences,
// for anchors of anchorLength bases.
AnchorMismatchCounts CountAnchorMismatches(const std::vector<std::string_view>& sequences,
                                           const RunInputs& inputs, int32_t anchorLength,
                                           int64_t mostWindows = 10000);

// The errors an anchor's read carries past the key, on average: reads with
// one mismatch over reads with none (the ratio of a Poisson count's first
// two terms); none when fewer than leastExactReads reads matched exactly.
inline constexpr int64_t leastExactReads = 100;
std::optional<double> ErrorsPerAnchor(const AnchorMismatchCounts& counts);

// The fewest mismatches (0 to 2) that keep at least keptShare of the pairs
// when errors fall as a Poisson count with the given mean; 0 without a mean.
inline constexpr double keptShare = 0.85;
int32_t ChooseAnchorMismatches(std::optional<double> errorsPerAnchor);

}  // namespace lorvex
