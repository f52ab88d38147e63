#include <filesystem>
#include <functional>

#include <gtest/gtest.h>

#include "engine/CFileHandle.h"
#include "engine/CFindHandle.h"
#include "tests/engine/EngineTestSupport.h"
#include "tests/support/TempFolder.h"

namespace
{

class HandleTest : public ::testing::Test
{
protected:
    HANDLE OpenFile()
    {
        return CreateFileA(m_folder.PathOf("x.txt").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    }

    static bool IsOpen(HANDLE h) { return GetFileSize(h, nullptr) != INVALID_FILE_SIZE; }

    TempFolder m_folder;
};

TEST_F(HandleTest, FileHandleClosesWhatItOwnsExactlyOnce)
{
    CFileHandle empty;
    SetLastError(ERROR_ACCESS_DENIED);
    EXPECT_EQ(empty.Close(), RESULT_OK) << "an empty handle needs no close";

    HANDLE first = OpenFile();
    HANDLE second = OpenFile();
    HANDLE replacement = OpenFile(); // open before `second` closes, so never its number
    {
        CFileHandle owner(first);
        owner.Attach(second);
        EXPECT_FALSE(IsOpen(first)) << "attaching closes the previous handle";
    }
    EXPECT_FALSE(IsOpen(second)) << "destruction closes";

    // A handle that fails to close is reported and forgotten all the same.
    CFileHandle stale(second);
    EXPECT_EQ(stale.Close(replacement), ResultFromWin32(ERROR_INVALID_HANDLE));
    EXPECT_EQ(stale.Get(), replacement);
}

TEST_F(HandleTest, FindHandleTakesTheFailedSearchAsEmpty)
{
    WIN32_FIND_DATAA data;
    CFindHandle missing;
    missing.Attach(FindFirstFileA(m_folder.PathOf("none\\*").c_str(), &data));
    EXPECT_TRUE(missing.IsEmpty());
    EXPECT_EQ(missing.Close(), RESULT_OK);

    CFindHandle search;
    search.Attach(FindFirstFileA(m_folder.PathOf("*").c_str(), &data));
    ASSERT_FALSE(search.IsEmpty());
    EXPECT_EQ(search.Close(), RESULT_OK);
    EXPECT_TRUE(search.IsEmpty());
}

// Like Windows, the file system calls never throw: out of memory at any of their
// allocations, they fail with ERROR_NOT_ENOUGH_MEMORY (or succeed regardless).
TEST_F(HandleTest, FileSystemCallsFailWithoutThrowingWhenMemoryRunsOut)
{
    const std::string folder = m_folder.PathOf("a folder with a name past any short-string buffer");
    const std::string newFolder = folder + " too";
    const std::string file = m_folder.PathOf("x.txt");
    const std::string moved = m_folder.PathOf("a file with a name past any short-string buffer.txt");
    const std::string pattern = m_folder.PathOf("*");
    auto openFile = [&] {
        HANDLE h = CreateFileA(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_ALWAYS, 0, nullptr);
        return h != INVALID_HANDLE_VALUE && CloseHandle(h);
    };
    auto findFile = [&] {
        WIN32_FIND_DATAA found;
        HANDLE h = FindFirstFileA(pattern.c_str(), &found);
        return h != INVALID_HANDLE_VALUE && FindClose(h);
    };
    auto fullPath = [&] {
        char full[MAX_PATH];
        return GetFullPathNameA(moved.c_str(), MAX_PATH, full, nullptr) != 0;
    };
    auto nothing = [] {};
    const struct
    {
        const char* what;
        std::function<bool()> call;
        std::function<void()> undo; // back to the state before the call
    } calls[] = {
        {"GetFileAttributesA", [&] { return GetFileAttributesA(folder.c_str()) != INVALID_FILE_ATTRIBUTES; }, nothing},
        {"CreateDirectoryA", [&] { return CreateDirectoryA(newFolder.c_str(), nullptr) != FALSE; },
         [&] { std::filesystem::remove(ToHostPath(newFolder)); }},
        {"CreateFileA", openFile, nothing},
        {"MoveFileExA", [&] { return MoveFileExA(file.c_str(), moved.c_str(), MOVEFILE_WRITE_THROUGH) != FALSE; },
         [&] { MoveFileExA(moved.c_str(), file.c_str(), 0); }},
        {"FindFirstFileA", findFile, nothing},
        {"GetFullPathNameA", fullPath, nothing},
        {"DeleteFileA", [&] { return DeleteFileA(file.c_str()) != FALSE; }, openFile},
    };
    CloseHandle(OpenFile());
    MakeFolders(folder);
    for (const auto& c : calls)
    {
        SCOPED_TRACE(c.what);
        FailNthAllocation(0);
        ASSERT_TRUE(c.call());
        const long nAllocations = FailNthAllocation(0);
        c.undo();
        for (long n = 1; n <= nAllocations; ++n)
        {
            bool bDone = false;
            FailNthAllocation(n);
            EXPECT_NO_THROW(bDone = c.call()) << "allocation " << n;
            const DWORD error = GetLastError();
            FailNthAllocation(0);
            if (!bDone)
            {
                EXPECT_EQ(error, DWORD(ERROR_NOT_ENOUGH_MEMORY)) << "allocation " << n;
            }
            else
            {
                c.undo();
            }
        }
    }
}

} // namespace
