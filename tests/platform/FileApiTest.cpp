#include <cstring>
#include <functional>
#include <vector>

#include "tests/platform/PlatformTestSupport.h"

namespace
{

using FileApiTest = PlatformTest;

struct OpenCase
{
    const char* what;
    const char* path;
    DWORD access;
    DWORD disposition;
    DWORD expected;
};

TEST_F(FileApiTest, OpenFailuresGiveTheWindowsErrorNumbers)
{
    const OpenCase cases[] = {
        {"missing file", "none.txt", GENERIC_READ, OPEN_EXISTING, ERROR_FILE_NOT_FOUND},
        {"missing parent folder", "none/x.txt", GENERIC_READ, OPEN_EXISTING, ERROR_PATH_NOT_FOUND},
        {"create in a missing folder", "none/x.txt", GENERIC_WRITE, CREATE_ALWAYS, ERROR_PATH_NOT_FOUND},
        {"path through a file", "file.txt/x.txt", GENERIC_READ, OPEN_EXISTING, ERROR_PATH_NOT_FOUND},
        {"file written as a folder", "file.txt/", GENERIC_READ, OPEN_EXISTING, ERROR_INVALID_NAME},
        {"new file written as a folder", "new/", GENERIC_WRITE, CREATE_ALWAYS, ERROR_INVALID_NAME},
        {"folder written as a folder", "sub/", GENERIC_WRITE, CREATE_ALWAYS, ERROR_ACCESS_DENIED},
        {"create new over an existing file", "file.txt", GENERIC_WRITE, CREATE_NEW, ERROR_FILE_EXISTS},
        {"folder opened for reading", "sub", GENERIC_READ, OPEN_EXISTING, ERROR_ACCESS_DENIED},
        {"folder opened for writing", "sub", GENERIC_WRITE, OPEN_EXISTING, ERROR_ACCESS_DENIED},
        {"folder replaced by a file", "sub", GENERIC_WRITE, CREATE_ALWAYS, ERROR_ACCESS_DENIED},
        {"unknown disposition", "file.txt", GENERIC_READ, 99, ERROR_INVALID_PARAMETER},
    };
    for (const OpenCase& c : cases)
    {
        SetLastError(0);
        HANDLE h = Open(c.path, c.access, c.disposition);
        CFileHandle owner(h);
        EXPECT_EQ(h, INVALID_HANDLE_VALUE) << c.what;
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(c.expected)) << c.what;
    }
    EXPECT_EQ(ReadFileText(Path("file.txt")), "abc");
}

