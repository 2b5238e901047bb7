#include "close/close_options.h"

#include "run/run_options.h"
#include "tool/command_line.h"

namespace lorvex::close {
namespace {

constexpr const char* description =
    "Closes the gaps (runs of N) of scaffolds with the read pairs of a table. For every gap,\n"
    "the flank on its left is extended rightwards and the flank on its right leftwards, as\n"
    "lorvex-extend extends a seed (repeat guard on), each side until it stops by itself or has\n"
    "reached the far flank. The gap is closed when the two sides (or one side and the far\n"
    "flank) overlap exactly, over --min-overlap bases or more, at one place only, and the\n"
    "closed length lies within the tolerance of the N run's length (not checked for N runs of\n"
    "--unknown-gap-length). Other gaps keep their N run; --partial writes what each side\n"
    "added into them around a shorter N run. Records and their order are unchanged; gaps run\n"
    "in parallel with --threads. Without --min-distance and --max-distance, both are\n"
    "estimated from the pairs that lie inside the flanks.\n";

void AddOptions(CLI::App& app, CloseOptions& options, RunOptionTexts& texts) {
    app.get_formatter()->column_width(35);
    RunSettings& run = options.run;
    run.cap = defaultUnknownGapCap;
    AddFileOption(app, "-s,--scaffolds", options.scaffoldsPath, "FASTA file of the scaffolds")
        ->required();
    AddRunOptions(app, run, texts);
    AddThreadsOption(app, run, "Gaps closed in parallel, 1 to 256");
    app.add_option("--min-gap", options.minGap, "Fewest N in a row that make a gap")
        ->capture_default_str()
        ->check(CLI::Range(int64_t{1}, int64_t{1} << 31).description(""))
        ->type_name("N");
    app.add_option("--min-overlap", options.minOverlap,
                   "Fewest bases the two sides must overlap by, exactly")
        ->capture_default_str()
        ->check(CLI::Range(1, 100000).description(""))
        ->type_name("N");
    app.add_option("--gap-tolerance", options.gapTolerance,
                   "Bases a closed gap's length may differ from its N run")
        ->capture_default_str()
        ->check(CLI::NonNegativeNumber.description(""))
        ->type_name("N");
    app.add_option("--gap-tolerance-share", options.gapToleranceShare,
                   "Or this share of the N run, when that is more")
        ->capture_default_str()
        ->check(CLI::Range(0.0, 100.0).description(""))
        ->type_name("X");
    app.add_option("--unknown-gap-length", options.unknownGapLength,
                   "N runs of this length have no length check (0: none)")
        ->capture_default_str()
        ->check(CLI::NonNegativeNumber.description(""))
        ->type_name("N");
    AddMaxBasesOption(app, run, "Most bases a side adds to a gap of unknown length, 0 to 2000000");
    app.add_flag("--partial", options.partial,
                 "Write the sides of open gaps into them, around a shorter N run");
    AddOutputOption(app, run, "FASTA of the closed scaffolds ('-': standard output)");
    AddLineWidthOption(app, run, "Bases per FASTA sequence line, 0: one line per record");
    AddFileOption(app, "--gaps-tsv", options.gapsPath, "Also write one row per gap (TSV)");
    AddForceOption(app, run);
    AddVariantOptions(app, options.variantsPath, texts,
                      "Also write one row per variant site of the filled bases (TSV)");
    AddQuietOption(app, run);
    AddRepeatGuardOptions(app, texts);
}

void TakeOptions(const RunOptionTexts& texts, CloseOptions& options) {
    TakeRunOptions(texts, options.run);
    CheckOutputsDiffer({options.run.outputPath, options.gapsPath, options.variantsPath});
}

}  // namespace

CommandLine ParseCommandLine(int argc, char** argv) {
    return ParseProgramOptions(argc, argv, "lorvex-close", description, AddOptions, TakeOptions);
}

}  // namespace lorvex::close
