#include "platform/linux/LinuxPath.h"

#include "platform/PathSyntax.h"

namespace
{

bool IsDotOrBlank(char c) { return c == '.' || c == ' '; }

bool IsOnlyDotsAndBlanks(const std::string& out, std::size_t start)
{
    for (std::size_t i = start; i < out.size(); ++i)
        if (!IsDotOrBlank(out[i]))
            return false;
    return true;
}

// Trims the component that starts at `start` and ends at the end of `out`.
void TrimComponent(std::string& out, std::size_t start, bool bLast)
{
    if (IsOnlyDotsAndBlanks(out, start))
        return;
    if (!bLast)
    {
        if (out.back() == '.')
            out.pop_back();
        return;
    }
    while (IsDotOrBlank(out.back()))
        out.pop_back();
}

} // namespace

std::string ToLinuxPath(const char* path)
{
    std::string out;
    std::size_t componentStart = 0;
    for (const char* p = path; *p != '\0'; ++p)
    {
        if (*p == '\\' || *p == '/')
        {
            TrimComponent(out, componentStart, false);
            out += '/';
            componentStart = out.size();
        }
        else
        {
            out += *p;
        }
    }
    TrimComponent(out, componentStart, true);
    return out;
}

bool IsNameUsableInPath(const char* name) { return ToLinuxPath(name) == name; }

std::string ParentFolderOf(const std::string& linuxPath)
{
    std::size_t end = linuxPath.find_last_not_of('/');
    if (end == std::string::npos)
        return "/";
    std::size_t slash = linuxPath.find_last_of('/', end);
    if (slash == std::string::npos)
        return ".";
    std::size_t parentEnd = linuxPath.find_last_not_of('/', slash);
    return parentEnd == std::string::npos ? "/" : linuxPath.substr(0, parentEnd + 1);
}
