#include "tool/progress_line.h"

#include <cstdio>
#include <utility>

#include "base/number_text.h"

namespace lorvex {
namespace {

constexpr auto showInterval = std::chrono::milliseconds(500);

}  // namespace

ProgressLine::ProgressLine(std::string program, bool enabled)
    : program_(std::move(program)), enabled_(enabled), start_(Clock::now()), lastShown_(start_) {}

bool ProgressLine::Due(uint32_t callsPerClockCheck) {
    if (!enabled_ || ++callsSinceCheck_ < callsPerClockCheck) return false;
    callsSinceCheck_ = 0;
    const Clock::time_point now = Clock::now();
    if (now - lastShown_ < showInterval) return false;
    lastShown_ = now;
    return true;
}

void ProgressLine::Show(const std::string& text) {
    if (!enabled_) return;
    std::fprintf(stderr, "\r\033[K%s: %s", program_.c_str(), text.c_str());
    std::fflush(stderr);
    shown_ = true;
}

void ProgressLine::Clear() {
    if (!shown_) return;
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
    shown_ = false;
}

double ProgressLine::SecondsSinceStart() const {
    return std::chrono::duration<double>(Clock::now() - start_).count();
}

std::string RateText(uint64_t count, double seconds, const std::string& unit) {
    const uint64_t rate = seconds > 0 ? static_cast<uint64_t>(count / seconds) : 0;
    return WithThousands(rate) + " " + unit;
}

std::string BatchProgressText(uint64_t done, uint64_t total, const std::string& noun,
                              const std::string& detail, double seconds) {
    return WithThousands(done) + " of " + Counted(total, noun) + ", " + detail + ", " +
           RateText(done, seconds, noun + "s/s");
}

}  // namespace lorvex
