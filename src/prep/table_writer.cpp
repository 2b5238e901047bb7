#include "prep/table_writer.h"

#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstring>
#include <limits>
#include <stdexcept>

#include "base/errors.h"
#include "base/number_text.h"
#include "seq/nucleotide.h"

namespace lorvex::prep {
namespace {

constexpr size_t tableBufferBytes = 1 << 20;
constexpr size_t indexBufferBytes = 1 << 16;

// Moves a table and its index into place as a pair. With replace, the old
// index goes first, so that no moment shows a new table beside an old
// index; if the index cannot be moved, the new table is removed again.
void MoveTableAndIndexIntoPlace(TemporaryOutput& table, TemporaryOutput& index, bool replace) {
    const std::string existsNote = "--force replaces it";
    if (replace && ::unlink(index.finalPath().c_str()) != 0 && errno != ENOENT)
        throw OutputFileError(index.finalPath(), std::strerror(errno));
    table.MoveIntoPlace(replace, existsNote);
    try {
        index.MoveIntoPlace(replace, existsNote);
    } catch (...) {
        ::unlink(table.finalPath().c_str());
        throw;
    }
}

}  // namespace

OutputPaths OutputPathsFor(const std::string& prefix) {
    return OutputPaths{prefix + ".table", prefix + ".index", prefix + ".pairs"};
}

void FormatTableLine(const char* first, const char* second, const char* firstQuality,
                     const char* secondQuality, int32_t readLength, char* destination) {
    const size_t r = static_cast<size_t>(readLength);
    std::memcpy(destination, first, r);
    destination[r] = '\t';
    std::memcpy(destination + r + 1, second, r);
    destination[2 * r + 1] = '\t';
    std::memcpy(destination + 2 * r + 2, firstQuality, r);
    destination[3 * r + 2] = '\t';
    std::memcpy(destination + 3 * r + 3, secondQuality, r);
    destination[4 * r + 3] = '\n';
}

GroupedTableWriter::GroupedTableWriter(const OutputPaths& paths, int32_t readLength, bool replace)
    : readLength_(readLength),
      lineBytes_(TableLineBytes(readLength)),
      replace_(replace),
      table_(paths.table, tableBufferBytes),
      index_(paths.index, indexBufferBytes) {}

void GroupedTableWriter::EndGroup() {
    if (!inGroup_) return;
    // The index format keeps counts in 32 bits.
    if (groupLines_ > std::numeric_limits<uint32_t>::max())
        throw OutputFileError(index_.finalPath(), "group " + std::string(groupKey_, prefixLength) +
                                                      " has " + WithThousands(groupLines_) +
                                                      " lines, more than an index count can hold");
    FileWriter& index = index_.writer();
    char line[prefixLength + 24];
    std::memcpy(line, groupKey_, prefixLength);
    line[prefixLength] = '\t';
    char* end = std::to_chars(line + prefixLength + 1, line + sizeof line - 1, groupLines_).ptr;
    *end++ = '\n';
    index.Write(line, static_cast<size_t>(end - line));
    ++totals_.groups;
    inGroup_ = false;
}

void GroupedTableWriter::EnterGroup(uint32_t code, const char* firstRead) {
    if (inGroup_ && code == groupCode_) return;
    if (inGroup_ && code < groupCode_)
        throw std::logic_error("table lines handed over out of prefix code order");
    EndGroup();
    inGroup_ = true;
    groupCode_ = code;
    groupLines_ = 0;
    std::memcpy(groupKey_, firstRead, prefixLength);
}

void GroupedTableWriter::AppendFields(uint32_t code, const char* first, const char* second,
                                      const char* firstQuality, const char* secondQuality) {
    EnterGroup(code, first);
    FileWriter& table = table_.writer();
    FormatTableLine(first, second, firstQuality, secondQuality, readLength_,
                    table.Reserve(lineBytes_));
    table.Advance(lineBytes_);
    ++groupLines_;
    ++totals_.lines;
}

void GroupedTableWriter::AppendLines(uint32_t code, const char* lines, uint64_t count) {
    if (count == 0) return;
    EnterGroup(code, lines);
    table_.writer().Write(lines, count * lineBytes_);
    groupLines_ += count;
    totals_.lines += count;
}

void GroupedTableWriter::Finish() {
    EndGroup();
    totals_.tableBytes = table_.writer().bytesWritten();
    table_.Finish();
    index_.Finish();
}

void GroupedTableWriter::Commit() {
    MoveTableAndIndexIntoPlace(table_, index_, replace_);
}

}  // namespace lorvex::prep
