// Opening input files safely. A file that cannot be read or breaks the
// formats and limits is an InputError naming the file and what is wrong.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "base/errors.h"

namespace lorvex {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

// Opens a file for reading with the given stdio mode. A directory is refused;
// a FIFO that nobody writes to reads as empty instead of blocking forever.
FileHandle OpenInputFile(const std::string& path, const char* mode);

// Opens a file that is read by position: it must be a regular file.
FileHandle OpenRegularFile(const std::string& path, const char* mode);

// Size in bytes of an open file.
uint64_t FileSize(std::FILE* file, const std::string& path);

// The whole contents of an input file.
std::string ReadWholeFile(const std::string& path);

// The first bytes of a file begin a gzip member.
bool BeginsGzipCompressed(const void* bytes, size_t size);

// "<path>: is compressed (gzip), but <what> is read as plain text: give it
// uncompressed (gunzip -k <path>)".
InputError CompressedFileError(const std::string& path, const std::string& what);

// Text of errno for a failed read, with EIO when errno was not set.
std::string ReadFailure();

}  // namespace lorvex
