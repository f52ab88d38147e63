#include "platform/linux/LinuxErrors.h"

#include <cerrno>

#include <sys/stat.h>

#include "platform/linux/LinuxPath.h"

DWORD Win32ErrorFromErrno(int error)
{
    switch (error)
    {
    case 0: return ERROR_SUCCESS;
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND; // a path that runs through a file
    case EACCES:
    case EPERM:
    case EISDIR: // a folder opened as a file
    case ENXIO:  // a pipe or device without its other end
        return ERROR_ACCESS_DENIED;
    case EROFS: return ERROR_WRITE_PROTECT;
    case EEXIST: return ERROR_FILE_EXISTS;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return ERROR_DISK_FULL;
    case EINVAL: return ERROR_INVALID_PARAMETER;
    case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
    case EMFILE:
    case ENFILE:
        return ERROR_TOO_MANY_OPEN_FILES;
    case ENOTEMPTY: return ERROR_DIR_NOT_EMPTY;
    case EBADF: return ERROR_INVALID_HANDLE;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    case EXDEV: return ERROR_NOT_SAME_DEVICE;
    case EBUSY:
    case ETXTBSY:
        return ERROR_SHARING_VIOLATION;
    case EFAULT: return ERROR_NOACCESS;
    case ELOOP: return ERROR_CANT_RESOLVE_FILENAME;
    case EIO: return ERROR_IO_DEVICE;
    case EPIPE: return ERROR_NO_DATA; // a pipe whose reader has gone
    default: return ERROR_INVALID_FUNCTION;
    }
}

DWORD MissingPathError(const std::string& linuxPath)
{
    struct stat info;
    std::string parent = ParentFolderOf(linuxPath);
    if (stat(parent.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
        return ERROR_FILE_NOT_FOUND;
    return ERROR_PATH_NOT_FOUND;
}

DWORD Win32ErrorForPath(int error, const std::string& linuxPath)
{
    return error == ENOENT ? MissingPathError(linuxPath) : Win32ErrorFromErrno(error);
}

DWORD FolderSyntaxError(const std::string& linuxPath)
{
    std::size_t end = linuxPath.find_last_not_of('/');
    std::string name = end == std::string::npos ? "/" : linuxPath.substr(0, end + 1);
    struct stat info;
    if (stat(name.c_str(), &info) == 0)
        return S_ISDIR(info.st_mode) ? ERROR_SUCCESS : ERROR_INVALID_NAME;
    return MissingPathError(name) == ERROR_FILE_NOT_FOUND ? ERROR_INVALID_NAME : ERROR_PATH_NOT_FOUND;
}

BOOL FailWith(DWORD error)
{
    SetLastError(error);
    return FALSE;
}
