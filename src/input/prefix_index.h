// The prefix index: for every 12-base prefix code, where the group of table
// lines with that prefix begins (a byte offset) and how many lines it has.
// On disk one line per group, "key<TAB>count", in table order; offsets are
// derived from the counts and the table's fixed line size.
//
// In memory only the codes the file names are kept, sorted, so that loading
// costs what the file holds and not 4^12 entries: a directory on the top bits
// of a code, about one entry per 16 named codes and at most 2^16 entries,
// gives the run of named codes that share those bits, and a binary search in
// that run finds the code. A code that no line names has an empty group at
// offset 0.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>

#include "input/large_array.h"
#include "input/read_table.h"
#include "seq/nucleotide.h"

namespace lorvex {

// 4^12: the number of prefix codes.
inline constexpr uint32_t prefixCodeCount = 16777216;

// One group of table lines: the byte offset of its first line and its number
// of lines.
struct PrefixGroup {
    uint64_t offset = 0;
    uint32_t count = 0;
};

// A code the index names and its group.
struct PrefixEntry {
    uint32_t code = 0;
    uint32_t count = 0;
    uint64_t offset = 0;
};

struct PrefixIndex {
    // The codes the index names, ascending, each once (a later line for the
    // same code replaces the earlier one).
    LargeArray<PrefixEntry> entries;
    // directory[d] is the position in entries of the first code whose top
    // bits (code >> directoryShift) are d or more; one entry more than there
    // are such values, once loaded.
    int directoryShift = 24;
    LargeArray<uint32_t> directory;
};

inline PrefixGroup FindGroup(const PrefixIndex& index, uint32_t code) {
    if (index.directory.empty()) return {};
    const uint32_t top = code >> index.directoryShift;
    const PrefixEntry* first = index.entries.data() + index.directory[top];
    const PrefixEntry* last = index.entries.data() + index.directory[top + 1];
    const PrefixEntry* found = std::lower_bound(
        first, last, code, [](const PrefixEntry& entry, uint32_t key) { return entry.code < key; });
    if (found == last || found->code != code) return {};
    return {found->offset, found->count};
}

// One pass over the file in large blocks, with the prefix codes, counts and
// offsets of the literal LoadIndex, and every limit of the format checked (key of 12 or more
// characters, a whole count of 0 to 4,294,967,295, lines of at most 65,535 bytes, counts that fit
// the table). Empty lines are skipped. Replaces what index held; returns the number of table
// lines the index counts.
uint64_t LoadIndexChecked(const std::string& indexPath, const std::string& tablePath,
                          const TableLayout& layout, PrefixIndex& index);

}  // namespace lorvex
