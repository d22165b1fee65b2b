#pragma once

#include <cstddef>

// Big arrays of list rows in 2 MB pages where the system grants them, ordinary memory otherwise. A result list of
// 100 000 rows spans some 26 MB; reaching its rows out of order (sorting places every row somewhere else) through
// 4 KB pages costs a page-table walk per row once the pages outnumber what the processor's address cache holds,
// so the time per row would grow with the list. Small arrays keep the ordinary allocator.
void *AllocateLarge(std::size_t bytes);
void FreeLarge(void *memory, std::size_t bytes);

template <typename T> struct LargePageAllocator {
    using value_type = T;

    LargePageAllocator() = default;
    template <typename U> LargePageAllocator(const LargePageAllocator<U> &) noexcept {}

    T *allocate(std::size_t count) { return static_cast<T *>(AllocateLarge(count * sizeof(T))); }
    void deallocate(T *memory, std::size_t count) noexcept { FreeLarge(memory, count * sizeof(T)); }

    template <typename U> bool operator==(const LargePageAllocator<U> &) const noexcept { return true; }
};
