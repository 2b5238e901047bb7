#include "tool/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

#include "base/errors.h"
#include "tool/gzip_writer.h"
#include "tool/stop_signals.h"

namespace lorvex {

FileDescriptor& FileDescriptor::operator=(FileDescriptor&& other) noexcept {
    if (this != &other) {
        Reset();
        fd_ = other.Release();
    }
    return *this;
}

int FileDescriptor::Release() {
    return std::exchange(fd_, -1);
}

void FileDescriptor::Reset() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

FileWriter::FileWriter(FileDescriptor file, std::string path, size_t bufferSize)
    : file_(std::move(file)), path_(std::move(path)), buffer_(bufferSize) {}

void FileWriter::Flush() {
    if (used_ == 0) return;
    if (file_.get() < 0) throw OutputFileError(path_, "written after it was closed");
    size_t done = 0;
    while (done < used_) {
        // A stop signal ends a write that a full pipe holds up: the write
        // returns early (EINTR, or the part that fitted) and is not resumed.
        ThrowIfStopRequested();
        const ssize_t n = ::write(file_.get(), buffer_.data() + done, used_ - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            if (errno == EPIPE) throw ClosedPipe(path_ + ": " + std::strerror(errno));
            throw OutputFileError(path_, std::strerror(errno));
        }
        done += static_cast<size_t>(n);
    }
    written_ += used_;
    used_ = 0;
    if (writebackInterval_ != 0 && written_ - writebackStart_ >= writebackInterval_) {
        // Only a hint: a failure shows up in Sync at the latest.
        ::sync_file_range(file_.get(), static_cast<off_t>(writebackStart_),
                          static_cast<off_t>(written_ - writebackStart_), SYNC_FILE_RANGE_WRITE);
        writebackStart_ = written_;
    }
}

void FileWriter::Write(const char* data, size_t size) {
    while (size > 0) {
        if (used_ == buffer_.size()) Flush();
        const size_t part = std::min(size, buffer_.size() - used_);
        std::memcpy(buffer_.data() + used_, data, part);
        used_ += part;
        data += part;
        size -= part;
    }
}

char* FileWriter::Reserve(size_t size) {
    if (buffer_.size() - used_ < size) Flush();
    if (buffer_.size() < size) buffer_.resize(size);
    return buffer_.data() + used_;
}

void FileWriter::Sync() {
    Flush();
    if (::fsync(file_.get()) != 0 && errno != EINVAL && errno != EROFS)
        throw OutputFileError(path_, std::strerror(errno));
}

void FileWriter::Close() {
    Flush();
    if (file_.get() >= 0 && ::close(file_.Release()) != 0)
        throw OutputFileError(path_, std::strerror(errno));
}

namespace {

constexpr uint64_t writebackIntervalBytes = 64 << 20;

FileDescriptor CreateTemporaryBeside(const std::string& finalPath, std::string& temporaryPath) {
    temporaryPath = finalPath + ".partial-XXXXXX";
    const int fd = ::mkostemp(temporaryPath.data(), O_CLOEXEC);
    if (fd < 0) throw OutputFileError(finalPath, std::strerror(errno));
    // mkostemp makes the file private; the finished output gets the usual
    // permissions of a new file.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
    return FileDescriptor(fd);
}

}  // namespace

TemporaryOutput::TemporaryOutput(std::string finalPath, size_t bufferSize)
    : finalPath_(std::move(finalPath)),
      writer_(CreateTemporaryBeside(finalPath_, temporaryPath_), finalPath_, bufferSize) {
    writer_.StartWritebackEvery(writebackIntervalBytes);
}

TemporaryOutput::~TemporaryOutput() {
    if (!inPlace_) ::unlink(temporaryPath_.c_str());
}

void TemporaryOutput::Finish() {
    writer_.Sync();
    writer_.Close();
}

void TemporaryOutput::MoveIntoPlace(bool replace, const std::string& existsNote) {
    const int flags = replace ? 0 : RENAME_NOREPLACE;
    if (::renameat2(AT_FDCWD, temporaryPath_.c_str(), AT_FDCWD, finalPath_.c_str(), flags) != 0) {
        if (errno == EEXIST)
            throw OutputFileError(
                finalPath_,
                "exists already" + (existsNote.empty() ? std::string() : " (" + existsNote + ")"));
        throw OutputFileError(finalPath_, std::strerror(errno));
    }
    inPlace_ = true;
}

namespace {

FileDescriptor DuplicateStandardOutput() {
    const int fd = ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 0);
    if (fd < 0) throw OutputFileError("standard output", std::strerror(errno));
    return FileDescriptor(fd);
}

FileDescriptor OpenInPlace(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) throw OutputFileError(path, std::strerror(errno));
    return FileDescriptor(fd);
}

// Renaming over anything but a regular file would replace a device or a
// FIFO with a file, or a link with what it points to.
bool ReplacedAtCommit(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) != 0 || S_ISREG(info.st_mode);
}

}  // namespace

NamedOutput::NamedOutput(const std::string& path, size_t bufferSize) {
    if (path == "-") {
        name_ = "standard output";
        direct_.emplace(DuplicateStandardOutput(), name_, bufferSize);
        return;
    }
    name_ = path;
    if (ReplacedAtCommit(path))
        temporary_.emplace(path, bufferSize);
    else
        direct_.emplace(OpenInPlace(path), path, bufferSize);
    if (NamesGzipFile(path)) gzip_ = std::make_unique<GzipWriter>(writer());
}

NamedOutput::~NamedOutput() {
    // A stopped run passes nothing more on: the reader may be what holds it up.
    if (!direct_ || StopRequested()) return;
    try {
        direct_->Flush();
    } catch (const OutputError&) {
        // The run has failed already; its own error is the one to report.
    } catch (const Interrupted&) {
    }
}

FileWriter& NamedOutput::writer() {
    return temporary_ ? temporary_->writer() : *direct_;
}

void NamedOutput::Write(std::string_view text) {
    if (gzip_)
        gzip_->Write(text);
    else
        writer().Write(text.data(), text.size());
}

void NamedOutput::Finish() {
    if (gzip_) gzip_->Finish();
    if (temporary_)
        temporary_->Finish();
    else
        direct_->Close();
}

void NamedOutput::Commit() {
    if (temporary_) temporary_->MoveIntoPlace(true);
}

}  // namespace lorvex
