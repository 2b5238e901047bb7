#include "mates/group_chunks.h"

#include <algorithm>
#include <cstring>

#include "input/input_file.h"
#include "mates/mate_lookup.h"
#include "seq/nucleotide.h"

namespace lorvex {

GroupCheck::GroupCheck(const TableStream& table, uint32_t code, const PrefixGroup& group)
    : table_(table),
      code_(code),
      lines_(group.count),
      offset_(group.offset),
      firstLine_(offset_ / table.layout.lineSize + 1) {}

bool GroupCheck::Take(const char* lines, uint64_t first, uint64_t count, uint64_t got) {
    const TableLayout& layout = table_.layout;
    // Only the line end of the group's very last line may be missing.
    const uint64_t missing = count * layout.lineSize - got;
    if (missing > 0 &&
        (lines_ - first) * layout.lineSize - got > static_cast<uint64_t>(layout.lineEndLength))
        ThrowTableEndsEarly(table_, firstLine_ + first + got / layout.lineSize);
    for (uint64_t i = 0; i < count; ++i) {
        const char* line = lines + i * layout.lineSize;
        const uint64_t inGroup = first + i;
        if (faultLine_ == UINT64_MAX) {
            fault_ = TableLineFault(layout, line, inGroup + 1 == lines_ ? missing : 0);
            if (!fault_.empty()) faultLine_ = inGroup;
        }
        // A line that starts like the one before it is in the group as that one is.
        if (outsideLine_ == UINT64_MAX &&
            (i == 0 || std::memcmp(line, line - layout.lineSize, prefixLength) != 0) &&
            DnaToUint(line, prefixLength) != code_)
            outsideLine_ = inGroup;
    }
    return faultLine_ == UINT64_MAX && outsideLine_ == UINT64_MAX;
}

void GroupCheck::Finish() const {
    if (faultLine_ != UINT64_MAX)
        throw FileError(table_.path, TableLineLabel(firstLine_ + faultLine_) + fault_);
    if (outsideLine_ != UINT64_MAX)
        throw FileError(table_.path,
                        TableLineLabel(firstLine_ + outsideLine_) + lineOutsideItsGroup);
}

uint64_t ReadGroupInChunks(const TableStream& table, uint32_t code, const PrefixGroup& group,
                           std::vector<char>& buffer, const GroupChunkSink& onChunk,
                           uint64_t chunkBytes) {
    GroupCheck check(table, code, group);
    const uint64_t lineSize = table.layout.lineSize;
    const uint64_t lines = check.Lines();
    const uint64_t chunkLines = std::max<uint64_t>(1, chunkBytes / lineSize);
    if (buffer.size() < std::min(lines, chunkLines) * lineSize)
        buffer.resize(std::min(lines, chunkLines) * lineSize);
    for (uint64_t first = 0; first < lines; first += chunkLines) {
        const uint64_t count = std::min(chunkLines, lines - first);
        const uint64_t got = ReadTableBytes(table, check.Offset() + first * lineSize,
                                            count * lineSize, buffer.data(), check.LineNumber());
        if (check.Take(buffer.data(), first, count, got)) onChunk(buffer.data(), count);
    }
    check.Finish();
    return lines;
}

}  // namespace lorvex
