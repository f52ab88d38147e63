// GetFullPathNameA: relative paths start at the current folder, "." and ".." levels
// are resolved by their spelling, and a name loses the trailing dots and blanks the
// system ignores, the same natively and on Windows.

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "platform/Kernel32.h"

namespace
{
std::string WithBackslashes(std::string path)
{
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return path;
}

TEST(FullPath, ResolvesRelativePathsAndDotLevels)
{
    const std::string current = WithBackslashes(std::filesystem::current_path().string());
    const struct
    {
        const char* path;
        std::string expected;
    } cases[] = {
        {"a\\b\\..\\c", current + "\\a\\c"},
        {"./a//b/", current + "\\a\\b\\"},
        {"a\\self. ", current + "\\a\\self"}, // the name the system opens
        {"a\\..\\..\\" , WithBackslashes(std::filesystem::current_path().parent_path().string()) + "\\"},
    };
    for (const auto& c : cases)
    {
        char buffer[MAX_PATH] = {};
        const DWORD length = GetFullPathNameA(c.path, MAX_PATH, buffer, nullptr);
        EXPECT_EQ(WithBackslashes(buffer), c.expected) << c.path;
        EXPECT_EQ(length, c.expected.size()) << c.path;
    }

    // Too small a buffer: the size needed, terminator included.
    char tiny[2] = {};
    EXPECT_EQ(GetFullPathNameA("a", sizeof(tiny), tiny, nullptr), current.size() + 3);
}
} // namespace
