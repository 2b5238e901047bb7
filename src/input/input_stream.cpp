#include "input/input_stream.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "base/number_text.h"

namespace lorvex {
namespace {

constexpr size_t inputBufferBytes = 256 * 1024;
// 15-bit window, gzip wrapper only.
constexpr int gzipWindowBits = 15 + 16;

bool BeginsGzipMember(const unsigned char* bytes, size_t size) {
    return size >= 2 && bytes[0] == 0x1f && bytes[1] == 0x8b;
}

FileHandle OpenStandardInput() {
    const int fd = ::dup(STDIN_FILENO);
    if (fd < 0) throw FileError("standard input", std::strerror(errno));
    FileHandle file(::fdopen(fd, "rb"));
    if (!file) {
        ::close(fd);
        throw FileError("standard input", "cannot be read");
    }
    return file;
}

}  // namespace

std::string InputName(const std::string& path) {
    return path == "-" ? "standard input" : path;
}

InputStream::InputStream(const std::string& path)
    : name_(InputName(path)),
      file_(path == "-" ? OpenStandardInput() : OpenInputFile(path, "rb")),
      input_(inputBufferBytes) {
    stream_.next_in = input_.data();
    while (stream_.avail_in < 2 && Fill()) {
    }
    gzip_ = BeginsGzipMember(stream_.next_in, stream_.avail_in);
    if (gzip_ && inflateInit2(&stream_, gzipWindowBits) != Z_OK)
        throw FileError(name_, "out of memory for decompression");
}

InputStream::~InputStream() {
    if (gzip_) inflateEnd(&stream_);
}

bool InputStream::Fill() {
    if (endOfFile_) return false;
    if (stream_.avail_in > 0 && stream_.next_in != input_.data())
        std::memmove(input_.data(), stream_.next_in, stream_.avail_in);
    stream_.next_in = input_.data();
    const ssize_t got = ::read(fileno(file_.get()), input_.data() + stream_.avail_in,
                               input_.size() - stream_.avail_in);
    if (got < 0) throw FileError(name_, std::strerror(errno));
    if (got == 0) {
        endOfFile_ = true;
        return false;
    }
    stream_.avail_in += static_cast<uInt>(got);
    fileBytes_ += static_cast<uint64_t>(got);
    return true;
}

size_t InputStream::ReadPlain(char* data, size_t size) {
    size_t done = 0;
    while (done < size) {
        if (stream_.avail_in == 0 && !Fill()) break;
        const size_t part = std::min<size_t>(size - done, stream_.avail_in);
        std::memcpy(data + done, stream_.next_in, part);
        stream_.next_in += part;
        stream_.avail_in -= static_cast<uInt>(part);
        done += part;
    }
    return done;
}

bool InputStream::NextMember() {
    while (stream_.avail_in < 2 && Fill()) {
    }
    if (stream_.avail_in == 0) return false;
    if (!BeginsGzipMember(stream_.next_in, stream_.avail_in))
        throw FileError(name_, "the bytes after the gzip data, at byte offset " +
                                   WithThousands(Offset()) + ", are not another gzip member");
    inflateReset(&stream_);
    memberEnded_ = false;
    return true;
}

size_t InputStream::ReadGzip(char* data, size_t size) {
    size_t done = 0;
    while (done < size) {
        if (memberEnded_ && !NextMember()) break;
        if (stream_.avail_in == 0 && !Fill()) {
            truncated_ = true;
            break;
        }
        stream_.next_out = reinterpret_cast<unsigned char*>(data + done);
        stream_.avail_out = static_cast<uInt>(std::min<size_t>(size - done, 1u << 30));
        const int status = inflate(&stream_, Z_NO_FLUSH);
        done = static_cast<size_t>(reinterpret_cast<char*>(stream_.next_out) - data);
        if (status == Z_STREAM_END)
            memberEnded_ = true;
        else if (status != Z_OK && status != Z_BUF_ERROR)
            throw FileError(name_, "corrupt gzip data (" +
                                       std::string(stream_.msg ? stream_.msg : zError(status)) +
                                       ") before byte offset " + WithThousands(Offset()));
    }
    return done;
}

size_t InputStream::Read(char* data, size_t size) {
    if (truncated_) return 0;
    return gzip_ ? ReadGzip(data, size) : ReadPlain(data, size);
}

std::string ReadWholeInput(const std::string& path) {
    InputStream input(path);
    std::string contents;
    size_t got = 0;
    do {
        const size_t used = contents.size();
        contents.resize(used + (size_t{1} << 16));
        got = input.Read(contents.data() + used, size_t{1} << 16);
        contents.resize(used + got);
    } while (got > 0);
    if (input.truncated())
        throw FileError(input.name(), "the file ends inside compressed data (truncated?)");
    return contents;
}

}  // namespace lorvex
