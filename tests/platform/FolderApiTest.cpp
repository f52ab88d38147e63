#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "platform/PathSyntax.h"
#include "tests/platform/PlatformTestSupport.h"

namespace
{

using FolderApiTest = PlatformTest;

TEST_F(FolderApiTest, AttributesTellFilesFoldersAndLinks)
{
    DWORD file = GetFileAttributesA(Path("file.txt").c_str());
    EXPECT_EQ(file & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_REPARSE_POINT), 0u);
    for (const char* folder : {"sub", "sub/", "sub/.", "sub/../sub"})
        EXPECT_NE(GetFileAttributesA(Path(folder).c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u) << folder;

    if (!MakeSymbolicLink(Path("sub"), Path("link-to-sub")) || !MakeSymbolicLink(Path("file.txt"), Path("link-to-file")))
        GTEST_SKIP() << "symbolic links cannot be made here";
    const DWORD kinds = FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY;
    EXPECT_EQ(GetFileAttributesA(Path("link-to-sub").c_str()) & kinds, kinds);
    EXPECT_EQ(GetFileAttributesA(Path("link-to-file").c_str()) & kinds, FILE_ATTRIBUTE_REPARSE_POINT);
    WIN32_FIND_DATAA data;
    HANDLE h = FindFirstFileA(Path("link-to-sub").c_str(), &data);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(data.dwFileAttributes & kinds, kinds) << "a search sees the link too";
    FindClose(h);
}

TEST_F(FolderApiTest, ReadOnlyFilesAreNeitherWrittenNorDeleted)
{
    HANDLE h = CreateFileA(Path("locked.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_READONLY, nullptr);
    DWORD count = 0;
    EXPECT_TRUE(WriteFile(h, "keep", 4, &count, nullptr)) << "the creating handle may write";
    CloseHandle(h);
    EXPECT_NE(GetFileAttributesA(Path("locked.txt").c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
#ifndef _WIN32
    // Windows refuses to open a read-only file for writing; Wine run by the superuser
    // lets it through, so this part is checked natively only.
    for (DWORD disposition : {DWORD(OPEN_EXISTING), DWORD(CREATE_ALWAYS), DWORD(TRUNCATE_EXISTING)})
    {
        EXPECT_EQ(CFileHandle(Open("locked.txt", GENERIC_WRITE, disposition)).Get(), INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED)) << disposition;
    }
#endif
    EXPECT_FALSE(DeleteFileA(Path("locked.txt").c_str()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(ReadFileText(Path("locked.txt")), "keep");
}

// The names a search finds, sorted; the search must end with ERROR_NO_MORE_FILES and stay ended.
std::vector<std::string> FindAll(const std::string& pattern)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    HANDLE h = FindFirstFileA(pattern.c_str(), &data);
    if (h == INVALID_HANDLE_VALUE)
        return names;
    do
        names.push_back(data.cFileName);
    while (FindNextFileA(h, &data));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_FILES)) << pattern;
    EXPECT_FALSE(FindNextFileA(h, &data)) << "the end stays the end";
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_FILES));
    EXPECT_TRUE(FindClose(h));
    std::sort(names.begin(), names.end());
    return names;
}

TEST_F(FolderApiTest, SearchListsDotEntriesAndMatchesPatternsIgnoringCase)
{
    MakeFolders(Path("empty"));
    for (const char* name : {"report.OVX", "other.ovx", "readme"})
        WriteFileText(Path(name), "");
    const struct
    {
        const char* pattern;
        std::vector<std::string> names;
    } cases[] = {
        {"*", {".", "..", "empty", "file.txt", "other.ovx", "readme", "report.OVX", "sub"}},
        {"empty/*", {".", ".."}},
        {"*.ovx", {"other.ovx", "report.OVX"}},
        {"REPORT.*", {"report.OVX"}},
        {"f?le.txt", {"file.txt"}},
        {"re*", {"readme", "report.OVX"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FindAll(Path(c.pattern)), c.names) << c.pattern;

    // Folders, and only folders, say so; the size comes with the entry.
    WIN32_FIND_DATAA data;
    HANDLE h = FindFirstFileA(Path("*").c_str(), &data);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    do
    {
        std::string name = data.cFileName;
        bool bFolder = name == "." || name == ".." || name == "empty" || name == "sub";
        EXPECT_EQ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0, bFolder) << name;
        if (name == "file.txt")
        {
            EXPECT_EQ(data.nFileSizeLow, 3u);
        }
    } while (FindNextFileA(h, &data));
    FindClose(h);
}

#ifndef _WIN32
// Linux names that a path spells otherwise are listed as they are, and told apart: joined
// to their folder they would name another entry, even one outside the folder.
TEST_F(FolderApiTest, SearchListsNamesAPathCannotSpellAndTellsThemApart)
{
    const std::string host = ToHostPath(m_folder.Folder());
    const struct
    {
        const char* name;
        bool bFolder;
        bool bUsable;
    } cases[] = {
        {"a\\b.ovx", false, false}, {"..\\..\\x.ovx", false, false}, {"trailing.", false, false},
        {"blank ", false, false},   {"..\\up", true, false},         {"dots...", true, false},
        {"...", true, true},        {"plain.ovx", false, true},
    };
    std::vector<std::string> expected = {".", "..", "file.txt", "sub"};
    for (const auto& c : cases)
    {
        if (c.bFolder)
            ASSERT_EQ(mkdir((host + c.name).c_str(), 0777), 0) << c.name;
        else
            std::ofstream(host + c.name) << "x";
        expected.push_back(c.name);
        EXPECT_EQ(IsNameUsableInPath(c.name), c.bUsable) << c.name;
    }
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(FindAll(Path("*")), expected);
}
#endif

} // namespace
