#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "tests/platform/PlatformTestSupport.h"

namespace
{

using FolderApiTest = PlatformTest;

// One call that is expected to fail, and the error Windows gives for it.
struct FailureCase
{
    const char* what;
    std::function<bool()> call; // true when the call succeeded
    DWORD expected;
};

TEST_F(FolderApiTest, FailuresGiveTheWindowsErrorNumbers)
{
    auto attributes = [this](const char* p) {
        return [this, p] { return GetFileAttributesA(Path(p).c_str()) != INVALID_FILE_ATTRIBUTES; };
    };
    auto createFolder = [this](const char* p) { return [this, p] { return CreateDirectoryA(Path(p).c_str(), nullptr) != FALSE; }; };
    auto removeFolder = [this](const char* p) { return [this, p] { return RemoveDirectoryA(Path(p).c_str()) != FALSE; }; };
    auto deleteFile = [this](const char* p) { return [this, p] { return DeleteFileA(Path(p).c_str()) != FALSE; }; };
    auto move = [this](const char* from, const char* to, DWORD flags) {
        return [=, this] { return MoveFileExA(Path(from).c_str(), Path(to).c_str(), flags) != FALSE; };
    };
    auto find = [this](const char* p) {
        return [this, p] {
            WIN32_FIND_DATAA data;
            HANDLE h = FindFirstFileA(Path(p).c_str(), &data);
            return h != INVALID_HANDLE_VALUE && FindClose(h);
        };
    };

    const FailureCase cases[] = {
        {"attributes of a missing file", attributes("none.txt"), ERROR_FILE_NOT_FOUND},
        {"attributes in a missing folder", attributes("none/x.txt"), ERROR_PATH_NOT_FOUND},
        {"create a folder that exists", createFolder("sub"), ERROR_ALREADY_EXISTS},
        {"create a folder where a file is", createFolder("file.txt"), ERROR_ALREADY_EXISTS},
        {"create a folder in a missing one", createFolder("none/deeper"), ERROR_PATH_NOT_FOUND},
        {"remove a folder that holds a file", removeFolder("sub"), ERROR_DIR_NOT_EMPTY},
        {"remove a missing folder", removeFolder("none"), ERROR_FILE_NOT_FOUND},
        {"remove a file as a folder", removeFolder("file.txt"), ERROR_DIRECTORY},
        {"delete a missing file", deleteFile("none.txt"), ERROR_FILE_NOT_FOUND},
        {"delete in a missing folder", deleteFile("none/x.txt"), ERROR_PATH_NOT_FOUND},
        {"delete a folder as a file", deleteFile("sub"), ERROR_ACCESS_DENIED},
        {"move onto an existing file", move("file.txt", "sub/inner.txt", 0), ERROR_ALREADY_EXISTS},
        {"move a missing file", move("none.txt", "other.txt", 0), ERROR_FILE_NOT_FOUND},
        {"move into a missing folder", move("file.txt", "none/x.txt", 0), ERROR_PATH_NOT_FOUND},
        {"replace a folder by a file", move("file.txt", "sub", MOVEFILE_REPLACE_EXISTING), ERROR_ACCESS_DENIED},
        {"search a missing folder", find("none/*"), ERROR_PATH_NOT_FOUND},
        {"search a file as a folder", find("file.txt/*"), ERROR_INVALID_NAME},
        {"search through a file", find("file.txt/x/*"), ERROR_PATH_NOT_FOUND},
        {"attributes through a file", attributes("file.txt/x"), ERROR_PATH_NOT_FOUND},
        {"create a folder through a file", createFolder("file.txt/x"), ERROR_PATH_NOT_FOUND},
        {"search with no match", find("*.zzz"), ERROR_FILE_NOT_FOUND},
    };
    for (const FailureCase& c : cases)
    {
        SetLastError(0);
        EXPECT_FALSE(c.call()) << c.what;
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(c.expected)) << c.what;
    }
    EXPECT_EQ(ListFolder(m_folder.Folder()), (std::vector<std::string>{"file.txt", "sub/", "sub/inner.txt"}));
}

