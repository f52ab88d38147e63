// The allocation functions of the engine tests: counted per thread, and failing on demand
// (FailNthAllocation, EngineTestSupport.h). Every form of new and delete is replaced, the
// array and nothrow ones included (a sanitizer would otherwise keep its own), and all go
// through malloc and free.

#include <cstdlib>
#include <new>

#include "tests/engine/EngineTestSupport.h"

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

void* operator new(std::size_t size)
{
    void* p = ++t_nCount == t_nFailAt ? nullptr : std::malloc(size != 0 ? size : 1);
    if (p == nullptr)
        throw std::bad_alloc();
    return p;
}

void operator delete(void* p) noexcept
{
    std::free(p);
}

void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}

void* operator new[](std::size_t size)
{
    return operator new(size);
}

void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    try
    {
        return operator new(size);
    }
    catch (const std::bad_alloc&)
    {
        return nullptr;
    }
}

void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept
{
    return operator new(size, tag);
}

void operator delete[](void* p) noexcept
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
