#include <gtest/gtest.h>

#include <array>

#include "decode/CRecordDecoder.h"
#include "decode/Crc32.h"
#include "tests/decode/DecoderTestSupport.h"
#include "tests/support/MemoryStream.h"

namespace
{
const std::string PASSWORD = "correct horse";
constexpr HRESULT SOURCE_FAILURE = MakeResult(0x8007001E); // a read fault of the source

HRESULT InitRecords(CRecordDecoder& decoder, MemoryStream& source, KeyedCipher& cipher)
{
    return decoder.Init(&source, cipher.Decryptor());
}

HRESULT InitImage(const std::vector<BYTE>& image, const std::string& password = PASSWORD)
{
    MemoryStream source(image);
    KeyedCipher cipher(password);
    CRecordDecoder decoder;
    return decoder.Init(&source, cipher.Decryptor());
}

// Signature, then a hand-made first block pair of record 0 holding `unit` and index 0,
// then `extraBlocks` blocks of anything: enough for validation to reach the header.
std::vector<BYTE> ImageWithHeaderUnit(UINT32 unit, size_t extraBlocks)
{
    std::vector<BYTE> header(16, 0);
    StoreLittleEndian32(&header[3], unit);
    std::vector<BYTE> image = {0xE3, 0x00, 0x00, 0x02};
    const std::vector<BYTE> encrypted = EncryptMessage(header, PASSWORD);
    image.insert(image.end(), encrypted.begin(), encrypted.end());
    image.resize(image.size() + 8 * extraBlocks, 0x5A);
    return image;
}

// Four bytes that, appended to a text whose CRC-32 is `prefixCrc`, make the CRC `target`
// (the CRC register run backwards through its table).
std::array<BYTE, 4> ForgeCrcSuffix(UINT32 prefixCrc, UINT32 target)
{
    std::array<UINT32, 256> table{};
    for (UINT32 i = 0; i < 256; ++i)
    {
        UINT32 c = i;
        for (int bit = 0; bit < 8; ++bit)
            c = (c & 1) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
        table[i] = c;
    }
    UINT32 state = ~target;
    for (int step = 0; step < 4; ++step)
    {
        UINT32 j = 0;
        while (table[j] >> 24 != state >> 24)
            ++j;
        state = ((state ^ table[j]) << 8) | j;
    }
    state ^= ~prefixCrc;
    return {static_cast<BYTE>(state), static_cast<BYTE>(state >> 8), static_cast<BYTE>(state >> 16),
            static_cast<BYTE>(state >> 24)};
}

// U = 100 and 250 bytes: records of R = 120, a last payload of 50 in L = 72 bytes, whose
// trailer search tries 46 ... 53. Neither the fill nor the leading bytes may matter.
TEST(RecordDecoderTest, WorkedExampleDecodesWhateverTheIgnoredBytes)
{
    const std::vector<BYTE> plain = MakePlaintext(250);
    const struct
    {
        BYTE fill;
        std::array<BYTE, 3> lead;
    } cases[] = {{0x00, {0, 0, 0}}, {0xFF, {0xFF, 0xFF, 0xFF}}, {50, {1, 2, 3}}, {0x13, {0xE3, 0, 2}}};
    for (const auto& c : cases)
    {
        RecordFormatOptions options;
        options.fill = c.fill;
        options.lead = c.lead;
        MemoryStream source(EncodeRecordFormat(plain, PASSWORD, options));
        ASSERT_EQ(source.Data().size(), 316u);
        KeyedCipher cipher(PASSWORD);
        CRecordDecoder decoder;
        ASSERT_EQ(InitRecords(decoder, source, cipher), RESULT_OK) << "fill " << int(c.fill);
        UINT64 size = 0;
        EXPECT_EQ(decoder.GetSize(&size), RESULT_OK);
        EXPECT_EQ(size, 250u);
        const ReadOutcome out = ReadToEnd(decoder);
        EXPECT_EQ(out.hr, RESULT_END_OF_DATA);
        EXPECT_EQ(out.bytes, plain);
    }
}

// Every amount of fill after the trailer (7 down to 0 bytes) is found.
TEST(RecordDecoderTest, TrailerFoundForEveryFillLength)
{
    for (size_t lastLength = 40; lastLength < 48; ++lastLength)
    {
        const std::vector<BYTE> plain = MakePlaintext(200 + lastLength, static_cast<UINT32>(lastLength));
        RecordFormatOptions options;
        options.fill = 0xA5;
        MemoryStream source(EncodeRecordFormat(plain, PASSWORD, options));
        KeyedCipher cipher(PASSWORD);
        CRecordDecoder decoder;
        ASSERT_EQ(InitRecords(decoder, source, cipher), RESULT_OK) << lastLength;
        EXPECT_EQ(ReadToEnd(decoder).bytes, plain) << lastLength;
    }
}

// A payload that carries a valid trailer for a shorter candidate is cut there: the
// search takes the shortest match, and the layout cannot tell the two apart.
TEST(RecordDecoderTest, ShortestMatchingTrailerWins)
{
    std::vector<BYTE> plain = MakePlaintext(250);
    BYTE* last = plain.data() + 200;
    // Candidate 46: its length word is payload bytes 46..49, its CRC word the real
    // length word (50), so the first 46 payload bytes are made to have CRC 50.
    StoreLittleEndian32(last + 46, 46);
    const std::array<BYTE, 4> suffix = ForgeCrcSuffix(Crc32(0, last, 42), 50);
    std::copy(suffix.begin(), suffix.end(), last + 42);
    ASSERT_EQ(Crc32(0, last, 46), 50u);

    MemoryStream source(EncodeRecordFormat(plain, PASSWORD));
    KeyedCipher cipher(PASSWORD);
    CRecordDecoder decoder;
    ASSERT_EQ(InitRecords(decoder, source, cipher), RESULT_OK);
    UINT64 size = 0;
    decoder.GetSize(&size);
    EXPECT_EQ(size, 246u);
    EXPECT_EQ(ReadToEnd(decoder).bytes, std::vector<BYTE>(plain.begin(), plain.begin() + 246));
}

TEST(RecordDecoderTest, EmptyPlaintextIsOneEmptyRecord)
{
    MemoryStream source(EncodeRecordFormat({}, PASSWORD));
    ASSERT_EQ(source.Data().size(), 4u + 24u);
    KeyedCipher cipher(PASSWORD);
    CRecordDecoder decoder;
    ASSERT_EQ(InitRecords(decoder, source, cipher), RESULT_OK);
    BYTE byte = 0;
    UINT64 done = 99;
    EXPECT_EQ(decoder.Read(&byte, 1, &done), RESULT_END_OF_DATA);
    EXPECT_EQ(done, 0u);
}

TEST(RecordDecoderTest, ExactMultipleOfUnitEndsWithEmptyRecord)
{
    const std::vector<BYTE> plain = MakePlaintext(300);
    MemoryStream source(EncodeRecordFormat(plain, PASSWORD));
    EXPECT_EQ(source.Data().size(), 4u + 3 * 120 + 24);
    KeyedCipher cipher(PASSWORD);
    CRecordDecoder decoder;
    ASSERT_EQ(InitRecords(decoder, source, cipher), RESULT_OK);
    EXPECT_EQ(ReadToEnd(decoder, 7).bytes, plain);
}

// Each case breaks one validation step and nothing before it.
TEST(RecordDecoderTest, RefusalsInValidationOrder)
{
    const std::vector<BYTE> plain = MakePlaintext(250);
    auto encode = [&](auto tweak) {
        RecordFormatOptions options;
        tweak(options);
        return EncodeRecordFormat(plain, PASSWORD, options);
    };
    std::vector<BYTE> badSignature = EncodeRecordFormat(plain, PASSWORD);
    badSignature[3] = 0x03;
    std::vector<BYTE> chunkImageWithSignature = EncodeChunkFormat(plain, PASSWORD);
    std::copy_n(badSignature.begin(), 3, chunkImageWithSignature.begin());
    chunkImageWithSignature[3] = 0x02;

    const struct
    {
        const char* name;
        std::vector<BYTE> image;
        HRESULT expected;
    } cases[] = {
        {"empty file", {}, RESULT_END_OF_DATA},
        {"3-byte file", {0xE3, 0x00, 0x00}, RESULT_END_OF_DATA},
        {"signature", badSignature, DEC_E_SIGNATURE},
        {"chunk layout", EncodeChunkFormat(plain, PASSWORD), DEC_E_SIGNATURE},
        {"alignment", encode([](RecordFormatOptions& o) { o.damage.append = {0}; }), DEC_E_SIZE_ALIGNMENT},
        {"chunk layout with signature", chunkImageWithSignature, DEC_E_SIZE_ALIGNMENT},
        {"header cut short", {0xE3, 0x00, 0x00, 0x02, 1, 2, 3, 4, 5, 6, 7, 8}, RESULT_END_OF_DATA},
        {"header index", encode([](RecordFormatOptions& o) { o.wrongIndexRecord = 0; }), DEC_E_HEADER},
        {"U = 0", ImageWithHeaderUnit(0, 4), DEC_E_HEADER},
        {"U + 19 wraps", ImageWithHeaderUnit(0xFFFFFFFF, 4), DEC_E_HEADER},
        {"R wraps, U = 0xFFFFFFE6", ImageWithHeaderUnit(0xFFFFFFE6, 4), DEC_E_HEADER},
        {"R wraps, U = 0xFFFFFFE9", ImageWithHeaderUnit(0xFFFFFFE9, 4), DEC_E_HEADER},
        {"R wraps, U = 0xFFFFFFEC", ImageWithHeaderUnit(0xFFFFFFEC, 4), DEC_E_HEADER},
        {"remainder 0: last payload within the rounding slack", EncodeRecordFormat(MakePlaintext(295), PASSWORD),
         DEC_E_HEADER},
        {"last record's U", encode([](RecordFormatOptions& o) { o.lastRecordUnit = 99; }), DEC_E_RECORD},
        {"no trailer: CRC", encode([](RecordFormatOptions& o) { o.wrongCrcRecord = 2; }), DEC_E_RECORD},
        {"no trailer: length", encode([](RecordFormatOptions& o) { o.wrongLengthRecord = 2; }), DEC_E_RECORD},
        {"last index", encode([](RecordFormatOptions& o) { o.wrongIndexRecord = 2; }), DEC_E_RECORD},
        {"record 0 damaged", encode([](RecordFormatOptions& o) { o.wrongCrcRecord = 0; }), DEC_E_RECORD},
    };
    for (const auto& c : cases)
        EXPECT_EQ(InitImage(c.image), c.expected) << c.name;
}

// Largest U whose R fits in 32 bits: R = 0xFFFFFFF8. The file is far too short for such a
// record, so it must be refused without allocating anything of that size.
TEST(RecordDecoderTest, HugeUnitOnSmallFileAllocatesNothingLarge)
{
    AllocationFaultDecoder<CRecordDecoder> decoder(AllocationFault::None, 0);
    MemoryStream source(ImageWithHeaderUnit(0xFFFFFFE5, 4));
    KeyedCipher cipher(PASSWORD);
    EXPECT_EQ(decoder.Init(&source, cipher.Decryptor()), DEC_E_RECORD);
    EXPECT_LE(decoder.Calls(), 2); // the header and the (small) last record
}

TEST(RecordDecoderTest, WrongPasswordIsRefusedByTheChecks)
{
    const std::vector<BYTE> image = EncodeRecordFormat(MakePlaintext(1000), PASSWORD);
    for (const char* password : {"correct horsf", "x", "Correct horse"})
    {
        const HRESULT hr = InitImage(image, password);
        EXPECT_TRUE(hr == DEC_E_HEADER || hr == DEC_E_RECORD) << password << " " << std::hex << hr;
    }
}

struct DamagedFile
{
    static constexpr UINT32 UNIT = 64;
    static constexpr UINT64 RECORD = 88; // 64 + 19 rounded up to 8
    std::vector<BYTE> plain = MakePlaintext(UNIT * 8 + 10);
    MemoryStream source;
    KeyedCipher cipher{PASSWORD};
    CRecordDecoder decoder;

