#include "run/anchor_setup.h"

#include <cstdio>

#include "base/errors.h"
#include "base/number_text.h"
#include "extension/anchor_errors.h"
#include "tool/messages.h"

namespace lorvex {

void SettleVoteQuality(RunSettings& settings, const RunInputs& inputs) {
    if (!inputs.Compact()) return;
    const int32_t made = static_cast<int32_t>(inputs.pairs->header().qualityThreshold);
    if (settings.voteQualityGiven && settings.parameters.voteQuality != made)
        throw UsageError(settings.tablePath + " counts bases of quality " + std::to_string(made) +
                         " or more as votes, as lorvex-prep made it: drop --min-quality, or make "
                         "the table again with lorvex-prep --min-quality " +
                         std::to_string(settings.parameters.voteQuality));
    settings.parameters.voteQuality = made;
}

void SettleAnchorMismatches(RunSettings& settings, const KnownSequences& known,
                            const RunInputs& inputs, ProgressLine& progress) {
    if (!settings.estimateAnchorMismatches) return;
    const int32_t readLength = inputs.ReadLength();
    const AnchorRule anchor = RunAnchor(settings.variant, settings.parameters, readLength);
    progress.Show("measuring read errors on the " + known.word + "s");
    const AnchorMismatchCounts counts =
        CountAnchorMismatches(known.sequences, inputs, anchor.length);
    progress.Clear();
    const std::optional<double> errors = ErrorsPerAnchor(counts);
    settings.parameters.anchorMismatches = ChooseAnchorMismatches(errors);
    if (settings.quiet) return;
    std::string why;
    if (errors) {
        char mean[32];
        std::snprintf(mean, sizeof mean, "%.2f", *errors);
        why = "first reads on the " + known.word +
              "s' windows: " + WithThousands(static_cast<uint64_t>(counts.firstReads[0])) +
              " exact, " + WithThousands(static_cast<uint64_t>(counts.firstReads[1])) +
              " with one mismatch, about " + mean + " errors in " +
              std::to_string(anchor.length - prefixLength) + " bases";
    } else {
        why = "too few first reads lie on the " + known.word + "s to measure read errors";
    }
    Tell(progress.program(),
         "anchors: " + std::to_string(anchor.length) + " bases, " +
             Counted(static_cast<uint64_t>(settings.parameters.anchorMismatches), "mismatch",
                     "mismatches") +
             " allowed past the key (" + why + "; --anchor-mismatches sets it)");
}

}  // namespace lorvex
