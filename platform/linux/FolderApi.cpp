// Names in the file system: attributes, deleting and moving files, making folders.

#include <cerrno>
#include <cstdio>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/linux/LinuxErrors.h"
#include "platform/linux/LinuxFileInfo.h"
#include "platform/linux/LinuxPath.h"

namespace
{

// The Linux form of a path argument, or a Win32 error for a null or empty one.
DWORD CheckedPath(LPCSTR path, std::string& linuxPath)
{
    if (path == nullptr)
        return ERROR_INVALID_PARAMETER;
    if (*path == '\0')
        return ERROR_PATH_NOT_FOUND;
    linuxPath = ToLinuxPath(path);
    return ERROR_SUCCESS;
}

// The end of a move that succeeded: with MOVEFILE_WRITE_THROUGH the new name is made
// durable too, by syncing the folder that holds it. A failure there is reported,
// although the file has moved: the caller asked for a move on disk and did not get one.
// `targetFolder` is the folder of the new name, made before the move so that nothing can
// fail between the move and its sync but the sync.
BOOL FinishMove(const std::string& targetFolder, DWORD flags)
{
    if ((flags & MOVEFILE_WRITE_THROUGH) == 0)
        return TRUE;
    const int folder = open(targetFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0)
        return FailWith(Win32ErrorFromErrno(errno));
    const bool bSynced = fsync(folder) == 0;
    const int error = errno;
    close(folder);
    return bSynced ? TRUE : FailWith(Win32ErrorFromErrno(error));
}

} // namespace

static DWORD GetFileAttributesAThrowing(LPCSTR fileName)
{
    std::string path;
    DWORD error = CheckedPath(fileName, path);
    if (error != ERROR_SUCCESS)
    {
        SetLastError(error);
        return INVALID_FILE_ATTRIBUTES;
    }
    // lstat, so that a symbolic link reports itself (a reparse point) and not its target.
    struct stat info;
    if (lstat(path.c_str(), &info) != 0)
    {
        SetLastError(Win32ErrorForPath(errno, path));
        return INVALID_FILE_ATTRIBUTES;
    }
    return AttributesFromStat(AT_FDCWD, path.c_str(), info);
}

static BOOL DeleteFileAThrowing(LPCSTR fileName)
{
    std::string path;
    DWORD error = CheckedPath(fileName, path);
    if (error != ERROR_SUCCESS)
        return FailWith(error);
    struct stat info;
    if (lstat(path.c_str(), &info) != 0)
        return FailWith(Win32ErrorForPath(errno, path));
    // Windows deletes neither folders nor read-only files.
    if (S_ISDIR(info.st_mode) || (S_ISREG(info.st_mode) && IsReadOnlyFile(info)))
        return FailWith(ERROR_ACCESS_DENIED);
    if (unlink(path.c_str()) != 0)
        return FailWith(Win32ErrorForPath(errno, path));
    return TRUE;
}

static BOOL MoveFileExAThrowing(LPCSTR existingFileName, LPCSTR newFileName, DWORD flags)
{
    std::string source;
    std::string target;
    DWORD error = CheckedPath(existingFileName, source);
    if (error == ERROR_SUCCESS)
        error = CheckedPath(newFileName, target);
    if (error != ERROR_SUCCESS)
        return FailWith(error);

    struct stat info;
    if (lstat(source.c_str(), &info) != 0)
        return FailWith(Win32ErrorForPath(errno, source));
    const std::string targetFolder = ParentFolderOf(target);

    if ((flags & MOVEFILE_REPLACE_EXISTING) == 0)
    {
        // Atomic "only if the target is free", as Windows does it.
        if (renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0)
            return FinishMove(targetFolder, flags);
        if (errno == EEXIST)
            return FailWith(ERROR_ALREADY_EXISTS);
        if (errno != EINVAL)
            return FailWith(Win32ErrorForPath(errno, target));
        // The file system cannot do that atomically: check, then rename.
        struct stat existing;
        if (lstat(target.c_str(), &existing) == 0)
            return FailWith(ERROR_ALREADY_EXISTS);
    }
    else
    {
        // Windows replaces files only (not a folder, not a read-only file), and only
        // by files.
        struct stat existing;
        if (lstat(target.c_str(), &existing) == 0 &&
            (S_ISDIR(existing.st_mode) || S_ISDIR(info.st_mode) || (S_ISREG(existing.st_mode) && IsReadOnlyFile(existing))))
            return FailWith(ERROR_ACCESS_DENIED);
    }
    if (rename(source.c_str(), target.c_str()) != 0)
        return FailWith(Win32ErrorForPath(errno, target));
    return FinishMove(targetFolder, flags);
}

static BOOL CreateDirectoryAThrowing(LPCSTR pathName, LPSECURITY_ATTRIBUTES /*securityAttributes*/)
{
    std::string path;
    DWORD error = CheckedPath(pathName, path);
    if (error != ERROR_SUCCESS)
        return FailWith(error);
    if (mkdir(path.c_str(), 0777) == 0)
        return TRUE;
    switch (errno)
    {
    case EEXIST: return FailWith(ERROR_ALREADY_EXISTS);
    case ENOENT: return FailWith(ERROR_PATH_NOT_FOUND); // only a missing parent stops a mkdir
    default: return FailWith(Win32ErrorFromErrno(errno));
    }
}

// The functions above, which must not throw.

DWORD GetFileAttributesA(LPCSTR fileName)
{
    return FailingOnBadAlloc<DWORD>(INVALID_FILE_ATTRIBUTES, [&] { return GetFileAttributesAThrowing(fileName); });
}

BOOL DeleteFileA(LPCSTR fileName)
{
    return FailingOnBadAlloc<BOOL>(FALSE, [&] { return DeleteFileAThrowing(fileName); });
}

BOOL MoveFileExA(LPCSTR existingFileName, LPCSTR newFileName, DWORD flags)
{
    return FailingOnBadAlloc<BOOL>(FALSE, [&] { return MoveFileExAThrowing(existingFileName, newFileName, flags); });
}

BOOL CreateDirectoryA(LPCSTR pathName, LPSECURITY_ATTRIBUTES securityAttributes)
{
    return FailingOnBadAlloc<BOOL>(FALSE, [&] { return CreateDirectoryAThrowing(pathName, securityAttributes); });
}
