#pragma once

// One directory search: an open folder and the name pattern its entries must match.
// "." and ".." come first, as Windows lists them, then the folder's other entries in
// the order the file system gives them. The pattern knows "*" (any run of characters)
// and "?" (any one character) and ignores ASCII case; "*.*" matches every name.
// Names that a path cannot spell here (holding a "\", or ending in a dot or blank) are
// listed too, so that a walk can say it left them out; joined to the folder they would
// name another entry, and IsNameUsableInPath tells them.

#include <dirent.h>

#include <memory>
#include <string>

#include "platform/linux/CKernelObject.h"
#include "platform/linux/Kernel32Linux.h"

class CFindObject : public CKernelObject
{
public:
    ~CFindObject() override;

    // Opens `linuxFolder` for a search with `pattern`; returns 0 or a Win32 error.
    static DWORD Open(const std::string& linuxFolder, const std::string& pattern, std::shared_ptr<CFindObject>& search);

    // The next matching entry; 0, ERROR_NO_MORE_FILES at the end, or another Win32 error.
    DWORD Next(WIN32_FIND_DATAA* findData);

    static bool Matches(const char* pattern, const char* name);

private:
    CFindObject(DIR* folder, std::string pattern);

    bool NextName(const char*& name);

    DIR* m_pFolder;
    std::string m_strPattern;
    int m_nDotEntriesGiven = 0;
};
