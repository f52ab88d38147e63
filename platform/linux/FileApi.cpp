// Files: open, read, write, flush, position, size, close (of a thread's handle too).
//
// Share modes are accepted and ignored: Linux does not refuse a second open of a file
// that another handle holds without sharing. Overlapped (asynchronous) I/O is not
// offered. Only regular files open: folders give ERROR_ACCESS_DENIED as on Windows, and
// so do pipes and devices, which could otherwise block a reader forever.

#include <algorithm>
#include <cerrno>
#include <memory>
#include <new>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/linux/CFileObject.h"
#include "platform/linux/CHandleTable.h"
#include "platform/linux/CThreadObject.h"
#include "platform/linux/LinuxErrors.h"
#include "platform/linux/LinuxFileInfo.h"
#include "platform/linux/LinuxPath.h"

namespace
{

// The largest piece handed to one read or write call.
constexpr DWORD MAX_IO_PIECE = 1u << 30;

HANDLE FailOpen(DWORD error)
{
    SetLastError(error);
    return INVALID_HANDLE_VALUE;
}

// The failure value of SetFilePointer and GetFileSize (0xFFFFFFFF), with its last error.
DWORD FailWithInvalidValue(DWORD error)
{
    SetLastError(error);
    return INVALID_SET_FILE_POINTER;
}

std::shared_ptr<CFileObject> FindFile(HANDLE file) { return CHandleTable::Instance().Find<CFileObject>(file); }

// Windows refuses write access to a file with the read-only attribute, whoever asks;
// Linux lets its superuser write any file.
bool IsReadOnlyForWriting(const std::string& path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && IsReadOnlyFile(info);
}

INT64 Combine(DWORD high, DWORD low)
{
    return static_cast<INT64>((static_cast<UINT64>(high) << 32) | low);
}

// Opens `path` for the disposition; sets bExisted when an existing file was opened by a
// disposition that may also create. Returns the descriptor or -1 with errno set.
int OpenForDisposition(const std::string& path, int flags, mode_t mode, DWORD disposition, bool& bExisted)
{
    bExisted = false;
    switch (disposition)
    {
    case CREATE_NEW:
        return open(path.c_str(), flags | O_CREAT | O_EXCL, mode);
    case OPEN_EXISTING:
        return open(path.c_str(), flags);
    case TRUNCATE_EXISTING:
        return open(path.c_str(), flags | O_TRUNC);
    case CREATE_ALWAYS:
    case OPEN_ALWAYS:
        // Try to create first, so that "it existed" is known without a race; a file
        // deleted between the two opens is simply created on the next round.
        for (int attempt = 0; attempt < 8; ++attempt)
        {
            int fd = open(path.c_str(), flags | O_CREAT | O_EXCL, mode);
            if (fd >= 0 || errno != EEXIST)
                return fd;
            fd = open(path.c_str(), flags | (disposition == CREATE_ALWAYS ? O_TRUNC : 0));
            if (fd >= 0 || errno != ENOENT)
            {
                bExisted = true;
                return fd;
            }
        }
        errno = EBUSY;
        return -1;
    default:
        errno = EINVAL;
        return -1;
    }
}

} // namespace

