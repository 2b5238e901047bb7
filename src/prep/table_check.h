// Verifies a read-pair table and its prefix index the way the programs will
// read them: the table's layout as measured from its first line, every line
// of that same length with its separators where the fields end and qualities
// from '!' to '~', the index in its format with counts that add up to the
// table's lines, and every table line inside the group that the index gives
// for its prefix code (which also means the groups stand in index order).
#pragma once

#include <cstdint>
#include <string>

namespace lorvex::prep {

struct CheckSummary {
    int32_t readLength = 0;
    uint64_t lineSize = 0;
    uint64_t lines = 0;
    uint64_t groups = 0;  // runs of lines of one prefix code
};

// Throws InputError naming the file and the line of the first problem.
CheckSummary CheckTableAndIndex(const std::string& tablePath, const std::string& indexPath);

}  // namespace lorvex::prep
