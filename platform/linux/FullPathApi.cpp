// Full path names: a relative path taken from the current folder, "." and ".." levels
// resolved by their spelling (no link is followed), and names trimmed of the trailing
// dots and blanks the system ignores, as Windows does.

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include <unistd.h>

#include "platform/linux/LinuxErrors.h"
#include "platform/linux/LinuxPath.h"

namespace
{

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

// The absolute, "/"-separated form of `path`, or an empty string with `error` set.
std::string ResolveFullPath(const char* path, DWORD& error)
{
    std::string whole;
    if (!IsSeparator(path[0]))
    {
        std::vector<char> cwd(4096);
        while (getcwd(cwd.data(), cwd.size()) == nullptr)
        {
            if (errno != ERANGE)
            {
                error = Win32ErrorFromErrno(errno);
                return std::string();
            }
            cwd.resize(cwd.size() * 2);
        }
        whole = cwd.data();
        whole += '/';
    }
    whole += ToLinuxPath(path);

    std::vector<std::string> levels;
    std::size_t start = 0;
    while (start <= whole.size())
    {
        std::size_t stop = start;
        while (stop < whole.size() && !IsSeparator(whole[stop]))
            ++stop;
        std::string level = whole.substr(start, stop - start);
        if (level == "..")
        {
            if (!levels.empty())
                levels.pop_back();
        }
        else if (!level.empty() && level != ".")
        {
            levels.push_back(level);
        }
        start = stop + 1;
    }

    std::string result;
    for (const std::string& level : levels)
        result += '/' + level;
    // A trailing separator stays, as on Windows; the root is "/".
    if (result.empty() || IsSeparator(whole.back()))
        result += '/';
    return result;
}

} // namespace

static DWORD GetFullPathNameAThrowing(LPCSTR fileName, DWORD bufferLength, LPSTR buffer, LPSTR* filePart)
{
    if (filePart != nullptr)
        *filePart = nullptr;
    if (fileName == nullptr || *fileName == '\0')
    {
        SetLastError(ERROR_INVALID_NAME);
        return 0;
    }
    DWORD error = ERROR_SUCCESS;
    const std::string full = ResolveFullPath(fileName, error);
    if (full.empty())
    {
        SetLastError(error);
        return 0;
    }
    // Too small a buffer: the size needed, terminator included, and nothing written.
    if (buffer == nullptr || bufferLength <= full.size())
        return static_cast<DWORD>(full.size() + 1);
    std::memcpy(buffer, full.c_str(), full.size() + 1);
    if (filePart != nullptr && full.back() != '/')
        *filePart = buffer + full.rfind('/') + 1;
    return static_cast<DWORD>(full.size());
}

// The functions above, which must not throw.

DWORD GetFullPathNameA(LPCSTR fileName, DWORD bufferLength, LPSTR buffer, LPSTR* filePart)
{
    return FailingOnBadAlloc<DWORD>(0,
                                    [&] { return GetFullPathNameAThrowing(fileName, bufferLength, buffer, filePart); });
}
