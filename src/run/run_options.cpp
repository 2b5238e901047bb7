#include "run/run_options.h"

#include <cmath>

#include "base/errors.h"
#include "base/number_text.h"
#include "run/parameter_words.h"
#include "tool/command_line.h"
#include "tool/number_arguments.h"

namespace lorvex {
namespace {

void TakeRepeatGuardOptions(const RunOptionTexts& texts, RunSettings& settings) {
    settings.repeatGuard = !texts.noRepeatGuard;
    if (texts.depth.empty()) return;
    if (texts.noRepeatGuard)
        throw UsageError("--depth sets the repeat guard; drop --no-repeat-guard");
    const double depth = ParseNumberArgument(texts.depth, "--depth");
    if (!(depth > 0) || std::isinf(depth))
        throw UsageError("--depth must be a positive number, not '" + texts.depth + "'");
    settings.singleCopyDepth = depth;
}

void TakeAnchorOptions(const RunOptionTexts& texts, RunSettings& settings) {
    RunParameters& parameters = settings.parameters;
    parameters.anchorLength = defaultAnchorLength;
    parameters.anchorMismatches = defaultAnchorMismatches;
    settings.estimateAnchorMismatches = false;
    settings.voteQualityGiven = !texts.minQuality.empty();
    if (settings.variant == Variant::Strict) {
        if (!texts.anchorLength.empty() || !texts.anchorMismatches.empty() ||
            !texts.minQuality.empty())
            throw UsageError(
                "--strict selects pairs on their whole first read and counts bases of quality "
                "30 or more; drop --anchor-length, --anchor-mismatches and --min-quality");
        parameters.anchorLength = 0;
        parameters.anchorMismatches = 0;
        parameters.voteQuality = static_cast<int32_t>(pairTableVoteQuality);
        return;
    }
    parameters.voteQuality = static_cast<int32_t>(defaultVoteQuality);
    if (!texts.minQuality.empty()) {
        parameters.voteQuality = ParseIntegerArgument(texts.minQuality, "--min-quality");
        if (parameters.voteQuality < 0 ||
            parameters.voteQuality > static_cast<int32_t>(highestVoteQuality))
            throw UsageError("--min-quality must be 0 to " + std::to_string(highestVoteQuality) +
                             ", not " + texts.minQuality);
    }
    if (!texts.anchorLength.empty()) {
        parameters.anchorLength = ParseIntegerArgument(texts.anchorLength, "--anchor-length");
        if (parameters.anchorLength != 0 && parameters.anchorLength < prefixLength)
            throw UsageError("--anchor-length must be 0 (the whole read) or at least " +
                             std::to_string(prefixLength) + " (the index key), not " +
                             texts.anchorLength);
    }
    parameters.cleanAnchorsDecide = !texts.mismatchesAtAnyQuality;
    settings.estimateAnchorMismatches = texts.anchorMismatches.empty();
    if (!texts.anchorMismatches.empty()) {
        parameters.anchorMismatches =
            ParseIntegerArgument(texts.anchorMismatches, "--anchor-mismatches");
        if (parameters.anchorMismatches < 0)
            throw UsageError("--anchor-mismatches must be 0 or more, not " +
                             texts.anchorMismatches);
    }
}

CLI::Option* AddCount(CLI::App& app, const std::string& name, auto& value,
                      const std::string& help) {
    return app.add_option(name, value, help)->capture_default_str()->type_name("N");
}

}  // namespace

void AddRunOptions(CLI::App& app, RunSettings& settings, RunOptionTexts& texts) {
    AddFileOption(app, "-t,--table", settings.tablePath,
                  "Read-pair table: compact (PREFIX.pairs) or text (PREFIX.table)")
        ->required();
    AddFileOption(app, "-i,--index", settings.indexPath,
                  "Prefix index of a text table (a compact table holds its own)");
    const auto number = [&app](const std::string& name, std::string& text, const std::string& help,
                               const std::string& typeName) {
        return app.add_option(name, text, help)->type_name(typeName);
    };
    number("--min-distance", texts.minDistance,
           "Distance of the nearest anchor window (estimated when left out)", "N");
    number("--max-distance", texts.maxDistance,
           "Distance of the farthest anchor window (estimated when left out)", "N");
    number("--min-votes", texts.minVotes, "Fewest votes (all four bases) a cycle needs", "N")
        ->default_str(std::to_string(defaultMinVotes));
    number("--ratio,--dominance-ratio", texts.ratio, "The winner needs this times the other votes",
           "X")
        ->default_str(RatioText(defaultDominanceRatio));
    number("--anchor-length", texts.anchorLength,
           "Select a pair when the first K bases of its first read lie on the contig (12 or "
           "more; 0: the whole read, up to 100 bases)",
           "K")
        ->default_str(std::to_string(defaultAnchorLength));
    number("--min-quality", texts.minQuality,
           "A mate's base votes when its quality is Q or more (a compact table holds the Q "
           "lorvex-prep made it with)",
           "Q")
        ->default_str(std::to_string(defaultVoteQuality));
    number("--anchor-mismatches", texts.anchorMismatches,
           "Mismatches a first read may have with the contig past its first 12 bases "
           "(default: 0 to 2, from the read errors measured on the known sequences)",
           "M");
    app.add_flag("--mismatches-at-any-quality", texts.mismatchesAtAnyQuality,
                 "Count every mate alike whatever the quality of its anchor's mismatches (by "
                 "default, where the mates whose mismatches lie at bases below --min-quality "
                 "choose another base, they decide)");
    app.add_flag("--strict", texts.strict, "Extend as lorvex-strict does");
    app.add_flag("--no-end-reads", texts.noEndReads,
                 "Count the votes of mates only, as lorvex does: a cycle whose mates give too "
                 "few votes or no dominant base ends the side instead of taking the votes of "
                 "the reads that cover the end");
}

void AddRepeatGuardOptions(CLI::App& app, RunOptionTexts& texts) {
    app.add_option("--depth", texts.depth,
                   "The repeat guard's single-copy depth (default: estimated)")
        ->type_name("X");
    app.add_flag("--no-repeat-guard", texts.noRepeatGuard,
                 "Extend through repeats, as lorvex does");
}

void AddVariantOptions(CLI::App& app, std::string& path, RunOptionTexts& texts,
                       const std::string& help) {
    AddFileOption(app, "--variants-tsv", path, help);
    app.add_option("--min-variant-share", texts.minVariantShare,
                   "A variant site's runner-up holds at least this share of the reads over it")
        ->type_name("X")
        ->default_str(ExactText(defaultMinVariantShare));
}

void AddThreadsOption(CLI::App& app, RunSettings& settings, const std::string& help) {
    AddCount(app, "-j,--threads", settings.threads, help)
        ->check(CLI::Range(1u, maxThreads).description(""));
}

void AddMaxBasesOption(CLI::App& app, RunSettings& settings, const std::string& help) {
    AddCount(app, "--max-bases", settings.cap, help)
        ->check(CLI::Range(0, extensionCap).description(""));
}

void AddOutputOption(CLI::App& app, RunSettings& settings, const std::string& help) {
    AddFileOption(app, "-o,--output", settings.outputPath, help)->capture_default_str();
}

void AddLineWidthOption(CLI::App& app, RunSettings& settings, const std::string& help) {
    AddCount(app, "--line-width", settings.lineWidth, help)
        ->check(CLI::NonNegativeNumber.description(""));
}

void AddQuietOption(CLI::App& app, RunSettings& settings) {
    app.add_flag("-q,--quiet", settings.quiet,
                 "No progress, estimate or summary on standard error");
}

void AddForceOption(CLI::App& app, RunSettings& settings) {
    app.add_flag("-f,--force", settings.replaceOutputs, "Replace existing output files");
}

void TakeRunOptions(const RunOptionTexts& texts, RunSettings& settings) {
    if (settings.outputPath.empty()) settings.outputPath = "-";
    if (settings.tablePath == "-" || settings.indexPath == "-")
        throw UsageError(
            "the table is read by positioned reads, which a pipe cannot serve, and its index "
            "goes with it: give the files of -t and -i, not '-'");
    if (texts.minDistance.empty() != texts.maxDistance.empty())
        throw UsageError(
            "give both --min-distance and --max-distance, or neither to estimate them");
    RunParameters& parameters = settings.parameters;
    settings.estimateDistances = texts.minDistance.empty();
    if (!settings.estimateDistances) {
        parameters.minDistance = ParseIntegerArgument(texts.minDistance, "--min-distance");
        parameters.maxDistance = ParseIntegerArgument(texts.maxDistance, "--max-distance");
    }
    parameters.minVotes = texts.minVotes.empty()
                              ? defaultMinVotes
                              : ParseIntegerArgument(texts.minVotes, "--min-votes");
    parameters.dominanceRatio =
        texts.ratio.empty() ? defaultDominanceRatio : ParseRatioArgument(texts.ratio, "--ratio");
    settings.variant = texts.strict ? Variant::Strict : Variant::Main;
    settings.endReads = !texts.noEndReads && !texts.strict;
    TakeAnchorOptions(texts, settings);
    if (const ParameterFault impossible = ImpossibleParameters(settings.variant, parameters);
        impossible != ParameterFault::None)
        throw UsageError(ParameterFaultText(impossible, settings.variant, parameters, 0));
    TakeRepeatGuardOptions(texts, settings);
    if (!texts.minVariantShare.empty()) {
        const double share = ParseNumberArgument(texts.minVariantShare, "--min-variant-share");
        if (!(share > 0 && share <= 0.5))
            throw UsageError("--min-variant-share must be above 0 and at most 0.5, not '" +
                             texts.minVariantShare + "'");
        settings.minVariantShare = share;
    }
}

void CheckOutputsDiffer(const std::vector<std::string>& outputs) {
    for (size_t i = 0; i < outputs.size(); ++i)
        for (size_t j = i + 1; j < outputs.size(); ++j)
            if (!outputs[i].empty() && outputs[i] == outputs[j])
                throw UsageError("two outputs go to " +
                                 (outputs[i] == "-" ? std::string("standard output") : outputs[i]) +
                                 "; give each its own file");
}

}  // namespace lorvex
