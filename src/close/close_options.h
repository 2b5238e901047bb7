// The command line of lorvex-close.
#pragma once

#include <cstdint>
#include <string>

#include "run/run_settings.h"
#include "tool/parsed_options.h"

namespace lorvex::close {

// Most bases a side adds where the gap's length is not known.
inline constexpr int32_t defaultUnknownGapCap = 20000;

struct CloseOptions {
    std::string scaffoldsPath;
    // The FASTA output is the closed scaffolds; the cap counts the bases a
    // side may add to a gap of unknown length.
    RunSettings run;
    std::string gapsPath;      // --gaps-tsv; empty: not written
    std::string variantsPath;  // --variants-tsv; empty: not written
    // The defaults come from the gap benchmark (bench/RESULTS.md).
    int64_t minGap = 1;
    int32_t minOverlap = 25;
    // A closed gap's length may differ from its N run by the larger of these.
    int32_t gapTolerance = 20;
    double gapToleranceShare = 0.1;
    // N runs of exactly this length mark a gap of unknown size (0: none do).
    int64_t unknownGapLength = 100;
    bool partial = false;
};

using CommandLine = ParsedOptions<CloseOptions>;

// Parses the arguments: help and version to standard output with status 0,
// a usage error as one line on standard error with status 2.
CommandLine ParseCommandLine(int argc, char** argv);

}  // namespace lorvex::close
