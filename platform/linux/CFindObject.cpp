#include "platform/linux/CFindObject.h"

#include <cerrno>
#include <cstring>
#include <memory>

#include <fcntl.h>
#include <sys/stat.h>

#include "platform/linux/LinuxErrors.h"
#include "platform/linux/LinuxFileInfo.h"

namespace
{

char FoldCase(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool IsDotEntry(const char* name) { return std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0; }

} // namespace

CFindObject::CFindObject(DIR* folder, std::string pattern) : m_pFolder(folder), m_strPattern(std::move(pattern)) {}

CFindObject::~CFindObject() { closedir(m_pFolder); }

DWORD CFindObject::Open(const std::string& linuxFolder, const std::string& pattern, std::shared_ptr<CFindObject>& search)
{
    // Everything that may throw (out of memory) before the folder is opened, or while
    // it is owned here, so that a throw never leaves it open.
    std::string ownPattern = pattern == "*.*" ? "*" : pattern;
    std::unique_ptr<CFindObject> object;
    DIR* folder = opendir(linuxFolder.c_str());
    if (folder == nullptr)
    {
        if (errno == ENOTDIR) // a file, or a path through one
            return FolderSyntaxError(linuxFolder) == ERROR_INVALID_NAME ? ERROR_INVALID_NAME : ERROR_PATH_NOT_FOUND;
        return errno == ENOENT ? ERROR_PATH_NOT_FOUND : Win32ErrorFromErrno(errno);
    }
    try
    {
        object.reset(new CFindObject(folder, std::move(ownPattern)));
    }
    catch (...)
    {
        closedir(folder);
        throw;
    }
    search = std::move(object);
    return ERROR_SUCCESS;
}

bool CFindObject::Matches(const char* pattern, const char* name)
{
    // Greedy matching with one backtrack point: the position after the last "*".
    const char* star = nullptr;
    const char* resume = nullptr;
    while (*name != '\0')
    {
        if (*pattern == '*')
        {
            star = ++pattern;
            resume = name;
        }
        else if (*pattern == '?' || (*pattern != '\0' && FoldCase(*pattern) == FoldCase(*name)))
        {
            ++pattern;
            ++name;
        }
        else if (star != nullptr)
        {
            pattern = star;
            name = ++resume;
        }
        else
        {
            return false;
        }
    }
    while (*pattern == '*')
        ++pattern;
    return *pattern == '\0';
}

bool CFindObject::NextName(const char*& name)
{
    static const char* const DOT_ENTRIES[] = {".", ".."};
    while (m_nDotEntriesGiven < 2)
    {
        name = DOT_ENTRIES[m_nDotEntriesGiven++];
        if (Matches(m_strPattern.c_str(), name))
            return true;
    }
    errno = 0;
    while (const dirent* entry = readdir(m_pFolder))
    {
        if (!IsDotEntry(entry->d_name) && Matches(m_strPattern.c_str(), entry->d_name))
        {
            name = entry->d_name;
            return true;
        }
    }
    return false;
}

DWORD CFindObject::Next(WIN32_FIND_DATAA* findData)
{
    const char* name = nullptr;
    struct stat info;
    for (;;)
    {
        if (!NextName(name))
            return errno == 0 ? ERROR_NO_MORE_FILES : Win32ErrorFromErrno(errno);
        // An entry deleted since it was listed is passed over.
        if (fstatat(dirfd(m_pFolder), name, &info, AT_SYMLINK_NOFOLLOW) == 0)
            break;
    }

    *findData = WIN32_FIND_DATAA{};
    findData->dwFileAttributes = AttributesFromStat(dirfd(m_pFolder), name, info);
    findData->ftCreationTime = FileTimeFromTimespec(info.st_ctim);
    findData->ftLastAccessTime = FileTimeFromTimespec(info.st_atim);
    findData->ftLastWriteTime = FileTimeFromTimespec(info.st_mtim);
    UINT64 size = S_ISREG(info.st_mode) ? static_cast<UINT64>(info.st_size) : 0;
    findData->nFileSizeHigh = static_cast<DWORD>(size >> 32);
    findData->nFileSizeLow = static_cast<DWORD>(size & 0xFFFFFFFFu);
    // Linux names are at most 255 bytes, within MAX_PATH.
    std::strncpy(findData->cFileName, name, MAX_PATH - 1);
    return ERROR_SUCCESS;
}
