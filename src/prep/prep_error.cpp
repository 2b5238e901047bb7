#include "prep/prep_error.h"

#include <csignal>
#include <cstring>

namespace lorvex::prep {
namespace {

// The one piece of process-wide state: which stop signal arrived, if any.
volatile std::sig_atomic_t stopSignal = 0;

extern "C" void RecordStopSignal(int signal) {
    stopSignal = signal;
}

}  // namespace

Interrupted::Interrupted(int signal)
    : std::runtime_error(signal == 0 ? std::string("stopped by the --fail-after-pairs test hook")
                                     : std::string("stopped by signal ") + strsignal(signal)),
      signalNumber(signal) {}

void InstallStopHandlers() {
    struct sigaction action {};
    action.sa_handler = RecordStopSignal;
    sigemptyset(&action.sa_mask);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
}

void ThrowIfStopRequested() {
    if (stopSignal != 0) throw Interrupted(stopSignal);
}

std::string WithThousands(uint64_t number) {
    const std::string digits = std::to_string(number);
    std::string text;
    text.reserve(digits.size() + digits.size() / 3);
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) text.push_back(',');
        text.push_back(digits[i]);
    }
    return text;
}

}  // namespace lorvex::prep
