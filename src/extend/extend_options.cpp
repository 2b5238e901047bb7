#include "extend/extend_options.h"

#include "base/errors.h"
#include "run/run_options.h"
#include "tool/command_line.h"

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
    "Stops: repeat, no-votes, too-few-votes, not-dominant, repetitive-tail, cap-reached,\n"
    "circular, and for a side never extended seed-too-short (a seed shorter than\n"
    "--max-distance, which does not stop the other seeds). A side that comes back onto the\n"
    "contig's start stops with circular (not with --no-repeat-guard), and the record holds\n"
    "the circle once from the seed's first base, its header ending length=N circular=true.\n"
    "The index is loaded once; seeds run in parallel with --threads and come out in input\n"
    "order. Without --min-distance and --max-distance, both are estimated from the pairs\n"
    "that lie inside the seeds (reported on standard error). --estimate-only reports the\n"
    "distances and the single-copy depth and stops.\n"
    "Numbers: --min-distance at least the read length R and at most --max-distance (with\n"
    "--strict: at least 2R - 2 and below --max-distance + R); --min-votes and --ratio 0 or\n"
    "more. The table comes from lorvex-prep: PREFIX.pairs (-t alone), or with --format text\n"
    "PREFIX.table (-t) and its PREFIX.index (-i).\n";

// The options lorvex-extend has besides the shared ones.
void AddOptions(CLI::App& app, ExtendOptions& options, RunOptionTexts& texts) {
    app.get_formatter()->column_width(35);
    RunSettings& run = options.run;
    AddFileOption(app, "-s,--seeds", options.seedsPath,
                  "FASTA file of the seeds, one or many records, plain or gzip ('-': standard "
                  "input)")
        ->required();
    AddRunOptions(app, run, texts);
    app.add_flag("--both", options.bothSides, "Extend the left side too");
    AddThreadsOption(app, run, "Seeds extended in parallel, 1 to 256");
    AddMaxBasesOption(app, run, "Most bases added to one side, 0 to 2000000");
    AddOutputOption(app, run,
                    "FASTA of the extended contigs ('-': standard output; a name ending in .gz is "
                    "written compressed, as are the TSVs)");
    AddLineWidthOption(app, run, "Bases per FASTA sequence line, 0: one line per contig");
    AddFileOption(app, "--bases-tsv", options.basesPath,
                  "Also write one row per accepted base (TSV)");
    AddFileOption(app, "--summary-tsv", options.summaryPath,
                  "Also write one row per seed and side (TSV)");
    AddFileOption(app, "--plot", options.plotPath,
                  "Also draw the votes along each extension (SVG)");
    AddFileOption(app, "--fragments-tsv", options.fragmentsPath,
                  "Also write the fragment lengths, distances and depth (TSV)");
    AddVariantOptions(app, options.variantsPath, texts,
                      "Also write one row per variant site of the added bases (TSV)");
    app.add_flag("--estimate-only", options.estimateOnly,
                 "Print the distances and the depth, extend nothing");
    AddForceOption(app, run);
    AddQuietOption(app, run);
    AddRepeatGuardOptions(app, texts);
}

// No contigs asked for when none will be made.
void CheckEstimateOutputs(const ExtendOptions& options) {
    if (options.estimateOnly && (options.run.outputPath != "-" || !options.basesPath.empty() ||
                                 !options.summaryPath.empty() || !options.plotPath.empty() ||
                                 !options.variantsPath.empty()))
        throw UsageError(
            "--estimate-only extends nothing: leave out -o, --bases-tsv, --summary-tsv, --plot "
            "and --variants-tsv");
}

void TakeOptions(const RunOptionTexts& texts, ExtendOptions& options) {
    TakeRunOptions(texts, options.run);
    CheckEstimateOutputs(options);
    CheckOutputsDiffer({options.run.outputPath, options.basesPath, options.summaryPath,
                        options.plotPath, options.fragmentsPath, options.variantsPath});
}

}  // namespace

CommandLine ParseCommandLine(int argc, char** argv) {
    return ParseProgramOptions(argc, argv, "lorvex-extend", description, AddOptions, TakeOptions);
}

}  // namespace lorvex::extend
