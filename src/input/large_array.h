// Memory for large arrays that start-up fills once, such as the prefix
// index. Blocks of 1 MiB or more are mapped on their own, aligned to 2 MiB
// and backed by 2 MiB pages where the kernel allows: filling them then costs
// one page fault per 2 MiB instead of one per 4 KiB, which on some virtual
// machines is most of a start-up. Smaller blocks come from the heap.
#pragma once

#include <cstddef>
#include <vector>

namespace lorvex {

// Throws std::bad_alloc when there is no memory.
void* AllocateLargeArray(size_t bytes);
void FreeLargeArray(void* memory, size_t bytes);

template <typename T>
struct LargeArrayAllocator {
    using value_type = T;

    LargeArrayAllocator() = default;
    template <typename U>
    LargeArrayAllocator(const LargeArrayAllocator<U>&) {}

    T* allocate(size_t count) { return static_cast<T*>(AllocateLargeArray(count * sizeof(T))); }
    void deallocate(T* memory, size_t count) { FreeLargeArray(memory, count * sizeof(T)); }

    friend bool operator==(const LargeArrayAllocator&, const LargeArrayAllocator&) { return true; }
};

template <typename T>
using LargeArray = std::vector<T, LargeArrayAllocator<T>>;

}  // namespace lorvex
