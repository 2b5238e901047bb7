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
#include <string>
#include <vector>

#include "input/prefix_index.h"
#include "input/read_table.h"

namespace lorvex {

// Bytes of table lines held at once (at least one line).
inline constexpr uint64_t groupChunkBytes = uint64_t{1} << 20;

// The checks of one group's lines as they arrive, chunk by chunk in table
// order, from whatever reads them.
class GroupCheck {
  public:
    GroupCheck(const TableStream& table, uint32_t code, const PrefixGroup& group);

    uint64_t Lines() const { return lines_; }
    uint64_t Offset() const { return offset_; }         // of the group's first line
    uint64_t LineNumber() const { return firstLine_; }  // of the group's first line

    // Takes lines first .. first + count - 1 of the group, of which `got`
    // bytes could be read; throws at once when the table ends too early.
    // Returns whether these lines and all before them are sound, so that
    // they may be used.
    bool Take(const char* lines, uint64_t first, uint64_t count, uint64_t got);
    // Throws InputError for the first fault Take found.
    void Finish() const;

  private:
    const TableStream& table_;
    uint32_t code_;
    uint64_t lines_;
    uint64_t offset_;
    uint64_t firstLine_;
    uint64_t faultLine_ = UINT64_MAX;  // the first line not laid out like line 1
    std::string fault_;
    uint64_t outsideLine_ = UINT64_MAX;  // the first line outside the group
};

// Called with consecutive lines of the group, `count` lines of lineSize
// bytes from `lines` on, in table order.
using GroupChunkSink = std::function<void(const char* lines, uint64_t count)>;

// Reads the group of prefix code `code` chunk by chunk into buffer, handing
// each chunk to onChunk; returns the group's line count. Throws InputError
// once the whole group was read when anything was wrong with it, so what
// onChunk collected is then to be dropped.
uint64_t ReadGroupInChunks(const TableStream& table, uint32_t code, const PrefixGroup& group,
                           std::vector<char>& buffer, const GroupChunkSink& onChunk,
                           uint64_t chunkBytes = groupChunkBytes);

}  // namespace lorvex
