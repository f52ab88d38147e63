#include "platform/linux/CFileObject.h"

#include <cerrno>

#include <unistd.h>

#include "platform/linux/LinuxErrors.h"

CFileObject::CFileObject(int fd, bool bCanRead, bool bCanWrite)
    : m_fd(fd), m_bCanRead(bCanRead), m_bCanWrite(bCanWrite)
{
}

CFileObject::~CFileObject() { Close(); }

DWORD CFileObject::Close()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_fd < 0)
        return ERROR_INVALID_HANDLE;
    int fd = m_fd;
    m_fd = -1;
    // The descriptor is gone even when close reports an error; it is not retried.
    return ::close(fd) == 0 ? ERROR_SUCCESS : Win32ErrorFromErrno(errno);
}
