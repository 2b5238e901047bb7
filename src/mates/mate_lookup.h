// Mate lookup: the read pairs whose first read lies exactly on an anchor
// window are found through the prefix index, in the group of the window's
// 12-base prefix, read from the table in one block.
#pragma once

#include <cstdint>
#include <vector>

#include "base/variant.h"
#include "input/prefix_index.h"
#include "input/read_table.h"

namespace lorvex {

// Only this many leading characters of a first read must equal the window in
// the main variant; the strict variant compares whole reads.
inline constexpr int32_t mainMatchLength = 100;

// What is said of a line whose first read has another prefix than its group.
inline constexpr const char* lineOutsideItsGroup =
    ": first read does not belong to the group the index places there";

// Reads the group of prefix code `code` into block and checks that every
// line belongs to that group; returns the group's line count.
uint32_t ReadGroup(const TableStream& table, uint32_t code, const PrefixGroup& group,
                   std::vector<char>& block);

}  // namespace lorvex
