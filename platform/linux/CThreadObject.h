#pragma once

// A thread of CreateThread. Its handle only lets go of it: closing the handle neither
// waits for the thread nor ends it, as on Windows. WaitForSingleObject on the handle
// waits for the thread's routine to have returned.

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/linux/CKernelObject.h"
#include "platform/linux/Kernel32Linux.h"

class CThreadObject : public CKernelObject
{
public:
    ~CThreadObject() override
    {
        if (m_thread.joinable())
            m_thread.detach();
    }

    // Starts startAddress(parameter); throws std::system_error when no thread can be had.
    void Start(LPTHREAD_START_ROUTINE startAddress, LPVOID parameter)
    {
        // The end is shared with the thread, which may outlive this object.
        std::shared_ptr<End> end = m_end;
        m_thread = std::thread([end, startAddress, parameter] {
            startAddress(parameter);
            std::lock_guard<std::mutex> lock(end->mutex);
            end->bEnded = true;
            end->ended.notify_all();
        });
    }

    // Whether the routine has returned, waiting up to `ms` milliseconds (INFINITE: no limit).
    bool WaitForEnd(DWORD ms)
    {
        std::unique_lock<std::mutex> lock(m_end->mutex);
        auto ended = [this] { return m_end->bEnded; };
        if (ms == INFINITE)
        {
            m_end->ended.wait(lock, ended);
            return true;
        }
        return m_end->ended.wait_for(lock, std::chrono::milliseconds(ms), ended);
    }

private:
    struct End
    {
        std::mutex mutex;
        std::condition_variable ended;
        bool bEnded = false;
    };
    std::shared_ptr<End> m_end = std::make_shared<End>();
    std::thread m_thread;
};
