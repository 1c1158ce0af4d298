#pragma once

#include <cstddef>

/** Counts heap allocations and frees made by the current thread while a scope is active.
    Works by replacing malloc and its relatives in the test program that links
    AllocationCounter.cpp, so it sees the framework's allocations as well as ours.
*/
class AllocationCounter final
{
public:
    AllocationCounter() noexcept;
    ~AllocationCounter() noexcept;

    AllocationCounter (const AllocationCounter&) = delete;
    AllocationCounter& operator= (const AllocationCounter&) = delete;

    static std::size_t allocations() noexcept;
    static std::size_t frees() noexcept;
    static void reset() noexcept;
};
