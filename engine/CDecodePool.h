#pragma once

// The job's decoding threads: a fixed set of threads that run posted tasks in the order
// posted, created once per job and joined when the pool is destroyed.

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "base/Types.h"

class CDecodePool
{
public:
    // Starts up to nThreads threads; fewer when the system refuses more (Size tells).
    explicit CDecodePool(UINT nThreads);
    // Runs what is still queued, then joins every thread.
    ~CDecodePool();

    CDecodePool(const CDecodePool&) = delete;
    CDecodePool& operator=(const CDecodePool&) = delete;

    UINT Size() const { return static_cast<UINT>(m_threads.size()); }

    // Queues a task for the next free thread. A task must not throw. May throw
    // std::bad_alloc, with nothing queued.
    void Post(std::function<void()> task);

    // Runs the oldest queued task on the calling thread, if there is one: a thread that
    // would otherwise wait for the pool helps it instead. False when none was queued.
    bool RunQueuedTask();

private:
    void Work();

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::function<void()>> m_tasks;
    bool m_bQuit = false;
    std::vector<std::thread> m_threads;
};

// The number of threads the system runs at once (at least 1): the default pool size.
UINT CountProcessors();
