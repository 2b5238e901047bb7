#include "input/mapped_file.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>

#include "base/errors.h"

namespace lorvex {
namespace {

// The mappings alive, for the SIGBUS handler, which may only read plain
// memory: a slot is claimed through `used`, its fields filled, and only
// then `begin` is published; releasing clears `begin` first.
struct MappingSlot {
    std::atomic<bool> used{false};
    std::atomic<uintptr_t> begin{0};
    std::atomic<uintptr_t> end{0};
    const char* path = nullptr;
};
constexpr int mappingSlots = 256;
std::array<MappingSlot, mappingSlots> liveMappings;

void WriteToStandardError(const char* text) {
    size_t left = std::strlen(text);
    while (left > 0) {
        const ssize_t written = ::write(STDERR_FILENO, text, left);
        if (written <= 0) return;
        text += written;
        left -= static_cast<size_t>(written);
    }
}

extern "C" void OnMappedFileFault(int signal, siginfo_t* info, void*) {
    const uintptr_t address = reinterpret_cast<uintptr_t>(info->si_addr);
    for (const MappingSlot& slot : liveMappings) {
        const uintptr_t begin = slot.begin.load(std::memory_order_acquire);
        if (begin == 0 || address < begin || address >= slot.end.load(std::memory_order_relaxed))
            continue;
        WriteToStandardError(program_invocation_short_name);
        WriteToStandardError(": ");
        WriteToStandardError(slot.path);
        WriteToStandardError(": cut short or unreadable while it was being read\n");
        ::_exit(1);
    }
    // Not a mapped file of ours: the default action, on return to the fault.
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    sigaction(signal, &fallback, nullptr);
}

void InstallFaultHandler() {
    static std::once_flag installed;
    std::call_once(installed, [] {
        struct sigaction action {};
        action.sa_sigaction = OnMappedFileFault;
        action.sa_flags = SA_SIGINFO;
        sigemptyset(&action.sa_mask);
        sigaction(SIGBUS, &action, nullptr);
    });
}

int ClaimSlot(const char* path, const uint8_t* data, uint64_t size) {
    for (int i = 0; i < mappingSlots; ++i) {
        MappingSlot& slot = liveMappings[static_cast<size_t>(i)];
        bool expected = false;
        if (!slot.used.compare_exchange_strong(expected, true)) continue;
        slot.path = path;
        slot.end.store(reinterpret_cast<uintptr_t>(data) + size, std::memory_order_relaxed);
        slot.begin.store(reinterpret_cast<uintptr_t>(data), std::memory_order_release);
        return i;
    }
    return -1;
}

void ReleaseSlot(int index) {
    MappingSlot& slot = liveMappings[static_cast<size_t>(index)];
    slot.begin.store(0, std::memory_order_release);
    slot.used.store(false, std::memory_order_release);
}

void AdviseRange(const uint8_t* data, uint64_t size, uint64_t offset, uint64_t bytes, int advice) {
    if (offset >= size) return;
    const uint64_t page = static_cast<uint64_t>(::sysconf(_SC_PAGESIZE));
    const uint64_t start = offset / page * page;
    const uint64_t end = std::min(size, offset + bytes);
    ::madvise(const_cast<uint8_t*>(data) + start, end - start, advice);
}

}  // namespace

MappedFile::MappedFile(const std::string& path) : path_(path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) throw FileError(path, std::strerror(errno));
    struct stat info {};
    const int statResult = ::fstat(fd, &info);
    const int statError = errno;
    if (statResult != 0 || !S_ISREG(info.st_mode) || info.st_size <= 0) {
        ::close(fd);
        if (statResult != 0) throw FileError(path, std::strerror(statError));
        throw FileError(path, S_ISDIR(info.st_mode)   ? "is a directory, not a file"
                              : S_ISREG(info.st_mode) ? "is empty"
                                                      : "not a regular file");
    }
    size_ = static_cast<uint64_t>(info.st_size);
    void* mapping = ::mmap(nullptr, size_, PROT_READ, MAP_SHARED, fd, 0);
    const int mapError = errno;
    ::close(fd);
    if (mapping == MAP_FAILED) throw FileError(path, std::strerror(mapError));
    data_ = static_cast<const uint8_t*>(mapping);
    InstallFaultHandler();
    slot_ = ClaimSlot(path_.c_str(), data_, size_);
    if (slot_ < 0) {
        ::munmap(mapping, size_);
        throw FileError(path, "too many files mapped at once");
    }
}

MappedFile::~MappedFile() {
    ReleaseSlot(slot_);
    ::munmap(const_cast<uint8_t*>(data_), size_);
}

void MappedFile::AdviseSequential(uint64_t offset, uint64_t bytes) const {
    AdviseRange(data_, size_, offset, bytes, MADV_SEQUENTIAL);
}

void MappedFile::AdviseRandom(uint64_t offset, uint64_t bytes) const {
    AdviseRange(data_, size_, offset, bytes, MADV_RANDOM);
}

void MappedFile::AdviseNormal(uint64_t offset, uint64_t bytes) const {
    AdviseRange(data_, size_, offset, bytes, MADV_NORMAL);
}

}  // namespace lorvex
