// Helpers shared by the fuzz targets: in-memory files that the readers open
// by path, and splitting one fuzz input into several files.
#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace lorvex::fuzzing {

// Stops the process with a message; libFuzzer records the input as a crash.
[[noreturn]] inline void Fail(const std::string& what) {
    std::fprintf(stderr, "fuzz check failed: %s\n", what.c_str());
    std::abort();
}

inline void Check(bool condition, const std::string& what) {
    if (!condition) Fail(what);
}

// A file held in memory (memfd), opened by the readers through its
// /proc/self/fd path exactly as they open a file on disk. Regular-file
// checks pass, positioned reads work, and it can shrink at any time.
class MemoryFile {
  public:
    explicit MemoryFile(const char* name) : fd_(memfd_create(name, MFD_CLOEXEC)) {
        if (fd_ < 0) Fail("memfd_create failed");
        path_ = "/proc/self/fd/" + std::to_string(fd_);
    }
    ~MemoryFile() { ::close(fd_); }
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;

    void Set(std::string_view contents) {
        Truncate(0);
        size_t written = 0;
        while (written < contents.size()) {
            const ssize_t n = ::pwrite(fd_, contents.data() + written, contents.size() - written,
                                       static_cast<off_t>(written));
            if (n <= 0) Fail("pwrite to a memory file failed");
            written += static_cast<size_t>(n);
        }
    }
    void Truncate(uint64_t size) {
        if (::ftruncate(fd_, static_cast<off_t>(size)) != 0) Fail("ftruncate failed");
    }
    const std::string& path() const { return path_; }

  private:
    int fd_;
    std::string path_;
};

// Cuts a fuzz input into parts at the two-byte marker "\n|" (a byte pair
// that table and index text hardly need), so that seed corpus files stay
// readable text. Parts beyond the last marker are empty.
class InputParts {
  public:
    InputParts(const uint8_t* data, size_t size)
        : rest_(reinterpret_cast<const char*>(data), size) {}

    std::string_view Next() {
        const size_t marker = rest_.find("\n|");
        if (marker == std::string_view::npos) {
            const std::string_view part = rest_;
            rest_ = {};
            return part;
        }
        // The LF belongs to the part, so that text files end with one.
        const std::string_view part = rest_.substr(0, marker + 1);
        rest_.remove_prefix(marker + 2);
        return part;
    }

  private:
    std::string_view rest_;
};

}  // namespace lorvex::fuzzing
