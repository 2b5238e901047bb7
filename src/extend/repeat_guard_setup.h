// The repeat guard of a lorvex-extend run: the single-copy depth given with
// --depth, or estimated from the batch's seeds (both strands with --both)
// once the distances are fixed. Where it cannot be estimated the run says so
// and goes on without the guard rather than guess.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "extend/extend_options.h"
#include "extend/seed_batch.h"
#include "extension/extend_contig.h"
#include "extension/run_setup.h"
#include "tool/progress_line.h"

namespace lorvex::extend {

enum class GuardState { Off, Given, Estimated, NotEstimated };

struct GuardSetting {
    GuardState state = GuardState::Off;
    std::optional<double> singleCopyDepth;  // set when Given or Estimated
    int64_t replayedCycles = 0;             // when estimated
};

// Estimates when the guard is on and --depth was not given; then writes one
// line on standard error if no estimate came out. Throws what the cycles
// throw (InputError for a broken table).
GuardSetting SetUpRepeatGuard(const ExtendOptions& options, const std::vector<SeedRecord>& seeds,
                              const RunInputs& inputs, const ExtensionRules& rules,
                              ProgressLine& progress);

// For the closing summary: "single-copy depth 19 (estimated)", "... (given)",
// "repeat guard off", "repeat guard off (no single-copy depth)".
std::string GuardSummary(const GuardSetting& guard);

}  // namespace lorvex::extend
