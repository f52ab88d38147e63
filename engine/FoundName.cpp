#include "engine/FoundName.h"

#include <cstring>

#include "engine/LastError.h"
#include "platform/MbString.h"

void MarkFoundName(WIN32_FIND_DATAA* entry)
{
    std::memset(entry->cFileName, '?', sizeof(entry->cFileName));
}

void MarkFoundNameCut(WIN32_FIND_DATAA* entry)
{
    char* end = static_cast<char*>(std::memchr(entry->cFileName, '\0', sizeof(entry->cFileName)));
    if (end != nullptr)
        std::memset(end, '?', static_cast<std::size_t>(entry->cFileName + sizeof(entry->cFileName) - end));
}

bool IsFoundNameWhole(const WIN32_FIND_DATAA& entry)
{
    return std::memchr(entry.cFileName, '\0', sizeof(entry.cFileName)) != nullptr;
}

bool IsNameOverflow(HRESULT hr)
{
    return hr == ResultFromWin32(ERROR_MORE_DATA) || hr == ResultFromWin32(ERROR_FILENAME_EXCED_RANGE) ||
           hr == ResultFromWin32(ERROR_INSUFFICIENT_BUFFER);
}

std::string GetFoundNameStart(const WIN32_FIND_DATAA& entry)
{
    std::size_t length = 0;
    while (length < sizeof(entry.cFileName) && entry.cFileName[length] != '\0' && entry.cFileName[length] != '?')
        ++length;
    return std::string(entry.cFileName, MbsWholeLength(entry.cFileName, length)) + "...";
}
