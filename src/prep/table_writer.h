// Writes the read-pair table and its prefix index from lines handed over in
// their final order: one line of 4R + 4 bytes per pair orientation (first
// read, tab, second read, tab, first quality, tab, second quality, LF), and
// one index line per group ("<first 12 bases> TAB <count> LF"). Both files
// are written under temporary names and moved into place by Commit.
#pragma once

#include <cstdint>
#include <string>

#include "tool/output_file.h"

namespace lorvex::prep {

struct OutputPaths {
    std::string table;  // "<prefix>.table"
    std::string index;  // "<prefix>.index"
    std::string pairs;  // "<prefix>.pairs", the compact table
};

OutputPaths OutputPathsFor(const std::string& prefix);

inline uint64_t TableLineBytes(int32_t readLength) {
    return 4 * uint64_t(readLength) + 4;
}

// Formats a table line into destination (TableLineBytes bytes).
void FormatTableLine(const char* first, const char* second, const char* firstQuality,
                     const char* secondQuality, int32_t readLength, char* destination);

struct TableTotals {
    uint64_t lines = 0;
    uint64_t groups = 0;
    uint64_t tableBytes = 0;
};

class GroupedTableWriter {
  public:
    // replace: Commit may replace files of the final names.
    GroupedTableWriter(const OutputPaths& paths, int32_t readLength, bool replace = false);

    // One line whose first read has prefix code `code`; codes must never
    // decrease from one call to the next.
    void AppendFields(uint32_t code, const char* first, const char* second,
                      const char* firstQuality, const char* secondQuality);
    // count formatted lines, all of prefix code `code`.
    void AppendLines(uint32_t code, const char* lines, uint64_t count);

    // Ends the last group and syncs both files; Commit then moves them into
    // place.
    void Finish();
    void Commit();

    const TableTotals& totals() const { return totals_; }
    int32_t readLength() const { return readLength_; }

  private:
    void EnterGroup(uint32_t code, const char* firstRead);
    void EndGroup();

    int32_t readLength_;
    uint64_t lineBytes_;
    bool replace_;
    TemporaryOutput table_;
    TemporaryOutput index_;
    bool inGroup_ = false;
    uint32_t groupCode_ = 0;
    uint64_t groupLines_ = 0;
    char groupKey_[12] = {};
    TableTotals totals_;
};

}  // namespace lorvex::prep
