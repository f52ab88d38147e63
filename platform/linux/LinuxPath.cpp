#include "platform/linux/LinuxPath.h"

namespace
{

bool IsDotOrBlank(char c) { return c == '.' || c == ' '; }

// Drops trailing dots and blanks of the component that ends at the end of `out`
// and starts at `start`, unless that would leave only dots and blanks behind.
void TrimComponent(std::string& out, std::size_t start)
{
    std::size_t end = out.size();
    while (end > start && IsDotOrBlank(out[end - 1]))
        --end;
    if (end > start)
        out.resize(end);
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
            TrimComponent(out, componentStart);
            out += '/';
            componentStart = out.size();
        }
        else
        {
            out += *p;
        }
    }
    TrimComponent(out, componentStart);
    return out;
}

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
