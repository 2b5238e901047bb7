#include "tool/stop_signals.h"

#include <unistd.h>

#include <array>
#include <csignal>
#include <cstring>

#include "base/errors.h"

namespace lorvex {
namespace {

constexpr std::array<int, 3> stopSignals{SIGINT, SIGTERM, SIGHUP};

// The process-wide state of the handlers: which stop signal arrived, if
// any, and whether a signal still ends the process at once.
volatile std::sig_atomic_t stopSignal = 0;
volatile std::sig_atomic_t stopAtOnce = 0;

// The line each signal ends the process with while nothing was written,
// composed beforehand: a handler may only write and exit.
struct StopLine {
    std::array<char, 256> text{};
    size_t size = 0;
};
std::array<StopLine, stopSignals.size()> stopLines;

extern "C" void RecordStopSignal(int signal) {
    if (stopAtOnce != 0) {
        for (size_t i = 0; i < stopSignals.size(); ++i)
            if (stopSignals[i] == signal) {
                const ssize_t ignored =
                    ::write(STDERR_FILENO, stopLines[i].text.data(), stopLines[i].size);
                (void)ignored;
            }
        ::_exit(128 + signal);
    }
    stopSignal = signal;
}

void Install() {
    struct sigaction action {};
    action.sa_handler = RecordStopSignal;
    sigemptyset(&action.sa_mask);
    for (const int signal : stopSignals) sigaction(signal, &action, nullptr);
}

}  // namespace

void InstallStopHandlers() {
    stopAtOnce = 0;
    Install();
}

void InstallImmediateStopHandlers(const std::string& program) {
    for (size_t i = 0; i < stopSignals.size(); ++i) {
        const std::string line =
            program + ": " + Interrupted(stopSignals[i]).what() + "; nothing was written\n";
        StopLine& stopLine = stopLines[i];
        stopLine.size = std::min(line.size(), stopLine.text.size());
        std::memcpy(stopLine.text.data(), line.data(), stopLine.size);
    }
    stopAtOnce = 1;
    Install();
}

void DeferStopSignals() {
    stopAtOnce = 0;
}

bool StopRequested() {
    return stopSignal != 0;
}

void ThrowIfStopRequested() {
    if (stopSignal != 0) throw Interrupted(stopSignal);
}

}  // namespace lorvex
