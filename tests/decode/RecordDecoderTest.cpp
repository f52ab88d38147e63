#include <gtest/gtest.h>

#include <algorithm>

#include "decode/CRecordDecoder.h"
#include "decode/Crc32.h"
#include "tests/decode/DecoderTestSupport.h"

namespace
{
const std::string PASSWORD = "correct horse";

// Signature, then a hand-made first block pair of record 0 holding `unit` and index 0,
// then four blocks of anything: enough for validation to reach the header.
std::vector<BYTE> ImageWithHeaderUnit(UINT32 unit)
{
    std::vector<BYTE> header(16, 0);
    StoreLittleEndian32(&header[3], unit);
    std::vector<BYTE> image = {0xE3, 0x00, 0x00, 0x02};
    const std::vector<BYTE> encrypted = EncryptMessage(header, PASSWORD);
    image.insert(image.end(), encrypted.begin(), encrypted.end());
    image.resize(image.size() + 32, 0x5A);
    return image;
}

// U = 100 and 250 bytes: records of R = 120, a last payload of 50 in L = 72 bytes, whose
// trailer search tries 46 ... 53. The ignored bytes may hold anything.
TEST(RecordDecoderTest, WorkedExample)
{
    const std::vector<BYTE> plain = MakePlaintext(250);
    for (BYTE filler : {0x00, 0xFF})
    {
        DecoderOver<CRecordDecoder> over(EncodeRecordFormat(plain, PASSWORD, {.filler = filler}), PASSWORD);
        ASSERT_EQ(over.source.Data().size(), 316u);
        ASSERT_EQ(over.Init(), RESULT_OK);
        UINT64 size = 0;
        EXPECT_EQ(over.decoder.GetSize(&size), RESULT_OK);
        EXPECT_EQ(size, 250u);
        const ReadOutcome out = ReadToEnd(over.decoder);
        EXPECT_EQ(out.hr, RESULT_END_OF_DATA);
        EXPECT_EQ(out.bytes, plain);
    }
}

// A last payload that carries a valid trailer for a shorter candidate is cut there: the
// search takes the shortest match, and the layout cannot tell the two apart.
TEST(RecordDecoderTest, ShortestMatchingTrailerWins)
{
    // Last payload 45 bytes, no fill: candidates 38 ... 45. Candidate 38 reads its length
    // word from payload bytes 38..41 and its CRC word from bytes 42..44 plus the low byte
    // of the real length word (45), so its CRC must end in 45: vary four bytes until it does.
    std::vector<BYTE> plain = MakePlaintext(245);
    BYTE* last = plain.data() + 200;
    StoreLittleEndian32(last + 38, 38);
    for (UINT32 trial = 0; Crc32(0, last, 38) >> 24 != 45; ++trial)
        StoreLittleEndian32(last, trial);
    BYTE crc[4];
    StoreLittleEndian32(crc, Crc32(0, last, 38));
    std::copy(crc, crc + 3, last + 42);

    DecoderOver<CRecordDecoder> over(EncodeRecordFormat(plain, PASSWORD), PASSWORD);
    ASSERT_EQ(over.Init(), RESULT_OK);
    EXPECT_EQ(ReadToEnd(over.decoder).bytes, std::vector<BYTE>(plain.begin(), plain.begin() + 238));
}

// Each case breaks one validation step and nothing before it. Whatever the file claims,
// validation allocates no more than the file holds.
TEST(RecordDecoderTest, RefusalsInValidationOrder)
{
    const std::vector<BYTE> plain = MakePlaintext(250);
    std::vector<BYTE> badSignature = EncodeRecordFormat(plain, PASSWORD);
    badSignature[3] = 0x03;
    std::vector<BYTE> oneByteMore = EncodeRecordFormat(plain, PASSWORD);
    oneByteMore.push_back(0);
    const auto damaged = [&plain](const RecordFormatOptions& options) {
        return EncodeRecordFormat(plain, PASSWORD, options);
    };
    // 199 bytes: the last payload, 99, is stored in a full record's 120 bytes.
    const auto fullLengthLast = [](const RecordFormatOptions& options) {
        return EncodeRecordFormat(MakePlaintext(199), PASSWORD, options);
    };
    // Two full records and no last one (a file cut at a record boundary).
    std::vector<BYTE> wholeRecords = EncodeRecordFormat(MakePlaintext(200), PASSWORD);
    wholeRecords.resize(wholeRecords.size() - 24);
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
        {"alignment", oneByteMore, DEC_E_SIZE_ALIGNMENT},
        {"header cut short", {0xE3, 0x00, 0x00, 0x02, 1, 2, 3, 4, 5, 6, 7, 8}, RESULT_END_OF_DATA},
        {"header index", damaged({.wrongIndexRecord = 0}), DEC_E_HEADER},
        {"wrong password", EncodeRecordFormat(plain, "correct horsf"), DEC_E_HEADER},
        {"U = 0", ImageWithHeaderUnit(0), DEC_E_HEADER},
        {"U + 19 wraps", ImageWithHeaderUnit(0xFFFFFFFF), DEC_E_HEADER},
        {"R wraps", ImageWithHeaderUnit(0xFFFFFFE6), DEC_E_HEADER},
        {"largest U whose R fits", ImageWithHeaderUnit(0xFFFFFFE5), DEC_E_RECORD},
        {"last record's U", damaged({.wrongUnitRecord = 2}), DEC_E_RECORD},
        {"no trailer: length", damaged({.wrongLengthRecord = 2}), DEC_E_RECORD},
        {"no trailer: CRC", damaged({.wrongCrcRecord = 2}), DEC_E_RECORD},
        {"last index", damaged({.wrongIndexRecord = 2}), DEC_E_RECORD},
        {"record 0 damaged", damaged({.wrongCrcRecord = 0}), DEC_E_RECORD},
        {"full records only", wholeRecords, DEC_E_HEADER},
        {"full-length last record's U", fullLengthLast({.wrongUnitRecord = 1}), DEC_E_HEADER},
        {"full-length last record's CRC", fullLengthLast({.wrongCrcRecord = 1}), DEC_E_HEADER},
        {"full-length last record's index", fullLengthLast({.wrongIndexRecord = 1}), DEC_E_HEADER},
    };
    for (const auto& c : cases)
    {
        DecoderOver<WatchedDecoder<CRecordDecoder>> over(c.image, PASSWORD);
        EXPECT_EQ(over.Init(), c.expected) << c.name;
        EXPECT_LE(over.decoder.Largest(), std::max<size_t>(c.image.size(), 16)) << c.name;
    }
    // A size that leaves no room for any record, from a source that still reads a header.
    DecoderOver<CRecordDecoder> lying(EncodeRecordFormat(plain, PASSWORD), PASSWORD);
    lying.source.ReportSize(4);
    EXPECT_EQ(lying.Init(), DEC_E_HEADER);
}

