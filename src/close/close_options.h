// The command line of lorvex-close.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "extend/extend_options.h"

namespace lorvex::close {

// Defaults, from the gap benchmark (bench/RESULTS.md).
inline constexpr int64_t defaultMinGap = 1;
inline constexpr int32_t defaultMinOverlap = 25;
inline constexpr int32_t defaultGapTolerance = 20;
inline constexpr double defaultGapToleranceShare = 0.1;
inline constexpr int64_t defaultUnknownGapLength = 100;
// Most bases a side adds where the gap's length is not known.
inline constexpr int32_t defaultUnknownGapCap = 20000;

struct CloseOptions {
    // What lorvex-close shares with lorvex-extend: seedsPath is the scaffolds,
    // outputPath the closed scaffolds, cap the bases a side may add to a gap
    // of unknown length.
    extend::ExtendOptions run;
    std::string gapsPath;  // --gaps-tsv; empty: not written
    int64_t minGap = defaultMinGap;
    int32_t minOverlap = defaultMinOverlap;
    // A closed gap's length may differ from its N run by the larger of these.
    int32_t gapTolerance = defaultGapTolerance;
    double gapToleranceShare = defaultGapToleranceShare;
    // N runs of exactly this length mark a gap of unknown size (0: none do).
    int64_t unknownGapLength = defaultUnknownGapLength;
    bool partial = false;
};

struct CommandLine {
    CloseOptions options;
    std::optional<int> exitStatus;  // set when the program should stop here
};

// Parses the arguments: help and version to standard output with status 0,
// a usage error as one line on standard error with status 2.
CommandLine ParseCommandLine(int argc, char** argv);

}  // namespace lorvex::close
