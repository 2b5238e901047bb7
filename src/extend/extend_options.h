// The command line of lorvex-extend.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "base/variant.h"
#include "calling/continuation.h"
#include "extension/run_setup.h"

namespace lorvex::extend {

inline constexpr int32_t defaultLineWidth = 60;
inline constexpr unsigned maxThreads = 256;

struct ExtendOptions {
    std::string seedsPath;
    std::string tablePath;
    std::string indexPath;
    RunParameters parameters;
    Variant variant = Variant::Main;
    bool bothSides = false;
    unsigned threads = 1;
    int32_t cap = extensionCap;
    // FASTA; "-" is standard output, for the other outputs too.
    std::string outputPath = "-";
    std::string basesPath;  // empty: not written
    std::string summaryPath;
    std::string plotPath;
    int32_t lineWidth = defaultLineWidth;
    bool quiet = false;
    bool repeatGuard = true;
    std::optional<double> singleCopyDepth;  // --depth; none: estimated from the seeds
};

struct CommandLine {
    ExtendOptions options;
    std::optional<int> exitStatus;  // set when the program should stop here
};

// Parses the arguments. Help and version go to standard output with status
// 0; a usage error is one line and a hint on standard error, status 2.
CommandLine ParseCommandLine(int argc, char** argv);

}  // namespace lorvex::extend
