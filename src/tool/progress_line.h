// Progress on standard error while a run goes on: one line, rewritten in
// place at most twice a second, and only when enabled (the caller checks
// that standard error is a terminal and that the run is not quiet: a log
// file should not fill with carriage returns). Erased before any other
// message and when the run ends.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace lorvex {

class ProgressLine {
  public:
    ProgressLine(std::string program, bool enabled);
    ~ProgressLine() { Clear(); }
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    // True when enabled and half a second has passed since the line was last
    // shown (or the run started). Reads the clock only every
    // callsPerClockCheck calls, for callers in loops cheaper than the clock.
    bool Due(uint32_t callsPerClockCheck = 1);
    // "<program>: <text>" in place of the line shown before; nothing when
    // disabled.
    void Show(const std::string& text);
    void Clear();

    double SecondsSinceStart() const;
    // The name every line and message of the run starts with.
    const std::string& program() const { return program_; }

  private:
    using Clock = std::chrono::steady_clock;

    std::string program_;
    bool enabled_;
    bool shown_ = false;
    uint32_t callsSinceCheck_ = 0;
    Clock::time_point start_;
    Clock::time_point lastShown_;
};

// "1,234 pairs/s": how many things a second, `unit` naming them ("pairs/s").
std::string RateText(uint64_t count, double seconds, const std::string& unit);

// "12 of 100 seeds, <detail>, 5 seeds/s": a batch's progress, counting in
// `noun` (singular).
std::string BatchProgressText(uint64_t done, uint64_t total, const std::string& noun,
                              const std::string& detail, double seconds);

}  // namespace lorvex
