// The command-line options of the settings every batch program shares, each
// declared with the program's own help text where the programs' words
// differ, and checked once parsed.
#pragma once

#include <CLI/CLI.hpp>
#include <string>
#include <vector>

#include "run/run_settings.h"

namespace lorvex {

// What the shared options hold before they are checked.
struct RunOptionTexts {
    std::string minDistance, maxDistance, minVotes, ratio, anchorLength, anchorMismatches,
        minQuality;
    bool strict = false;
    std::string depth;
    bool noRepeatGuard = false;
    bool noEndReads = false;
    bool mismatchesAtAnyQuality = false;
    std::string minVariantShare;
};

// -t, -i, the four numbers, --anchor-length and --strict.
void AddRunOptions(CLI::App& app, RunSettings& settings, RunOptionTexts& texts);
// --depth and --no-repeat-guard.
void AddRepeatGuardOptions(CLI::App& app, RunOptionTexts& texts);
// --variants-tsv (into `path`) and --min-variant-share.
void AddVariantOptions(CLI::App& app, std::string& path, RunOptionTexts& texts,
                       const std::string& help);
// -j, --max-bases, -o, --line-width and -q, with the program's help texts.
void AddThreadsOption(CLI::App& app, RunSettings& settings, const std::string& help);
void AddMaxBasesOption(CLI::App& app, RunSettings& settings, const std::string& help);
void AddOutputOption(CLI::App& app, RunSettings& settings, const std::string& help);
void AddLineWidthOption(CLI::App& app, RunSettings& settings, const std::string& help);
void AddQuietOption(CLI::App& app, RunSettings& settings);
// -f, --force: existing output files are replaced.
void AddForceOption(CLI::App& app, RunSettings& settings);

// Checks and takes them: files for the table and index, both distances or
// neither (estimateDistances), numbers that are numbers and can mean a run,
// --depth with the guard on; an empty output is standard output. Throws
// UsageError.
void TakeRunOptions(const RunOptionTexts& texts, RunSettings& settings);

// Refuses two outputs named alike (empty names are outputs not asked for):
// they would mix in one file.
void CheckOutputsDiffer(const std::vector<std::string>& outputs);

}  // namespace lorvex
