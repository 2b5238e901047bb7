#include "input/read_table.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "input/input_file.h"

namespace lorvex {
// Table lines are named without thousands separators, as in every message
// of the extension programs.
std::string TableLineLabel(uint64_t lineNumber) {
    return "line " + std::to_string(lineNumber);
}

TableLayout MeasureTable(const std::string& path) {
    FileHandle file = OpenRegularFile(path, "rb");

    // The first line, read raw so that zero bytes and over-long lines show.
    std::vector<char> buffer(maxLineSize + 1);
    const size_t got = std::fread(buffer.data(), 1, buffer.size(), file.get());
    if (std::ferror(file.get())) throw FileError(path, ReadFailure());
    if (got == 0) throw FileError(path, "the read-pair table is empty");
    const char* newline = static_cast<const char*>(std::memchr(buffer.data(), '\n', got));
    // A first line with a zero byte is refused either way; a gzip file is
    // named as what it is.
    const size_t firstLine = newline ? static_cast<size_t>(newline - buffer.data()) : got;
    if (BeginsGzipCompressed(buffer.data(), got) && std::memchr(buffer.data(), '\0', firstLine))
        throw CompressedFileError(path, "the read-pair table");
    size_t lineSize;
    if (newline) {
        lineSize = static_cast<size_t>(newline - buffer.data()) + 1;
    } else if (got <= maxLineSize) {
        lineSize = got;  // a table of one line without its line end
    } else {
        throw FileError(path, "line 1: longer than 65,535 bytes");
    }
    if (lineSize > maxLineSize) throw FileError(path, "line 1: longer than 65,535 bytes");
    const char* line = buffer.data();
    if (std::memchr(line, '\0', lineSize)) throw FileError(path, "line 1: holds a zero byte");

    TableLayout layout;
    layout.lineSize = lineSize;
    layout.fileSize = FileSize(file.get(), path);
    size_t contentSize = lineSize;
    if (newline) {
        layout.lineEndLength = (lineSize >= 2 && line[lineSize - 2] == '\r') ? 2 : 1;
        contentSize -= static_cast<size_t>(layout.lineEndLength);
    }
    if (contentSize == 0 || line[0] == '\t')
        throw FileError(path, "line 1: does not begin with a read (empty line or leading tab)");
    const char* tab = static_cast<const char*>(std::memchr(line, '\t', contentSize));
    if (!tab) throw FileError(path, "line 1: no tab after the first read");
    const size_t readLength = static_cast<size_t>(tab - line);
    if (readLength > static_cast<size_t>(maxReadLength))
        throw FileError(path, "line 1: first read longer than 1,023 bases");
    if (readLength < 12)
        throw FileError(path, "line 1: reads of " + std::to_string(readLength) +
                                  " bases are shorter than the 12-base prefix");
    if (contentSize < 4 * readLength + 3)
        throw FileError(path, "line 1: shorter than four fields of " + std::to_string(readLength) +
                                  " bytes and their three separators");
    layout.readLength = static_cast<int32_t>(readLength);
    return layout;
}

TableStream OpenTableStream(const std::string& path, const TableLayout& layout) {
    return TableStream{path, OpenRegularFile(path, "rb"), layout};
}

uint64_t ReadTableBytes(const TableStream& table, uint64_t offset, uint64_t bytes, char* into,
                        uint64_t lineNumber) {
    const int fd = fileno(table.file.get());
    uint64_t got = 0;
    while (got < bytes) {
        const ssize_t n = ::pread(fd, into + got, bytes - got, static_cast<off_t>(offset + got));
        if (n < 0) {
            if (errno == EINTR) continue;
            ThrowTableReadFailure(table, lineNumber, errno);
        }
        if (n == 0) break;
        got += static_cast<uint64_t>(n);
    }
    return got;
}

std::string TableLineFault(const TableLayout& layout, const char* line, uint64_t missing) {
    const uint64_t bodyBytes = layout.lineSize - (missing > 0 ? missing : 1);
    const bool misplacedLineEnd = std::memchr(line, '\n', bodyBytes) != nullptr ||
                                  (missing == 0 && line[layout.lineSize - 1] != '\n');
    if (layout.lineEndLength > 0 && misplacedLineEnd)
        return ": not " + std::to_string(layout.lineSize) + " bytes long like line 1";
    if (std::memchr(line, '\0', 4 * static_cast<uint64_t>(layout.readLength) + 3))
        return ": holds a zero byte";
    return "";
}

void ThrowTableReadFailure(const TableStream& table, uint64_t lineNumber, int error) {
    errno = error;
    throw FileError(table.path, "reading " + TableLineLabel(lineNumber) + ": " + ReadFailure());
}

void ThrowTableEndsEarly(const TableStream& table, uint64_t lineNumber) {
    throw FileError(table.path, "ends inside " + TableLineLabel(lineNumber) +
                                    ", before the lines its index counts (truncated?)");
}

void ReadTableLines(const TableStream& table, uint64_t offset, uint64_t count,
                    std::vector<char>& block) {
    const TableLayout& layout = table.layout;
    const uint64_t bytes = count * layout.lineSize;
    block.assign(bytes + 1, '\0');
    const uint64_t firstLine = offset / layout.lineSize + 1;
    const uint64_t got = ReadTableBytes(table, offset, bytes, block.data(), firstLine);
    // Only the line end of the very last line may be missing.
    const uint64_t missing = bytes - got;
    if (missing > static_cast<uint64_t>(layout.lineEndLength))
        ThrowTableEndsEarly(table, firstLine + got / layout.lineSize);
    for (uint64_t i = 0; i < count; ++i) {
        const std::string fault = TableLineFault(layout, block.data() + i * layout.lineSize,
                                                 i + 1 == count ? missing : 0);
        if (!fault.empty()) throw FileError(table.path, TableLineLabel(firstLine + i) + fault);
    }
}

}  // namespace lorvex
