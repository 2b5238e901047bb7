// The anchor distances of a run when the command line leaves them out:
// estimated from the pairs that lie inside the known sequences, reported on
// standard error, or refused with a usage error that says why (in the
// program's word for the sequences) and asks for them.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "extension/fragment_estimate.h"
#include "extension/run_setup.h"
#include "run/run_settings.h"
#include "tool/progress_line.h"

namespace lorvex {

struct SettledDistances {
    RunSettings settings;                      // with the distances of the run
    std::optional<FragmentEstimate> estimate;  // none when the distances were given
    std::string report;                        // the estimate as text, or the distances as given
};

// The settings as given when they name both distances. Otherwise estimates
// them from the known sequences (on settings.threads threads), shows the
// report on standard error (as messages of the progress line's program)
// unless quiet, or when the estimate is sound and not echoSoundReport, and
// throws a UsageError when the estimate is not sound.
// What the user of a refused estimate can give instead: the distances the
// pairs it placed suggest (unless they come from more than one library),
// and how to choose them from measured fragment lengths.
std::string DistanceAdvice(const FragmentEstimate& estimate, int32_t readLength,
                           int64_t leastMinDistance);

SettledDistances SettleDistances(const RunSettings& requested, const KnownSequences& known,
                                 const RunInputs& inputs, ProgressLine& progress,
                                 bool echoSoundReport = true);

// The report: pairs, median and quartiles, the fragments taken, a histogram
// and, when the estimate is sound, the distances and how many of the
// sequences are too short for them.
std::string EstimateReport(const FragmentEstimate& estimate,
                           const std::optional<AnchorDistances>& distances, size_t sequences,
                           size_t shortSequences, const std::string& sequenceWord);

// Why an estimate that is not sound cannot be trusted, naming the sequences
// by sequenceWord ("seed": "the seeds are too short ..."); empty when sound.
std::string EstimateRefusal(const FragmentEstimate& estimate, const std::string& sequenceWord);

}  // namespace lorvex
