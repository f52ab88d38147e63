// The allocation functions of the engine tests: counted per thread, and failing on demand
// (FailNthAllocation, EngineTestSupport.h). Plain new and delete go through malloc and
// free together; a sanitizer's own forms keep the arrays and nothrow allocations (which
// the C++ library otherwise passes on to plain new).

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
