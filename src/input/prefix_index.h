// The prefix index: for every 12-base prefix code, where the group of table
// lines with that prefix begins (a byte offset) and how many lines it has.
// On disk one line per group, "key<TAB>count", in table order; offsets are
// derived from the counts and the table's fixed line size.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "input/read_table.h"

namespace lorvex {

// 4^12 entries per table, one per prefix code.
inline constexpr uint32_t prefixCodeCount = 16777216;

struct FreeDeleter {
    void operator()(void* memory) const { std::free(memory); }
};

// The two flat tables indexed by prefix code. They come zero-filled from
// calloc, so pages of codes that no index line names are never touched.
struct PrefixIndex {
    std::unique_ptr<uint64_t[], FreeDeleter> offsets;
    std::unique_ptr<uint32_t[], FreeDeleter> counts;
};

PrefixIndex AllocatePrefixIndex();

// One pass over the file in large blocks, with the prefix codes, counts and
// offsets of the literal LoadIndex, and every limit of the format checked (key of 12 or more
// characters, a whole count of 0 to 4,294,967,295, lines of at most 65,535 bytes, counts that fit
// the table). Empty lines are skipped. Returns the number of table lines the index counts.
uint64_t LoadIndexChecked(const std::string& indexPath, const std::string& tablePath,
                          const TableLayout& layout, PrefixIndex& index);

}  // namespace lorvex