TEST_F(FileApiTest, OpenSucceedsWithAlreadyExistsOnlyWhenItFoundTheFile)
{
    struct
    {
        const char* path;
        DWORD disposition;
        DWORD expected;
        const char* contentsAfter;
    } cases[] = {
        {"file.txt", CREATE_ALWAYS, ERROR_ALREADY_EXISTS, ""},
        {"file.txt", OPEN_ALWAYS, ERROR_ALREADY_EXISTS, "abc"},
        {"file.txt", OPEN_EXISTING, 0, "abc"},
        {"file.txt", TRUNCATE_EXISTING, 0, ""},
        {"new1.txt", CREATE_ALWAYS, 0, ""},
        {"new2.txt", OPEN_ALWAYS, 0, ""},
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

TEST_F(FileApiTest, WriteThenReadBackWithShortReadsAtTheEnd)
{
    CFileHandle file(Open("data.bin", GENERIC_READ | GENERIC_WRITE, CREATE_NEW));
    ASSERT_NE(file.Get(), INVALID_HANDLE_VALUE);
    std::vector<BYTE> data(70000);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<BYTE>(i * 7 + 1);
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(file.Get(), data.data(), static_cast<DWORD>(data.size()), &written, nullptr));
    EXPECT_EQ(written, data.size());
    ASSERT_TRUE(WriteFile(file.Get(), data.data(), 0, &written, nullptr));
    EXPECT_EQ(written, 0u);

    EXPECT_EQ(SetFilePointer(file.Get(), 0, nullptr, FILE_BEGIN), 0u);
    std::vector<BYTE> back(100000, 0xEE);
    DWORD got = 0;
    ASSERT_TRUE(ReadFile(file.Get(), back.data(), static_cast<DWORD>(back.size()), &got, nullptr));
    EXPECT_EQ(got, data.size());
    EXPECT_TRUE(std::equal(data.begin(), data.end(), back.begin()));
    EXPECT_EQ(back[data.size()], 0xEE); // nothing written past what was read

    got = 123;
    EXPECT_TRUE(ReadFile(file.Get(), back.data(), 10, &got, nullptr)); // at the end: success, nothing
    EXPECT_EQ(got, 0u);
    EXPECT_EQ(ReadFileBytes(Path("data.bin")), data);
}

TEST_F(FileApiTest, ReadAndWriteNeedTheAccessTheHandleWasOpenedFor)
{
    BYTE byte = 0;
    DWORD count = 0;
    CFileHandle writeOnly(Open("file.txt", GENERIC_WRITE, OPEN_EXISTING));
    ASSERT_NE(writeOnly.Get(), INVALID_HANDLE_VALUE);
    EXPECT_FALSE(ReadFile(writeOnly.Get(), &byte, 1, &count, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));

    CFileHandle readOnly(Open("sub/inner.txt", GENERIC_READ, OPEN_EXISTING));
    ASSERT_NE(readOnly.Get(), INVALID_HANDLE_VALUE);
    EXPECT_FALSE(WriteFile(readOnly.Get(), &byte, 1, &count, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_FALSE(SetEndOfFile(readOnly.Get())); // the error number differs between Windows and Wine
    EXPECT_EQ(ReadFileText(Path("sub/inner.txt")), "inner");
}

TEST_F(FileApiTest, FilePointerMovesBeyondTheEndButNotBeforeTheStart)
{
    CFileHandle file(Open("file.txt", GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING));
    ASSERT_NE(file.Get(), INVALID_HANDLE_VALUE);

    struct
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
        {10, 0, FILE_END, 13, 0}, // beyond the end
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
    EXPECT_EQ(GetFileSize(file.Get(), nullptr), 3u);
    EXPECT_TRUE(WriteFile(file.Get(), &byte, 1, &count, nullptr));
    file.Close();
    std::string expected("abc\0\0\0\0\0\0\0\0\0\0z", 14);
    EXPECT_EQ(ReadFileText(Path("file.txt")), expected);
}

TEST_F(FileApiTest, FileSizeAndEndOfFile)
{
    CFileHandle file(Open("empty.bin", GENERIC_READ | GENERIC_WRITE, CREATE_NEW));
    ASSERT_NE(file.Get(), INVALID_HANDLE_VALUE);
    DWORD high = 99;
    EXPECT_EQ(GetFileSize(file.Get(), &high), 0u);
    EXPECT_EQ(high, 0u);

    DWORD count = 0;
    ASSERT_TRUE(WriteFile(file.Get(), "0123456789", 10, &count, nullptr));
    EXPECT_EQ(GetFileSize(file.Get(), &high), 10u);

    struct
    {
        LONG position;
        DWORD size;
    } ends[] = {{4, 4}, {4096, 4096}, {7, 7}};
    for (const auto& e : ends)
    {
        EXPECT_EQ(SetFilePointer(file.Get(), e.position, nullptr, FILE_BEGIN), static_cast<DWORD>(e.position));
        EXPECT_TRUE(SetEndOfFile(file.Get()));
        EXPECT_EQ(GetFileSize(file.Get(), &high), e.size);
        EXPECT_EQ(SetFilePointer(file.Get(), 0, nullptr, FILE_CURRENT), static_cast<DWORD>(e.position));
    }
    file.Close();
    EXPECT_EQ(ReadFileText(Path("empty.bin")), std::string("0123\0\0\0", 7));
}

TEST_F(FileApiTest, LockedRangesExcludeOtherHandles)
{
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE;
    CFileHandle first(Open("file.txt", GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING, share));
    CFileHandle second(Open("file.txt", GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING, share));
    ASSERT_NE(first.Get(), INVALID_HANDLE_VALUE);
    ASSERT_NE(second.Get(), INVALID_HANDLE_VALUE);

    ASSERT_TRUE(LockFile(first.Get(), 0, 0, 10, 0));
    EXPECT_FALSE(LockFile(second.Get(), 5, 0, 10, 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_LOCK_VIOLATION));
    EXPECT_FALSE(LockFile(first.Get(), 9, 0, 1, 0)) << "locks do not nest, even on one handle";
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_LOCK_VIOLATION));
    EXPECT_TRUE(LockFile(second.Get(), 10, 0, 10, 0)) << "adjacent ranges do not overlap";
    EXPECT_TRUE(LockFile(second.Get(), 0, 1, 1, 0)) << "beyond 4 GiB";

    // Only a whole locked range unlocks (Windows says ERROR_NOT_LOCKED, Wine ERROR_LOCK_VIOLATION).
    EXPECT_FALSE(UnlockFile(first.Get(), 0, 0, 5, 0));
    EXPECT_FALSE(LockFile(second.Get(), 0, 0, 1, 0)) << "still locked";
    EXPECT_TRUE(UnlockFile(first.Get(), 0, 0, 10, 0));
    EXPECT_TRUE(LockFile(second.Get(), 5, 0, 5, 0));

    // Closing a handle releases its locks.
    second.Close();
    EXPECT_TRUE(LockFile(first.Get(), 0, 0, 20, 0));
}

TEST_F(FileApiTest, StaleHandlesAreRefused)
{
    HANDLE h = Open("file.txt", GENERIC_READ, OPEN_EXISTING);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(CloseHandle(h));

    BYTE byte = 0;
    DWORD count = 5;
    EXPECT_FALSE(ReadFile(h, &byte, 1, &count, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(GetFileSize(h, nullptr), INVALID_FILE_SIZE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_FALSE(CloseHandle(h));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST_F(FileApiTest, TrailingDotsAndBlanksOfANameAreDropped)
{
    CFileHandle file(Open("name. .", GENERIC_WRITE, CREATE_NEW));
    ASSERT_NE(file.Get(), INVALID_HANDLE_VALUE);
    file.Close();
    EXPECT_EQ(ListFolder(m_folder.Folder()), (std::vector<std::string>{"file.txt", "name", "sub/", "sub/inner.txt"}));
    EXPECT_NE(GetFileAttributesA(Path("sub.\\inner.txt").c_str()), INVALID_FILE_ATTRIBUTES);
}

} // namespace
