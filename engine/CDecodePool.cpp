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
        m_tasks.push_back(std::move(task));
    }
    m_wake.notify_one();
}

bool CDecodePool::RunQueuedTask()
{
    std::function<void()> task;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_tasks.empty())
            return false;
        task = std::move(m_tasks.front());
        m_tasks.pop_front();
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
            m_wake.wait(lock, [this] { return m_bQuit || !m_tasks.empty(); });
            if (m_tasks.empty())
                return;
            task = std::move(m_tasks.front());
            m_tasks.pop_front();
        }
        task();
    }
}

UINT CountProcessors()
{
    const unsigned n = std::thread::hardware_concurrency();
    return n != 0 ? n : 1;
}
