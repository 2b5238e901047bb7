#include "run/parameter_words.h"

#include "base/errors.h"
#include "calling/overlap_voting.h"

namespace lorvex {

std::string ParameterFaultText(ParameterFault fault, Variant variant,
                               const RunParameters& parameters, int32_t readLength,
                               const ParameterNames& names) {
    const std::string minDistance =
        names.minDistance + " " + std::to_string(parameters.minDistance);
    const std::string maxDistance =
        names.maxDistance + " " + std::to_string(parameters.maxDistance);
    switch (fault) {
        case ParameterFault::None: break;
        case ParameterFault::MinAboveMax:
            return minDistance + " is greater than " + maxDistance +
                   " (the distances of the nearest and the farthest anchor window)";
        case ParameterFault::NegativeMinVotes:
            return names.minVotes + " must be 0 or more, not " +
                   std::to_string(parameters.minVotes);
        case ParameterFault::NegativeRatio:
            return names.dominanceRatio +
                   " must be 0 or more (the winner's votes over the others')";
        case ParameterFault::NoWindows:
            return minDistance + " and " + maxDistance + " give no anchor window for reads of " +
                   std::to_string(readLength) + " bases";
        case ParameterFault::WindowPastEnd:
            return minDistance + " must be at least " +
                   std::to_string(LeastMinDistance(variant, parameters, readLength)) +
                   (variant == Variant::Strict    ? " (twice the read length, minus 2)"
                    : parameters.anchorLength > 0 ? " (the anchor length)"
                                                  : " (the read length)");
    }
    return "";
}

std::optional<std::string> CheckRunParameters(Variant variant, const RunParameters& parameters,
                                              int32_t readLength) {
    if (const ParameterFault fault = RunParameterFault(variant, parameters, readLength);
        fault != ParameterFault::None)
        throw UsageError(ParameterFaultText(fault, variant, parameters, readLength));
    if (MatesCanVote(readLength)) return std::nullopt;
    return "the table holds reads of " + std::to_string(readLength) +
           " bases, and a mate votes only when it overlaps the contig's end by " +
           std::to_string(minimumOverlap) + " to R - 1 bases: no mate can vote, nothing will be " +
           "extended (build the table with a read length above " + std::to_string(minimumOverlap) +
           ")";
}

}  // namespace lorvex
