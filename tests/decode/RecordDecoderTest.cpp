#include <gtest/gtest.h>

#include <array>
#include <utility>

#include "decode/CRecordDecoder.h"
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

    // The failed load overwrote the buffer: the record before it must be read afresh,
    // and the records around the damage are still readable.
    for (UINT64 k : {4u, 6u})
    {
        const UINT64 position = k * DamagedFile::UNIT + 3;
        ASSERT_EQ(f.decoder.Seek(static_cast<INT64>(position), SEEK_ORIGIN_BEGIN), RESULT_OK);
        EXPECT_EQ(f.decoder.Read(buffer.data(), 10, &done), RESULT_OK);
        EXPECT_TRUE(std::equal(buffer.begin(), buffer.begin() + 10, f.plain.begin() + static_cast<std::ptrdiff_t>(position)))
            << k;
    }
}

// Damage inside a middle record that validation does not look at is caught on load.
TEST(RecordDecoderTest, MiddleRecordChecksOnLoad)
{
    const std::pair<const char*, void (*)(RecordFormatOptions&)> damages[] = {
        {"index", [](RecordFormatOptions& o) { o.wrongIndexRecord = 3; }},
        {"length word", [](RecordFormatOptions& o) { o.wrongLengthRecord = 3; }},
        {"CRC", [](RecordFormatOptions& o) { o.wrongCrcRecord = 3; }},
    };
    for (const auto& [name, damage] : damages)
    {
        DamagedFile f;
        RecordFormatOptions options;
        options.payloadUnit = DamagedFile::UNIT;
        damage(options);
        f.source = MemoryStream(EncodeRecordFormat(f.plain, PASSWORD, options));
        ASSERT_EQ(InitRecords(f.decoder, f.source, f.cipher), RESULT_OK) << name;
        const ReadOutcome out = ReadToEnd(f.decoder);
        EXPECT_EQ(out.hr, DEC_E_RECORD) << name;
        EXPECT_EQ(out.bytes, f.Prefix(3 * DamagedFile::UNIT)) << name;
    }
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
