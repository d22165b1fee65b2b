#include "core/util/LargePageAllocator.h"

#include <cstdlib>
#include <new>
#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace {
constexpr std::size_t kLargePage = std::size_t(2) << 20;

bool large(std::size_t bytes)
{
    return bytes >= kLargePage;
}

std::size_t roundedUp(std::size_t bytes)
{
    return (bytes + kLargePage - 1) / kLargePage * kLargePage;
}
} // namespace

void *AllocateLarge(std::size_t bytes)
{
    if (!large(bytes))
        return ::operator new(bytes);
    void *memory = std::aligned_alloc(kLargePage, roundedUp(bytes));
    if (!memory)
        throw std::bad_alloc();
#if defined(__linux__)
    // Only a request: where the system has large pages off, the memory works as it is.
    madvise(memory, roundedUp(bytes), MADV_HUGEPAGE);
#endif
    return memory;
}

void FreeLarge(void *memory, std::size_t bytes)
{
    if (!large(bytes))
        ::operator delete(memory, bytes);
    else
        std::free(memory);
}