    static UINT64 RecordOffset(UINT64 k) { return 4 + k * RECORD; }
    std::vector<BYTE> Prefix(UINT64 length) const { return {plain.begin(), plain.begin() + length}; }
};

// One flipped stored byte in record 5: records 0-4 come out, then the record fails,
// and fails again (read afresh) when asked for later.
TEST(RecordDecoderTest, DamagedMiddleRecordStopsReadingThere)
{
    DamagedFile f;
    RecordFormatOptions options;
    options.payloadUnit = DamagedFile::UNIT;
    options.damage.flipOffsets = {static_cast<size_t>(DamagedFile::RecordOffset(5) + 30)};
    f.source = MemoryStream(EncodeRecordFormat(f.plain, PASSWORD, options));
    ASSERT_EQ(InitRecords(f.decoder, f.source, f.cipher), RESULT_OK);

    const ReadOutcome out = ReadToEnd(f.decoder);
    EXPECT_EQ(out.hr, DEC_E_RECORD);
    EXPECT_EQ(out.bytes, f.Prefix(5 * DamagedFile::UNIT));
    EXPECT_EQ(f.source.ReadsAt(DamagedFile::RecordOffset(5)), 1u);

    std::vector<BYTE> buffer(100);
    UINT64 done = 99;
    EXPECT_EQ(f.decoder.Read(buffer.data(), buffer.size(), &done), DEC_E_RECORD);
    EXPECT_EQ(done, 0u);
    EXPECT_EQ(f.source.ReadsAt(DamagedFile::RecordOffset(5)), 2u);

    // Records around it are still readable.
    ASSERT_EQ(f.decoder.Seek(6 * DamagedFile::UNIT, SEEK_ORIGIN_BEGIN), RESULT_OK);
    EXPECT_EQ(f.decoder.Read(buffer.data(), 10, &done), RESULT_OK);
    EXPECT_EQ(std::vector<BYTE>(buffer.begin(), buffer.begin() + 10),
              std::vector<BYTE>(f.plain.begin() + 6 * DamagedFile::UNIT, f.plain.begin() + 6 * DamagedFile::UNIT + 10));
}

TEST(RecordDecoderTest, SequentialReadingLoadsEachRecordOnce)
{
    DamagedFile f;
    RecordFormatOptions options;
    options.payloadUnit = DamagedFile::UNIT;
    f.source = MemoryStream(EncodeRecordFormat(f.plain, PASSWORD, options));
    ASSERT_EQ(InitRecords(f.decoder, f.source, f.cipher), RESULT_OK);
    f.source.ClearCounts();

    const ReadOutcome out = ReadToEnd(f.decoder, 7);
    EXPECT_EQ(out.bytes, f.plain);
    EXPECT_EQ(f.source.ReadsAt(DamagedFile::RecordOffset(0)), 0u); // loaded by Init
    for (UINT64 k = 1; k <= 8; ++k)
        EXPECT_EQ(f.source.ReadsAt(DamagedFile::RecordOffset(k)), 1u) << k;
    EXPECT_EQ(f.source.ReadCount(), 8u);
}

TEST(RecordDecoderTest, SourceFailureMidFilePassesThrough)
{
    DamagedFile f;
    RecordFormatOptions options;
    options.payloadUnit = DamagedFile::UNIT;
    f.source = MemoryStream(EncodeRecordFormat(f.plain, PASSWORD, options));
    ASSERT_EQ(InitRecords(f.decoder, f.source, f.cipher), RESULT_OK);
    f.source.FailReadsFrom(DamagedFile::RecordOffset(3) + 10, SOURCE_FAILURE);

    const ReadOutcome out = ReadToEnd(f.decoder);
    EXPECT_EQ(out.hr, SOURCE_FAILURE);
    EXPECT_EQ(out.bytes, f.Prefix(3 * DamagedFile::UNIT));
}

// A file cut after Init must not pass for a complete one: the missing record is a
// failure, not the end of the data.
TEST(RecordDecoderTest, SourceShrunkAfterInitFailsInsteadOfEnding)
{
    const struct
    {
        const char* name;
        UINT64 newSize;
        UINT64 delivered;
    } cases[] = {
        {"cut inside record 4", DamagedFile::RecordOffset(4) + 40, 4 * DamagedFile::UNIT},
        {"cut at record 4", DamagedFile::RecordOffset(4), 4 * DamagedFile::UNIT},
        {"last record cut", DamagedFile::RecordOffset(8) + 8, 8 * DamagedFile::UNIT},
    };
    for (const auto& c : cases)
    {
        DamagedFile f;
        RecordFormatOptions options;
        options.payloadUnit = DamagedFile::UNIT;
        f.source = MemoryStream(EncodeRecordFormat(f.plain, PASSWORD, options));
        ASSERT_EQ(InitRecords(f.decoder, f.source, f.cipher), RESULT_OK);
        f.source.Data().resize(static_cast<size_t>(c.newSize));

        const ReadOutcome out = ReadToEnd(f.decoder);
        EXPECT_EQ(out.hr, RESULT_FAIL) << c.name;
        EXPECT_EQ(out.bytes, f.Prefix(c.delivered)) << c.name;
    }
}

TEST(RecordDecoderTest, SourceSizeAndSeekFailuresPassThrough)
{
    const std::vector<BYTE> image = EncodeRecordFormat(MakePlaintext(250), PASSWORD);
    KeyedCipher cipher(PASSWORD);
    CRecordDecoder decoder;

    MemoryStream sizeFails(image);
    sizeFails.FailGetSize(SOURCE_FAILURE);
    EXPECT_EQ(decoder.Init(&sizeFails, cipher.Decryptor()), SOURCE_FAILURE);

    MemoryStream seekFails(image);
    seekFails.FailSeek(SOURCE_FAILURE);
    EXPECT_EQ(decoder.Init(&seekFails, cipher.Decryptor()), SOURCE_FAILURE);
}
} // namespace
