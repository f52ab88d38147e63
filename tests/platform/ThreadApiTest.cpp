#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/Kernel32.h"

namespace
{

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