// Damage in a middle record, which validation does not look at: the records before it
// come out, then DEC_E_RECORD, and again (the record read afresh) when asked for later.
// The records around it stay readable.
TEST(RecordDecoderTest, DamagedRecordStopsReadingThere)
{
    constexpr UINT32 UNIT = 64;
    constexpr UINT64 RECORD = 88;
    const struct
    {
        const char* name;
        RecordFormatOptions options;
        UINT64 record;
    } cases[] = {
        {"flipped stored byte", {.payloadUnit = UNIT, .damage = {.flipOffsets = {4 + 5 * RECORD + 30}}}, 5},
        {"index", {.payloadUnit = UNIT, .wrongIndexRecord = 3}, 3},
        {"unit", {.payloadUnit = UNIT, .wrongUnitRecord = 3}, 3},
        {"length word", {.payloadUnit = UNIT, .wrongLengthRecord = 3}, 3},
        {"CRC", {.payloadUnit = UNIT, .wrongCrcRecord = 3}, 3},
    };
    const std::vector<BYTE> plain = MakePlaintext(UNIT * 8 + 10);
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        DecoderOver<CRecordDecoder> over(EncodeRecordFormat(plain, PASSWORD, c.options), PASSWORD);
        ASSERT_EQ(over.Init(), RESULT_OK);
        const UINT64 offset = 4 + c.record * RECORD;
        const ReadOutcome out = ReadToEnd(over.decoder);
        EXPECT_EQ(out.hr, DEC_E_RECORD);
        EXPECT_EQ(out.bytes, std::vector<BYTE>(plain.begin(), plain.begin() + c.record * UNIT));
        EXPECT_EQ(over.source.ReadsAt(offset), 1u);

        std::vector<BYTE> buffer(100);
        UINT64 done = 99;
        EXPECT_EQ(over.decoder.Read(buffer.data(), buffer.size(), &done), DEC_E_RECORD);
        EXPECT_EQ(done, 0u);
        EXPECT_EQ(over.source.ReadsAt(offset), 2u);

        for (UINT64 position : {(c.record - 1) * UNIT + 3, (c.record + 1) * UNIT + 3})
        {
            ASSERT_EQ(over.decoder.Seek(static_cast<INT64>(position), SEEK_ORIGIN_BEGIN), RESULT_OK);
            EXPECT_EQ(over.decoder.Read(buffer.data(), 10, &done), RESULT_OK);
            EXPECT_TRUE(std::equal(buffer.begin(), buffer.begin() + 10, plain.begin() + static_cast<std::ptrdiff_t>(position)));
        }
    }
}
} // namespace
