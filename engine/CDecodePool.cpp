#include "engine/CDecodePool.h"

#include <system_error>

CDecodePool::CDecodePool(UINT nThreads)
{
    try
    {
        m_threads.reserve(nThreads);
        for (UINT i = 0; i < nThreads; ++i)
            m_threads.emplace_back([this] { Work(); });
    }
    catch (const std::exception&)
    {
        // Keep the threads that started: a smaller pool still decodes.
    }
}

CDecodePool::~CDecodePool()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bQuit = true;
    }
    m_wake.notify_all();
    for (std::thread& thread : m_threads)
        thread.join();
}

void CDecodePool::Post(std::function<void()> task)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_batches.push_back(std::move(task));
    }
    m_wake.notify_one();
}

void CDecodePool::PostFile(std::function<void()> task)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_files.push_back(std::move(task));
    }
    m_wake.notify_one();
}

std::function<void()> CDecodePool::TakeTask(bool bFiles)
{
    std::deque<std::function<void()>>& queue = !m_batches.empty() || !bFiles ? m_batches : m_files;
    std::function<void()> task = std::move(queue.front());
    queue.pop_front();
    return task;
}

bool CDecodePool::RunQueued(bool bFiles)
{
    std::function<void()> task;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_batches.empty() && (!bFiles || m_files.empty()))
            return false;
        task = TakeTask(bFiles);
    }
    task();
    return true;
}

void CDecodePool::Work()
{
    for (;;)
    {
        std::function<void()> task;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_wake.wait(lock, [this] { return m_bQuit || !m_batches.empty() || !m_files.empty(); });
            if (m_batches.empty() && m_files.empty())
                return;
            task = TakeTask(true);
        }
        task();
    }
}

UINT CountProcessors()
{
    const unsigned n = std::thread::hardware_concurrency();
    return n != 0 ? n : 1;
}
