#pragma once

// An open file: its descriptor and the access it was opened for.

#include <mutex>

#include "platform/linux/CKernelObject.h"
#include "platform/linux/Kernel32Linux.h"

class CFileObject : public CKernelObject
{
public:
    CFileObject(int fd, bool bCanRead, bool bCanWrite);
    ~CFileObject() override;

    int Fd() const { return m_fd; }
    bool CanRead() const { return m_bCanRead; }
    bool CanWrite() const { return m_bCanWrite; }

    // Closes the descriptor; returns 0 or a Win32 error.
    DWORD Close();

private:
    int m_fd;
    bool m_bCanRead;
    bool m_bCanWrite;
    std::mutex m_mutex;
};
