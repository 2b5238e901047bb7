#include "tool/output_policy.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "base/errors.h"

namespace lorvex {
namespace {

namespace fs = std::filesystem;

bool Named(const std::string& path) {
    return !path.empty() && path != "-";
}

std::string FolderOf(const std::string& path) {
    const fs::path parent = fs::path(path).parent_path();
    return parent.empty() ? std::string(".") : parent.string();
}

bool WrittenInPlace(const struct stat& info) {
    return S_ISCHR(info.st_mode) || S_ISBLK(info.st_mode) || S_ISFIFO(info.st_mode) ||
           S_ISSOCK(info.st_mode);
}

void RefuseAnInput(const std::string& output, const std::vector<std::string>& inputs) {
    struct stat written {};
    if (::stat(output.c_str(), &written) != 0 || !S_ISREG(written.st_mode)) return;
    for (const std::string& input : inputs) {
        struct stat read {};
        if (Named(input) && ::stat(input.c_str(), &read) == 0 && read.st_dev == written.st_dev &&
            read.st_ino == written.st_ino)
            throw OutputFileError(output, (input == output ? std::string("is also an input")
                                                           : "is the input " + input) +
                                              "; name an output that no input is");
    }
}

void CheckWritable(const std::string& output, const OutputPlan& plan) {
    struct stat link {};
    if (::lstat(output.c_str(), &link) == 0) {
        struct stat target {};
        const bool followed = ::stat(output.c_str(), &target) == 0;
        if (followed && WrittenInPlace(target)) {
            if (::access(output.c_str(), W_OK) != 0)
                throw OutputFileError(output, std::strerror(errno));
            return;
        }
        if (followed && S_ISDIR(target.st_mode)) throw OutputFileError(output, "is a folder");
        if (!plan.replace)
            throw OutputFileError(output,
                                  "exists already (" + plan.replaceOption + " replaces it)");
    }
    const std::string folder = FolderOf(output);
    std::error_code error;
    fs::create_directories(folder, error);
    if (error) throw OutputFileError(folder, "cannot create the folder: " + error.message());
    if (::access(folder.c_str(), W_OK | X_OK) != 0)
        throw OutputFileError(folder,
                              std::string("cannot write in the folder: ") + std::strerror(errno));
}

}  // namespace

void PrepareOutputFiles(const OutputPlan& plan) {
    for (const std::string& output : plan.outputs)
        if (Named(output)) RefuseAnInput(output, plan.inputs);
    for (const std::string& output : plan.outputs)
        if (Named(output)) CheckWritable(output, plan);
}

}  // namespace lorvex
