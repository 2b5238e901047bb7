// The read-pair table: fixed-width text lines, one read pair each, with four
// fields of readLength bytes at positions 0, R+1, 2R+2 and 3R+3 (first read,
// second read, first quality, second quality). Fields are taken by position.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "input/input_file.h"

namespace lorvex {

// Measuring buffers: a first field must fit in 1,023 bytes, a line with its
// line end in 65,535.
inline constexpr int32_t maxReadLength = 1023;
inline constexpr uint64_t maxLineSize = 65535;

struct TableLayout {
    int32_t readLength = 0;  // width of every field
    uint64_t lineSize = 0;   // bytes per line, line end included
    uint64_t fileSize = 0;   // bytes in the file when it was measured
    int lineEndLength = 0;   // 1 for LF, 2 for CR LF, 0 for a file of one unterminated line
};

// The table held open for block reads, with what start-up measured of it.
struct TableStream {
    std::string path;
    FileHandle file;
    TableLayout layout;
};

// The read length (the first field of line 1) and the line size (line end
// included), with every limit of the format checked; throws InputError
// naming the file and the problem.
TableLayout MeasureTable(const std::string& path);

// Opens the table with mode "rb" for block reads.
TableStream OpenTableStream(const std::string& path, const TableLayout& layout);

// "line N": how every message of the extension programs names a table line.
std::string TableLineLabel(uint64_t lineNumber);

// Reads up to `bytes` bytes of the table at offset into `into` with
// positioned reads, fewer only where the file ends; returns the bytes read.
// A failed read throws FileError "reading line N: ...", N being lineNumber.
uint64_t ReadTableBytes(const TableStream& table, uint64_t offset, uint64_t bytes, char* into,
                        uint64_t lineNumber);

// What is wrong with one line of the table's layout whose last `missing`
// bytes could not be read (only the line end of the table's last line may
// be missing): ": not N bytes long like line 1", ": holds a zero byte", or
// an empty string.
std::string TableLineFault(const TableLayout& layout, const char* line, uint64_t missing);

// The messages for a read of the table that failed with `error` (an errno
// value) and for a table that ends inside line N, before the lines its index
// counts.
[[noreturn]] void ThrowTableReadFailure(const TableStream& table, uint64_t lineNumber, int error);
[[noreturn]] void ThrowTableEndsEarly(const TableStream& table, uint64_t lineNumber);

// Reads count consecutive lines starting at byte offset into block (resized
// to count x lineSize + 1 bytes, the last one zero) in one positioned read,
// and checks what the fixed positions rely on: the lines are all there (the
// table's last line may lack its line end), each ends where the first line
// ends, and the fields hold no zero byte. Throws InputError naming the line.
void ReadTableLines(const TableStream& table, uint64_t offset, uint64_t count,
                    std::vector<char>& block);

}  // namespace lorvex