static HANDLE CreateFileAThrowing(LPCSTR fileName, DWORD desiredAccess, DWORD /*shareMode*/,
                                  LPSECURITY_ATTRIBUTES /*securityAttributes*/, DWORD creationDisposition,
                                  DWORD flagsAndAttributes, HANDLE /*templateFile*/)
{
    if (fileName == nullptr)
        return FailOpen(ERROR_INVALID_PARAMETER);
    if (*fileName == '\0')
        return FailOpen(ERROR_PATH_NOT_FOUND);
    bool bRead = (desiredAccess & GENERIC_READ) != 0;
    bool bWrite = (desiredAccess & GENERIC_WRITE) != 0;
    if (creationDisposition == TRUNCATE_EXISTING && !bWrite)
        return FailOpen(ERROR_INVALID_PARAMETER);

    std::string path = ToLinuxPath(fileName);
    if (path.back() == '/')
    {
        // A name written as a folder: a folder is refused like any folder, anything
        // else is not a valid file name.
        DWORD error = FolderSyntaxError(path);
        return FailOpen(error == ERROR_SUCCESS ? ERROR_ACCESS_DENIED : error);
    }
    bool bTruncates = creationDisposition == CREATE_ALWAYS || creationDisposition == TRUNCATE_EXISTING;
    if ((bWrite || bTruncates) && creationDisposition != CREATE_NEW && IsReadOnlyForWriting(path))
        return FailOpen(ERROR_ACCESS_DENIED);

    // O_NONBLOCK keeps the open of a pipe from waiting for its writer; it does nothing
    // to a regular file, and anything else is refused below.
    int flags = (bWrite ? (bRead ? O_RDWR : O_WRONLY) : O_RDONLY) | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
    mode_t mode = (flagsAndAttributes & FILE_ATTRIBUTE_READONLY) != 0 ? 0444 : 0666;
    bool bExisted = false;
    int fd = OpenForDisposition(path, flags, mode, creationDisposition, bExisted);
    if (fd < 0)
        return FailOpen(Win32ErrorForPath(errno, path));

    struct stat info;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))
    {
        close(fd);
        return FailOpen(ERROR_ACCESS_DENIED);
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);

    // Without memory for the handle the call fails as a whole: no descriptor stays open
    // and no file it created stays behind.
    HANDLE handle = nullptr;
    try
    {
        std::shared_ptr<CFileObject> object = std::make_shared<CFileObject>(fd, bRead, bWrite);
        fd = -1; // the object closes it from here on
        handle = CHandleTable::Instance().Insert(std::move(object));
    }
    catch (const std::bad_alloc&)
    {
        if (fd >= 0)
            close(fd);
        const bool bMayCreate = creationDisposition == CREATE_NEW || creationDisposition == CREATE_ALWAYS ||
                                creationDisposition == OPEN_ALWAYS;
        if (bMayCreate && !bExisted)
            unlink(path.c_str());
        return FailOpen(ERROR_NOT_ENOUGH_MEMORY);
    }
    SetLastError(bExisted ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return handle;
}

BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead, LPOVERLAPPED overlapped)
{
    if (bytesRead != nullptr)
        *bytesRead = 0;
    std::shared_ptr<CFileObject> object = FindFile(file);
    if (!object)
        return FailWith(ERROR_INVALID_HANDLE);
    if (overlapped != nullptr)
        return FailWith(ERROR_INVALID_PARAMETER);
    if (!object->CanRead())
        return FailWith(ERROR_ACCESS_DENIED);

    DWORD done = 0;
    while (done < bytesToRead)
    {
        ssize_t got = read(object->Fd(), static_cast<char*>(buffer) + done, std::min(bytesToRead - done, MAX_IO_PIECE));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
        {
            // What came before the failure is counted, but the read still fails: the
            // caller must not take a damaged file for a short one.
            if (bytesRead != nullptr)
                *bytesRead = done;
            return FailWith(Win32ErrorFromErrno(errno));
        }
        if (got == 0)
            break;
        done += static_cast<DWORD>(got);
    }
    if (bytesRead != nullptr)
        *bytesRead = done;
    return TRUE;
}

BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD bytesToWrite, LPDWORD bytesWritten, LPOVERLAPPED overlapped)
{
    if (bytesWritten != nullptr)
        *bytesWritten = 0;
    std::shared_ptr<CFileObject> object = FindFile(file);
    if (!object)
        return FailWith(ERROR_INVALID_HANDLE);
    if (overlapped != nullptr)
        return FailWith(ERROR_INVALID_PARAMETER);
    if (!object->CanWrite())
        return FailWith(ERROR_ACCESS_DENIED);

    DWORD done = 0;
    while (done < bytesToWrite)
    {
        ssize_t put = write(object->Fd(), static_cast<const char*>(buffer) + done, std::min(bytesToWrite - done, MAX_IO_PIECE));
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
        {
            if (bytesWritten != nullptr)
                *bytesWritten = done;
            return FailWith(put < 0 ? Win32ErrorFromErrno(errno) : ERROR_DISK_FULL);
        }
        done += static_cast<DWORD>(put);
    }
    if (bytesWritten != nullptr)
        *bytesWritten = done;
    return TRUE;
}

