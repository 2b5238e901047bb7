// The command line of lorvex-extend.
#pragma once

#include <string>

#include "run/run_settings.h"
#include "tool/parsed_options.h"

namespace lorvex::extend {

struct ExtendOptions {
    std::string seedsPath;
    RunSettings run;            // the FASTA output is the extended contigs
    bool estimateOnly = false;  // report the estimate, extend nothing
    bool bothSides = false;
    // Besides the FASTA; empty: not written.
    std::string basesPath;
    std::string summaryPath;
    std::string plotPath;
    std::string fragmentsPath;  // the estimate as TSV
    std::string variantsPath;
};

using CommandLine = ParsedOptions<ExtendOptions>;

// Parses the arguments. Help and version go to standard output with status
// 0; a usage error is one line and a hint on standard error, status 2.
CommandLine ParseCommandLine(int argc, char** argv);

}  // namespace lorvex::extend
