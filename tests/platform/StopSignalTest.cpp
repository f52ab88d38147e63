#include <gtest/gtest.h>

#ifndef _WIN32
#include <atomic>
#include <chrono>
#include <csignal>
#include <pthread.h>
#include <thread>

#include "platform/StopSignal.h"

namespace
{

// Any thread of the process may take the signal; the thread that watches for a stop
// must see the request all the same (ThreadSanitizer checks how it is carried).
TEST(StopSignalTest, ARequestTakenByAnotherThreadReachesTheWatcher)
{
    InstallStopSignal();
    ASSERT_FALSE(IsStopRequested());
    std::atomic<bool> bSeen{false};
    // The other thread stays alive until the request is seen, so nothing but the
    // request itself can order the two threads.
    std::thread other([&bSeen] {
        pthread_kill(pthread_self(), SIGTERM);
        while (!bSeen)
            std::this_thread::yield();
    });
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!IsStopRequested() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::yield();
    EXPECT_TRUE(IsStopRequested());
    bSeen = true;
    other.join();
}

} // namespace
#endif
