// lorvex-extend: extends every seed of a FASTA file, on one or both sides,
// and writes the extended contigs with the reason each side stopped.
#include <unistd.h>

#include <cstdio>

#include "extend/extend_options.h"
#include "extend/extend_run.h"
#include "tool/run_tool.h"

int main(int argc, char** argv) {
    using namespace lorvex::extend;
    return lorvex::RunTool("lorvex-extend", [&] {
        const CommandLine commandLine = ParseCommandLine(argc, argv);
        if (commandLine.exitStatus) return *commandLine.exitStatus;
        const ExtendOptions& options = commandLine.options;
        const bool showProgress = !options.quiet && ::isatty(STDERR_FILENO);
        const RunTotals totals = RunExtend(options, showProgress);
        if (!options.quiet && !options.estimateOnly)
            std::fputs(FormatTotals(totals).c_str(), stderr);
        return 0;
    });
}
