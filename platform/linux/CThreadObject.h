#pragma once

// A thread of CreateThread. Its handle only lets go of it: closing the handle neither
// waits for the thread nor ends it, as on Windows.

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
        m_thread = std::thread(startAddress, parameter);
    }

private:
    std::thread m_thread;
};
