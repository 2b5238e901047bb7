// Reading one group of the table in chunks of bounded size. A low-complexity
// prefix (twelve A, or a window of N) can own millions of lines in a deep
// table; reading such a group whole would take gigabytes for a few selected
// mates. The chunks are checked as the whole group would be, and when the
// group is damaged the message is the one ReadGroup gives: a failed read
// first, then a table that ends too early, then the first line that is not
// laid out like line 1, then the first line outside its group.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "input/prefix_index.h"
#include "input/read_table.h"

namespace lorvex {

// Bytes of table lines held at once (at least one line).
inline constexpr uint64_t groupChunkBytes = uint64_t{1} << 20;

// Called with consecutive lines of the group, `count` lines of lineSize
// bytes from `lines` on, in table order.
using GroupChunkSink = std::function<void(const char* lines, uint64_t count)>;

// Reads the group of prefix code `code` chunk by chunk into buffer, handing
// each chunk to onChunk; returns the group's line count. Throws InputError
// once the whole group was read when anything was wrong with it, so what
// onChunk collected is then to be dropped.
uint64_t ReadGroupInChunks(const TableStream& table, const PrefixIndex& index, uint32_t code,
                           std::vector<char>& buffer, const GroupChunkSink& onChunk,
                           uint64_t chunkBytes = groupChunkBytes);

}  // namespace lorvex
