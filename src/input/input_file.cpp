#include "input/input_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace lorvex {

bool BeginsGzipCompressed(const void* bytes, size_t size) {
    const auto* first = static_cast<const unsigned char*>(bytes);
    return size >= 2 && first[0] == 0x1f && first[1] == 0x8b;
}

InputError CompressedFileError(const std::string& path, const std::string& what) {
    return FileError(path, "is compressed (gzip), but " + what +
                               " is read as plain text: give it uncompressed (gunzip -k " + path +
                               ")");
}

std::string ReadFailure() {
    return std::strerror(errno ? errno : EIO);
}

FileHandle OpenInputFile(const std::string& path, const char* mode) {
    // Non-blocking open so that a FIFO without a writer does not hang; the
    // descriptor is switched back to blocking reads right after.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) throw FileError(path, std::strerror(errno));
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        const int error = errno;
        ::close(fd);
        throw FileError(path, std::strerror(error));
    }
    if (S_ISDIR(info.st_mode)) {
        ::close(fd);
        throw FileError(path, "is a directory, not a file");
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    FileHandle file(::fdopen(fd, mode));
    if (!file) {
        const int error = errno;
        ::close(fd);
        throw FileError(path, std::strerror(error));
    }
    return file;
}

FileHandle OpenRegularFile(const std::string& path, const char* mode) {
    FileHandle file = OpenInputFile(path, mode);
    struct stat info {};
    if (::fstat(fileno(file.get()), &info) != 0) throw FileError(path, std::strerror(errno));
    if (!S_ISREG(info.st_mode)) throw FileError(path, "not a regular file");
    return file;
}

uint64_t FileSize(std::FILE* file, const std::string& path) {
    struct stat info {};
    if (::fstat(fileno(file), &info) != 0) throw FileError(path, std::strerror(errno));
    return static_cast<uint64_t>(info.st_size);
}

std::string ReadWholeFile(const std::string& path) {
    FileHandle file = OpenInputFile(path, "rb");
    std::string contents;
    char chunk[1 << 16];
    size_t got;
    errno = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file.get())) > 0) contents.append(chunk, got);
    if (std::ferror(file.get())) throw FileError(path, ReadFailure());
    return contents;
}

}  // namespace lorvex
