#include "prep/progress.h"

#include <cstdio>

#include "prep/prep_error.h"

namespace lorvex::prep {
namespace {

constexpr auto showInterval = std::chrono::milliseconds(500);
// Reading the clock for every pair would cost more than the pair itself.
constexpr uint32_t pairsPerClockCheck = 4096;

}  // namespace

std::string HumanBytes(uint64_t bytes) {
    const char* units[] = {"bytes", "KiB", "MiB", "GiB", "TiB"};
    double value = static_cast<double>(bytes);
    int unit = 0;
    while (value >= 1024 && unit < 4) {
        value /= 1024;
        ++unit;
    }
    char text[32];
    if (unit == 0)
        std::snprintf(text, sizeof text, "%llu bytes", static_cast<unsigned long long>(bytes));
    else
        std::snprintf(text, sizeof text, "%.1f %s", value, units[unit]);
    return text;
}

ProgressMeter::ProgressMeter(bool enabled)
    : enabled_(enabled), start_(std::chrono::steady_clock::now()), lastShown_(start_) {}

double ProgressMeter::SecondsSinceStart() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
}

bool ProgressMeter::Due(uint32_t callsPerClockCheck) {
    if (!enabled_ || ++callsSinceCheck_ < callsPerClockCheck) return false;
    callsSinceCheck_ = 0;
    const auto now = std::chrono::steady_clock::now();
    if (now - lastShown_ < showInterval) return false;
    lastShown_ = now;
    return true;
}

void ProgressMeter::Show(const std::string& text) {
    std::fprintf(stderr, "\r\033[Klorvex-prep: %s", text.c_str());
    std::fflush(stderr);
    shown_ = true;
}

void ProgressMeter::Reading(uint64_t pairsRead, uint64_t pairsKept) {
    if (!Due(pairsPerClockCheck)) return;
    const double seconds = SecondsSinceStart();
    const uint64_t rate = seconds > 0 ? static_cast<uint64_t>(pairsRead / seconds) : 0;
    Show("reading: " + WithThousands(pairsRead) + " pairs read, " + WithThousands(pairsKept) +
         " kept, " + WithThousands(rate) + " pairs/s");
}

void ProgressMeter::Grouping(uint64_t linesWritten, uint64_t totalLines) {
    if (!Due(1)) return;
    const uint64_t percent = totalLines ? linesWritten * 100 / totalLines : 100;
    Show("grouping: " + WithThousands(linesWritten) + " of " + WithThousands(totalLines) +
         " table lines written (" + std::to_string(percent) + "%)");
}

void ProgressMeter::Clear() {
    if (!shown_) return;
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
    shown_ = false;
}

}  // namespace lorvex::prep
