// lorvex-prep: builds the read-pair table and prefix index from paired
// FASTQ files, or checks an existing pair of them.
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <new>

#include "input/input_file.h"
#include "prep/prep_error.h"
#include "prep/prep_options.h"
#include "prep/prep_run.h"
#include "prep/table_check.h"

namespace {

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
    ProgressMeter progress(!options.quiet && ::isatty(STDERR_FILENO));
    const PrepSummary summary = RunPrep(options, progress);
    progress.Clear();
    if (!options.quiet) std::fputs(FormatSummary(summary).c_str(), stderr);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    // A closed pipe shows as a write error with a message, not a silent death.
    std::signal(SIGPIPE, SIG_IGN);
    const CommandLine commandLine = ParseCommandLine(argc, argv);
    if (commandLine.exitStatus) return *commandLine.exitStatus;
    InstallStopHandlers();
    try {
        return Run(commandLine.options);
    } catch (const lorvex::InputError& error) {
        std::fprintf(stderr, "lorvex-prep: %s\n", error.what());
        return 1;
    } catch (const OutputError& error) {
        std::fprintf(stderr, "lorvex-prep: %s\n", error.what());
        return 1;
    } catch (const Interrupted& error) {
        std::fprintf(stderr, "lorvex-prep: %s; nothing was written\n", error.what());
        return error.signalNumber != 0 ? 128 + error.signalNumber : 1;
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "lorvex-prep: out of memory (a smaller --memory bound may help)\n");
        return 1;
    }
}
