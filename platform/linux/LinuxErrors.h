#pragma once

// Win32 error numbers for the errno values of the Linux system calls.

#include <new>
#include <string>

#include "platform/linux/Kernel32Linux.h"

// The number Windows gives for the same situation; ENOENT maps to ERROR_FILE_NOT_FOUND
// here, callers that know the path use MissingPathError instead.
DWORD Win32ErrorFromErrno(int error);

// ERROR_FILE_NOT_FOUND when the folder that should hold `linuxPath` exists, else
// ERROR_PATH_NOT_FOUND: Windows tells a missing last component from a missing parent.
DWORD MissingPathError(const std::string& linuxPath);

// Win32ErrorFromErrno, with ENOENT refined by MissingPathError.
DWORD Win32ErrorForPath(int error, const std::string& linuxPath);

// For a path written as a folder ("name/"): 0 when it is one; ERROR_INVALID_NAME when
// it names a file or nothing in an existing folder; ERROR_PATH_NOT_FOUND when the
// folder that should hold it is missing.
DWORD FolderSyntaxError(const std::string& linuxPath);

// Sets the thread's last error to `error` and returns FALSE, for one-line failure returns.
BOOL FailWith(DWORD error);

// Runs `body`, the work of a Win32 function, which must not throw: running out of memory
// becomes `failure` with the last error ERROR_NOT_ENOUGH_MEMORY, as Windows reports it.
template <class Result, class Body> Result FailingOnBadAlloc(Result failure, Body body)
{
    try
    {
        return body();
    }
    catch (const std::bad_alloc&)
    {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return failure;
    }
}
