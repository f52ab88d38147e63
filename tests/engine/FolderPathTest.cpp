#include <gtest/gtest.h>

#include "engine/FolderPath.h"
#include "platform/Kernel32.h"
#include "tests/support/TempFolder.h"

namespace
{

struct PathCase
{
    const char* input;
    const char* expected;
};

TEST(NormalizeFolderPath, EndsInExactlyOneBackslash)
{
    const PathCase cases[] = {
        {"C:\\out", "C:\\out\\"},     {"C:\\out\\", "C:\\out\\"}, {"C:\\out\\\\", "C:\\out\\"},
        {"C:\\out/", "C:\\out\\"},    {"D:\\out/\\/", "D:\\out\\"}, {"", "\\"},
        {"\\", "\\"},                 {"///", "\\"},              {"a/b", "a/b\\"},
    };
    for (const PathCase& c : cases)
        EXPECT_EQ(NormalizeFolderPath(c.input), c.expected) << "input: " << c.input;
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
        // A typed path may use "/" as its separator.
        {"C:/in/report.ovx", "D:\\out\\report"},
        {"/home/me/in.d/a.b.ovx", "D:\\out\\a.b"},
    };
    for (const PathCase& c : cases)
        EXPECT_EQ(GetDestinationName(c.input, "D:\\out\\"), c.expected) << "source: " << c.input;
}

TEST(IsOvxFileName, MatchesLastExtensionInAnyCase)
{
    const std::pair<const char*, bool> cases[] = {
        {"a.ovx", true},      {"a.OVX", true},   {"a.Ovx", true},   {".ovx", true},     {"a.b.ovx", true},
        {"x.ovx.bak", false}, {"x.ovxa", false}, {"x.ov", false},   {"ovx", false},     {"", false},
        {"x.ovx.", false},    {"x_ovx", false},
    };
    for (const auto& [name, expected] : cases)
        EXPECT_EQ(IsOvxFileName(name), expected) << "name: " << name;
}

class FolderCreation : public ::testing::Test
{
protected:
    TempFolder m_temp;
};

TEST_F(FolderCreation, RefusesPathsWithoutAFirstLevel)
{
    const char* cases[] = {"", "\\", "\\nowhere\\deeper", "\\\\", "\\\\server", "\\\\server\\"};
    for (const char* path : cases)
        EXPECT_EQ(CreateFolderPath(path), static_cast<DWORD>(ERROR_INVALID_PARAMETER)) << "path: " << path;
}

TEST_F(FolderCreation, CreatesEveryMissingLevel)
{
    std::string deeper = m_temp.PathOf("new\\deeper");
    EXPECT_EQ(CreateFolderPath(deeper), 0u);
    EXPECT_EQ(GetFolderStatus(deeper.c_str()), 0u);
    EXPECT_EQ(ListFolder(m_temp.Folder()), (std::vector<std::string>{"new/", "new/deeper/"}));

    // Existing levels, with or without the trailing backslash, are fine.
    EXPECT_EQ(CreateFolderPath(deeper + "\\"), 0u);
    EXPECT_EQ(CreateFolderPath(m_temp.Folder()), 0u);
}

TEST_F(FolderCreation, SlashesSeparateLevelsToo)
{
    // A path typed with "/" (or a POSIX path given to the command line) is created level by level.
    std::string deeper = m_temp.PathOf("one") + "/two/three";
    EXPECT_EQ(CreateFolderPath(deeper), 0u);
    EXPECT_EQ(ListFolder(m_temp.Folder()), (std::vector<std::string>{"one/", "one/two/", "one/two/three/"}));
}

TEST_F(FolderCreation, FileInTheWayIsAlreadyExists)
{
    WriteFileText(m_temp.PathOf("blocker"), "x");
    EXPECT_EQ(CreateFolderPath(m_temp.PathOf("blocker")), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    EXPECT_EQ(CreateFolderPath(m_temp.PathOf("blocker\\below")), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    EXPECT_EQ(ReadFileText(m_temp.PathOf("blocker")), "x");
}

TEST_F(FolderCreation, FolderStatusNumbers)
{
    WriteFileText(m_temp.PathOf("file"), "x");
    EXPECT_EQ(GetFolderStatus(nullptr), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(GetFolderStatus(""), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(GetFolderStatus(m_temp.Folder().c_str()), 0u);
    EXPECT_EQ(GetFolderStatus(m_temp.PathOf("file").c_str()), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(GetFolderStatus(m_temp.PathOf("missing").c_str()), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(GetFolderStatus(m_temp.PathOf("missing\\deeper").c_str()), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}

} // namespace
