#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/Kernel32.h"

namespace
{

TEST(ThreadApiTest, InterlockedOperationsReturnThePreviousValueAndLoseNothingAcrossThreads)
{
    volatile LONG value = 5;
    EXPECT_EQ(InterlockedExchange(&value, 7), 5);
    EXPECT_EQ(InterlockedCompareExchange(&value, 9, 6), 7) << "no match: unchanged";
    EXPECT_EQ(value, 7);
    EXPECT_EQ(InterlockedCompareExchange(&value, 9, 7), 7) << "match: exchanged";
    EXPECT_EQ(value, 9);

    volatile LONG counter = 0;
    const int perThread = 100000;
    std::vector<std::thread> threads;
    for (int i = 0; i < 4; ++i)
        threads.emplace_back([&] {
            for (int n = 0; n < perThread; ++n)
            {
                LONG seen;
                do
                    seen = InterlockedCompareExchange(&counter, 0, 0); // an atomic read
                while (InterlockedCompareExchange(&counter, seen + 1, seen) != seen);
            }
        });
    for (std::thread& t : threads)
        t.join();
    EXPECT_EQ(counter, 4 * perThread);
}

TEST(ThreadApiTest, LastErrorBelongsToEachThread)
{
    // Each thread sets its own error, waits on plain atomics (which leave the last error
    // alone) until every thread has set one, and reads its own back.
    const DWORD errors[] = {ERROR_ACCESS_DENIED, ERROR_DISK_FULL, ERROR_NO_MORE_FILES};
    std::atomic<int> nSet{0};
    DWORD seen[3] = {};
    std::vector<std::thread> threads;
    for (int i = 0; i < 3; ++i)
        threads.emplace_back([&, i] {
            SetLastError(errors[i]);
            for (++nSet; nSet.load() < 3;)
            {
            }
            seen[i] = GetLastError();
        });
    for (std::thread& t : threads)
        t.join();
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(seen[i], errors[i]) << i;
}

} // namespace
