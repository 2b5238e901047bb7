// The path every batch program's run takes: its FASTA records, the table and
// the index loaded once; the run settled on the known sequences (the
// distances, the numbers checked against the read length, the repeat
// guard); the items extended in parallel and handed over in input order,
// with progress; and a summary at the end. Each program brings its items
// and its outputs.
#pragma once

#include <unistd.h>

#include <cstddef>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "extension/fragment_estimate.h"
#include "extension/run_setup.h"
#include "extension/side_extension.h"
#include "input/fasta_records.h"
#include "run/repeat_guard_setup.h"
#include "run/run_settings.h"
#include "tool/ordered_batch.h"
#include "tool/parsed_options.h"
#include "tool/progress_line.h"
#include "tool/run_tool.h"
#include "tool/stop_signals.h"

namespace lorvex {

struct BatchInputs {
    std::vector<SequenceRecord> records;
    RunInputs inputs;
};

// Reads the records, then the table and its index; warns once when lines
// of the records ended in blanks. Throws InputError.
BatchInputs LoadBatch(const std::string& program, const std::string& recordsPath,
                      const RunSettings& settings);

// Refuses outputs that are inputs (the records, the table, the index) and,
// without --force, existing files; creates missing folders. Throws
// OutputError. Called once the inputs are read, before the long work.
void PrepareRunOutputs(const RunSettings& settings, const std::string& recordsPath,
                       const std::vector<std::string>& outputs);

struct SettledRun {
    RunSettings settings;                      // with the distances of the run
    std::optional<FragmentEstimate> estimate;  // none when the distances were given
    std::string estimateReport;
    GuardSetting guard;
    // The rules, both sides when the known sequences are, and the guard.
    ExtensionSettings extension;
};

// Settles the distances (see SettleDistances), warns on standard error when
// no mate can vote, and sets up the repeat guard on the known sequences.
// Throws UsageError for numbers that cannot run and an estimate that is not
// sound.
SettledRun SettleRun(const RunSettings& requested, const KnownSequences& known,
                     const RunInputs& inputs, ProgressLine& progress, bool echoSoundReport = true);

// Runs work on every item on `threads` threads and delivers the results in
// input order on the calling thread, then shows "12 of 100 <noun>s,
// <detail>, 5 <noun>s/s" on the progress line now and then and after the
// last; the line is erased at the end. A few results per thread in flight
// keep every thread busy while one slow item holds up the output.
template <typename Result>
void RunBatch(size_t count, unsigned threads, const ItemWork<Result>& work,
              const ItemDelivery<Result>& deliver, ProgressLine& progress, const std::string& noun,
              const std::function<std::string()>& detail) {
    const ItemWork<Result> stoppableWork = [&work](size_t item) {
        ThrowIfStopRequested();
        return work(item);
    };
    RunInOrder<Result>(count, threads, 4 * size_t{threads}, stoppableWork,
                       [&](size_t item, Result& result) {
                           ThrowIfStopRequested();
                           deliver(item, result);
                           if (progress.Due() || item + 1 == count)
                               progress.Show(BatchProgressText(item + 1, count, noun, detail(),
                                                               progress.SecondsSinceStart()));
                       });
    progress.Clear();
}

// The main of a batch program: parses the command line (options.run holds
// the shared settings), runs with a progress line that shows when standard
// error is a terminal and the run is not quiet, and prints the summary the
// run returns unless the run is quiet. A stop signal ends the run at once
// until the run calls DeferStopSignals (before it creates its outputs), and
// then removes the partial files; a closed standard output ends it quietly.
template <typename Options>
int BatchMain(const std::string& program, int argc, char** argv,
              ParsedOptions<Options> (*parse)(int, char**),
              std::string (*run)(const Options& options, ProgressLine& progress)) {
    ToolEnds ends;
    ends.stoppedNote = "partial files removed";
    ends.quietOnClosedPipe = true;
    return RunTool(
        program,
        [&] {
            const ParsedOptions<Options> parsed = parse(argc, argv);
            if (parsed.exitStatus) return *parsed.exitStatus;
            InstallImmediateStopHandlers(program);
            const bool quiet = parsed.options.run.quiet;
            ProgressLine progress(program, !quiet && ::isatty(STDERR_FILENO));
            const std::string summary = run(parsed.options, progress);
            progress.Clear();
            if (!quiet) std::fputs(summary.c_str(), stderr);
            return 0;
        },
        ends);
}

}  // namespace lorvex
