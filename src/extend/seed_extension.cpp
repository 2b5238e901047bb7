#include "extend/seed_extension.h"

#include "seq/nucleotide.h"

namespace lorvex::extend {

const char* SideName(Side side) {
    return side == Side::Left ? "left" : "right";
}

const char* SideStopLabel(SideStop stop) {
    switch (stop) {
        case SideStop::NoWindows: return "no-windows";
        case SideStop::SeedTooShort: return "seed-too-short";
        case SideStop::NoVotes: return "no-votes";
        case SideStop::TooFewVotes: return "too-few-votes";
        case SideStop::NotDominant: return "not-dominant";
        case SideStop::RepetitiveTail: return "repetitive-tail";
        case SideStop::CapReached: return "cap-reached";
    }
    return "unknown";
}

SideStop SideStopFrom(StopReason reason) {
    switch (reason) {
        case StopReason::NoWindows: return SideStop::NoWindows;
        case StopReason::NoVotes: return SideStop::NoVotes;
        case StopReason::RepetitiveTail: return SideStop::RepetitiveTail;
        case StopReason::TooFewVotes: return SideStop::TooFewVotes;
        case StopReason::NotDominant: return SideStop::NotDominant;
        case StopReason::CapReached: return SideStop::CapReached;
    }
    return SideStop::NoWindows;
}

void CheckBatchWindowLimits(const ExtensionSettings& settings, int32_t readLength) {
    const RunParameters& p = settings.parameters;
    if (QueueCount(settings.variant, p.minDistance, p.maxDistance, readLength) <= 0) return;
    // The rule of CheckWindowLimits that does not depend on the seed, worded
    // with this program's option name.
    const bool main = settings.variant == Variant::Main;
    const int64_t leastMinDistance = main ? readLength : 2 * int64_t{readLength} - 2;
    if (p.minDistance < leastMinDistance)
        throw UsageError("--min-distance " + std::to_string(p.minDistance) + " must be at least " +
                         std::to_string(leastMinDistance) +
                         (main ? " (the read length)" : " (twice the read length, minus 2)"));
}

BaseVotes ComplementVotes(const BaseVotes& votes) {
    return BaseVotes{votes.t, votes.g, votes.c, votes.a};
}

namespace {

bool HasWindows(const ExtensionSettings& settings, int32_t readLength) {
    const RunParameters& p = settings.parameters;
    return QueueCount(settings.variant, p.minDistance, p.maxDistance, readLength) > 0;
}

}  // namespace

SideExtension ExtendSide(const std::string& seedBases, Side side, const RunInputs& inputs,
                         const ExtensionSettings& settings) {
    SideExtension extension;
    extension.side = side;
    const int32_t readLength = inputs.table.layout.readLength;
    if (!HasWindows(settings, readLength)) {
        extension.stop = SideStop::NoWindows;
        return extension;
    }
    if (static_cast<int64_t>(seedBases.size()) < settings.parameters.maxDistance) {
        extension.stop = SideStop::SeedTooShort;
        return extension;
    }
    std::string contig = seedBases;
    if (side == Side::Left) ReverseComplement(contig.data(), static_cast<int32_t>(contig.size()));
    TieBreakSource tieBreaks = TieBreakSource::Private();
    const ExtensionOutcome outcome = ExtendContig(
        contig, inputs, settings.parameters, settings.variant, tieBreaks,
        [&](char base, const BaseVotes& votes) {
            if (settings.keepVotes) extension.votes.push_back(votes);
            extension.bases.push_back(base);
        },
        settings.cap, settings.engine);
    extension.stop = SideStopFrom(outcome.reason);
    extension.stopVotes = outcome.stopVotes;
    if (side == Side::Left) {
        for (char& base : extension.bases) base = ComplementBase(base);
        for (BaseVotes& votes : extension.votes) votes = ComplementVotes(votes);
        extension.stopVotes = ComplementVotes(extension.stopVotes);
    }
    return extension;
}

SeedExtension ExtendSeed(const SeedRecord& seed, const RunInputs& inputs,
                         const ExtensionSettings& settings) {
    SeedExtension extension;
    extension.left.side = Side::Left;
    if (settings.bothSides) extension.left = ExtendSide(seed.bases, Side::Left, inputs, settings);
    extension.right = ExtendSide(seed.bases, Side::Right, inputs, settings);
    return extension;
}

std::string ExtendedContig(const SeedRecord& seed, const SeedExtension& extension) {
    std::string contig;
    contig.reserve(extension.left.bases.size() + seed.bases.size() + extension.right.bases.size());
    contig.append(extension.left.bases.rbegin(), extension.left.bases.rend());
    contig += seed.bases;
    contig += extension.right.bases;
    return contig;
}

}  // namespace lorvex::extend
