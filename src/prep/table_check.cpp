#include "prep/table_check.h"

#include <cerrno>
#include <cstring>
#include <vector>

#include "base/number_text.h"
#include "input/input_file.h"
#include "input/prefix_index.h"
#include "input/read_table.h"
#include "prep/fastq_reader.h"
#include "seq/nucleotide.h"
#include "tool/stop_signals.h"

namespace lorvex::prep {
namespace {

constexpr size_t readBlockBytes = 4 << 20;

std::string LineRange(uint64_t firstLine, uint64_t count) {
    return "lines " + WithThousands(firstLine) + " to " + WithThousands(firstLine + count - 1);
}

// Checks one line's separators, qualities and group; lineNumber counts from 1.
void CheckLine(const char* line, uint64_t contentBytes, uint64_t lineNumber,
               const TableLayout& layout, const PrefixIndex& index, const std::string& path) {
    const auto fail = [&](const std::string& what) {
        return FileError(path, LineLabel(lineNumber) + ": " + what);
    };
    const size_t r = static_cast<size_t>(layout.readLength);
    if (contentBytes < 4 * r + 3) throw fail("shorter than four fields and three tabs");
    for (const size_t separator : {r, 2 * r + 1, 3 * r + 2})
        if (line[separator] != '\t')
            throw fail("no tab at byte " + WithThousands(separator + 1) + ", where field " +
                       std::to_string(separator / (r + 1) + 1) + " ends");
    if (std::memchr(line, '\0', 4 * r + 3)) throw fail("holds a zero byte");
    for (const size_t field : {2 * r + 2, 3 * r + 3})
        if (FindBadQuality(std::string_view(line + field, r)) != std::string_view::npos)
            throw fail("quality character outside '!' to '~'");
    const PrefixGroup group = FindGroup(index, DnaToUint(line, prefixLength));
    const uint64_t count = group.count;
    const std::string prefix(line, prefixLength);
    if (count == 0) throw fail("first read begins " + prefix + ", a group the index does not list");
    const uint64_t groupStart = group.offset / layout.lineSize;
    const uint64_t lineIndex = lineNumber - 1;
    if (lineIndex < groupStart || lineIndex >= groupStart + count)
        throw fail("first read begins " + prefix + ", whose group the index puts at " +
                   LineRange(groupStart + 1, count));
}

}  // namespace

CheckSummary CheckTableAndIndex(const std::string& tablePath, const std::string& indexPath) {
    const TableLayout layout = MeasureTable(tablePath);
    PrefixIndex index;
    const uint64_t indexedLines = LoadIndexChecked(indexPath, tablePath, layout, index);

    FileHandle table = OpenRegularFile(tablePath, "rb");
    const uint64_t lineSize = layout.lineSize;
    const uint64_t linesPerBlock = std::max<uint64_t>(1, readBlockBytes / lineSize);
    std::vector<char> block(linesPerBlock * lineSize);
    CheckSummary summary{layout.readLength, lineSize, 0, 0};
    uint32_t previousCode = 0;
    for (;;) {
        ThrowIfStopRequested();
        const size_t got = std::fread(block.data(), 1, block.size(), table.get());
        if (std::ferror(table.get())) throw FileError(tablePath, ReadFailure());
        if (got == 0) break;
        size_t position = 0;
        for (; position + lineSize <= got; position += lineSize) {
            const char* line = block.data() + position;
            const uint64_t lineNumber = ++summary.lines;
            // lineEndLength 0: a table of a single line without line end.
            const bool lineEndBroken =
                layout.lineEndLength != 0 &&
                (line[lineSize - 1] != '\n' || std::memchr(line, '\n', lineSize - 1) != nullptr ||
                 (layout.lineEndLength == 2 && line[lineSize - 2] != '\r'));
            if (lineEndBroken)
                throw FileError(tablePath, LineLabel(lineNumber) + ": not " +
                                               WithThousands(lineSize) +
                                               " bytes long with its line end, like line 1");
            CheckLine(line, lineSize - static_cast<uint64_t>(layout.lineEndLength), lineNumber,
                      layout, index, tablePath);
            const uint32_t code = DnaToUint(line, prefixLength);
            if (summary.lines == 1 || code != previousCode) ++summary.groups;
            previousCode = code;
        }
        if (position < got) {
            // A partial line is only allowed as the file's last line without
            // its line end; anything else is a truncated or ragged table.
            const size_t rest = got - position;
            const int next = std::fgetc(table.get());
            const uint64_t lineNumber = summary.lines + 1;
            const char* line = block.data() + position;
            if (next != EOF || rest + static_cast<size_t>(layout.lineEndLength) != lineSize ||
                std::memchr(line, '\n', rest) != nullptr)
                throw FileError(tablePath, LineLabel(lineNumber) + ": not " +
                                               WithThousands(lineSize) +
                                               " bytes long with its line end, like line 1");
            ++summary.lines;
            CheckLine(line, rest, lineNumber, layout, index, tablePath);
            const uint32_t code = DnaToUint(line, prefixLength);
            if (summary.lines == 1 || code != previousCode) ++summary.groups;
            break;
        }
    }
    if (summary.lines != indexedLines)
        throw FileError(indexPath, "counts add up to " + WithThousands(indexedLines) +
                                       " lines, but " + tablePath + " holds " +
                                       WithThousands(summary.lines));
    return summary;
}

}  // namespace lorvex::prep
