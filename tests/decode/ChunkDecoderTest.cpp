#include <gtest/gtest.h>

#include "decode/CChunkDecoder.h"
#include "tests/decode/DecoderTestSupport.h"

namespace
{
const std::string PASSWORD = "chunky bacon";

// An encrypted header declaring (D, T), followed by `bodyBytes` bytes of anything.
std::vector<BYTE> ImageWithHeader(UINT32 chunkSize, UINT64 decodedLength, size_t bodyBytes)
{
    std::vector<BYTE> header(16, 0);
    StoreLittleEndian32(&header[4], chunkSize);
    StoreLittleEndian64(&header[8], decodedLength);
    std::vector<BYTE> image = EncryptMessage(header, PASSWORD);
    image.resize(image.size() + bodyBytes, 0x3C);
    return image;
}

// The file size is H + Q x F + E whatever the ignored bytes hold, and the buffer is sized
// from the file, not from D.
TEST(ChunkDecoderTest, WorkedExamples)
{
    const struct
    {
        UINT32 chunkSize;
        size_t length;
        size_t fileSize;
    } cases[] = {
        {100, 250, 16 + 2 * 104 + 56}, // fill: 4 bytes per full chunk, 6 in the last
        {64, 128, 16 + 2 * 64 + 8},    // the last chunk is a whole block of fill
        {100, 116, 16 + 104 + 24},     // r = 16: E = 24 with 8 fill bytes
        {100, 0, 24},                  // empty: one block of pure fill
        {1, 3, 16 + 3 * 8 + 8},
        {0xFFFFFFF8, 10, 32}, // the largest D that rounds within 32 bits, with a short text
    };
    for (const auto& c : cases)
    {
        for (BYTE filler : {0x00, 0xFF})
        {
            SCOPED_TRACE(std::to_string(c.chunkSize) + "/" + std::to_string(c.length));
            const std::vector<BYTE> plain = MakePlaintext(c.length, c.chunkSize);
            DecoderOver<WatchedDecoder<CChunkDecoder>> over(
                EncodeChunkFormat(plain, PASSWORD, {.chunkSize = c.chunkSize, .filler = filler}), PASSWORD);
            ASSERT_EQ(over.source.Data().size(), c.fileSize);
            ASSERT_EQ(over.Init(), RESULT_OK);
            EXPECT_LE(over.decoder.Largest(), c.fileSize + 8);
            UINT64 size = 99;
            EXPECT_EQ(over.decoder.GetSize(&size), RESULT_OK);
            EXPECT_EQ(size, c.length);
            const ReadOutcome out = ReadToEnd(over.decoder, 13);
            EXPECT_EQ(out.hr, RESULT_END_OF_DATA);
            EXPECT_EQ(out.bytes, plain);
        }
    }
}

// A file is accepted only when its length is exactly what the header promises, computed
// without wrapping; nothing is allocated beyond what the source claims to hold. With
// D = 100 and T = 250 the file must be 280 bytes.
TEST(ChunkDecoderTest, Refusals)
{
    const std::vector<BYTE> plain = MakePlaintext(250);
    const struct
    {
        const char* name;
        std::vector<BYTE> image;
        HRESULT expected;
        UINT64 reportedSize = 0; // what GetSize claims, when not the image's length
    } cases[] = {
        {"header agrees", ImageWithHeader(100, 250, 264), RESULT_OK},
        {"empty file", {}, RESULT_END_OF_DATA},
        {"8-byte file", std::vector<BYTE>(8, 1), RESULT_END_OF_DATA},
        {"size agrees, data missing", ImageWithHeader(100, 250, 4), RESULT_END_OF_DATA, 280},
        {"20-byte file", std::vector<BYTE>(20, 1), DEC_E_SIZE_ALIGNMENT},
        {"record layout", EncodeRecordFormat(plain, PASSWORD), DEC_E_SIZE_ALIGNMENT},
        {"D = 0", ImageWithHeader(0, 250, 264), DEC_E_ZERO_CHUNK},
        {"wrong password", EncodeChunkFormat(plain, "chunky bacoN"), DEC_E_SIZE_MISMATCH},
        {"one block too many", ImageWithHeader(100, 250, 272), DEC_E_SIZE_MISMATCH},
        {"one block too few", ImageWithHeader(100, 250, 256), DEC_E_SIZE_MISMATCH},
        {"length a block longer", ImageWithHeader(100, 258, 264), DEC_E_SIZE_MISMATCH},
        {"one chunk more", ImageWithHeader(100, 350, 264), DEC_E_SIZE_MISMATCH},
        {"smaller chunk size", ImageWithHeader(96, 250, 264), DEC_E_SIZE_MISMATCH},
        // With 64-bit wrapping, H + Q x F + E would be 16 + 8 + 8 = 32 here.
        {"Q x F wraps", ImageWithHeader(1, (1ull << 61) + 1, 16), DEC_E_SIZE_MISMATCH},
        {"T at its maximum", ImageWithHeader(1, ~0ull, 16), DEC_E_SIZE_MISMATCH},
        {"F needs 33 bits", ImageWithHeader(0xFFFFFFFF, 10, 16), DEC_E_SIZE_MISMATCH},
        {"F needs 33 bits, rounding", ImageWithHeader(0xFFFFFFF9, 10, 16), DEC_E_SIZE_MISMATCH},
        {"one huge full chunk promised", ImageWithHeader(0xFFFFFFF0, 0xFFFFFFF0, 16), DEC_E_SIZE_MISMATCH},
        // D = 8, T = 0xFFFFFFE8: 16 + 0x1FFFFFFD x 8 + 8 = 4 GiB exactly, as the source claims.
        {"4 GiB", ImageWithHeader(8, 0xFFFFFFE8, 16), DEC_E_SIZE_MISMATCH, 1ull << 32},
    };
    for (const auto& c : cases)
    {
        DecoderOver<WatchedDecoder<CChunkDecoder>> over(c.image, PASSWORD);
        if (c.reportedSize != 0)
            over.source.ReportSize(c.reportedSize);
        EXPECT_EQ(over.Init(), c.expected) << c.name;
        const UINT64 claimed = c.reportedSize != 0 ? c.reportedSize : c.image.size();
        EXPECT_LE(over.decoder.Largest(), std::max<UINT64>(claimed, 16) + 8) << c.name;
    }
}
} // namespace
