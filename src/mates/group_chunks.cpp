#include "mates/group_chunks.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

#include "input/input_file.h"
#include "seq/nucleotide.h"

namespace lorvex {
namespace {

std::string LineLabel(uint64_t lineNumber) {
    return "line " + std::to_string(lineNumber);
}

// Reads up to `bytes` bytes at offset; fewer only at the end of the file.
uint64_t ReadAt(const TableStream& table, uint64_t offset, uint64_t bytes, char* into,
                uint64_t groupFirstLine) {
    const int fd = fileno(table.file.get());
    uint64_t got = 0;
    while (got < bytes) {
        const ssize_t n = ::pread(fd, into + got, bytes - got, static_cast<off_t>(offset + got));
        if (n < 0) {
            if (errno == EINTR) continue;
            throw FileError(table.path,
                            "reading " + LineLabel(groupFirstLine) + ": " + ReadFailure());
        }
        if (n == 0) break;
        got += static_cast<uint64_t>(n);
    }
    return got;
}

// The first damaged line of each kind, by its number in the group.
struct GroupDamage {
    uint64_t layoutLine = UINT64_MAX;
    std::string layoutWhat;
    uint64_t groupLine = UINT64_MAX;
};

void CheckLines(const TableStream& table, uint32_t code, const char* lines, uint64_t first,
                uint64_t count, uint64_t groupLines, uint64_t missing, GroupDamage& damage) {
    const TableLayout& layout = table.layout;
    const uint64_t fieldBytes = 4 * static_cast<uint64_t>(layout.readLength) + 3;
    for (uint64_t i = 0; i < count; ++i) {
        const char* line = lines + i * layout.lineSize;
        const uint64_t inGroup = first + i;
        if (damage.layoutLine == UINT64_MAX) {
            const bool lineEndMissing = missing > 0 && inGroup + 1 == groupLines;
            const uint64_t bodyBytes = layout.lineSize - (lineEndMissing ? missing : 1);
            const bool misplacedLineEnd = std::memchr(line, '\n', bodyBytes) != nullptr ||
                                          (!lineEndMissing && line[layout.lineSize - 1] != '\n');
            if (layout.lineEndLength > 0 && misplacedLineEnd) {
                damage.layoutLine = inGroup;
                damage.layoutWhat =
                    ": not " + std::to_string(layout.lineSize) + " bytes long like line 1";
            } else if (std::memchr(line, '\0', fieldBytes)) {
                damage.layoutLine = inGroup;
                damage.layoutWhat = ": holds a zero byte";
            }
        }
        if (damage.groupLine == UINT64_MAX && DnaToUint(line, prefixLength) != code)
            damage.groupLine = inGroup;
    }
}

}  // namespace

uint64_t ReadGroupInChunks(const TableStream& table, const PrefixIndex& index, uint32_t code,
                           std::vector<char>& buffer, const GroupChunkSink& onChunk,
                           uint64_t chunkBytes) {
    const TableLayout& layout = table.layout;
    const uint64_t lines = index.counts[code];
    const uint64_t offset = index.offsets[code];
    const uint64_t firstLine = offset / layout.lineSize + 1;
    const uint64_t chunkLines = std::max<uint64_t>(1, chunkBytes / layout.lineSize);
    if (buffer.size() < std::min(lines, chunkLines) * layout.lineSize)
        buffer.resize(std::min(lines, chunkLines) * layout.lineSize);

    GroupDamage damage;
    for (uint64_t first = 0; first < lines; first += chunkLines) {
        const uint64_t count = std::min(chunkLines, lines - first);
        const uint64_t bytes = count * layout.lineSize;
        const uint64_t got =
            ReadAt(table, offset + first * layout.lineSize, bytes, buffer.data(), firstLine);
        // Only the line end of the group's very last line may be missing.
        const uint64_t missing = bytes - got;
        if (missing > 0) {
            const uint64_t groupMissing = (lines - first) * layout.lineSize - got;
            if (groupMissing > static_cast<uint64_t>(layout.lineEndLength))
                throw FileError(table.path,
                                "ends inside " +
                                    LineLabel(firstLine + first + got / layout.lineSize) +
                                    ", before the lines its index counts (truncated?)");
        }
        CheckLines(table, code, buffer.data(), first, count, lines, missing, damage);
        if (damage.layoutLine == UINT64_MAX && damage.groupLine == UINT64_MAX)
            onChunk(buffer.data(), count);
    }
    if (damage.layoutLine != UINT64_MAX)
        throw FileError(table.path, LineLabel(firstLine + damage.layoutLine) + damage.layoutWhat);
    if (damage.groupLine != UINT64_MAX)
        throw FileError(table.path,
                        LineLabel(firstLine + damage.groupLine) +
                            ": first read does not belong to the group the index places there");
    return lines;
}

}  // namespace lorvex
