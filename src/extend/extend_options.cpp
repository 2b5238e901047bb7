#include "extend/extend_options.h"

#include <cmath>
#include <cstdio>
#include <vector>

#include "base/errors.h"
#include "tool/command_line.h"
#include "tool/number_arguments.h"

namespace lorvex::extend {
namespace {

constexpr const char* description =
    "Extends every seed of a FASTA file with the read pairs of a table, as lorvex does for one\n"
    "seed, and writes the extended contigs as FASTA. The right side of each seed is what\n"
    "lorvex (lorvex-strict with --strict) prints for that seed alone, or the start of it: the\n"
    "repeat guard stops a side where the votes show its end in more than one copy of the\n"
    "genome (--no-repeat-guard: all of it). --both also extends the left side (the\n"
    "reverse-complemented seed, extended and turned back). Each header tells the bases added\n"
    "and why each side stopped:\n"
    "  >name left=120 right=3456 left_stop=no-votes right_stop=repeat\n"
    "Stops: repeat, no-votes, too-few-votes, not-dominant, repetitive-tail, cap-reached, and\n"
    "for a side never extended seed-too-short (a seed shorter than --max-distance, which does\n"
    "not stop the other seeds).\n"
    "The index is loaded once; seeds run in parallel with --threads and come out in input\n"
    "order. Without --min-distance and --max-distance, both are estimated from the pairs\n"
    "that lie inside the seeds (reported on standard error). --estimate-only reports the\n"
    "distances and the single-copy depth and stops.\n"
    "Numbers: --min-distance at least the read length R and at most --max-distance (with\n"
    "--strict: at least 2R - 2 and below --max-distance + R); --min-votes and --ratio 0 or\n"
    "more. TABLE and INDEX come from lorvex-prep.\n";

void TakeRepeatGuardOptions(const RunOptionTexts& texts, ExtendOptions& options) {
    options.repeatGuard = !texts.noRepeatGuard;
    if (texts.depth.empty()) return;
    if (texts.noRepeatGuard)
        throw UsageError("--depth sets the repeat guard; drop --no-repeat-guard");
    const double depth = ParseNumberArgument(texts.depth, "--depth");
    if (!(depth > 0) || std::isinf(depth))
        throw UsageError("--depth must be a positive number, not '" + texts.depth + "'");
    options.singleCopyDepth = depth;
}

// The options lorvex-extend has besides the shared ones.
void AddOptions(CLI::App& app, ExtendOptions& options, RunOptionTexts& texts) {
    app.get_formatter()->column_width(34);
    AddFileOption(app, "-s,--seeds", options.seedsPath,
                  "FASTA file of the seeds, one or many records, plain or gzip ('-': standard "
                  "input)")
        ->required();
    AddRunOptions(app, options, texts);
    app.add_flag("--both", options.bothSides, "Extend the left side too");
    app.add_option("-j,--threads", options.threads, "Seeds extended in parallel, 1 to 256")
        ->capture_default_str()
        ->check(CLI::Range(1u, maxThreads).description(""))
        ->type_name("N");
    app.add_option("--max-bases", options.cap, "Most bases added to one side, 0 to 2000000")
        ->capture_default_str()
        ->check(CLI::Range(0, extensionCap).description(""))
        ->type_name("N");
    AddFileOption(app, "-o,--output", options.outputPath,
                  "FASTA of the extended contigs ('-': standard output; a name ending in .gz is "
                  "written compressed, as are the TSVs)")
        ->capture_default_str();
    app.add_option("--line-width", options.lineWidth,
                   "Bases per FASTA sequence line, 0: one line per contig")
        ->capture_default_str()
        ->check(CLI::NonNegativeNumber.description(""))
        ->type_name("N");
    AddFileOption(app, "--bases-tsv", options.basesPath,
                  "Also write one row per accepted base (TSV)");
    AddFileOption(app, "--summary-tsv", options.summaryPath,
                  "Also write one row per seed and side (TSV)");
    AddFileOption(app, "--plot", options.plotPath,
                  "Also draw the votes along each extension (SVG)");
    AddFileOption(app, "--fragments-tsv", options.fragmentsPath,
                  "Also write the fragment lengths, distances and depth (TSV)");
    app.add_flag("--estimate-only", options.estimateOnly,
                 "Print the distances and the depth, extend nothing");
    app.add_flag("-q,--quiet", options.quiet, "No progress, estimate or summary on standard error");
    AddRepeatGuardOptions(app, texts);
}

// Two outputs into one file (or both to standard output) would mix.
void CheckOutputsDiffer(const ExtendOptions& options) {
    const std::vector<std::string> outputs = {options.outputPath, options.basesPath,
                                              options.summaryPath, options.plotPath,
                                              options.fragmentsPath};
    for (size_t i = 0; i < outputs.size(); ++i)
        for (size_t j = i + 1; j < outputs.size(); ++j)
            if (!outputs[i].empty() && outputs[i] == outputs[j])
                throw UsageError("two outputs go to " +
                                 (outputs[i] == "-" ? std::string("standard output") : outputs[i]) +
                                 "; give each its own file");
}

// No contigs asked for when none will be made.
void CheckEstimateOutputs(const ExtendOptions& options) {
    if (options.estimateOnly && (options.outputPath != "-" || !options.basesPath.empty() ||
                                 !options.summaryPath.empty() || !options.plotPath.empty()))
        throw UsageError(
            "--estimate-only extends nothing: leave out -o, --bases-tsv, --summary-tsv and --plot");
}

void TakeOptions(const RunOptionTexts& texts, ExtendOptions& options) {
    if (options.outputPath.empty()) options.outputPath = "-";
    TakeRunOptions(texts, options);
    CheckEstimateOutputs(options);
    CheckOutputsDiffer(options);
}

}  // namespace

void AddRepeatGuardOptions(CLI::App& app, RunOptionTexts& texts) {
    app.add_option("--depth", texts.depth,
                   "The repeat guard's single-copy depth (default: estimated)")
        ->type_name("X");
    app.add_flag("--no-repeat-guard", texts.noRepeatGuard,
                 "Extend through repeats, as lorvex does");
}

void AddRunOptions(CLI::App& app, ExtendOptions& options, RunOptionTexts& texts) {
    AddFileOption(app, "-t,--table", options.tablePath, "Read-pair table")->required();
    AddFileOption(app, "-i,--index", options.indexPath, "Prefix index of the table")->required();
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
    app.add_flag("--strict", texts.strict, "Extend as lorvex-strict does");
}

void TakeRunOptions(const RunOptionTexts& texts, ExtendOptions& options) {
    if (options.tablePath == "-" || options.indexPath == "-")
        throw UsageError(
            "the table is read by positioned reads, which a pipe cannot serve, and its index "
            "goes with it: give the files of -t and -i, not '-'");
    if (texts.minDistance.empty() != texts.maxDistance.empty())
        throw UsageError(
            "give both --min-distance and --max-distance, or neither to estimate them");
    options.estimateDistances = texts.minDistance.empty();
    if (!options.estimateDistances) {
        options.parameters.minDistance = ParseIntegerArgument(texts.minDistance, "--min-distance");
        options.parameters.maxDistance = ParseIntegerArgument(texts.maxDistance, "--max-distance");
    }
    options.parameters.minVotes = texts.minVotes.empty()
                                      ? defaultMinVotes
                                      : ParseIntegerArgument(texts.minVotes, "--min-votes");
    options.parameters.dominanceRatio =
        texts.ratio.empty() ? defaultDominanceRatio : ParseRatioArgument(texts.ratio, "--ratio");
    options.variant = texts.strict ? Variant::Strict : Variant::Main;
    if (const std::optional<std::string> impossible =
            ImpossibleParameters(options.variant, options.parameters, optionNames))
        throw UsageError(*impossible);
    TakeRepeatGuardOptions(texts, options);
}

std::string RatioText(float ratio) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", static_cast<double>(ratio));
    return text;
}

CommandLine ParseCommandLine(int argc, char** argv) {
    CommandLine result;
    result.exitStatus = ParseProgramOptions(argc, argv, "lorvex-extend", description,
                                            result.options, AddOptions, TakeOptions);
    return result;
}

}  // namespace lorvex::extend
