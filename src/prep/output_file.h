// Files that lorvex-prep writes: a buffered writer that fails loudly, an
// output that lives under a temporary name until it is complete, and a
// private work folder for bucket files that disappears with its contents.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace lorvex::prep {

// An open file descriptor, closed on destruction.
class FileDescriptor {
  public:
    FileDescriptor() = default;
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() { Reset(); }
    FileDescriptor(FileDescriptor&& other) noexcept : fd_(other.Release()) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept;
    int get() const { return fd_; }
    int Release();
    void Reset();

  private:
    int fd_ = -1;
};

// Appends bytes to a file through one buffer; every failed write throws
// OutputError naming the file, so a full disk never passes silently.
class FileWriter {
  public:
    FileWriter(FileDescriptor file, std::string path, size_t bufferSize);
    FileWriter(FileWriter&&) = default;
    FileWriter& operator=(FileWriter&&) = default;

    void Write(const char* data, size_t size);
    // Room for size bytes (at most the buffer size) at the end of the
    // buffer; Advance(size) then makes them part of the file.
    char* Reserve(size_t size);
    void Advance(size_t size) { used_ += size; }
    void Flush();
    // Flushes and waits until the data is on the disk.
    void Sync();
    // Asks the system to start writing the data out every `bytes` bytes,
    // so that the wait in Sync is short.
    void StartWritebackEvery(uint64_t bytes) { writebackInterval_ = bytes; }
    // Flushes and closes; further writes are an error.
    void Close();
    uint64_t bytesWritten() const { return written_ + used_; }
    const std::string& path() const { return path_; }

  private:
    FileDescriptor file_;
    std::string path_;
    std::vector<char> buffer_;
    size_t used_ = 0;
    uint64_t written_ = 0;
    uint64_t writebackInterval_ = 0;  // 0: leave it to the system
    uint64_t writebackStart_ = 0;     // first byte not yet handed to writeback
};

// Opens path for appending, creating it if needed.
FileWriter OpenForAppend(const std::string& path, size_t bufferSize);

// Reads exactly size bytes from the start of an open file into destination,
// or throws naming the file.
void ReadFully(int fd, const std::string& path, char* destination, size_t size);

// An output file written under a temporary name beside its final one
// ("<final>.partial-XXXXXX") and removed on destruction unless it was moved
// into place. An interrupted run never leaves a file under the final name.
class TemporaryOutput {
  public:
    TemporaryOutput(std::string finalPath, size_t bufferSize);
    ~TemporaryOutput();
    TemporaryOutput(const TemporaryOutput&) = delete;
    TemporaryOutput& operator=(const TemporaryOutput&) = delete;

    FileWriter& writer() { return writer_; }
    const std::string& finalPath() const { return finalPath_; }
    // Flushes, syncs and closes the file; it still has its temporary name.
    void Finish();
    // Renames the finished file to its final name. Without replace, an
    // existing file of that name is an error and is left alone.
    void MoveIntoPlace(bool replace);
    bool inPlace() const { return inPlace_; }

  private:
    std::string finalPath_;
    std::string temporaryPath_;
    FileWriter writer_;
    bool inPlace_ = false;
};

// Moves a table and its index into place as a pair. With replace, the old
// index goes first, so that no moment shows a new table beside an old
// index; if the index cannot be moved, the new table is removed again.
void MoveTableAndIndexIntoPlace(TemporaryOutput& table, TemporaryOutput& index, bool replace);

// A fresh folder "lorvex-prep-XXXXXX" inside parent, created on the first
// call to path() and removed with everything in it on destruction.
class WorkFolder {
  public:
    explicit WorkFolder(std::string parent) : parent_(std::move(parent)) {}
    ~WorkFolder();
    WorkFolder(const WorkFolder&) = delete;
    WorkFolder& operator=(const WorkFolder&) = delete;
    const std::string& path();
    bool created() const { return !path_.empty(); }

  private:
    std::string parent_;
    std::string path_;
};

}  // namespace lorvex::prep
