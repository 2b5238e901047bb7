// What lorvex-prep shows on its progress line: pairs read and kept while
// reading, table lines written while grouping.
#pragma once

#include <cstdint>

#include "tool/progress_line.h"

namespace lorvex::prep {

class ProgressMeter {
  public:
    // enabled: show anything at all (the caller checks isatty and --quiet).
    explicit ProgressMeter(bool enabled) : line_("lorvex-prep", enabled) {}

    // Cheap enough to call for every pair.
    void Reading(uint64_t pairsRead, uint64_t pairsKept);
    // Reads the clock on every call: call it every few thousand lines.
    void Grouping(uint64_t linesWritten, uint64_t totalLines);
    // Erases the progress line, before any other message.
    void Clear() { line_.Clear(); }

    double SecondsSinceStart() const { return line_.SecondsSinceStart(); }

  private:
    ProgressLine line_;
};

}  // namespace lorvex::prep
