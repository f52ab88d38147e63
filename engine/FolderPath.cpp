#include "engine/FolderPath.h"

#include <algorithm>

#include "platform/Kernel32.h"
#include "platform/MbString.h"
#include "platform/PathSyntax.h"

namespace
{

// Position of the last occurrence of c in text, or -1.
std::ptrdiff_t FindLast(const std::string& text, char c)
{
    const char* found = MbsFindLast(text.c_str(), c);
    return found != nullptr ? found - text.c_str() : -1;
}

// Position of the first occurrence of c in text at or after start, or -1.
// start must be a character boundary.
std::ptrdiff_t FindNext(const std::string& text, std::size_t start, char c)
{
    const char* found = MbsFindNext(text.c_str() + start, c);
    return found != nullptr ? found - text.c_str() : -1;
}

// Position of the first "\\" or "/" at or after start, or -1.
std::ptrdiff_t FindNextSeparator(const std::string& text, std::size_t start)
{
    std::ptrdiff_t backslash = FindNext(text, start, '\\');
    std::ptrdiff_t slash = FindNext(text, start, '/');
    if (backslash < 0 || slash < 0)
        return std::max(backslash, slash);
    return std::min(backslash, slash);
}

bool EndsIn(const std::string& text, char c)
{
    return !text.empty() && FindLast(text, c) == static_cast<std::ptrdiff_t>(text.size()) - 1;
}

bool EndsInSeparator(const std::string& text) { return EndsIn(text, '\\') || EndsIn(text, '/'); }

// The same path with every "/" turned into "\".
std::string UnifySeparators(std::string path)
{
    for (std::ptrdiff_t at = FindNext(path, 0, '/'); at >= 0; at = FindNext(path, static_cast<std::size_t>(at) + 1, '/'))
        path[static_cast<std::size_t>(at)] = '\\';
    return path;
}

// A folder path that uses "\" only and ends in one, without its "." levels and the
// empty levels of doubled separators; leading separators (a root, a network prefix)
// stay. ".." is kept: past a link it need not lead to the parent as spelled.
std::string DropCurrentFolderLevels(const std::string& path)
{
    std::size_t start = path.find_first_not_of('\\');
    if (start == std::string::npos)
        return path;
    std::string result = path.substr(0, start);
    while (start < path.size())
    {
        std::ptrdiff_t end = FindNext(path, start, '\\');
        std::size_t stop = end < 0 ? path.size() : static_cast<std::size_t>(end);
        std::string level = path.substr(start, stop - start);
        if (!level.empty() && level != ".")
            result += level + '\\';
        start = stop + 1;
    }
    return result;
}

// The path made absolute, its ".." levels resolved by their spelling, as the system
// does; the path itself when the system cannot say.
std::string FullPathOf(const std::string& path)
{
    char buffer[MAX_PATH];
    DWORD length = GetFullPathNameA(path.c_str(), MAX_PATH, buffer, nullptr);
    if (length > 0 && length < MAX_PATH)
        return std::string(buffer, length);
    if (length >= MAX_PATH)
    {
        std::string longer(length, '\0');
        DWORD written = GetFullPathNameA(path.c_str(), length, longer.data(), nullptr);
        if (written > 0 && written < length)
            return longer.substr(0, written);
    }
    return path;
}

} // namespace

std::string NormalizeFolderPath(const std::string& path)
{
    std::string result = path;
    while (EndsInSeparator(result))
        result.pop_back();
    result += FOLDER_SEPARATOR;
    return result;
}

std::string GetDestinationName(const std::string& source, const std::string& destinationFolder)
{
    const std::ptrdiff_t size = static_cast<std::ptrdiff_t>(source.size());
    const std::ptrdiff_t slash = std::max(FindLast(source, '\\'), FindLast(source, '/'));
    const std::ptrdiff_t dot = FindLast(source, '.');

    std::ptrdiff_t start = std::min(slash + 1, size);
    std::ptrdiff_t length = std::clamp(dot - slash - 1, std::ptrdiff_t{0}, size - start);
    return destinationFolder + source.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(length));
}

std::string GetFolderOf(const std::string& path)
{
    const std::ptrdiff_t slash = std::max(FindLast(path, '\\'), FindLast(path, '/'));
    return path.substr(0, static_cast<std::size_t>(slash + 1));
}

bool IsOvxFileName(const char* name)
{
    const char* dot = MbsFindLast(name, '.');
    return dot != nullptr && MbsCompareNoCase(dot, ".ovx") == 0;
}

bool IsSamePath(const std::string& a, const std::string& b)
{
    auto comparable = [](const std::string& path) {
        return DropCurrentFolderLevels(UnifySeparators(NormalizeFolderPath(FullPathOf(path))));
    };
    return MbsCompareNoCase(comparable(a).c_str(), comparable(b).c_str()) == 0;
}

namespace
{

// CreateFolderPath in Win32 error numbers.
DWORD CreateFolderLevels(const std::string& path)
{
    if (path.empty())
        return ERROR_INVALID_PARAMETER;

    std::string p = path;
    if (!EndsInSeparator(p))
        p += FOLDER_SEPARATOR;

    // The first level to look at: past "X:\", or "\\server\share" itself. A server
    // without a share is no folder.
    std::size_t start = 0;
    if (p.size() >= 2 && p[0] == '\\' && p[1] == '\\')
    {
        std::ptrdiff_t serverEnd = p.size() > 2 ? FindNext(p, 2, '\\') : -1;
        if (serverEnd < 0 || static_cast<std::size_t>(serverEnd) + 1 >= p.size())
            return ERROR_INVALID_PARAMETER;
        start = static_cast<std::size_t>(serverEnd) + 1;
    }
    else if (p.size() > 1 && p[1] == ':')
    {
        start = 3;
    }

    // Levels end at either separator, so "C:/out/new" and POSIX paths are created level
    // by level too. A leading "/" is the root of a POSIX path; a leading "\\" is refused.
    if (start == 0 && p[0] == '/')
        start = 1;
    while (start < p.size())
    {
        std::ptrdiff_t end = FindNextSeparator(p, start);
        if (end < 0)
            break;
        std::string level = p.substr(0, static_cast<std::size_t>(end));
        start = static_cast<std::size_t>(end) + 1;
        if (level.empty())
            return ERROR_INVALID_PARAMETER;

        // A missing level is created; a file in the way makes the creation fail.
        DWORD status = GetFolderStatus(level.c_str());
        if (status == ERROR_SUCCESS)
            continue;
        if (status != ERROR_PATH_NOT_FOUND)
            return status;
        if (!CreateDirectoryA(level.c_str(), nullptr))
            return GetLastError();
    }
    return GetFolderStatus(path.c_str());
}

} // namespace

HRESULT CreateFolderPath(const std::string& path)
{
    return ResultFromWin32(CreateFolderLevels(path));
}

DWORD GetFolderStatus(const char* path)
{
    if (path == nullptr || *path == '\0')
        return ERROR_INVALID_PARAMETER;
    switch (GetPathKind(path))
    {
    case PATH_FOLDER:
        return ERROR_SUCCESS;
    case PATH_FILE:
        return ERROR_PATH_NOT_FOUND;
    case PATH_NONE:
        break;
    }
    DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND ? ERROR_PATH_NOT_FOUND : error;
}

PathKind GetPathKind(const char* path)
{
    DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return PATH_NONE;
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? PATH_FOLDER : PATH_FILE;
}
