// Progress on standard error while a run goes on: one line, rewritten in
// place at most twice a second, and only when standard error is a terminal
// (a log file should not fill with carriage returns). Also the formats of
// sizes and durations that the progress line and the summary share.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace lorvex::prep {

// 1536 -> "1.5 KiB".
std::string HumanBytes(uint64_t bytes);

class ProgressMeter {
  public:
    // enabled: show anything at all (the caller checks isatty and --quiet).
    explicit ProgressMeter(bool enabled);
    ~ProgressMeter() { Clear(); }
    ProgressMeter(const ProgressMeter&) = delete;
    ProgressMeter& operator=(const ProgressMeter&) = delete;

    // Cheap enough to call for every pair.
    void Reading(uint64_t pairsRead, uint64_t pairsKept);
    // Reads the clock on every call: call it every few thousand lines.
    void Grouping(uint64_t linesWritten, uint64_t totalLines);
    // Erases the progress line, before any other message.
    void Clear();

    double SecondsSinceStart() const;

  private:
    bool Due(uint32_t callsPerClockCheck);
    void Show(const std::string& text);

    bool enabled_;
    bool shown_ = false;
    uint32_t callsSinceCheck_ = 0;
    std::chrono::steady_clock::time_point start_;
    std::chrono::steady_clock::time_point lastShown_;
};

}  // namespace lorvex::prep
