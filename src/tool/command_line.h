// The one entry point of the programs with named options (CLI11): the usage
// when nothing is given, --help, --version, and option mistakes, each with
// its exit status.
#pragma once

#include <CLI/CLI.hpp>
#include <functional>
#include <optional>
#include <string>

#include "tool/parsed_options.h"

namespace lorvex {

// Parses argv into app, then calls finish, which turns what was parsed into
// the program's options and throws UsageError for a mistake CLI11 cannot
// see. Returns the exit status when the run ends here: the usage on
// standard error with 2 when no argument is given, the help or the version
// with 0, a mistake with 2 (one line naming it, and a pointer to --help).
// Returns nothing when the run goes on.
std::optional<int> ParseToolCommandLine(CLI::App& app, int argc, char** argv,
                                        const std::function<void()>& finish);

// An option naming a file ("FILE" in the help).
CLI::Option* AddFileOption(CLI::App& app, const std::string& name, std::string& path,
                           const std::string& help);

// A program's whole command line: declare adds its options to the App (which
// has --version), writing into the options or into texts that finish then
// checks and turns into options.
template <typename Options, typename Texts>
ParsedOptions<Options> ParseProgramOptions(int argc, char** argv, const std::string& program,
                                           const std::string& description,
                                           void (*declare)(CLI::App&, Options&, Texts&),
                                           void (*finish)(const Texts&, Options&)) {
    ParsedOptions<Options> parsed;
    Texts texts;
    CLI::App app(description, program);
    app.set_version_flag("--version", LORVEX_VERSION, "Show the version and exit");
    declare(app, parsed.options, texts);
    parsed.exitStatus =
        ParseToolCommandLine(app, argc, argv, [&] { finish(texts, parsed.options); });
    return parsed;
}

}  // namespace lorvex
