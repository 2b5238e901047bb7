// A regular file mapped read-only for the life of the object.
//
// A mapped file that is cut short while it is mapped (or whose disk fails a
// read) raises SIGBUS at the next touch of a lost page, which no code that
// reads the mapping can turn into an error. The first mapping therefore
// installs a SIGBUS handler that looks the faulting address up among the
// mappings alive: in one of them, it writes one line naming the file
// ("lorvex-extend: reads.pairs: cut short or unreadable while it was being
// read") and ends the process with status 1, as for any input error. A
// fault anywhere else keeps the default action. Temporary outputs of the run
// stay behind under their temporary names, never under a final one.
#pragma once

#include <cstdint>
#include <string>

namespace lorvex {

class MappedFile {
  public:
    // Throws InputError naming the file when it cannot be opened or mapped,
    // is not a regular file, or is empty.
    explicit MappedFile(const std::string& path);
    ~MappedFile();
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    const uint8_t* data() const { return data_; }
    uint64_t size() const { return size_; }
    const std::string& path() const { return path_; }

    // Page-cache hints for a part of the file (offsets need no alignment).
    void AdviseSequential(uint64_t offset, uint64_t bytes) const;
    void AdviseNormal(uint64_t offset, uint64_t bytes) const;
    // Lookups touch a few scattered bytes: no read-ahead around them.
    void AdviseRandom(uint64_t offset, uint64_t bytes) const;

  private:
    std::string path_;
    const uint8_t* data_ = nullptr;
    uint64_t size_ = 0;
    int slot_ = -1;  // in the table the SIGBUS handler reads
};

}  // namespace lorvex
