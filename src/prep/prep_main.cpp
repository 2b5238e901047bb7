// lorvex-prep: builds the read-pair table and prefix index from paired
// FASTQ files, or checks an existing pair of them.
#include <unistd.h>

#include <cstdio>

#include "base/errors.h"
#include "base/number_text.h"
#include "prep/prep_options.h"
#include "prep/prep_report.h"
#include "prep/prep_run.h"
#include "prep/table_check.h"
#include "tool/messages.h"
#include "tool/run_tool.h"
#include "tool/stop_signals.h"

namespace {

using namespace lorvex;
using namespace lorvex::prep;

int RunCheck(const PrepOptions& options) {
    const CheckSummary summary = CheckTableAndIndex(options.checkTable, options.checkIndex);
    std::printf("%s: %s lines of %s bytes (reads of %d bases) in %s groups, as %s lists them\n",
                options.checkTable.c_str(), WithThousands(summary.lines).c_str(),
                WithThousands(summary.lineSize).c_str(), summary.readLength,
                WithThousands(summary.groups).c_str(), options.checkIndex.c_str());
    if (std::fflush(stdout) != 0 || std::ferror(stdout))
        throw OutputError("standard output: write failed");
    return 0;
}

int Run(const PrepOptions& options) {
    if (options.checkMode()) return RunCheck(options);
    if (const std::optional<std::string> warning = OutputPrefixWarning(options.outputPrefix))
        Warn("lorvex-prep", *warning);
    ProgressMeter progress(!options.quiet && ::isatty(STDERR_FILENO));
    const PrepSummary summary = RunPrep(options, progress);
    progress.Clear();
    if (!options.quiet) std::fputs(FormatSummary(summary).c_str(), stderr);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    return RunTool(
        "lorvex-prep",
        [&] {
            const CommandLine commandLine = ParseCommandLine(argc, argv);
            if (commandLine.exitStatus) return *commandLine.exitStatus;
            InstallStopHandlers();
            return Run(commandLine.options);
        },
        "a smaller --memory bound may help");
}
