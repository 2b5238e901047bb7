#include "app/lorvex_program.h"

#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <string>

#include "base/errors.h"
#include "extension/extend_contig.h"
#include "input/pair_table.h"
#include "input/seed_reader.h"
#include "run/parameter_words.h"
#include "tool/number_arguments.h"
#include "tool/run_tool.h"

namespace lorvex {
namespace {

const char* ProgramName(Variant variant) {
    return variant == Variant::Main ? "lorvex" : "lorvex-strict";
}

// What the program does, how it differs from its sibling, the rules its
// numbers follow and where its inputs come from.
std::string UsageText(Variant variant) {
    const bool main = variant == Variant::Main;
    const std::string name = ProgramName(variant);
    std::string text =
        "Usage: " + name +
        " SEED.fa TABLE INDEX MIN_DISTANCE MAX_DISTANCE MIN_VOTES DOMINANCE_RATIO\n"
        "\n"
        "Extends the seed contig to the right one base at a time from read pairs whose\n"
        "first read lies on an anchor window behind the contig's end, and prints one line\n"
        "per accepted base: the base and the votes for A, C, G and T, tab-separated.\n"
        "\n";
    text += main ? "Unlike lorvex-strict, it selects pairs whose first read matches a window on\n"
                   "its first 100 bases, counts a mate that names one base at every qualifying\n"
                   "overlap, and flushes every line.\n"
                 : "Unlike lorvex, it selects pairs whose first read matches a window exactly,\n"
                   "counts a mate only when exactly one overlap qualifies, and also anchors on\n"
                   "windows nearer the end (MAX + R - MIN of them, R the read length).\n";
    text += std::string(
                "\n"
                "  SEED.fa          FASTA file with the seed contig (one record)\n"
                "  TABLE            read-pair table (fixed-width lines: read, mate, qualities)\n"
                "  INDEX            prefix index of the table (12-base key, tab, line count)\n"
                "  MIN_DISTANCE     distance of the nearest anchor window behind the end, at\n"
                "                   least ") +
            (main ? "R (the read length)" : "2R - 2 (R the read length)") +
            "\n"
            "  MAX_DISTANCE     distance of the farthest anchor window, at least MIN_DISTANCE\n"
            "                   and at most the seed's length; for fragments of F_min to F_max\n"
            "                   bases: MIN_DISTANCE = F_min - R + 20, MAX_DISTANCE = F_max - 1\n"
            "  MIN_VOTES        fewest votes (all four bases) a base needs\n"
            "  DOMINANCE_RATIO  the winner needs at least this times the other votes\n"
            "\n"
            "  --help           show this text\n"
            "  --version        show the program's name and version\n"
            "\n"
            "TABLE and INDEX come from lorvex-prep --format text (or both) from paired FASTQ;\n"
            "its default, the compact table, is for lorvex-extend, which extends many seeds at\n"
            "once and estimates the distances from the reads.\n";
    return text;
}

const char* const argumentNames[] = {"SEED.fa",      "TABLE",     "INDEX",          "MIN_DISTANCE",
                                     "MAX_DISTANCE", "MIN_VOTES", "DOMINANCE_RATIO"};
const ParameterNames parameterNames{argumentNames[3], argumentNames[4], argumentNames[5],
                                    argumentNames[6]};

// "missing MIN_VOTES and DOMINANCE_RATIO (6 of 7 arguments given)".
std::string MissingArguments(int given) {
    std::string names;
    for (int i = given; i < 7; ++i)
        names += std::string(i == given ? "" : i == 6 ? " and " : ", ") + argumentNames[i];
    return "missing " + names + " (" + std::to_string(given) + " of 7 arguments given)";
}

[[noreturn]] void FailStandardOutput() {
    const int error = errno;
    throw OutputFileError("standard output", std::strerror(error));
}

// The line "%c\t%d\t%d\t%d\t%d\n" for a base and its votes, formatted by
// hand: a run prints one per base, and printf's parsing of the format cost
// as much as the rest of a cycle at high depth.
size_t FormatLine(char base, const BaseVotes& votes, char* line) {
    char* at = line;
    *at++ = base;
    for (const int32_t count : {votes.a, votes.c, votes.g, votes.t}) {
        *at++ = '\t';
        at = std::to_chars(at, at + 11, count).ptr;
    }
    *at++ = '\n';
    return static_cast<size_t>(at - line);
}

// lorvex hands every line to the kernel as it is accepted, so one write per
// line does what printing and flushing it would, without the stream's
// bookkeeping; lorvex-strict leaves its lines to the stream's buffer.
void WriteLine(char base, const BaseVotes& votes, bool flushEachLine) {
    char line[64];
    const size_t size = FormatLine(base, votes, line);
    if (!flushEachLine) {
        if (std::fwrite(line, 1, size, stdout) != size) FailStandardOutput();
        return;
    }
    for (size_t written = 0; written < size;) {
        const ssize_t result = ::write(STDOUT_FILENO, line + written, size - written);
        if (result < 0 && errno == EINTR) continue;
        if (result < 0) FailStandardOutput();
        written += static_cast<size_t>(result);
    }
}

// lorvex-prep writes the compact table unless told otherwise, and its
// records would otherwise be reported as a broken text line.
void RefuseCompactTable(const std::string& tablePath, const std::string& indexPath,
                        Variant variant) {
    const std::string remedy = std::string(ProgramName(variant)) +
                               " reads the text table and its prefix index: make them with "
                               "lorvex-prep --format text (or both)";
    if (IsPairTableFile(tablePath))
        throw FileError(tablePath,
                        "a compact pair table (for lorvex-extend and lorvex-close); " + remedy);
    if (IsPairTableFile(indexPath))
        throw FileError(indexPath,
                        "a compact pair table, given where the prefix index belongs; " + remedy);
}

RunParameters ParseRunParameters(char** argv) {
    RunParameters parameters;
    parameters.minDistance = ParseIntegerArgument(argv[4], parameterNames.minDistance);
    parameters.maxDistance = ParseIntegerArgument(argv[5], parameterNames.maxDistance);
    parameters.minVotes = ParseIntegerArgument(argv[6], parameterNames.minVotes);
    parameters.dominanceRatio = ParseRatioArgument(argv[7], parameterNames.dominanceRatio);
    return parameters;
}

int Run(int argc, char** argv, Variant variant, MakeCycles makeCycles) {
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        std::fputs(UsageText(variant).c_str(), stdout);
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("%s %s\n", ProgramName(variant), LORVEX_VERSION);
        return 0;
    }
    if (argc < 8) {
        std::fputs(UsageText(variant).c_str(), stderr);
        if (argc > 1)
            std::fprintf(stderr, "%s: %s\n", ProgramName(variant),
                         MissingArguments(argc - 1).c_str());
        return 2;
    }
    ExtensionRules rules;
    rules.parameters = ParseRunParameters(argv);
    rules.variant = variant;
    rules.makeCycles = makeCycles;
    std::string contig = LoadSeed(argv[1]);
    RefuseCompactTable(argv[2], argv[3], variant);
    const RunInputs inputs = LoadRunInputs(argv[2], argv[3], "SEED.fa TABLE INDEX ...");
    const int32_t readLength = inputs.table.layout.readLength;
    if (WindowPastEnd(variant, rules.parameters, readLength))
        throw UsageError(ParameterFaultText(ParameterFault::WindowPastEnd, variant,
                                            rules.parameters, readLength, parameterNames));

    TieBreakSource tieBreaks = TieBreakSource::ProcessRand();
    const bool flushEachLine = variant == Variant::Main;
    ExtensionHooks hooks;
    hooks.onAccepted = [flushEachLine](char base, const BaseVotes& votes) {
        WriteLine(base, votes, flushEachLine);
    };
    const ExtensionOutcome outcome = ExtendContig(contig, inputs, rules, tieBreaks, hooks);
    if (outcome.reason == StopReason::SeedTooShort)
        throw UsageError("the seed holds " + std::to_string(contig.size()) + " bases, fewer than " +
                         parameterNames.maxDistance + " " +
                         std::to_string(rules.parameters.maxDistance));
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) FailStandardOutput();
    return 0;
}

}  // namespace

int RunLorvex(int argc, char** argv, Variant variant, MakeCycles makeCycles) {
    return RunTool(ProgramName(variant), [&] { return Run(argc, argv, variant, makeCycles); });
}

}  // namespace lorvex
