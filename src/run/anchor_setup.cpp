#include "run/anchor_setup.h"

#include <cstdio>

#include "base/number_text.h"
#include "extension/anchor_errors.h"
#include "tool/messages.h"

namespace lorvex {

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
