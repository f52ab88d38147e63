// Directory searches: FindFirstFileA, FindNextFileA, FindClose.

#include <memory>
#include <string>

#include "platform/linux/CFindObject.h"
#include "platform/linux/CHandleTable.h"
#include "platform/linux/LinuxErrors.h"
#include "platform/linux/LinuxPath.h"

namespace
{
HANDLE FailFind(DWORD error)
{
    SetLastError(error);
    return INVALID_HANDLE_VALUE;
}
} // namespace

static HANDLE FindFirstFileAThrowing(LPCSTR fileName, LPWIN32_FIND_DATAA findData)
{
    if (fileName == nullptr || findData == nullptr)
        return FailFind(ERROR_INVALID_PARAMETER);

    // "<folder>\<pattern>": the folder part is a path, the last part a name pattern.
    std::string text(fileName);
    std::size_t separator = text.find_last_of("\\/");
    std::string folder = separator == std::string::npos ? "." : ToLinuxPath(text.substr(0, separator + 1).c_str());
    std::string pattern = separator == std::string::npos ? text : text.substr(separator + 1);
    if (pattern.empty())
        return FailFind(ERROR_FILE_NOT_FOUND);

    std::shared_ptr<CFindObject> search;
    DWORD error = CFindObject::Open(folder, pattern, search);
    if (error == ERROR_SUCCESS)
        error = search->Next(findData);
    if (error == ERROR_NO_MORE_FILES)
        error = ERROR_FILE_NOT_FOUND; // nothing matched at all
    if (error != ERROR_SUCCESS)
        return FailFind(error);
    SetLastError(ERROR_SUCCESS);
    return CHandleTable::Instance().Insert(search);
}

static BOOL FindNextFileAThrowing(HANDLE findFile, LPWIN32_FIND_DATAA findData)
{
    std::shared_ptr<CFindObject> search = CHandleTable::Instance().Find<CFindObject>(findFile);
    if (!search)
        return FailWith(ERROR_INVALID_HANDLE);
    if (findData == nullptr)
        return FailWith(ERROR_INVALID_PARAMETER);
    DWORD error = search->Next(findData);
    return error == ERROR_SUCCESS ? TRUE : FailWith(error);
}

BOOL FindClose(HANDLE findFile)
{
    std::shared_ptr<CFindObject> search = CHandleTable::Instance().Remove<CFindObject>(findFile);
    return search ? TRUE : FailWith(ERROR_INVALID_HANDLE);
}

// The functions above, which must not throw.

HANDLE FindFirstFileA(LPCSTR fileName, LPWIN32_FIND_DATAA findData)
{
    return FailingOnBadAlloc<HANDLE>(INVALID_HANDLE_VALUE, [&] { return FindFirstFileAThrowing(fileName, findData); });
}

BOOL FindNextFileA(HANDLE findFile, LPWIN32_FIND_DATAA findData)
{
    return FailingOnBadAlloc<BOOL>(FALSE, [&] { return FindNextFileAThrowing(findFile, findData); });
}
