// An input read once from start to end: a plain file, or a gzip-compressed
// one told by its magic bytes, not its name. Gzip members follow each other
// as one stream (so BGZF reads as well), inflated member by member; bytes
// after a member that do not begin another member are refused, since they
// would otherwise be lost without a word. "-" is standard input.
#pragma once

#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "input/input_file.h"

namespace lorvex {

// "standard input" for "-", else the path: the name messages use.
std::string InputName(const std::string& path);

class InputStream {
  public:
    explicit InputStream(const std::string& path);
    ~InputStream();
    InputStream(const InputStream&) = delete;
    InputStream& operator=(const InputStream&) = delete;

    // Up to size bytes of the contents (decompressed); fewer only at the
    // end, 0 once it is reached. Throws InputError naming the file for a
    // failed read (EINTR included, so that a stop signal is seen), corrupt
    // compressed data, and bytes after a member that are not a member.
    size_t Read(char* data, size_t size);
    // The end came inside a gzip member: the input was cut short.
    bool truncated() const { return truncated_; }
    const std::string& name() const { return name_; }

  private:
    // Keeps the unread input and reads more after it; false at the end.
    bool Fill();
    size_t ReadPlain(char* data, size_t size);
    size_t ReadGzip(char* data, size_t size);
    // After a member: true when another one begins.
    bool NextMember();
    // Byte offset in the file of the next unread compressed byte.
    uint64_t Offset() const { return fileBytes_ - stream_.avail_in; }

    std::string name_;
    FileHandle file_;
    std::vector<unsigned char> input_;
    z_stream stream_{};
    bool gzip_ = false;
    bool memberEnded_ = false;
    bool endOfFile_ = false;
    bool truncated_ = false;
    uint64_t fileBytes_ = 0;  // bytes read from the file so far
};

// The whole contents of an input, decompressed; "-" is standard input.
// A cut gzip stream is an InputError.
std::string ReadWholeInput(const std::string& path);

}  // namespace lorvex
