// The repeat guard of a run: the single-copy depth given with --depth, or
// estimated from known sequence (lorvex-extend's seeds, both strands with
// --both; lorvex-close's flanks) once the distances are fixed. Where it cannot be estimated the run
// says so and goes on without the guard rather than guess.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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

struct GuardRequest {
    bool on = true;                         // --no-repeat-guard turns it off
    std::optional<double> singleCopyDepth;  // --depth; none: estimated
    bool bothStrands = false;               // replay each reverse complement too
    unsigned threads = 1;
    std::string sequenceWord = "seed";  // what the sequences are, in messages
};

// Estimates from `sequences` when the guard is on and no depth was given;
// then writes one line on standard error (naming the progress line's
// program) if no estimate came out. Throws what the cycles throw
// (InputError for a broken table).
GuardSetting SetUpRepeatGuard(const GuardRequest& request,
                              const std::vector<std::string_view>& sequences,
                              const RunInputs& inputs, const ExtensionRules& rules,
                              ProgressLine& progress);

// For the closing summary: "single-copy depth 19 (estimated)", "... (given)",
// "repeat guard off", "repeat guard off (no single-copy depth)".
std::string GuardSummary(const GuardSetting& guard);

}  // namespace lorvex::extend
