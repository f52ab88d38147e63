#include <functional>
#include <string>
#include <vector>

#include "tests/platform/PlatformTestSupport.h"

namespace
{

using FileApiTest = PlatformTest;

TEST_F(FileApiTest, FailuresGiveTheWindowsErrorNumbers)
{
    // Each maker returns a call that is true when it succeeded.
    auto open = [this](const char* p, DWORD access, DWORD disposition) {
        return [=, this] { return CFileHandle(Open(p, access, disposition)).Get() != INVALID_HANDLE_VALUE; };
    };
    auto attributes = [this](const char* p) {
        return [this, p] { return GetFileAttributesA(Path(p).c_str()) != INVALID_FILE_ATTRIBUTES; };
    };
    auto createFolder = [this](const char* p) { return [this, p] { return CreateDirectoryA(Path(p).c_str(), nullptr) != FALSE; }; };
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
    // Handles on files of their own, so that no row meets a sharing violation.
    CFileHandle writeOnly(Open("w.bin", GENERIC_WRITE, CREATE_NEW));
    CFileHandle readOnly(Open("r.bin", GENERIC_READ, OPEN_ALWAYS));
    HANDLE closed = Open("c.bin", GENERIC_READ, OPEN_ALWAYS);
    ASSERT_NE(closed, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(CloseHandle(closed));
    BYTE byte = 0;
    DWORD count = 0;

    const struct
    {
        const char* what;
        std::function<bool()> call;
        DWORD expected;
    } cases[] = {
        {"open a missing file", open("none.txt", GENERIC_READ, OPEN_EXISTING), ERROR_FILE_NOT_FOUND},
        {"open in a missing folder", open("none/x.txt", GENERIC_READ, OPEN_EXISTING), ERROR_PATH_NOT_FOUND},
        {"create in a missing folder", open("none/x.txt", GENERIC_WRITE, CREATE_ALWAYS), ERROR_PATH_NOT_FOUND},
        {"open through a file", open("file.txt/x.txt", GENERIC_READ, OPEN_EXISTING), ERROR_PATH_NOT_FOUND},
        {"open a file written as a folder", open("file.txt/", GENERIC_READ, OPEN_EXISTING), ERROR_INVALID_NAME},
        {"create a file written as a folder", open("new/", GENERIC_WRITE, CREATE_ALWAYS), ERROR_INVALID_NAME},
        {"create a folder written as a folder", open("sub/", GENERIC_WRITE, CREATE_ALWAYS), ERROR_ACCESS_DENIED},
        {"create new over an existing file", open("file.txt", GENERIC_WRITE, CREATE_NEW), ERROR_FILE_EXISTS},
        {"open a folder for reading", open("sub", GENERIC_READ, OPEN_EXISTING), ERROR_ACCESS_DENIED},
        {"open a folder for writing", open("sub", GENERIC_WRITE, OPEN_EXISTING), ERROR_ACCESS_DENIED},
        {"replace a folder by a file", open("sub", GENERIC_WRITE, CREATE_ALWAYS), ERROR_ACCESS_DENIED},
        {"unknown disposition", open("file.txt", GENERIC_READ, 99), ERROR_INVALID_PARAMETER},
        {"read from a write-only handle", [&] { return ReadFile(writeOnly.Get(), &byte, 1, &count, nullptr) != FALSE; },
         ERROR_ACCESS_DENIED},
        {"write to a read-only handle", [&] { return WriteFile(readOnly.Get(), &byte, 1, &count, nullptr) != FALSE; },
         ERROR_ACCESS_DENIED},
        {"read from a closed handle", [&] { return ReadFile(closed, &byte, 1, &count, nullptr) != FALSE; },
         ERROR_INVALID_HANDLE},
        {"flush a read-only handle", [&] { return FlushFileBuffers(readOnly.Get()) != FALSE; }, ERROR_ACCESS_DENIED},
        {"flush a closed handle", [&] { return FlushFileBuffers(closed) != FALSE; }, ERROR_INVALID_HANDLE},
        {"size of a closed handle", [&] { return GetFileSize(closed, nullptr) != INVALID_FILE_SIZE; }, ERROR_INVALID_HANDLE},
        {"close a closed handle", [&] { return CloseHandle(closed) != FALSE; }, ERROR_INVALID_HANDLE},
        {"attributes of a missing file", attributes("none.txt"), ERROR_FILE_NOT_FOUND},
        {"attributes in a missing folder", attributes("none/x.txt"), ERROR_PATH_NOT_FOUND},
        {"attributes through a file", attributes("file.txt/x"), ERROR_PATH_NOT_FOUND},
        {"create a folder that exists", createFolder("sub"), ERROR_ALREADY_EXISTS},
        {"create a folder where a file is", createFolder("file.txt"), ERROR_ALREADY_EXISTS},
        {"create a folder in a missing one", createFolder("none/deeper"), ERROR_PATH_NOT_FOUND},
        {"create a folder through a file", createFolder("file.txt/x"), ERROR_PATH_NOT_FOUND},
        {"delete a missing file", deleteFile("none.txt"), ERROR_FILE_NOT_FOUND},
        {"delete in a missing folder", deleteFile("none/x.txt"), ERROR_PATH_NOT_FOUND},
        {"delete a folder as a file", deleteFile("sub"), ERROR_ACCESS_DENIED},
        {"move onto an existing file", move("file.txt", "sub/inner.txt", 0), ERROR_ALREADY_EXISTS},
        {"move a missing file", move("none.txt", "other.txt", 0), ERROR_FILE_NOT_FOUND},
        {"move into a missing folder", move("file.txt", "none/x.txt", 0), ERROR_PATH_NOT_FOUND},
        {"replace a folder by moving a file", move("file.txt", "sub", MOVEFILE_REPLACE_EXISTING), ERROR_ACCESS_DENIED},
        {"search a missing folder", find("none/*"), ERROR_PATH_NOT_FOUND},
        {"search a file as a folder", find("file.txt/*"), ERROR_INVALID_NAME},
        {"search through a file", find("file.txt/x/*"), ERROR_PATH_NOT_FOUND},
        {"search with no match", find("*.zzz"), ERROR_FILE_NOT_FOUND},
    };
    for (const auto& c : cases)
    {
        SetLastError(0);
        EXPECT_FALSE(c.call()) << c.what;
        EXPECT_EQ(GetLastError(), c.expected) << c.what;
    }
    writeOnly.Close();
    readOnly.Close();
    EXPECT_EQ(ListFolder(m_folder.Folder()),
              (std::vector<std::string>{"c.bin", "file.txt", "r.bin", "sub/", "sub/inner.txt", "w.bin"}));
    EXPECT_EQ(ReadFileText(Path("file.txt")), "abc");
}

TEST_F(FileApiTest, OpenSucceedsWithAlreadyExistsOnlyWhenItFoundTheFile)
{
    const struct
    {
        const char* path;
        DWORD disposition;
        DWORD expected;
        const char* contentsAfter;
    } cases[] = {
        {"file.txt", CREATE_ALWAYS, ERROR_ALREADY_EXISTS, ""}, {"file.txt", OPEN_ALWAYS, ERROR_ALREADY_EXISTS, "abc"},
        {"file.txt", OPEN_EXISTING, 0, "abc"},                 {"file.txt", TRUNCATE_EXISTING, 0, ""},
        {"new1.txt", CREATE_ALWAYS, 0, ""},                    {"new2.txt", OPEN_ALWAYS, 0, ""},
        {"new3.txt", CREATE_NEW, 0, ""},
    };
    for (const auto& c : cases)
    {
        WriteFileText(Path("file.txt"), "abc");
        SetLastError(12345);
        HANDLE h = Open(c.path, GENERIC_WRITE, c.disposition);
        ASSERT_NE(h, INVALID_HANDLE_VALUE) << c.path << " " << c.disposition;
        EXPECT_EQ(GetLastError(), c.expected) << c.path << " " << c.disposition;
        EXPECT_TRUE(CloseHandle(h));
        EXPECT_EQ(ReadFileText(Path(c.path)), c.contentsAfter) << c.path << " " << c.disposition;
    }
}

TEST_F(FileApiTest, FilePointerMovesBeyondTheEndButNotBeforeTheStart)
{
    CFileHandle file(Open("file.txt", GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING));
    const struct
    {
        LONG low;
        LONG high;
        DWORD method;
        DWORD expectedLow;
        LONG expectedHigh;
    } moves[] = {
        {1, 0, FILE_BEGIN, 1, 0},
        {1, 0, FILE_CURRENT, 2, 0},
        {-1, -1, FILE_END, 2, 0}, // -1 as low and high halves
        {5, 1, FILE_BEGIN, 5, 1}, // 4 GiB + 5: only the position moves
        {-6, -1, FILE_CURRENT, 0xFFFFFFFF, 0},
    };
    for (const auto& m : moves)
    {
        LONG high = m.high;
        SetLastError(777);
        DWORD low = SetFilePointer(file.Get(), m.low, &high, m.method);
        EXPECT_EQ(low, m.expectedLow) << m.low << "/" << m.high;
        EXPECT_EQ(high, m.expectedHigh) << m.low << "/" << m.high;
        if (low == INVALID_SET_FILE_POINTER) // a real position with that low half
        {
            EXPECT_EQ(GetLastError(), 0u);
        }
    }

    EXPECT_EQ(SetFilePointer(file.Get(), 13, nullptr, FILE_BEGIN), 13u);
    LONG high = -1;
    EXPECT_EQ(SetFilePointer(file.Get(), -14, &high, FILE_CURRENT), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NEGATIVE_SEEK));
    EXPECT_EQ(SetFilePointer(file.Get(), -1, nullptr, FILE_BEGIN), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NEGATIVE_SEEK));
    EXPECT_EQ(SetFilePointer(file.Get(), 0, nullptr, FILE_CURRENT), 13u) << "a failed move leaves the position";

