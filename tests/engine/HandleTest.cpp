#include <gtest/gtest.h>

#include <string>

#include "engine/CFileHandle.h"
#include "engine/CFindHandle.h"
#include "tests/support/TempFolder.h"

namespace
{

class HandleTest : public ::testing::Test
{
protected:
    HANDLE OpenFile()
    {
        return CreateFileA(m_folder.PathOf("x.txt").c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    }

    // True while `h` is an open file: its size can be read.
    static bool IsOpen(HANDLE h) { return GetFileSize(h, nullptr) != INVALID_FILE_SIZE; }

    TempFolder m_folder;
};

TEST_F(HandleTest, FileHandleClosesWhatItOwnsExactlyOnce)
{
    CFileHandle empty;
    EXPECT_TRUE(empty.IsEmpty());
    SetLastError(ERROR_ACCESS_DENIED);
    EXPECT_EQ(empty.Close(), RESULT_OK) << "an empty handle needs no close";

    HANDLE first = OpenFile();
    HANDLE second = OpenFile();
    ASSERT_NE(first, INVALID_HANDLE_VALUE);
    ASSERT_NE(second, INVALID_HANDLE_VALUE);
    {
        CFileHandle owner(first);
        owner.Attach(second);
        EXPECT_FALSE(IsOpen(first)) << "attaching closes the previous handle";
        EXPECT_EQ(owner.Get(), second);
    }
    EXPECT_FALSE(IsOpen(second)) << "destruction closes";

    HANDLE third = OpenFile();
    CFileHandle kept(third);
    EXPECT_EQ(kept.Detach(), third);
    EXPECT_TRUE(kept.IsEmpty());
    EXPECT_TRUE(IsOpen(third));
    EXPECT_TRUE(CloseHandle(third));
}

TEST_F(HandleTest, FileHandleForgetsAHandleThatFailsToClose)
{
    HANDLE h = OpenFile();
    HANDLE replacement = OpenFile();
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(CloseHandle(h)); // behind the owner's back: its close will fail

    CFileHandle owner(h);
    EXPECT_EQ(owner.Close(replacement), ResultFromWin32(ERROR_INVALID_HANDLE));
    EXPECT_EQ(owner.Get(), replacement) << "the new value is stored all the same";
    EXPECT_EQ(owner.Close(), RESULT_OK);
    EXPECT_TRUE(owner.IsEmpty());
}

TEST_F(HandleTest, FindHandleTakesTheFailedSearchAsEmpty)
{
    WIN32_FIND_DATAA data;
    CFindHandle missing;
    missing.Attach(FindFirstFileA(m_folder.PathOf("none\\*").c_str(), &data));
    EXPECT_TRUE(missing.IsEmpty());
    EXPECT_EQ(missing.Get(), nullptr);
    EXPECT_EQ(missing.Close(), RESULT_OK);

    CFindHandle search;
    search.Attach(FindFirstFileA(m_folder.PathOf("*").c_str(), &data));
    ASSERT_FALSE(search.IsEmpty());
    EXPECT_TRUE(FindNextFileA(search.Get(), &data));
    EXPECT_EQ(search.Close(), RESULT_OK);
    EXPECT_TRUE(search.IsEmpty());
}

} // namespace
