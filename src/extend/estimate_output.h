// What lorvex-extend writes of the estimate: the TSV of --fragments-tsv,
// and with --estimate-only the report, the depth and the matching lorvex
// command on standard output. Both carry the single-copy depth and work with
// distances given too, so that a batch split into parts can be run with the
// values of the whole.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "base/variant.h"
#include "extension/fragment_estimate.h"
#include "run/run_settings.h"

namespace lorvex::extend {

// With --estimate-only: the report, the depth line and the matching lorvex
// command on standard output, and the TSV at fragmentsPath when named.
void WriteEstimate(const std::string& report, const std::string& depthLine,
                   const RunSettings& settings, const std::string& fragmentsPath,
                   const std::string& fragmentsTsv);

// "lorvex SEED.fa TABLE INDEX MIN MAX VOTES RATIO" (lorvex-strict with
// --strict); from a compact table (no index), with the text table of its
// prefix and a shell comment on how to make it.
std::string LorvexCommand(const RunSettings& settings);

// A key and value block (pairs, quartiles, min_distance, max_distance, ...,
// single_copy_depth, anchor_mismatches), an empty line, then the histogram
// with its own header.
// Without an estimate (distances given) its keys are empty and the
// histogram has no rows; without a depth (guard off or not estimated) that
// value is empty. The depth is written so that --depth reads it back exactly.
std::string FragmentsTsv(const std::optional<FragmentEstimate>& estimate,
                         const AnchorDistances& distances, size_t seeds, int32_t readLength,
                         Variant variant, std::optional<double> singleCopyDepth,
                         int32_t anchorMismatches);

}  // namespace lorvex::extend
