#include "input/read_table.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "input/input_file.h"

namespace lorvex {
namespace {

// Reads the first line as fgets would into a buffer of bufferSize bytes:
// at most bufferSize - 1 bytes, up to and including the first LF.
std::string ReadFirstLine(const std::string& path, size_t bufferSize) {
    FileHandle file = OpenInputFile(path, "r");
    std::vector<char> buffer(bufferSize);
    if (!std::fgets(buffer.data(), static_cast<int>(bufferSize), file.get())) {
        if (std::ferror(file.get())) throw FileError(path, ReadFailure());
        return {};
    }
    // fgets cannot say how many bytes it stored when the line holds a zero
    // byte; the length up to the first zero is what a string reader sees.
    return std::string(buffer.data());
}

void CopyField(const char* source, int32_t width, std::string& destination) {
    destination.assign(static_cast<size_t>(width), '\0');
    std::strncpy(destination.data(), source, static_cast<size_t>(width));
}

}  // namespace

int32_t GetReadLength(const std::string& path) {
    const std::string line = ReadFirstLine(path, maxReadLength + 1);
    const size_t start = line.find_first_not_of('\t');
    if (start == std::string::npos) return 0;
    const size_t end = line.find('\t', start);
    return static_cast<int32_t>((end == std::string::npos ? line.size() : end) - start);
}

uint64_t GetLineSize(const std::string& path) {
    return ReadFirstLine(path, maxLineSize + 1).size();
}

TableLayout MeasureTable(const std::string& path) {
    FileHandle file = OpenRegularFile(path, "rb");

    // The first line, read raw so that zero bytes and over-long lines show.
    std::vector<char> buffer(maxLineSize + 1);
    const size_t got = std::fread(buffer.data(), 1, buffer.size(), file.get());
    if (std::ferror(file.get())) throw FileError(path, ReadFailure());
    if (got == 0) throw FileError(path, "the read-pair table is empty");
    const char* newline = static_cast<const char*>(std::memchr(buffer.data(), '\n', got));
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

void ParseReads(const char* block, int32_t count, int32_t readLength, int32_t lineSize,
                std::vector<std::string>& firstReads, std::vector<std::string>& secondReads,
                std::vector<std::string>& firstQualities,
                std::vector<std::string>& secondQualities) {
    const int64_t r = readLength;
    for (int32_t i = 0; i < count; ++i) {
        const char* line = block + static_cast<int64_t>(i) * lineSize;
        CopyField(line, readLength, firstReads[i]);
        CopyField(line + r + 1, readLength, secondReads[i]);
        CopyField(line + 2 * r + 2, readLength, firstQualities[i]);
        CopyField(line + 3 * r + 3, readLength, secondQualities[i]);
    }
}

}  // namespace lorvex

namespace lorvex {
namespace {

std::string LineLabel(uint64_t lineNumber) {
    return "line " + std::to_string(lineNumber);
}

}  // namespace

void ReadTableLines(const TableStream& table, uint64_t offset, uint64_t count,
                    std::vector<char>& block) {
    const TableLayout& layout = table.layout;
    const uint64_t bytes = count * layout.lineSize;
    block.assign(bytes + 1, '\0');
    const uint64_t firstLine = offset / layout.lineSize + 1;
    const int fd = fileno(table.file.get());
    uint64_t got = 0;
    while (got < bytes) {
        const ssize_t n =
            ::pread(fd, block.data() + got, bytes - got, static_cast<off_t>(offset + got));
        if (n < 0) {
            if (errno == EINTR) continue;
            throw FileError(table.path, "reading " + LineLabel(firstLine) + ": " + ReadFailure());
        }
        if (n == 0) break;
        got += static_cast<uint64_t>(n);
    }
    // Only the line end of the very last line may be missing.
    const uint64_t missing = bytes - got;
    if (missing > static_cast<uint64_t>(layout.lineEndLength))
        throw FileError(table.path, "ends inside " +
                                        LineLabel(firstLine + (got / layout.lineSize)) +
                                        ", before the lines its index counts (truncated?)");
    const uint64_t fieldBytes = 4 * static_cast<uint64_t>(layout.readLength) + 3;
    for (uint64_t i = 0; i < count; ++i) {
        const char* line = block.data() + i * layout.lineSize;
        const bool lineEndMissing = missing > 0 && i + 1 == count;
        const uint64_t bodyBytes = layout.lineSize - (lineEndMissing ? missing : 1);
        const bool misplacedLineEnd = std::memchr(line, '\n', bodyBytes) != nullptr ||
                                      (!lineEndMissing && line[layout.lineSize - 1] != '\n');
        if (layout.lineEndLength > 0 && misplacedLineEnd)
            throw FileError(table.path, LineLabel(firstLine + i) + ": not " +
                                            std::to_string(layout.lineSize) +
                                            " bytes long like line 1");
        if (std::memchr(line, '\0', fieldBytes))
            throw FileError(table.path, LineLabel(firstLine + i) + ": holds a zero byte");
    }
}

}  // namespace lorvex
