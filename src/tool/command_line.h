// The one entry point of the programs with named options (CLI11): the usage
// when nothing is given, --help, --version, and option mistakes, each with
// its exit status.
#pragma once

#include <CLI/CLI.hpp>
#include <functional>
#include <optional>
#include <string>

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

template <typename Options>
struct ParsedCommandLine {
    Options options;
    std::optional<int> exitStatus;  // set when the program should stop here
};

// A program's whole command line: declare adds its options to the App (with
// --version), writing into the options or into texts that finish then checks
// and turns into options.
template <typename Options, typename Texts>
ParsedCommandLine<Options> ParseProgramOptions(int argc, char** argv, const std::string& program,
                                               const std::string& description,
                                               void (*declare)(CLI::App&, Options&, Texts&),
                                               void (*finish)(const Texts&, Options&)) {
    ParsedCommandLine<Options> result;
    Texts texts;
    CLI::App app(description, program);
    app.set_version_flag("--version", LORVEX_VERSION, "Show the version and exit");
    declare(app, result.options, texts);
    result.exitStatus =
        ParseToolCommandLine(app, argc, argv, [&] { finish(texts, result.options); });
    return result;
}

}  // namespace lorvex
