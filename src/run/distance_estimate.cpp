#include "run/distance_estimate.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "base/errors.h"
#include "base/number_text.h"
#include "extension/fragment_sample.h"
#include "tool/messages.h"

namespace lorvex {
namespace {

constexpr int barWidth = 40;

std::string Whole(double value) {
    return WithThousands(static_cast<uint64_t>(std::lround(std::max(0.0, value))));
}

std::string HistogramRows(const std::vector<FragmentBin>& bins) {
    double highest = 0;
    for (const FragmentBin& bin : bins) highest = std::max(highest, bin.share);
    std::string rows = "  fragments      pairs  share\n";
    for (const FragmentBin& bin : bins) {
        char row[96];
        std::snprintf(row, sizeof row, "  %5d-%-6d %8s %5.1f %% ", bin.start, bin.end - 1,
                      WithThousands(bin.pairs).c_str(), 100 * bin.share);
        const int bar =
            highest > 0 ? static_cast<int>(std::lround(barWidth * bin.share / highest)) : 0;
        rows += row + std::string(static_cast<size_t>(bar), '#') + "\n";
    }
    return rows;
}

std::string DistancesText(const RunParameters& parameters) {
    return "distances: --min-distance " + std::to_string(parameters.minDistance) +
           " --max-distance " + std::to_string(parameters.maxDistance) +
           (parameters.anchorLength > 0
                ? " --anchor-length " + std::to_string(parameters.anchorLength)
                : "") +
           (parameters.anchorMismatches > 0
                ? " --anchor-mismatches " + std::to_string(parameters.anchorMismatches)
                : "");
}

}  // namespace

std::string EstimateReport(const FragmentEstimate& estimate,
                           const std::optional<AnchorDistances>& distances, size_t sequences,
                           size_t shortSequences, const std::string& sequenceWord) {
    std::string report = "fragment lengths of " + Counted(estimate.pairs, "pair") + " in " +
                         Counted(sequences, sequenceWord);
    if (estimate.farPairs > 0)
        report += " (and " + WithThousands(estimate.farPairs) + " far from the rest, set aside)";
    report += ": median " + Whole(estimate.median) + ", quartiles " +
              Whole(estimate.lowerQuartile) + " and " + Whole(estimate.upperQuartile) +
              "; taken: " + Whole(estimate.low) + " to " + Whole(estimate.high) + "\n";
    report += HistogramRows(estimate.histogram);
    if (distances) {
        report += DistancesText({distances->minDistance, distances->maxDistance, 0, 0});
        if (shortSequences > 0)
            report += " (" + WithThousands(shortSequences) + " of " +
                      Counted(sequences, sequenceWord) + " shorter than --max-distance)";
        report += "\n";
    }
    return report;
}

std::string EstimateRefusal(const FragmentEstimate& estimate, const std::string& sequenceWord) {
    const std::string sequences = sequenceWord + "s";
    switch (estimate.verdict) {
        case EstimateVerdict::Sound: break;
        case EstimateVerdict::TooFewPairs: {
            std::string reason =
                "too few pairs to estimate the fragment lengths: " + WithThousands(estimate.pairs) +
                " placed inside the " + sequences;
            if (estimate.effectivePairs < 0.9 * static_cast<double>(estimate.pairs))
                reason += " (worth " + Whole(estimate.effectivePairs) + " once weighted for the " +
                          sequences + "' lengths)";
            return reason + ", at least " + Whole(leastEffectivePairs) + " needed";
        }
        case EstimateVerdict::SequencesTooShort:
            return "the " + sequences +
                   " are too short to show the longer fragments: the longest has " +
                   WithThousands(static_cast<uint64_t>(estimate.longestSequence)) +
                   " bases, and fragments reach beyond it";
        case EstimateVerdict::NotOneLibrary:
            if (estimate.groups)
                return "the fragment lengths do not look like one library: they form two groups, "
                       "around " +
                       Whole(estimate.groups->first) + " and " + Whole(estimate.groups->second) +
                       " bases";
            return "the fragment lengths do not look like one library: " +
                   Whole(100 * estimate.farShare) + " % of the pairs lie far from the median " +
                   Whole(estimate.median);
    }
    return "";
}

std::string DistanceAdvice(const FragmentEstimate& estimate, int32_t readLength,
                           int64_t leastMinDistance) {
    const std::string measure =
        "measure the library's fragment lengths (from pairs mapped to an assembly, say) and give "
        "--min-distance the shortest fragment minus " +
        std::to_string(readLength - 20) + " (at least " + std::to_string(leastMinDistance) +
        ") and --max-distance the longest minus 1";
    std::string advice = "give --min-distance and --max-distance: ";
    if (estimate.pairs == 0 || estimate.verdict == EstimateVerdict::NotOneLibrary)
        return advice + measure;
    const AnchorDistances suggested = DistancesFor(estimate, readLength, leastMinDistance);
    if (suggested.minDistance > suggested.maxDistance) return advice + measure;
    const bool cutShort = estimate.verdict == EstimateVerdict::SequencesTooShort;
    return advice + "the " + Counted(estimate.pairs, "pair") + " placed suggest --min-distance " +
           std::to_string(suggested.minDistance) + " --max-distance " +
           std::to_string(suggested.maxDistance) + (cutShort ? " or more" : "") + ", or " + measure;
}

SettledDistances SettleDistances(const RunSettings& requested, const KnownSequences& known,
                                 const RunInputs& inputs, ProgressLine& progress,
                                 bool echoSoundReport) {
    SettledDistances settled{requested, std::nullopt, ""};
    if (!requested.estimateDistances) {
        settled.report = DistancesText(requested.parameters) + " (given)\n";
        return settled;
    }
    const std::vector<std::string_view>& sequences = known.sequences;
    progress.Show("estimating the fragment lengths in " + Counted(sequences.size(), known.word));
    const FragmentEstimate estimate = EstimateFragmentLengths(
        SampleFragments(sequences, inputs, requested.variant, requested.threads));
    progress.Clear();

    const bool sound = estimate.verdict == EstimateVerdict::Sound;
    std::optional<AnchorDistances> distances;
    size_t shortSequences = 0;
    if (sound) {
        const int32_t readLength = inputs.ReadLength();
        distances =
            DistancesFor(estimate, readLength,
                         LeastMinDistance(requested.variant, requested.parameters, readLength));
        for (const std::string_view sequence : sequences)
            shortSequences += static_cast<int64_t>(sequence.size()) < distances->maxDistance;
    }
    if (estimate.verdict != EstimateVerdict::TooFewPairs)
        settled.report =
            EstimateReport(estimate, distances, sequences.size(), shortSequences, known.word);
    if (!requested.quiet && (!sound || echoSoundReport)) Tell(progress.program(), settled.report);
    if (!sound) {
        const int32_t readLength = inputs.ReadLength();
        throw UsageError(
            EstimateRefusal(estimate, known.word) + "; " +
            DistanceAdvice(estimate, readLength,
                           LeastMinDistance(requested.variant, requested.parameters, readLength)));
    }

    settled.settings.parameters.minDistance = distances->minDistance;
    settled.settings.parameters.maxDistance = distances->maxDistance;
    settled.estimate = estimate;
    return settled;
}

}  // namespace lorvex
