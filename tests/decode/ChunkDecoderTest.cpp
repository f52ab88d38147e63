#include <gtest/gtest.h>

#include "decode/CChunkDecoder.h"
#include "tests/decode/DecoderTestSupport.h"
#include "tests/support/MemoryStream.h"

namespace
{
const std::string PASSWORD = "chunky bacon";
constexpr HRESULT SOURCE_FAILURE = MakeResult(0x8007001E);

HRESULT InitImage(const std::vector<BYTE>& image, const std::string& password = PASSWORD)
{
    MemoryStream source(image);
    KeyedCipher cipher(password);
    CChunkDecoder decoder;
    return decoder.Init(&source, cipher.Decryptor());
}

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

// The worked geometries: file size from H + Q x F + E, whatever the fill values.
TEST(ChunkDecoderTest, WorkedExamplesDecode)
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
        {8, 8, 16 + 8 + 8},
        {1, 3, 16 + 3 * 8 + 8},
    };
    for (const auto& c : cases)
    {
        for (BYTE fill : {BYTE(0x00), BYTE(0xFF), BYTE(0x5C)})
        {
            const std::vector<BYTE> plain = MakePlaintext(c.length, c.chunkSize);
            ChunkFormatOptions options;
            options.chunkSize = c.chunkSize;
            options.fill = fill;
            options.headerLead = {fill, 1, 2, 3};
            MemoryStream source(EncodeChunkFormat(plain, PASSWORD, options));
            ASSERT_EQ(source.Data().size(), c.fileSize) << c.chunkSize << "/" << c.length;
            KeyedCipher cipher(PASSWORD);
            CChunkDecoder decoder;
            ASSERT_EQ(decoder.Init(&source, cipher.Decryptor()), RESULT_OK) << c.chunkSize << "/" << c.length;
            UINT64 size = 99;
            EXPECT_EQ(decoder.GetSize(&size), RESULT_OK);
            EXPECT_EQ(size, c.length);
            const ReadOutcome out = ReadToEnd(decoder, 13);
            EXPECT_EQ(out.hr, RESULT_END_OF_DATA);
            EXPECT_EQ(out.bytes, plain) << c.chunkSize << "/" << c.length;
        }
    }
}

TEST(ChunkDecoderTest, Refusals)
{
    const std::vector<BYTE> plain = MakePlaintext(250);
    auto encode = [&](auto tweak) {
        ChunkFormatOptions options;
        tweak(options);
        return EncodeChunkFormat(plain, PASSWORD, options);
    };
    const struct
    {
        const char* name;
        std::vector<BYTE> image;
        HRESULT expected;
    } cases[] = {
        {"empty file", {}, RESULT_END_OF_DATA},
        {"8-byte file", std::vector<BYTE>(8, 1), RESULT_END_OF_DATA},
        {"20-byte file", std::vector<BYTE>(20, 1), DEC_E_SIZE_ALIGNMENT},
        {"record layout", EncodeRecordFormat(plain, PASSWORD), DEC_E_SIZE_ALIGNMENT},
        {"empty record layout", EncodeRecordFormat({}, PASSWORD), DEC_E_SIZE_ALIGNMENT},
        {"D = 0", encode([](ChunkFormatOptions& o) { o.declaredChunkSize = 0; }), DEC_E_ZERO_CHUNK},
        {"one block too many", encode([](ChunkFormatOptions& o) { o.damage.append.assign(8, 0); }), DEC_E_SIZE_MISMATCH},
        {"one block too few", encode([](ChunkFormatOptions& o) { o.damage.truncateBy = 8; }), DEC_E_SIZE_MISMATCH},
        {"length a block longer", encode([](ChunkFormatOptions& o) { o.declaredLength = 258; }), DEC_E_SIZE_MISMATCH},
        {"one chunk more", encode([](ChunkFormatOptions& o) { o.declaredLength = 350; }), DEC_E_SIZE_MISMATCH},
        {"smaller chunk size", encode([](ChunkFormatOptions& o) { o.declaredChunkSize = 96; }), DEC_E_SIZE_MISMATCH},
        // With 64-bit wrapping, H + Q x F + E would be 16 + 8 + 8 = 32 here.
        {"Q x F wraps", ImageWithHeader(1, (1ull << 61) + 1, 16), DEC_E_SIZE_MISMATCH},
        {"T at its maximum", ImageWithHeader(1, ~0ull, 16), DEC_E_SIZE_MISMATCH},
        {"F needs 33 bits", ImageWithHeader(0xFFFFFFFF, 10, 16), DEC_E_SIZE_MISMATCH},
        {"F needs 33 bits, rounding", ImageWithHeader(0xFFFFFFF9, 10, 16), DEC_E_SIZE_MISMATCH},
        {"one huge full chunk promised", ImageWithHeader(0xFFFFFFF0, 0xFFFFFFF0, 16), DEC_E_SIZE_MISMATCH},
    };
    for (const auto& c : cases)
        EXPECT_EQ(InitImage(c.image), c.expected) << c.name;
}

