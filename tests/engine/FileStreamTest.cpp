#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "decode/CChunkDecoder.h"
#include "decode/CRecordDecoder.h"
#include "engine/CFileStream.h"
#include "tests/engine/EngineTestSupport.h"
#include "tests/support/TempFolder.h"

namespace
{

constexpr UINT64 FOUR_GIB = 0x100000000ull;

class FileStreamTest : public ::testing::Test
{
protected:
    // A stream over `relative` in the temporary folder, opened for reading and writing.
    void Open(CFileStream& stream, const std::string& relative, DWORD access = GENERIC_READ | GENERIC_WRITE,
              DWORD disposition = OPEN_EXISTING)
    {
        HANDLE h = CreateFileA(m_folder.PathOf(relative).c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE) << relative;
        stream.Attach(h);
    }

    void SetUp() override
    {
        m_data = MakePlaintext(100);
        WriteFileBytes(m_folder.PathOf("100.bin"), m_data);
    }

    TempFolder m_folder;
    std::vector<BYTE> m_data;
};

TEST_F(FileStreamTest, ShortReadsDeliverWhatThereIsWithEndOfData)
{
    CFileStream stream;
    Open(stream, "100.bin", GENERIC_READ);
    std::vector<BYTE> buffer(65536);
    UINT64 done = 12345;
    EXPECT_EQ(stream.Read(buffer.data(), buffer.size(), &done), RESULT_END_OF_DATA);
    EXPECT_EQ(done, 100u);
    EXPECT_TRUE(std::equal(m_data.begin(), m_data.end(), buffer.begin()));

    done = 12345;
    EXPECT_EQ(stream.Read(buffer.data(), buffer.size(), &done), RESULT_END_OF_DATA) << "again at the end";
    EXPECT_EQ(done, 0u);
    EXPECT_EQ(stream.Read(buffer.data(), 0, &done), RESULT_OK) << "nothing asked, nothing missing";
    EXPECT_EQ(done, 0u);
    EXPECT_EQ(stream.Read(buffer.data(), 1, nullptr), RESULT_END_OF_DATA);
}

TEST_F(FileStreamTest, CountsAbove32BitsAreRefusedBeforeAnySystemCall)
{
    // On a stream without a handle a system call would fail with the handle error;
    // the count check answers first.
    CFileStream empty;
    BYTE byte = 0;
    UINT64 done = 7;
    EXPECT_EQ(empty.Read(&byte, FOUR_GIB, &done), RESULT_INVALID_ARG);
    EXPECT_EQ(done, 7u) << "nothing stored";
    EXPECT_EQ(empty.Write(&byte, FOUR_GIB, &done), RESULT_INVALID_ARG);
    EXPECT_EQ(empty.Read(&byte, 1, &done), ResultFromWin32(ERROR_INVALID_HANDLE));

    CFileStream stream;
    Open(stream, "100.bin");
    EXPECT_EQ(stream.Read(&byte, ~0ull, &done), RESULT_INVALID_ARG);
    UINT64 position = 1;
    EXPECT_EQ(stream.GetPosition(&position), RESULT_OK);
    EXPECT_EQ(position, 0u);
}

TEST_F(FileStreamTest, SeekFromTheEndThenReadTheTail)
{
    CFileStream stream;
    Open(stream, "100.bin", GENERIC_READ);
    ASSERT_EQ(stream.Seek(-16, SEEK_ORIGIN_END), RESULT_OK);
    UINT64 position = 0;
    EXPECT_EQ(stream.GetPosition(&position), RESULT_OK);
    EXPECT_EQ(position, 84u);
    BYTE tail[16];
    UINT64 done = 0;
    EXPECT_EQ(stream.Read(tail, sizeof(tail), &done), RESULT_OK);
    EXPECT_EQ(done, 16u);
    EXPECT_TRUE(std::equal(tail, tail + 16, m_data.begin() + 84));

    EXPECT_EQ(stream.Seek(-101, SEEK_ORIGIN_END), RESULT_NEGATIVE_SEEK);
    EXPECT_EQ(stream.GetPosition(&position), RESULT_OK);
    EXPECT_EQ(position, 100u) << "a refused seek does not move";
    EXPECT_EQ(stream.Seek(-50, SEEK_ORIGIN_CURRENT), RESULT_OK);
    EXPECT_EQ(stream.GetPosition(&position), RESULT_OK);
    EXPECT_EQ(position, 50u);
}

TEST(SplitValueTest, LowHalfOfAllOnesFailsOnlyWithALastError)
{
    struct
    {
        DWORD low;
        DWORD high;
        DWORD lastError;
        HRESULT hr;
        UINT64 value;
    } cases[] = {
        {5, 0, 0, RESULT_OK, 5},
        {5, 1, ERROR_ACCESS_DENIED, RESULT_OK, FOUR_GIB + 5}, // a stale error is ignored
        {0xFFFFFFFF, 0, 0, RESULT_OK, 0xFFFFFFFF},            // a real value
        {0xFFFFFFFF, 2, 0, RESULT_OK, 3 * FOUR_GIB - 1},
        {0xFFFFFFFF, 0, ERROR_INVALID_HANDLE, ResultFromWin32(ERROR_INVALID_HANDLE), 0xFFFFFFFF},
        {0xFFFFFFFF, 0, ERROR_NEGATIVE_SEEK, RESULT_NEGATIVE_SEEK, 0xFFFFFFFF},
    };
    for (const auto& c : cases)
    {
        SplitValueResult result = CombineSplitValue(c.low, c.high, c.lastError);
        EXPECT_EQ(result.hr, c.hr) << c.low << "/" << c.high << "/" << c.lastError;
        EXPECT_EQ(result.value, c.value) << c.low << "/" << c.high << "/" << c.lastError;
    }
}

TEST_F(FileStreamTest, PositionsAndSizesWithALowHalfOfAllOnesAreReal)
{
    CFileStream stream;
    Open(stream, "big.bin", GENERIC_READ | GENERIC_WRITE, CREATE_NEW);
    // A stale error from earlier work must not turn these values into failures.
    for (UINT64 value : {UINT64(0xFFFFFFFF), FOUR_GIB + 5})
    {
        SetLastError(ERROR_ACCESS_DENIED);
        ASSERT_EQ(stream.SetSize(value), RESULT_OK); // sparse: nothing is written
        UINT64 size = 0;
        UINT64 position = 0;
        SetLastError(ERROR_ACCESS_DENIED);
        EXPECT_EQ(stream.GetSize(&size), RESULT_OK);
        EXPECT_EQ(size, value);
        SetLastError(ERROR_ACCESS_DENIED);
        EXPECT_EQ(stream.GetPosition(&position), RESULT_OK);
        EXPECT_EQ(position, value) << "SetSize leaves the position at the new end";
    }
    ASSERT_EQ(stream.SetSize(0), RESULT_OK);
}

TEST_F(FileStreamTest, SetSizeTruncatesAndExtends)
{
    CFileStream stream;
    Open(stream, "100.bin");
    ASSERT_EQ(stream.SetSize(10), RESULT_OK);
    ASSERT_EQ(stream.SetSize(12), RESULT_OK);
    UINT64 size = 0;
    EXPECT_EQ(stream.GetSize(&size), RESULT_OK);
    EXPECT_EQ(size, 12u);
    EXPECT_EQ(stream.Close(), RESULT_OK);

    std::vector<BYTE> expected(m_data.begin(), m_data.begin() + 10);
    expected.resize(12, 0);
    EXPECT_EQ(ReadFileBytes(m_folder.PathOf("100.bin")), expected);
}

TEST_F(FileStreamTest, WriteThenReadBack)
{
    CFileStream stream;
    Open(stream, "new.bin", GENERIC_READ | GENERIC_WRITE, CREATE_NEW);
    std::vector<BYTE> data = MakePlaintext(5000, 7);
    UINT64 written = 0;
    ASSERT_EQ(stream.Write(data.data(), data.size(), &written), RESULT_OK);
    EXPECT_EQ(written, data.size());
    EXPECT_EQ(stream.Write(data.data(), 0, nullptr), RESULT_OK);

    ASSERT_EQ(stream.Seek(0, SEEK_ORIGIN_BEGIN), RESULT_OK);
    std::vector<BYTE> back(data.size());
    UINT64 done = 0;
    EXPECT_EQ(stream.Read(back.data(), back.size(), &done), RESULT_OK);
    EXPECT_EQ(back, data);
}

TEST_F(FileStreamTest, SystemFailuresBecomeResultCodes)
{
    CFileStream readOnly;
    Open(readOnly, "100.bin", GENERIC_READ);
    BYTE byte = 0;
    UINT64 written = 9;
    EXPECT_EQ(readOnly.Write(&byte, 1, &written), ResultFromWin32(ERROR_ACCESS_DENIED));
    EXPECT_EQ(written, 0u);
    EXPECT_NE(readOnly.Get(), INVALID_HANDLE_VALUE) << "a failure keeps the handle";

    CFileStream first;
    CFileStream second;
    Open(first, "100.bin");
    Open(second, "100.bin");
    ASSERT_EQ(first.Lock(FOUR_GIB, 10), RESULT_OK) << "offsets beyond 4 GiB";
    EXPECT_EQ(second.Lock(FOUR_GIB + 9, 1), ResultFromWin32(ERROR_LOCK_VIOLATION));
    EXPECT_EQ(first.Unlock(FOUR_GIB, 10), RESULT_OK);
    EXPECT_EQ(second.Lock(FOUR_GIB + 9, 1), RESULT_OK);
}

// The decoders read their source through IInputStream: a file stream must serve them
// through that pointer alone.
TEST_F(FileStreamTest, DecodersReadEncodedFilesThroughTheInputInterface)
{
    std::vector<BYTE> plain = MakePlaintext(70000, 3);
    WriteFileBytes(m_folder.PathOf("a.ovx"), EncodeRecordFormat(plain, TEST_PASSWORD));
    WriteFileBytes(m_folder.PathOf("b.ovx"), EncodeChunkFormat(plain, TEST_PASSWORD));
    KeyedCipher cipher;

    CFileStream recordFile;
    CFileStream chunkFile;
    Open(recordFile, "a.ovx", GENERIC_READ);
    Open(chunkFile, "b.ovx", GENERIC_READ);
    CRecordDecoder records;
    CChunkDecoder chunks;
    struct
    {
        CUnitDecoder* decoder;
        IInputStream* source;
    } cases[] = {{&records, &recordFile}, {&chunks, &chunkFile}};
    for (const auto& c : cases)
    {
        ASSERT_EQ(c.decoder->Init(c.source, cipher.Get()), RESULT_OK);
        std::vector<BYTE> decoded(plain.size() + 10);
        UINT64 done = 0;
        EXPECT_EQ(c.decoder->Read(decoded.data(), decoded.size(), &done), RESULT_END_OF_DATA);
        decoded.resize(done);
        EXPECT_EQ(decoded, plain);
    }

    // One object behind every interface, and destroyed through any of them.
    std::unique_ptr<IInputStream> owned(new CFileStream);
    IWriteStream* writer = dynamic_cast<IWriteStream*>(owned.get());
    ASSERT_NE(writer, nullptr);
    EXPECT_EQ(dynamic_cast<IInputStream*>(writer), owned.get());
    EXPECT_EQ(dynamic_cast<CFileStream*>(writer), dynamic_cast<CFileStream*>(owned.get()));
}

} // namespace
