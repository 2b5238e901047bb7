#include "prep/work_folder.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "base/errors.h"

namespace lorvex::prep {

WorkFolder::~WorkFolder() {
    if (path_.empty()) return;
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

const std::string& WorkFolder::path() {
    if (path_.empty()) {
        std::string pattern = parent_ + "/lorvex-prep-XXXXXX";
        if (!::mkdtemp(pattern.data()))
            throw OutputFileError(
                parent_, std::string("cannot create a work folder: ") + std::strerror(errno));
        path_ = pattern;
    }
    return path_;
}

FileWriter OpenForAppend(const std::string& path, size_t bufferSize) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0) throw OutputFileError(path, std::strerror(errno));
    return FileWriter(FileDescriptor(fd), path, bufferSize);
}

void ReadFully(int fd, const std::string& path, char* destination, size_t size) {
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::read(fd, destination + done, size - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            throw OutputFileError(path, std::string("reading back: ") + std::strerror(errno));
        }
        if (n == 0) throw OutputFileError(path, "shorter than written (changed by someone else?)");
        done += static_cast<size_t>(n);
    }
}

}  // namespace lorvex::prep