// A D at the largest value that rounds within 32 bits is fine when T is small: only
// the short last chunk exists, and the buffer is sized for it.
TEST(ChunkDecoderTest, HugeChunkSizeWithShortTextUsesSmallBuffer)
{
    const std::vector<BYTE> plain = MakePlaintext(10);
    ChunkFormatOptions options;
    options.chunkSize = 0xFFFFFFF8;
    MemoryStream source(EncodeChunkFormat(plain, PASSWORD, options));
    ASSERT_EQ(source.Data().size(), 32u);
    KeyedCipher cipher(PASSWORD);
    CChunkDecoder decoder;
    ASSERT_EQ(decoder.Init(&source, cipher.Decryptor()), RESULT_OK);
    EXPECT_EQ(ReadToEnd(decoder).bytes, plain);
}

// A source claiming 4 GiB whose header agrees with that length is still refused.
TEST(ChunkDecoderTest, FileOfFourGigabytesIsRefused)
{
    // D = 8, T = 0xFFFFFFE8: 16 + 0x1FFFFFFD x 8 + 8 = 2^32.
    MemoryStream source(ImageWithHeader(8, 0xFFFFFFE8, 16));
    source.ReportSize(1ull << 32);
    KeyedCipher cipher(PASSWORD);
    AllocationFaultDecoder<CChunkDecoder> decoder(AllocationFault::None, 0);
    EXPECT_EQ(decoder.Init(&source, cipher.Decryptor()), DEC_E_SIZE_MISMATCH);
    EXPECT_EQ(decoder.Calls(), 1); // the header only
}

TEST(ChunkDecoderTest, WrongPasswordIsRefusedByTheLengthCheck)
{
    const std::vector<BYTE> image = EncodeChunkFormat(MakePlaintext(1000), PASSWORD);
    for (const char* password : {"chunky bacoN", "x", "a much longer password than the right one"})
    {
        const HRESULT hr = InitImage(image, password);
        EXPECT_TRUE(hr == DEC_E_SIZE_MISMATCH || hr == DEC_E_ZERO_CHUNK) << password << " " << std::hex << hr;
    }
}

struct ChunkFile
{
    static constexpr UINT32 UNIT = 100;
    static constexpr UINT64 CHUNK = 104;
    std::vector<BYTE> plain = MakePlaintext(UNIT * 6 + 30);
    MemoryStream source{EncodeChunkFormat(plain, PASSWORD)};
    KeyedCipher cipher{PASSWORD};
    CChunkDecoder decoder;

    static UINT64 ChunkOffset(UINT64 k) { return 16 + k * CHUNK; }
    std::vector<BYTE> Prefix(UINT64 length) const { return {plain.begin(), plain.begin() + length}; }
};

TEST(ChunkDecoderTest, SequentialReadingLoadsEachChunkOnce)
{
    ChunkFile f;
    ASSERT_EQ(f.decoder.Init(&f.source, f.cipher.Decryptor()), RESULT_OK);
    f.source.ClearCounts();
    EXPECT_EQ(ReadToEnd(f.decoder, 9).bytes, f.plain);
    for (UINT64 k = 1; k <= 6; ++k)
        EXPECT_EQ(f.source.ReadsAt(ChunkFile::ChunkOffset(k)), 1u) << k;
    EXPECT_EQ(f.source.ReadCount(), 6u);
}

TEST(ChunkDecoderTest, SourceFailureMidFilePassesThrough)
{
    ChunkFile f;
    ASSERT_EQ(f.decoder.Init(&f.source, f.cipher.Decryptor()), RESULT_OK);
    f.source.FailReadsFrom(ChunkFile::ChunkOffset(2) + 5, SOURCE_FAILURE);
    const ReadOutcome out = ReadToEnd(f.decoder);
    EXPECT_EQ(out.hr, SOURCE_FAILURE);
    EXPECT_EQ(out.bytes, f.Prefix(2 * ChunkFile::UNIT));
}

// The layout has no checksum: a file cut after Init is only noticed by the short read,
// which must be a failure rather than the normal end.
TEST(ChunkDecoderTest, SourceShrunkAfterInitFailsInsteadOfEnding)
{
    for (UINT64 newSize : {ChunkFile::ChunkOffset(3) + 50, ChunkFile::ChunkOffset(3), ChunkFile::ChunkOffset(6) + 8})
    {
        ChunkFile f;
        ASSERT_EQ(f.decoder.Init(&f.source, f.cipher.Decryptor()), RESULT_OK);
        f.source.Data().resize(static_cast<size_t>(newSize));
        const UINT64 wholeChunks = (newSize - 16) / ChunkFile::CHUNK;
        const ReadOutcome out = ReadToEnd(f.decoder);
        EXPECT_EQ(out.hr, RESULT_FAIL) << newSize;
        EXPECT_EQ(out.bytes, f.Prefix(wholeChunks * ChunkFile::UNIT)) << newSize;
    }
}

TEST(ChunkDecoderTest, ShortSourceDuringInitIsEndOfData)
{
    // The header agrees with the reported size, but the data behind it is missing.
    MemoryStream source(EncodeChunkFormat(MakePlaintext(250), PASSWORD));
    source.ReportSize(source.Data().size());
    source.Data().resize(20);
    KeyedCipher cipher(PASSWORD);
    CChunkDecoder decoder;
    EXPECT_EQ(decoder.Init(&source, cipher.Decryptor()), RESULT_END_OF_DATA);
    UINT64 size = 0;
    EXPECT_EQ(decoder.GetSize(&size), RESULT_NOT_INITIALIZED);
}
} // namespace
