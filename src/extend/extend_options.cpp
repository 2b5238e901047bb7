#include "extend/extend_options.h"

#include <cstdio>
#include <vector>

#include "app/tool_command_line.h"

namespace lorvex::extend {
namespace {

constexpr const char* description =
    "Extends every seed of a FASTA file with the read pairs of a table, as lorvex does for one\n"
    "seed, and writes the extended contigs as FASTA. The right side of each seed is base for\n"
    "base what lorvex (lorvex-strict with --strict) prints for that seed alone; --both also\n"
    "extends the left side (the reverse-complemented seed, extended and turned back). Each\n"
    "header tells the bases added and why each side stopped:\n"
    "  >name left=120 right=3456 left_stop=no-votes right_stop=not-dominant\n"
    "Stops: no-votes, too-few-votes, not-dominant, repetitive-tail, cap-reached, and for a\n"
    "side never extended no-windows (MAX_DISTANCE below the first window) or seed-too-short\n"
    "(a seed shorter than MAX_DISTANCE, which does not stop the other seeds).\n"
    "The index is loaded once; seeds run in parallel with --threads and come out in input\n"
    "order.\n";

int UsageFailure(const std::string& message) {
    return ReportUsageMistake("lorvex-extend", message);
}

}  // namespace

CommandLine ParseCommandLine(int argc, char** argv) {
    CommandLine result;
    ExtendOptions& options = result.options;
    std::string minDistance, maxDistance, minVotes, ratio;
    bool strict = false;

    CLI::App app(description, "lorvex-extend");
    app.set_version_flag("--version", LORVEX_VERSION, "Show the version and exit");
    app.get_formatter()->column_width(34);
    app.add_option("-s,--seeds", options.seedsPath, "FASTA file of the seeds, one or many records")
        ->type_name("FILE")
        ->required();
    app.add_option("-t,--table", options.tablePath, "Read-pair table")
        ->type_name("FILE")
        ->required();
    app.add_option("-i,--index", options.indexPath, "Prefix index of the table")
        ->type_name("FILE")
        ->required();
    app.add_option("--min-distance", minDistance,
                   "Distance of the nearest anchor window behind the end")
        ->type_name("N")
        ->required();
    app.add_option("--max-distance", maxDistance,
                   "Distance of the farthest anchor window behind the end")
        ->type_name("N")
        ->required();
    app.add_option("--min-votes", minVotes, "Fewest votes (all four bases) a cycle needs")
        ->type_name("N")
        ->required();
    app.add_option("--ratio,--dominance-ratio", ratio,
                   "The winner needs this times the other votes")
        ->type_name("X")
        ->required();
    app.add_flag("--strict", strict, "Extend as lorvex-strict does");
    app.add_flag("--both", options.bothSides, "Extend the left side too");
    app.add_option("-j,--threads", options.threads, "Seeds extended in parallel, 1 to 256")
        ->capture_default_str()
        ->check(CLI::Range(1u, maxThreads).description(""))
        ->type_name("N");
    app.add_option("--max-bases", options.cap, "Most bases added to one side, 0 to 2000000")
        ->capture_default_str()
        ->check(CLI::Range(0, extensionCap).description(""))
        ->type_name("N");
    app.add_option("-o,--output", options.outputPath,
                   "FASTA of the extended contigs ('-': standard output)")
        ->type_name("FILE")
        ->capture_default_str();
    app.add_option("--line-width", options.lineWidth,
                   "Bases per FASTA sequence line, 0: one line per contig")
        ->capture_default_str()
        ->check(CLI::NonNegativeNumber.description(""))
        ->type_name("N");
    app.add_option("--bases-tsv", options.basesPath, "Also write one row per accepted base (TSV)")
        ->type_name("FILE");
    app.add_option("--summary-tsv", options.summaryPath,
                   "Also write one row per seed and side (TSV)")
        ->type_name("FILE");
    app.add_option("--plot", options.plotPath, "Also draw the votes along each extension (SVG)")
        ->type_name("FILE");
    app.add_flag("-q,--quiet", options.quiet, "No progress and no summary on standard error");

    if (const std::optional<int> status = ParseToolCommandLine(app, argc, argv)) {
        result.exitStatus = *status;
        return result;
    }
    try {
        options.parameters.minDistance = ParseIntegerArgument(minDistance, "--min-distance");
        options.parameters.maxDistance = ParseIntegerArgument(maxDistance, "--max-distance");
        options.parameters.minVotes = ParseIntegerArgument(minVotes, "--min-votes");
        options.parameters.dominanceRatio = ParseRatioArgument(ratio, "--ratio");
    } catch (const UsageError& e) {
        result.exitStatus = UsageFailure(e.what());
        return result;
    }
    options.variant = strict ? Variant::Strict : Variant::Main;
    if (options.outputPath.empty()) options.outputPath = "-";
    // Two outputs into one file (or both to standard output) would mix.
    const std::vector<std::string> outputs = {options.outputPath, options.basesPath,
                                              options.summaryPath, options.plotPath};
    for (size_t i = 0; i < outputs.size(); ++i)
        for (size_t j = i + 1; j < outputs.size(); ++j)
            if (!outputs[i].empty() && outputs[i] == outputs[j]) {
                result.exitStatus =
                    UsageFailure("two outputs go to " +
                                 (outputs[i] == "-" ? std::string("standard output") : outputs[i]) +
                                 "; give each its own file");
                return result;
            }
    return result;
}

}  // namespace lorvex::extend
