#include <gtest/gtest.h>

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

} // namespace
