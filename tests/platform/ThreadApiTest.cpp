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

std::atomic<bool> g_release{false};

DWORD WINAPI WaitForRelease(LPVOID)
{
    while (!g_release)
        std::this_thread::yield();
    return 0;
}

// A thread's handle tells when its routine has ended, and stays usable until closed.
TEST(ThreadApiTest, WaitForSingleObjectWaitsForTheThreadsEnd)
{
    g_release = false;
    HANDLE thread = CreateThread(nullptr, 0, WaitForRelease, nullptr, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_TIMEOUT);
    EXPECT_EQ(WaitForSingleObject(thread, 20), WAIT_TIMEOUT);
    g_release = true;
    EXPECT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_OBJECT_0); // ended stays ended
    EXPECT_TRUE(CloseHandle(thread));
}

} // namespace
