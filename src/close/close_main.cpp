// lorvex-close: closes the gaps of scaffolds by extending both flanks of
// every gap towards each other.
#include <unistd.h>

#include <cstdio>

#include "close/close_options.h"
#include "close/close_run.h"
#include "tool/run_tool.h"

int main(int argc, char** argv) {
    using namespace lorvex::close;
    return lorvex::RunTool("lorvex-close", [&] {
        const CommandLine commandLine = ParseCommandLine(argc, argv);
        if (commandLine.exitStatus) return *commandLine.exitStatus;
        const CloseOptions& options = commandLine.options;
        const bool showProgress = !options.run.quiet && ::isatty(STDERR_FILENO);
        const CloseTotals totals = RunClose(options, showProgress);
        if (!options.run.quiet) std::fputs(FormatTotals(totals).c_str(), stderr);
        return 0;
    });
}
