#include "tests/engine/AllocationFailure.h"

#include <cstdlib>
#include <new>

namespace
{
thread_local long t_nCount = 0;
thread_local long t_nFailAt = 0;
} // namespace

long FailNthAllocation(long n)
{
    const long count = t_nCount;
    t_nCount = 0;
    t_nFailAt = n;
    return count;
}

// Every form goes through malloc and free, so that no runtime (a sanitizer's included)
// sees memory of one allocator handed back to another.
void* operator new(std::size_t size)
{
    void* p = ++t_nCount == t_nFailAt ? nullptr : std::malloc(size != 0 ? size : 1);
    if (p == nullptr)
        throw std::bad_alloc();
    return p;
}
void* operator new[](std::size_t size)
{
    return ::operator new(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    try
    {
        return ::operator new(size);
    }
    catch (const std::bad_alloc&)
    {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept
{
    return ::operator new(size, tag);
}
void operator delete(void* p) noexcept
{
    std::free(p);
}
void operator delete[](void* p) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept
{
    std::free(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept
{
    std::free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept
{
    std::free(p);
}