    // Reading beyond the end gives nothing; writing there fills the gap with zeros.
    BYTE byte = 'z';
    DWORD count = 1;
    EXPECT_TRUE(ReadFile(file.Get(), &byte, 1, &count, nullptr));
    EXPECT_EQ(count, 0u);
    EXPECT_TRUE(WriteFile(file.Get(), &byte, 1, &count, nullptr));
    file.Close();
    EXPECT_EQ(ReadFileText(Path("file.txt")), std::string("abc\0\0\0\0\0\0\0\0\0\0z", 14));
}

TEST_F(FileApiTest, ShortReadsAndFileSize)
{
    CFileHandle file(Open("data.bin", GENERIC_READ | GENERIC_WRITE, CREATE_NEW));
    DWORD high = 99;
    EXPECT_EQ(GetFileSize(file.Get(), &high), 0u);
    EXPECT_EQ(high, 0u);
    std::vector<BYTE> data(70000);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<BYTE>(i * 7 + 1);
    DWORD count = 0;
    ASSERT_TRUE(WriteFile(file.Get(), data.data(), static_cast<DWORD>(data.size()), &count, nullptr));
    EXPECT_EQ(count, data.size());
    EXPECT_EQ(GetFileSize(file.Get(), &high), data.size());

    EXPECT_EQ(SetFilePointer(file.Get(), 0, nullptr, FILE_BEGIN), 0u);
    std::vector<BYTE> back(100000, 0xEE);
    ASSERT_TRUE(ReadFile(file.Get(), back.data(), static_cast<DWORD>(back.size()), &count, nullptr));
    EXPECT_EQ(count, data.size());
    EXPECT_TRUE(std::equal(data.begin(), data.end(), back.begin()));
    EXPECT_EQ(back[data.size()], 0xEE); // nothing written past what was read
    count = 123;
    EXPECT_TRUE(ReadFile(file.Get(), back.data(), 10, &count, nullptr)); // at the end: success, nothing
    EXPECT_EQ(count, 0u);
}

TEST_F(FileApiTest, TrailingDotsAndBlanksOfANameAreDropped)
{
    EXPECT_TRUE(CloseHandle(Open("name. .", GENERIC_WRITE, CREATE_NEW)));
    EXPECT_EQ(ListFolder(m_folder.Folder()), (std::vector<std::string>{"file.txt", "name", "sub/", "sub/inner.txt"}));
    EXPECT_NE(GetFileAttributesA(Path("sub.\\inner.txt").c_str()), INVALID_FILE_ATTRIBUTES);
}

} // namespace
