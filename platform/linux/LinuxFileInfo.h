#pragma once

// What Windows reports about a file, derived from what Linux knows of it.

#include <sys/stat.h>

#include "platform/linux/Kernel32Linux.h"

// Attributes of the entry `name` in the folder `folderFd` (AT_FDCWD for a path), whose
// lstat is `linkInfo`:
// - a symbolic link has FILE_ATTRIBUTE_REPARSE_POINT, plus FILE_ATTRIBUTE_DIRECTORY when
//   it leads to a folder;
// - a folder has FILE_ATTRIBUTE_DIRECTORY;
// - anything else is a file, FILE_ATTRIBUTE_ARCHIVE, plus FILE_ATTRIBUTE_READONLY when
//   its owner may not write it.
DWORD AttributesFromStat(int folderFd, const char* name, const struct stat& linkInfo);

// A file is read-only, in the Windows sense, when its owner may not write it.
bool IsReadOnlyFile(const struct stat& info);

// Seconds and nanoseconds since 1970 as 100-nanosecond intervals since 1601.
FILETIME FileTimeFromTimespec(const struct timespec& time);
