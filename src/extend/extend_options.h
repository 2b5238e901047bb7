// The command line of lorvex-extend.
#pragma once

#include <CLI/CLI.hpp>
#include <cstdint>
#include <optional>
#include <string>

#include "base/variant.h"
#include "calling/continuation.h"
#include "extension/run_setup.h"

namespace lorvex::extend {

inline constexpr int32_t defaultLineWidth = 60;
inline constexpr unsigned maxThreads = 256;
// --min-votes and --ratio when they are not given.
inline constexpr int32_t defaultMinVotes = 2;
inline constexpr float defaultDominanceRatio = 1.5f;

struct ExtendOptions {
    std::string seedsPath;
    std::string tablePath;
    std::string indexPath;
    RunParameters parameters;
    // Neither distance given: both are estimated from the seeds' own pairs.
    bool estimateDistances = false;
    bool estimateOnly = false;  // report the estimate, extend nothing
    Variant variant = Variant::Main;
    bool bothSides = false;
    unsigned threads = 1;
    int32_t cap = extensionCap;
    // FASTA; "-" is standard output, for the other outputs too.
    std::string outputPath = "-";
    std::string basesPath;  // empty: not written
    std::string summaryPath;
    std::string plotPath;
    std::string fragmentsPath;  // the estimate as TSV
    int32_t lineWidth = defaultLineWidth;
    bool quiet = false;
    bool repeatGuard = true;
    std::optional<double> singleCopyDepth;  // --depth; none: estimated from the seeds
};

struct CommandLine {
    ExtendOptions options;
    std::optional<int> exitStatus;  // set when the program should stop here
};

// What the options shared with lorvex-close hold before they are checked.
struct RunOptionTexts {
    std::string minDistance, maxDistance, minVotes, ratio;
    bool strict = false;
    std::string depth;
    bool noRepeatGuard = false;
};

// The options every program on lorvex-extend's run shares: table, index, the
// four run parameters and --strict.
void AddRunOptions(CLI::App& app, ExtendOptions& options, RunOptionTexts& texts);
// --depth and --no-repeat-guard.
void AddRepeatGuardOptions(CLI::App& app, RunOptionTexts& texts);
// Checks and takes them: both distances or neither (estimateDistances),
// numbers that are numbers, --depth with the guard on. Throws UsageError.
void TakeRunOptions(const RunOptionTexts& texts, ExtendOptions& options);

// "0.7": a ratio as a command line gives it.
std::string RatioText(float ratio);

// Parses the arguments. Help and version go to standard output with status
// 0; a usage error is one line and a hint on standard error, status 2.
CommandLine ParseCommandLine(int argc, char** argv);

}  // namespace lorvex::extend
