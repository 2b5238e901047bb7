#include "input/large_array.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>
#include <new>

namespace lorvex {
namespace {

constexpr size_t hugePageBytes = size_t{2} << 20;
constexpr size_t mappedFromBytes = size_t{1} << 20;

size_t RoundUpToHugePages(size_t bytes) {
    return (bytes + hugePageBytes - 1) & ~(hugePageBytes - 1);
}

}  // namespace

void* AllocateLargeArray(size_t bytes) {
    if (bytes < mappedFromBytes) {
        void* memory = std::malloc(bytes == 0 ? 1 : bytes);
        if (!memory) throw std::bad_alloc();
        return memory;
    }
    // Map one huge page more than needed and trim both ends to alignment.
    const size_t size = RoundUpToHugePages(bytes);
    void* mapped = ::mmap(nullptr, size + hugePageBytes, PROT_READ | PROT_WRITE,
                          MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED) throw std::bad_alloc();
    const uintptr_t start = reinterpret_cast<uintptr_t>(mapped);
    const uintptr_t aligned = (start + hugePageBytes - 1) & ~(hugePageBytes - 1);
    if (aligned > start) ::munmap(mapped, aligned - start);
    const uintptr_t end = start + size + hugePageBytes;
    if (end > aligned + size)
        ::munmap(reinterpret_cast<void*>(aligned + size), end - aligned - size);
    // Only advice: where it is refused, the memory has 4 KiB pages.
    ::madvise(reinterpret_cast<void*>(aligned), size, MADV_HUGEPAGE);
    return reinterpret_cast<void*>(aligned);
}

void FreeLargeArray(void* memory, size_t bytes) {
    if (bytes < mappedFromBytes)
        std::free(memory);
    else
        ::munmap(memory, RoundUpToHugePages(bytes));
}

}  // namespace lorvex
