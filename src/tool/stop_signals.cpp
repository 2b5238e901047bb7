#include "tool/stop_signals.h"

#include <csignal>

#include "base/errors.h"

namespace lorvex {
namespace {

// The one piece of process-wide state: which stop signal arrived, if any.
volatile std::sig_atomic_t stopSignal = 0;

extern "C" void RecordStopSignal(int signal) {
    stopSignal = signal;
}

}  // namespace

void InstallStopHandlers() {
    struct sigaction action {};
    action.sa_handler = RecordStopSignal;
    sigemptyset(&action.sa_mask);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
}

void ThrowIfStopRequested() {
    if (stopSignal != 0) throw Interrupted(stopSignal);
}

}  // namespace lorvex
