// The engine's parameter faults in words, under the names a command line
// gives the four numbers: the option-style programs' "--min-distance" or
// lorvex's "MIN_DISTANCE".
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "base/variant.h"
#include "extension/run_setup.h"

namespace lorvex {

struct ParameterNames {
    std::string minDistance;
    std::string maxDistance;
    std::string minVotes;
    std::string dominanceRatio;
};

// The spelling of the option-style programs (lorvex-extend and the like).
inline const ParameterNames optionNames{"--min-distance", "--max-distance", "--min-votes",
                                        "--ratio"};

// One line that says what is wrong, e.g. "--min-distance 5 must be at least
// 100 (the read length)". readLength matters for NoWindows and
// WindowPastEnd only. Empty for ParameterFault::None.
std::string ParameterFaultText(ParameterFault fault, Variant variant,
                               const RunParameters& parameters, int32_t readLength,
                               const ParameterNames& names = optionNames);

// The option-style programs' check of the numbers a run goes ahead with,
// once the read length is known: throws UsageError for any fault, and
// returns a warning when no mate can vote (reads too short).
std::optional<std::string> CheckRunParameters(Variant variant, const RunParameters& parameters,
                                              int32_t readLength);

}  // namespace lorvex