BOOL FlushFileBuffers(HANDLE file)
{
    std::shared_ptr<CFileObject> object = FindFile(file);
    if (!object)
        return FailWith(ERROR_INVALID_HANDLE);
    // Windows flushes only through a handle that may write.
    if (!object->CanWrite())
        return FailWith(ERROR_ACCESS_DENIED);
    while (fsync(object->Fd()) != 0)
        if (errno != EINTR)
            return FailWith(Win32ErrorFromErrno(errno));
    return TRUE;
}

DWORD SetFilePointer(HANDLE file, LONG distanceToMove, PLONG distanceToMoveHigh, DWORD moveMethod)
{
    std::shared_ptr<CFileObject> object = FindFile(file);
    if (!object)
        return FailWithInvalidValue(ERROR_INVALID_HANDLE);

    // Without a high half the distance is the sign-extended low half.
    INT64 distance = distanceToMoveHigh != nullptr
                         ? Combine(static_cast<DWORD>(*distanceToMoveHigh), static_cast<DWORD>(distanceToMove))
                         : static_cast<INT64>(distanceToMove);
    INT64 base = 0;
    struct stat info;
    switch (moveMethod)
    {
    case FILE_BEGIN:
        break;
    case FILE_CURRENT:
        base = lseek(object->Fd(), 0, SEEK_CUR);
        break;
    case FILE_END:
        base = fstat(object->Fd(), &info) == 0 ? info.st_size : -1;
        break;
    default:
        return FailWithInvalidValue(ERROR_INVALID_PARAMETER);
    }
    if (base < 0)
        return FailWithInvalidValue(Win32ErrorFromErrno(errno));

    INT64 position = 0;
    if (__builtin_add_overflow(base, distance, &position))
        return FailWithInvalidValue(ERROR_INVALID_PARAMETER);
    if (position < 0)
        return FailWithInvalidValue(ERROR_NEGATIVE_SEEK);
    if (lseek(object->Fd(), position, SEEK_SET) < 0)
        return FailWithInvalidValue(Win32ErrorFromErrno(errno));

    DWORD low = static_cast<DWORD>(static_cast<UINT64>(position) & 0xFFFFFFFFu);
    if (distanceToMoveHigh != nullptr)
        *distanceToMoveHigh = static_cast<LONG>(static_cast<UINT64>(position) >> 32);
    // A position whose low half looks like the failure value succeeds with last error 0.
    if (low == INVALID_SET_FILE_POINTER)
        SetLastError(ERROR_SUCCESS);
    return low;
}

DWORD GetFileSize(HANDLE file, LPDWORD fileSizeHigh)
{
    std::shared_ptr<CFileObject> object = FindFile(file);
    if (!object)
        return FailWithInvalidValue(ERROR_INVALID_HANDLE);
    struct stat info;
    if (fstat(object->Fd(), &info) != 0)
        return FailWithInvalidValue(Win32ErrorFromErrno(errno));

    UINT64 size = static_cast<UINT64>(info.st_size);
    DWORD low = static_cast<DWORD>(size & 0xFFFFFFFFu);
    if (fileSizeHigh != nullptr)
        *fileSizeHigh = static_cast<DWORD>(size >> 32);
    if (low == INVALID_FILE_SIZE)
        SetLastError(ERROR_SUCCESS);
    return low;
}

BOOL CloseHandle(HANDLE object)
{
    CHandleTable& table = CHandleTable::Instance();
    if (std::shared_ptr<CFileObject> file = table.Remove<CFileObject>(object))
    {
        DWORD error = file->Close();
        return error == ERROR_SUCCESS ? TRUE : FailWith(error);
    }
    // A thread runs on without its handle; a search is closed by FindClose only.
    return table.Remove<CThreadObject>(object) ? TRUE : FailWith(ERROR_INVALID_HANDLE);
}

// The functions above, which must not throw.

HANDLE CreateFileA(LPCSTR fileName, DWORD desiredAccess, DWORD shareMode, LPSECURITY_ATTRIBUTES securityAttributes,
                   DWORD creationDisposition, DWORD flagsAndAttributes, HANDLE templateFile)
{
    return FailingOnBadAlloc<HANDLE>(INVALID_HANDLE_VALUE, [&] {
        return CreateFileAThrowing(fileName, desiredAccess, shareMode, securityAttributes, creationDisposition,
                                   flagsAndAttributes, templateFile);
    });
}
