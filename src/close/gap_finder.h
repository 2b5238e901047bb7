// The gaps of a scaffold: runs of at least minGap N or n. The flanks of a gap
// are the bases between it and the neighbouring gaps (or the record's ends),
// so one flank is shared by the two gaps around it.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace lorvex::close {

struct Gap {
    int64_t start = 0;   // 0-based position of the first N
    int64_t length = 0;  // the N run
    int64_t end() const { return start + length; }
};

struct GapFlanks {
    std::string_view left;
    std::string_view right;
};

// In order along the record; shorter N runs are part of the flanks.
std::vector<Gap> FindGaps(std::string_view bases, int64_t minGap);

// The flanks of gaps[index]: empty where the gap touches a record end.
GapFlanks FlanksOf(std::string_view bases, const std::vector<Gap>& gaps, size_t index);

}  // namespace lorvex::close
