// Command-line parsing shared by the tools with named options (CLI11): the
// usage text when nothing is given, --help, --version, and option mistakes,
// each with its exit status.
#pragma once

#include <CLI/CLI.hpp>
#include <cstdio>
#include <optional>
#include <string>

namespace lorvex {

// One line on standard error naming the program and the mistake, with a
// pointer to --help; returns the usage status, 2.
inline int ReportUsageMistake(const std::string& program, const std::string& message) {
    std::fprintf(stderr, "%s: %s\nRun '%s --help' for the options.\n", program.c_str(),
                 message.c_str(), program.c_str());
    return 2;
}

// Parses argv into app. Returns the exit status when the run ends here: the
// usage on standard error with 2 when no argument is given, the help or the
// version with 0, a mistake with 2. Returns nothing when the run goes on.
inline std::optional<int> ParseToolCommandLine(CLI::App& app, int argc, char** argv) {
    if (argc <= 1) {
        std::fputs(app.help().c_str(), stderr);
        return 2;
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& help) {
        return app.exit(help);
    } catch (const CLI::CallForVersion&) {
        std::printf("%s\n", LORVEX_VERSION);
        return 0;
    } catch (const CLI::ParseError& mistake) {
        return ReportUsageMistake(app.get_name(), mistake.what());
    }
    return std::nullopt;
}

}  // namespace lorvex
