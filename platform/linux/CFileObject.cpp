#include "platform/linux/CFileObject.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>

#include <fcntl.h>
#include <unistd.h>

#include "platform/linux/LinuxErrors.h"

namespace
{

// An empty range overlaps nothing.
bool Overlaps(UINT64 offsetA, UINT64 lengthA, UINT64 offsetB, UINT64 lengthB)
{
    if (lengthA == 0 || lengthB == 0)
        return false;
    UINT64 lastA = offsetA + std::min(lengthA - 1, UINT64_MAX - offsetA);
    UINT64 lastB = offsetB + std::min(lengthB - 1, UINT64_MAX - offsetB);
    return offsetA <= lastB && offsetB <= lastA;
}

// The fcntl description of a range; one that reaches past what off_t can express
// extends to the end of all offsets (l_len 0).
struct flock RangeLock(short type, UINT64 offset, UINT64 length)
{
    struct flock range = {};
    range.l_type = type;
    range.l_whence = SEEK_SET;
    const UINT64 maxOffset = static_cast<UINT64>(INT64_MAX);
    range.l_start = static_cast<off_t>(std::min(offset, maxOffset));
    range.l_len = (offset > maxOffset || length > maxOffset - offset) ? 0 : static_cast<off_t>(length);
    return range;
}

} // namespace

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

DWORD CFileObject::Lock(UINT64 offset, UINT64 length)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    for (const LockedRange& held : m_locks)
        if (Overlaps(held.offset, held.length, offset, length))
            return ERROR_LOCK_VIOLATION;
    if (length != 0)
    {
        struct flock range = RangeLock(m_bCanWrite ? F_WRLCK : F_RDLCK, offset, length);
        if (fcntl(m_fd, F_OFD_SETLK, &range) != 0)
            return (errno == EAGAIN || errno == EACCES) ? ERROR_LOCK_VIOLATION : Win32ErrorFromErrno(errno);
    }
    m_locks.push_back({offset, length});
    return ERROR_SUCCESS;
}

DWORD CFileObject::Unlock(UINT64 offset, UINT64 length)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = std::find_if(m_locks.begin(), m_locks.end(), [&](const LockedRange& held)
                           { return held.offset == offset && held.length == length; });
    if (it == m_locks.end())
        return ERROR_NOT_LOCKED;
    if (length != 0)
    {
        struct flock range = RangeLock(F_UNLCK, offset, length);
        if (fcntl(m_fd, F_OFD_SETLK, &range) != 0)
            return Win32ErrorFromErrno(errno);
    }
    m_locks.erase(it);
    return ERROR_SUCCESS;
}
