#include "platform/linux/LinuxFileInfo.h"

#include <fcntl.h>

bool IsReadOnlyFile(const struct stat& info) { return !S_ISDIR(info.st_mode) && (info.st_mode & S_IWUSR) == 0; }

DWORD AttributesFromStat(int folderFd, const char* name, const struct stat& linkInfo)
{
    if (S_ISLNK(linkInfo.st_mode))
    {
        struct stat target;
        bool bFolder = fstatat(folderFd, name, &target, 0) == 0 && S_ISDIR(target.st_mode);
        return FILE_ATTRIBUTE_REPARSE_POINT | (bFolder ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE);
    }
    if (S_ISDIR(linkInfo.st_mode))
        return FILE_ATTRIBUTE_DIRECTORY;
    return FILE_ATTRIBUTE_ARCHIVE | (IsReadOnlyFile(linkInfo) ? FILE_ATTRIBUTE_READONLY : 0);
}

FILETIME FileTimeFromTimespec(const struct timespec& time)
{
    const INT64 SECONDS_1601_TO_1970 = 11644473600LL;
    INT64 ticks = (static_cast<INT64>(time.tv_sec) + SECONDS_1601_TO_1970) * 10000000LL + time.tv_nsec / 100;
    UINT64 value = ticks < 0 ? 0 : static_cast<UINT64>(ticks);
    return FILETIME{static_cast<DWORD>(value & 0xFFFFFFFFu), static_cast<DWORD>(value >> 32)};
}
