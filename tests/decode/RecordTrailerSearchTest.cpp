// The record layout's trailer search: the last record's payload length is found from
// its end, whatever the fill, taking the shortest candidate that matches.

#include <gtest/gtest.h>

#include <array>

#include "decode/CRecordDecoder.h"
#include "decode/Crc32.h"
#include "tests/decode/DecoderTestSupport.h"
#include "tests/support/MemoryStream.h"

namespace
{
const std::string PASSWORD = "correct horse";

HRESULT InitRecords(CRecordDecoder& decoder, MemoryStream& source, KeyedCipher& cipher)
{
    return decoder.Init(&source, cipher.Decryptor());
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
TEST(RecordTrailerSearchTest, WorkedExampleDecodesWhateverTheIgnoredBytes)
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
TEST(RecordTrailerSearchTest, TrailerFoundForEveryFillLength)
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
TEST(RecordTrailerSearchTest, ShortestMatchingTrailerWins)
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

} // namespace
