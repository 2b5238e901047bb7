// The repeat guard of a run: the single-copy depth given with --depth, or
// estimated from the known sequences (both strands when both sides are
// extended) once the distances are fixed. Where it cannot be estimated the
// run says so and goes on without the guard rather than guess.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "extension/extend_contig.h"
#include "extension/run_setup.h"
#include "run/run_settings.h"
#include "tool/progress_line.h"

namespace lorvex {

enum class GuardState { Off, Given, Estimated, NotEstimated };

struct GuardSetting {
    GuardState state = GuardState::Off;
    std::optional<double> singleCopyDepth;  // set when Given or Estimated
    int64_t replayedCycles = 0;             // when estimated
};

// Estimates from the known sequences when the guard is on and no depth was
// given (on settings.threads threads); then writes one line on standard
// error (naming the progress line's program) if no estimate came out.
// Throws what the cycles throw (InputError for a broken table).
GuardSetting SetUpRepeatGuard(const RunSettings& settings, const KnownSequences& known,
                              const RunInputs& inputs, const ExtensionRules& rules,
                              ProgressLine& progress);

// For the closing summary: "single-copy depth 19 (estimated)", "... (given)",
// "repeat guard off", "repeat guard off (no single-copy depth)".
std::string GuardSummary(const GuardSetting& guard);

}  // namespace lorvex
