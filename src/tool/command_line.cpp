#include "tool/command_line.h"

#include <cstdio>

#include "base/errors.h"

namespace lorvex {
namespace {

int ReportUsageMistake(const std::string& program, const std::string& message) {
    std::fprintf(stderr, "%s: %s\nRun '%s --help' for the options.\n", program.c_str(),
                 message.c_str(), program.c_str());
    return 2;
}

}  // namespace

CLI::Option* AddFileOption(CLI::App& app, const std::string& name, std::string& path,
                           const std::string& help) {
    return app.add_option(name, path, help)->type_name("FILE");
}

std::optional<int> ParseToolCommandLine(CLI::App& app, int argc, char** argv,
                                        const std::function<void()>& finish) {
    if (argc <= 1) {
        std::fputs(app.help().c_str(), stderr);
        return 2;
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& help) {
        return app.exit(help);
    } catch (const CLI::CallForVersion&) {
        std::printf("%s %s\n", app.get_name().c_str(), LORVEX_VERSION);
        return 0;
    } catch (const CLI::ParseError& mistake) {
        return ReportUsageMistake(app.get_name(), mistake.what());
    }
    try {
        finish();
    } catch (const UsageError& mistake) {
        return ReportUsageMistake(app.get_name(), mistake.what());
    }
    return std::nullopt;
}

}  // namespace lorvex
