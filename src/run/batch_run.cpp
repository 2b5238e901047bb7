#include "run/batch_run.h"

#include "base/number_text.h"
#include "input/input_stream.h"
#include "run/anchor_setup.h"
#include "run/distance_estimate.h"
#include "run/parameter_words.h"
#include "tool/messages.h"
#include "tool/output_policy.h"

namespace lorvex {

BatchInputs LoadBatch(const std::string& program, const std::string& recordsPath,
                      const RunSettings& settings) {
    FastaNotes notes;
    std::vector<SequenceRecord> records = LoadFastaRecords(recordsPath, &notes);
    if (notes.linesWithTrailingBlanks > 0)
        Warn(program,
             InputName(recordsPath) + ": " +
                 (notes.linesWithTrailingBlanks == 1
                      ? "line " + WithThousands(notes.firstLineWithTrailingBlanks) + " ends"
                      : WithThousands(notes.linesWithTrailingBlanks) +
                            " sequence lines end (the first is line " +
                            WithThousands(notes.firstLineWithTrailingBlanks) + ")") +
                 " in spaces or tabs, which were dropped, not read as bases");
    return {std::move(records), LoadEitherRunInputs(settings.tablePath, settings.indexPath,
                                                    "--table TABLE --index INDEX")};
}

void PrepareRunOutputs(const RunSettings& settings, const std::string& recordsPath,
                       const std::vector<std::string>& outputs) {
    OutputPlan plan;
    plan.inputs = {recordsPath, settings.tablePath};
    if (!settings.indexPath.empty()) plan.inputs.push_back(settings.indexPath);
    plan.outputs = outputs;
    plan.replace = settings.replaceOutputs;
    PrepareOutputFiles(plan);
}

SettledRun SettleRun(const RunSettings& requested, const KnownSequences& known,
                     const RunInputs& inputs, ProgressLine& progress, bool echoSoundReport) {
    RunSettings wanted = requested;
    SettleVoteQuality(wanted, inputs);
    SettledDistances distances = SettleDistances(wanted, known, inputs, progress, echoSoundReport);
    SettledRun settled;
    settled.settings = std::move(distances.settings);
    settled.estimate = std::move(distances.estimate);
    settled.estimateReport = std::move(distances.report);
    SettleAnchorMismatches(settled.settings, known, inputs, progress);
    const RunSettings& settings = settled.settings;
    if (const std::optional<std::string> warning =
            CheckRunParameters(settings.variant, settings.parameters, inputs.ReadLength()))
        Warn(progress.program(), *warning);
    settled.extension.rules = RulesFor(settings);
    settled.extension.bothSides = known.bothStrands;
    settled.guard = SetUpRepeatGuard(settings, known, inputs, settled.extension.rules, progress);
    settled.extension.singleCopyDepth = settled.guard.singleCopyDepth;
    settled.extension.minVariantShare = settings.minVariantShare;
    settled.extension.endReads = settings.endReads;
    return settled;
}

}  // namespace lorvex
