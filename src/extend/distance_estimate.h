// The anchor distances of a run when the command line leaves them out:
// estimated from the pairs that lie inside known sequence (lorvex-extend's
// seeds, lorvex-close's flanks), reported on
// standard error, as a TSV and (with --estimate-only) on standard output,
// or refused with a usage error that says why and asks for them. The TSV and
// --estimate-only also carry the single-copy depth and work with distances
// given too, so that a batch split into parts can be run with the values of
// the whole.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "extend/extend_options.h"
#include "extension/fragment_estimate.h"
#include "extension/run_setup.h"
#include "tool/progress_line.h"

namespace lorvex::extend {

struct SettledDistances {
    ExtendOptions options;                     // with the distances of the run
    std::optional<FragmentEstimate> estimate;  // none when the distances were given
    std::string report;  // the estimate as text, or the distances given with --estimate-only
};

// The options as given when they name both distances. Otherwise estimates
// them from `sequences` (on options.threads threads), shows the report on
// standard error (as messages of the progress line's program) unless quiet
// or estimate-only, and throws a UsageError when the estimate is not sound.
// sequenceWord names the sequences in the report ("seed", "flank").
SettledDistances SettleDistances(const ExtendOptions& options,
                                 const std::vector<std::string_view>& sequences,
                                 const RunInputs& inputs, ProgressLine& progress,
                                 const std::string& sequenceWord = "seed");

// With --estimate-only: the report, the depth line and the matching lorvex
// command on standard output, and the TSV when asked for.
void WriteEstimate(const SettledDistances& settled, const std::string& depthLine,
                   const std::string& fragmentsTsv);

// The report: pairs, median and quartiles, the fragments taken, a histogram
// and, when the estimate is sound, the distances and how many seeds are
// too short for them.
std::string EstimateReport(const FragmentEstimate& estimate,
                           const std::optional<AnchorDistances>& distances, size_t seeds,
                           size_t shortSeeds, const std::string& sequenceWord = "seed");

// "lorvex SEED.fa TABLE INDEX MIN MAX VOTES RATIO" (lorvex-strict with --strict).
std::string LorvexCommand(const ExtendOptions& options);

// A key and value block (pairs, quartiles, min_distance, max_distance, ...,
// single_copy_depth), an empty line, then the histogram with its own header.
// Without an estimate (distances given) its keys are empty and the
// histogram has no rows; without a depth (guard off or not estimated) that
// value is empty. The depth is written so that --depth reads it back exactly.
std::string FragmentsTsv(const std::optional<FragmentEstimate>& estimate,
                         const AnchorDistances& distances, size_t seeds, int32_t readLength,
                         Variant variant, std::optional<double> singleCopyDepth);

}  // namespace lorvex::extend
