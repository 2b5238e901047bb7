// lorvex-extend: extends every seed of a FASTA file, on one or both sides,
// and writes the extended contigs with the reason each side stopped.
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <new>
#include <system_error>

#include "app/driver.h"
#include "extend/extend_options.h"
#include "extend/extend_run.h"
#include "input/input_file.h"

int main(int argc, char** argv) {
    // A closed pipe shows as a write error with a message, not a silent death.
    std::signal(SIGPIPE, SIG_IGN);
    const lorvex::extend::CommandLine commandLine = lorvex::extend::ParseCommandLine(argc, argv);
    if (commandLine.exitStatus) return *commandLine.exitStatus;
    const lorvex::extend::ExtendOptions& options = commandLine.options;
    try {
        const bool showProgress = !options.quiet && ::isatty(STDERR_FILENO);
        const lorvex::extend::RunTotals totals = lorvex::extend::RunExtend(options, showProgress);
        if (!options.quiet) std::fputs(lorvex::extend::FormatTotals(totals).c_str(), stderr);
        return 0;
    } catch (const lorvex::UsageError& error) {
        std::fprintf(stderr, "lorvex-extend: %s\n", error.what());
        return 2;
    } catch (const lorvex::InputError& error) {
        std::fprintf(stderr, "lorvex-extend: %s\n", error.what());
        return 1;
    } catch (const lorvex::OutputError& error) {
        std::fprintf(stderr, "lorvex-extend: %s\n", error.what());
        return 1;
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "lorvex-extend: out of memory\n");
        return 1;
    } catch (const std::system_error& error) {
        std::fprintf(stderr, "lorvex-extend: %s\n", error.what());
        return 1;
    }
}
