// lorvex-prep: builds the read-pair tables (compact, or text with its prefix
// index) from paired FASTQ files, or checks existing ones.
#include <malloc.h>
#include <unistd.h>

#include <cstdio>

#include "base/errors.h"
#include "base/number_text.h"
#include "input/pair_table.h"
#include "input/pair_table_check.h"
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

void CheckCompact(const std::string& path) {
    const PairTable table(path);
    CheckPairTable(table);
    const ClosingHeader& header = table.header();
    std::printf(
        "%s: %s of reads of %u to %u bases, %s indexed, votes from quality %u, sound "
        "(checksums, records and index)\n",
        path.c_str(), Counted(header.pairCount, "pair").c_str(), header.shortestRead,
        header.longestRead, header.readsIndexed == 2 ? "both reads" : "read 1",
        header.qualityThreshold);
}

void CheckText(const std::string& tablePath, const std::string& indexPath) {
    const CheckSummary summary = CheckTableAndIndex(tablePath, indexPath);
    std::printf("%s: %s lines of %s bytes (reads of %d bases) in %s groups, as %s lists them\n",
                tablePath.c_str(), WithThousands(summary.lines).c_str(),
                WithThousands(summary.lineSize).c_str(), summary.readLength,
                WithThousands(summary.groups).c_str(), indexPath.c_str());
}

// Compact tables are told by their magic number and checked alone; a text
// table is followed by its index.
int RunCheck(const PrepOptions& options) {
    const std::vector<std::string>& files = options.checkFiles;
    for (size_t i = 0; i < files.size(); ++i) {
        if (IsPairTableFile(files[i])) {
            CheckCompact(files[i]);
        } else if (i + 1 < files.size() && !IsPairTableFile(files[i + 1])) {
            CheckText(files[i], files[i + 1]);
            ++i;
        } else {
            throw UsageError("--check: " + files[i] +
                             " is not a compact pair table, so it is taken as a text table, "
                             "which needs its index after it: --check TABLE INDEX");
        }
    }
    if (std::fflush(stdout) != 0 || std::ferror(stdout))
        throw OutputError("standard output: write failed");
    return 0;
}

int Run(const PrepOptions& options) {
    if (options.checkMode()) return RunCheck(options);
    if (const std::optional<std::string> warning =
            OutputPrefixWarning(options.outputPrefix, options.format))
        Warn("lorvex-prep", *warning);
    // Buffers of a megabyte and more (sort runs, merge buffers) come and go;
    // each is mapped and unmapped on its own, so that a freed one leaves the
    // memory bound instead of staying in malloc's heap.
    mallopt(M_MMAP_THRESHOLD, 1 << 20);
    ProgressMeter progress(!options.quiet && ::isatty(STDERR_FILENO));
    const PrepSummary summary = RunPrep(options, progress);
    progress.Clear();
    if (!options.quiet) std::fputs(FormatSummary(summary).c_str(), stderr);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    return RunTool("lorvex-prep",
                   [&] {
                       const CommandLine commandLine = ParseCommandLine(argc, argv);
                       if (commandLine.exitStatus) return *commandLine.exitStatus;
                       InstallStopHandlers();
                       return Run(commandLine.options);
                   },
                   {"a smaller --memory bound may help"});
}