TEST_F(FolderApiTest, AttributesTellFoldersFromFiles)
{
    DWORD file = GetFileAttributesA(Path("file.txt").c_str());
    ASSERT_NE(file, INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(file & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_REPARSE_POINT), 0u);

    for (const char* folder : {"sub", "sub/", "sub/.", "sub/../sub"})
    {
        DWORD attributes = GetFileAttributesA(Path(folder).c_str());
        ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES) << folder;
        EXPECT_NE(attributes & FILE_ATTRIBUTE_DIRECTORY, 0u) << folder;
    }
    EXPECT_NE(GetFileAttributesA(m_folder.Folder().c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
}

TEST_F(FolderApiTest, ReadOnlyFilesAreNeitherWrittenNorDeleted)
{
    HANDLE h = CreateFileA(Path("locked.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_READONLY, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD count = 0;
    EXPECT_TRUE(WriteFile(h, "keep", 4, &count, nullptr)) << "the creating handle may write";
    CloseHandle(h);

    EXPECT_NE(GetFileAttributesA(Path("locked.txt").c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
#ifndef _WIN32
    // Windows refuses to open a read-only file for writing; Wine run by the superuser
    // lets it through, so this part is checked natively only.
    for (DWORD disposition : {DWORD(OPEN_EXISTING), DWORD(CREATE_ALWAYS), DWORD(TRUNCATE_EXISTING)})
    {
        SetLastError(0);
        CFileHandle again(Open("locked.txt", GENERIC_WRITE, disposition));
        DWORD error = GetLastError();
        EXPECT_EQ(again.Get(), INVALID_HANDLE_VALUE) << disposition;
        EXPECT_EQ(error, static_cast<DWORD>(ERROR_ACCESS_DENIED)) << disposition;
    }
#endif
    EXPECT_FALSE(DeleteFileA(Path("locked.txt").c_str()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(ReadFileText(Path("locked.txt")), "keep");
}

TEST_F(FolderApiTest, FoldersAreCreatedAndRemoved)
{
    ASSERT_TRUE(CreateDirectoryA(Path("made").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(Path("made/deeper/").c_str(), nullptr)) << "a trailing separator is fine";
    EXPECT_EQ(ListFolder(Path("made")), std::vector<std::string>{"deeper/"});
    EXPECT_TRUE(RemoveDirectoryA(Path("made/deeper").c_str()));
    EXPECT_TRUE(RemoveDirectoryA(Path("made").c_str()));
    EXPECT_FALSE(PathExists(Path("made")));
    EXPECT_TRUE(DeleteFileA(Path("sub/inner.txt").c_str()));
    EXPECT_TRUE(RemoveDirectoryA(Path("sub").c_str()));
    EXPECT_EQ(ListFolder(m_folder.Folder()), std::vector<std::string>{"file.txt"});
}

TEST_F(FolderApiTest, MoveReplacesOnlyWhenAsked)
{
    WriteFileText(Path("target.txt"), "old");
    ASSERT_FALSE(MoveFileExA(Path("file.txt").c_str(), Path("target.txt").c_str(), 0));
    EXPECT_EQ(ReadFileText(Path("target.txt")), "old");
    ASSERT_TRUE(MoveFileExA(Path("file.txt").c_str(), Path("target.txt").c_str(), MOVEFILE_REPLACE_EXISTING));
    EXPECT_EQ(ReadFileText(Path("target.txt")), "abc");
    ASSERT_TRUE(MoveFileExA(Path("target.txt").c_str(), Path("sub/moved.txt").c_str(), 0));
    EXPECT_EQ(ListFolder(m_folder.Folder()), (std::vector<std::string>{"sub/", "sub/inner.txt", "sub/moved.txt"}));
}

// Every entry of a search, with its attributes and size.
struct FoundEntry
{
    std::string name;
    DWORD attributes;
    UINT64 size;
};

std::vector<FoundEntry> FindAll(const std::string& pattern, DWORD* endError)
{
    std::vector<FoundEntry> entries;
    WIN32_FIND_DATAA data;
    HANDLE h = FindFirstFileA(pattern.c_str(), &data);
    *endError = h == INVALID_HANDLE_VALUE ? GetLastError() : 0;
    if (h == INVALID_HANDLE_VALUE)
        return entries;
    do
        entries.push_back({data.cFileName, data.dwFileAttributes, (UINT64(data.nFileSizeHigh) << 32) | data.nFileSizeLow});
    while (FindNextFileA(h, &data));
    *endError = GetLastError();
    EXPECT_FALSE(FindNextFileA(h, &data)) << "the end stays the end";
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_FILES));
    EXPECT_TRUE(FindClose(h));
    std::sort(entries.begin(), entries.end(), [](const FoundEntry& a, const FoundEntry& b) { return a.name < b.name; });
    return entries;
}

std::vector<std::string> NamesOf(const std::vector<FoundEntry>& entries)
{
    std::vector<std::string> names;
    for (const FoundEntry& e : entries)
        names.push_back(e.name);
    return names;
}

TEST_F(FolderApiTest, SearchListsDotEntriesAndEveryFile)
{
    MakeFolders(Path("empty"));
    DWORD endError = 0;
    std::vector<FoundEntry> entries = FindAll(Path("*"), &endError);
    EXPECT_EQ(endError, static_cast<DWORD>(ERROR_NO_MORE_FILES));
    ASSERT_EQ(NamesOf(entries), (std::vector<std::string>{".", "..", "empty", "file.txt", "sub"}));
    for (const FoundEntry& e : entries)
    {
        bool bFolder = e.name != "file.txt";
        EXPECT_EQ((e.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0, bFolder) << e.name;
    }
    EXPECT_EQ(entries[3].size, 3u);

    EXPECT_EQ(NamesOf(FindAll(Path("empty/*"), &endError)), (std::vector<std::string>{".", ".."}));
}

TEST_F(FolderApiTest, SearchPatternsMatchNamesIgnoringCase)
{
    WriteFileText(Path("report.OVX"), "");
    WriteFileText(Path("other.ovx"), "");
    WriteFileText(Path("readme"), "");
    struct
    {
        const char* pattern;
        std::vector<std::string> names;
    } cases[] = {
        {"*.ovx", {"other.ovx", "report.OVX"}},
        {"REPORT.*", {"report.OVX"}},
        {"f?le.txt", {"file.txt"}},
        {"*.*", {".", "..", "file.txt", "other.ovx", "readme", "report.OVX", "sub"}},
        {"re*", {"readme", "report.OVX"}},
    };
    for (const auto& c : cases)
    {
        DWORD endError = 0;
        EXPECT_EQ(NamesOf(FindAll(Path(c.pattern), &endError)), c.names) << c.pattern;
    }
}

TEST_F(FolderApiTest, SymbolicLinksAreReparsePoints)
{
    if (!MakeSymbolicLink(Path("sub"), Path("link-to-sub")) || !MakeSymbolicLink(Path("file.txt"), Path("link-to-file")))
        GTEST_SKIP() << "symbolic links cannot be made here";

    DWORD toFolder = GetFileAttributesA(Path("link-to-sub").c_str());
    EXPECT_EQ(toFolder & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY),
              FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY);
    DWORD toFile = GetFileAttributesA(Path("link-to-file").c_str());
    EXPECT_EQ(toFile & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY), FILE_ATTRIBUTE_REPARSE_POINT);

    DWORD endError = 0;
    for (const FoundEntry& e : FindAll(Path("link*"), &endError))
        EXPECT_NE(e.attributes & FILE_ATTRIBUTE_REPARSE_POINT, 0u) << e.name;

    // Removing the link to a folder leaves the folder.
    EXPECT_TRUE(RemoveDirectoryA(Path("link-to-sub").c_str()));
    EXPECT_EQ(ReadFileText(Path("sub/inner.txt")), "inner");
}

} // namespace
