#pragma once

// The job's decoding threads: a fixed set of threads that run posted tasks, created once
// per job and joined when the pool is destroyed. Tasks come in two ranks, each run in
// the order posted: the batches of the file being copied (Post) before whole files
// (PostFile), so that a large file never waits behind small ones, and a thread waiting
// for its batches helps with batches only.

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

    // Queue a task for the next free thread: a batch, or a whole file. A task must not
    // throw. May throw std::bad_alloc, with nothing queued.
    void Post(std::function<void()> task);
    void PostFile(std::function<void()> task);

    // Runs the oldest queued batch (RunQueuedTask) or, with none, file (RunAnyQueuedTask)
    // on the calling thread, if there is one: a thread that would otherwise wait for the
    // pool helps it instead. False when none was queued.
    bool RunQueuedTask() { return RunQueued(false); }
    bool RunAnyQueuedTask() { return RunQueued(true); }

private:
    void Work();
    bool RunQueued(bool bFiles);
    // The next task to run, batches first; call with m_mutex held and a task queued.
    std::function<void()> TakeTask(bool bFiles);

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::function<void()>> m_batches;
    std::deque<std::function<void()>> m_files;
    bool m_bQuit = false;
    std::vector<std::thread> m_threads;
};

// The number of threads the system runs at once (at least 1): the default pool size.
UINT CountProcessors();
