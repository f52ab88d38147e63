#pragma once

// An open file: its descriptor, the access it was opened for, and the byte ranges
// this handle has locked.
//
// Byte-range locks are open-file-description locks of fcntl: they conflict between
// handles, also within one process, and are dropped when the handle closes, as on
// Windows. Unlike Windows they are advisory (reads and writes of other handles are not
// refused), and a handle opened for reading only takes a shared lock, which does not
// exclude another reader's lock.

#include <mutex>
#include <vector>

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

    // Both return 0 or a Win32 error: ERROR_LOCK_VIOLATION for a range another lock
    // overlaps, ERROR_NOT_LOCKED for an unlock that matches no lock of this handle.
    DWORD Lock(UINT64 offset, UINT64 length);
    DWORD Unlock(UINT64 offset, UINT64 length);

private:
    struct LockedRange
    {
        UINT64 offset;
        UINT64 length;
    };

    int m_fd;
    bool m_bCanRead;
    bool m_bCanWrite;
    std::mutex m_mutex;
    std::vector<LockedRange> m_locks;
};
