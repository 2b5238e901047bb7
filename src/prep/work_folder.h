// The private work folder of a run and the bucket files in it: created on
// first use beside the outputs (or under --tmp-dir), removed with everything
// in it when the run ends, however it ends.
#pragma once

#include <cstddef>
#include <string>
#include <utility>

#include "tool/output_file.h"

namespace lorvex::prep {

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

// Opens path for appending, creating it if needed.
FileWriter OpenForAppend(const std::string& path, size_t bufferSize);

// Reads exactly size bytes from the current position of an open file into
// destination, or throws naming the file.
void ReadFully(int fd, const std::string& path, char* destination, size_t size);

}  // namespace lorvex::prep
