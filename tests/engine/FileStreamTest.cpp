#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "engine/CFileStream.h"
#include "tests/support/OvxEncoder.h"
#include "tests/support/TempFolder.h"

namespace
{

constexpr UINT64 FOUR_GIB = 0x100000000ull;

class FileStreamTest : public ::testing::Test
{
protected:
    void SetUp() override { WriteFileBytes(m_folder.PathOf("100.bin"), m_data); }

    void Open(CFileStream& stream, const std::string& name, DWORD access, DWORD disposition = OPEN_EXISTING)
    {
        HANDLE h = CreateFileA(m_folder.PathOf(name).c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE) << name;
        stream.Attach(h);
    }

    TempFolder m_folder;
    std::vector<BYTE> m_data = MakePlaintext(100);
};

TEST_F(FileStreamTest, SeeksAndShortReadsDeliverWhatThereIsWithEndOfData)
{
    CFileStream stream;
    Open(stream, "new.bin", GENERIC_READ | GENERIC_WRITE, CREATE_NEW);
    UINT64 done = 0;
    ASSERT_EQ(stream.Write(m_data.data(), m_data.size(), &done), RESULT_OK);
    EXPECT_EQ(done, 100u);

    ASSERT_EQ(stream.Seek(-16, SEEK_ORIGIN_END), RESULT_OK);
    UINT64 position = 0;
    EXPECT_EQ(stream.GetPosition(&position), RESULT_OK);
    EXPECT_EQ(position, 84u);
    std::vector<BYTE> buffer(65536);
    EXPECT_EQ(stream.Read(buffer.data(), 16, &done), RESULT_OK);
    EXPECT_EQ(std::vector<BYTE>(buffer.begin(), buffer.begin() + 16), std::vector<BYTE>(m_data.begin() + 84, m_data.end()));
    EXPECT_EQ(stream.Seek(-101, SEEK_ORIGIN_END), RESULT_NEGATIVE_SEEK);
    EXPECT_EQ(stream.GetPosition(&position), RESULT_OK);
    EXPECT_EQ(position, 100u) << "a refused seek does not move";

    ASSERT_EQ(stream.Seek(0, SEEK_ORIGIN_BEGIN), RESULT_OK);
    EXPECT_EQ(stream.Read(buffer.data(), buffer.size(), &done), RESULT_END_OF_DATA);
    EXPECT_EQ(done, 100u);
    EXPECT_EQ(std::vector<BYTE>(buffer.begin(), buffer.begin() + 100), m_data);
    done = 12345;
    EXPECT_EQ(stream.Read(buffer.data(), buffer.size(), &done), RESULT_END_OF_DATA) << "again at the end";
    EXPECT_EQ(done, 0u);
    EXPECT_EQ(stream.Read(buffer.data(), 0, &done), RESULT_OK) << "nothing asked, nothing missing";
    EXPECT_EQ(stream.Read(buffer.data(), 1, nullptr), RESULT_END_OF_DATA);
}

// A low half of 0xFFFFFFFF is a failure only when the call left an error behind; a stale
// error from earlier work must not turn a real position or size into one.
TEST_F(FileStreamTest, PositionsAndSizesWithALowHalfOfAllOnesAreReal)
{
    for (UINT64 value : {UINT64(0xFFFFFFFF), FOUR_GIB + 5})
    {
        std::filesystem::resize_file(ToHostPath(m_folder.PathOf("100.bin")), value); // sparse: nothing is written
        CFileStream stream;
        Open(stream, "100.bin", GENERIC_READ);
        ASSERT_EQ(stream.Seek(0, SEEK_ORIGIN_END), RESULT_OK);
        UINT64 size = 0;
        UINT64 position = 0;
        SetLastError(ERROR_ACCESS_DENIED);
        EXPECT_EQ(stream.GetSize(&size), RESULT_OK);
        EXPECT_EQ(size, value);
        SetLastError(ERROR_ACCESS_DENIED);
        EXPECT_EQ(stream.GetPosition(&position), RESULT_OK);
        EXPECT_EQ(position, value);
    }
}

TEST_F(FileStreamTest, FailuresBecomeResultCodes)
{
    // Counts above 32 bits are refused before any system call: on a stream without a
    // handle that call would fail with the handle error.
    CFileStream empty;
    BYTE byte = 0;
    UINT64 done = 7;
    EXPECT_EQ(empty.Read(&byte, FOUR_GIB, &done), RESULT_INVALID_ARG);
    EXPECT_EQ(done, 7u) << "nothing stored";
    EXPECT_EQ(empty.Write(&byte, ~0ull, &done), RESULT_INVALID_ARG);
    EXPECT_EQ(empty.Read(&byte, 1, &done), ResultFromWin32(ERROR_INVALID_HANDLE));
    EXPECT_EQ(empty.GetSize(&done), ResultFromWin32(ERROR_INVALID_HANDLE));

    CFileStream readOnly;
    Open(readOnly, "100.bin", GENERIC_READ);
    EXPECT_EQ(readOnly.Write(&byte, 1, &done), ResultFromWin32(ERROR_ACCESS_DENIED));
    EXPECT_EQ(done, 0u);
    EXPECT_NE(readOnly.Get(), INVALID_HANDLE_VALUE) << "a failure keeps the handle";
}

} // namespace
