#include <filesystem>

#include <gtest/gtest.h>

#include "engine/FolderPath.h"
#include "platform/Kernel32.h"
#include "tests/engine/EngineTestSupport.h"
#include "tests/support/TempFolder.h"

namespace
{

struct PathCase
{
    const char* input;
    const char* expected;
};

TEST(NormalizeFolderPath, EndsInExactlyOneSeparatorOfTheSystem)
{
    const PathCase cases[] = {
        {"C:\\out", "C:\\out"}, {"C:\\out\\\\", "C:\\out"}, {"D:\\out/\\/", "D:\\out"},
        {"", ""},               {"///", ""},                {"a/b", "a/b"},
    };
    for (const PathCase& c : cases)
        EXPECT_EQ(NormalizeFolderPath(c.input), c.expected + SEPARATOR) << "input: " << c.input;
}

TEST(GetDestinationName, DropsFolderAndLastExtension)
{
    const PathCase cases[] = {
        {"C:\\in\\report.ovx", "D:\\out\\report"},
        {"C:\\in\\report.txt.ovx", "D:\\out\\report.txt"},
        {"report.ovx", "D:\\out\\report"},
        {"C:\\in\\readme", "D:\\out\\"},
        {"C:\\in.d\\readme", "D:\\out\\"},
        {"C:\\in\\.ovx", "D:\\out\\"},
        {"C:\\in\\x.", "D:\\out\\x"},
        {"C:\\in\\", "D:\\out\\"},
        {"", "D:\\out\\"},
        {"C:/in/report.ovx", "D:\\out\\report"},
        {"/home/me/in.d/a.b.ovx", "D:\\out\\a.b"},
        {"C:\\\xE5\xAD\x90.d\\\xF0\x9F\x98\x80.\xC3\xA9.ovx", "D:\\out\\\xF0\x9F\x98\x80.\xC3\xA9"}, // 子.d\😀.é.ovx
    };
    for (const PathCase& c : cases)
        EXPECT_EQ(GetDestinationName(c.input, "D:\\out\\"), c.expected) << "source: " << c.input;
}

TEST(IsSamePath, ComparesFullPathsIgnoringCaseAndSeparators)
{
    const struct
    {
        const char* a;
        const char* b;
        bool same;
    } cases[] = {
        {"C:\\in\\out\\", "c:/IN/out", true},
        {".\\out\\", "out", true},
        {"in\\.\\out\\", "./in//out/", true},
        {"\\\\server\\share\\.\\x", "\\\\server\\share\\x\\", true},
        {"\\in\\out", "in\\out", false},
        {"in\\..\\in\\out", "in\\out", true},
        {"in\\out\\..", "in", true},
        {"in\\out", "in\\out2", false},
        {".", "\\", false},
#ifdef _WIN32
        // Folded beyond ASCII as the file system folds, in UTF-8 too: Données, DONNÉES.
        {"C:\\Donn\xC3\xA9" "es\\out", "c:\\DONN\xC3\x89" "ES\\OUT\\", true},
        {"C:\\\xD0\x97\xD0\xB2\xD1\x96\xD1\x82", "C:\\\xD0\xB7\xD0\xB2\xD1\x96\xD1\x82", true}, // Звіт, звіт
#endif
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsSamePath(c.a, c.b), c.same) << c.a << " / " << c.b;

    // A relative path names the folder below the current one.
    const std::string current = std::filesystem::current_path().string();
    EXPECT_TRUE(IsSamePath(current + "\\in\\out", "in/out"));
    EXPECT_FALSE(IsSamePath(current + "\\in", "in/out"));
}

TEST(FolderCreation, CreateFolderPathAndGetFolderStatusNumbers)
{
    TempFolder temp;
    WriteFileText(temp.PathOf("file"), "x");
    const std::pair<std::string, DWORD> created[] = {
        {"", ERROR_INVALID_PARAMETER},
        {"\\", ERROR_INVALID_PARAMETER},
        {"\\nowhere\\deeper", ERROR_INVALID_PARAMETER},
        {"\\\\", ERROR_INVALID_PARAMETER},
        {"\\\\server", ERROR_INVALID_PARAMETER},
        {"\\\\server\\", ERROR_INVALID_PARAMETER},
        {temp.PathOf("new\\deeper"), 0},
        {temp.PathOf("new\\deeper\\"), 0}, // existing levels are fine
        {temp.Folder(), 0},
        {temp.PathOf("one") + "/two/three", 0}, // either separator separates levels
        {temp.PathOf("four") + "\\five", 0},
        {temp.PathOf("file"), ERROR_ALREADY_EXISTS},
        {temp.PathOf("file\\below"), ERROR_ALREADY_EXISTS},
    };
    for (const auto& [path, expected] : created)
        EXPECT_EQ(CreateFolderPath(path), ResultFromWin32(expected)) << "path: " << path;
    EXPECT_EQ(ListFolder(temp.Folder()),
              (std::vector<std::string>{"file", "four/", "four/five/", "new/", "new/deeper/", "one/", "one/two/",
                                        "one/two/three/"}));

    EXPECT_EQ(GetFolderStatus(nullptr), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    const std::pair<std::string, DWORD> status[] = {
        {"", ERROR_INVALID_PARAMETER},
        {temp.PathOf("new\\deeper"), 0},
        {temp.PathOf("file"), ERROR_PATH_NOT_FOUND},
        {temp.PathOf("missing"), ERROR_PATH_NOT_FOUND},
        {temp.PathOf("missing\\deeper"), ERROR_PATH_NOT_FOUND},
    };
    for (const auto& [path, expected] : status)
        EXPECT_EQ(GetFolderStatus(path.c_str()), expected) << "path: " << path;
}

} // namespace
