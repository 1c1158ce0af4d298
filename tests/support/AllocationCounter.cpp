#include "AllocationCounter.h"

#include <cstdlib>

// glibc's own entry points, which the replacements below forward to.
extern "C"
{
    void* __libc_malloc (std::size_t);
    void* __libc_calloc (std::size_t, std::size_t);
    void* __libc_realloc (void*, std::size_t);
    void* __libc_memalign (std::size_t, std::size_t);
    void __libc_free (void*);
}

namespace
{
    thread_local int countingDepth = 0;
    thread_local std::size_t allocationCount = 0;
    thread_local std::size_t freeCount = 0;

    inline void noteAllocation() noexcept
    {
        if (countingDepth > 0)
            ++allocationCount;
    }
    inline void noteFree() noexcept
    {
        if (countingDepth > 0)
            ++freeCount;
    }
}

AllocationCounter::AllocationCounter() noexcept
{
    ++countingDepth;
}
AllocationCounter::~AllocationCounter() noexcept
{
    --countingDepth;
}

std::size_t AllocationCounter::allocations() noexcept
{
    return allocationCount;
}
std::size_t AllocationCounter::frees() noexcept
{
    return freeCount;
}
void AllocationCounter::reset() noexcept
{
    allocationCount = 0;
    freeCount = 0;
}

extern "C"
{
    void* malloc (std::size_t size)
    {
        noteAllocation();
        return __libc_malloc (size);
    }

    void* calloc (std::size_t count, std::size_t size)
    {
        noteAllocation();
        return __libc_calloc (count, size);
    }

    void* realloc (void* block, std::size_t size)
    {
        noteAllocation();
        return __libc_realloc (block, size);
    }

    void* memalign (std::size_t alignment, std::size_t size)
    {
        noteAllocation();
        return __libc_memalign (alignment, size);
    }

    void* aligned_alloc (std::size_t alignment, std::size_t size)
    {
        noteAllocation();
        return __libc_memalign (alignment, size);
    }

    int posix_memalign (void** result, std::size_t alignment, std::size_t size)
    {
        noteAllocation();
        *result = __libc_memalign (alignment, size);
        return *result != nullptr ? 0 : 12 /* ENOMEM */;
    }

    void free (void* block)
    {
        if (block != nullptr)
            noteFree();

        __libc_free (block);
    }
}
