// How pairs are selected and counted, settled against the reads: the vote
// quality a compact table was made with, and the anchor's mismatches when the
// user leaves them out, measured on the known sequences (see
// extension/anchor_errors.h) and said on standard error.
#pragma once

#include "extension/run_setup.h"
#include "run/run_settings.h"
#include "tool/progress_line.h"

namespace lorvex {

// On a compact table, the vote quality is the one it was made with; a
// different --min-quality is refused (UsageError).
void SettleVoteQuality(RunSettings& settings, const RunInputs& inputs);

// Sets settings.parameters.anchorMismatches from the reads when
// settings.estimateAnchorMismatches holds; otherwise leaves them as given.
void SettleAnchorMismatches(RunSettings& settings, const KnownSequences& known,
                            const RunInputs& inputs, ProgressLine& progress);

}  // namespace lorvex
