// Files that the programs write. Every write is checked, so a full disk or a
// closed pipe ends the run with an OutputError naming the file, and an
// output appears under its final name only once it is complete: it is
// written under a temporary name beside it and renamed, and removed when
// the run fails or is stopped.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lorvex {

class GzipWriter;

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
// OutputError naming the file.
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
    // existing file of that name is an error ("exists already", then
    // existsNote in parentheses when given) and is left alone.
    void MoveIntoPlace(bool replace, const std::string& existsNote = "");

  private:
    std::string finalPath_;
    std::string temporaryPath_;
    FileWriter writer_;
    bool inPlace_ = false;
};

// An output named on a command line. "-" is standard output, written as the
// run goes. A regular file, or a name that does not exist yet, is written
// under a temporary name and replaces the file of that name at Commit. Any
// other file (a device, a FIFO, a link) is written in place. What a failed
// run wrote to a stream is still passed on; a temporary file is removed.
// A name ending in ".gz" is written gzip-compressed.
class NamedOutput {
  public:
    explicit NamedOutput(const std::string& path, size_t bufferSize = size_t{1} << 20);
    ~NamedOutput();
    NamedOutput(const NamedOutput&) = delete;
    NamedOutput& operator=(const NamedOutput&) = delete;

    void Write(std::string_view text);
    // Flushes and closes; an error that only shows now is still reported.
    void Finish();
    // Gives a finished output its name; call once every output has finished.
    void Commit();
    // "standard output" or the path.
    const std::string& name() const { return name_; }

  private:
    FileWriter& writer();

    std::string name_;
    std::optional<TemporaryOutput> temporary_;
    std::optional<FileWriter> direct_;
    std::unique_ptr<GzipWriter> gzip_;  // in front of the writer, for a ".gz" name
};

// Finishes every output, then commits every one, in the order given, so
// that none takes its final name before all are whole. Null pointers
// (outputs not asked for) are passed over. Each output has Finish and Commit.
template <typename... Outputs>
void FinishThenCommit(Outputs*... outputs) {
    ((outputs ? outputs->Finish() : void()), ...);
    ((outputs ? outputs->Commit() : void()), ...);
}

}  // namespace lorvex
