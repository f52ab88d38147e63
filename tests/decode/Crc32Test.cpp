#include "decode/Crc32.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace
{

// Bit at a time, straight from the polynomial: the definition the table-driven code must match.
UINT32 BitwiseCrc32(const BYTE* bytes, size_t length)
{
    UINT32 crc = 0xFFFFFFFF;
    for (size_t i = 0; i < length; ++i)
    {
        crc ^= bytes[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ ((crc & 1) ? 0xEDB88320u : 0u);
    }
    return ~crc;
}

const BYTE CHECK_INPUT[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};

TEST(Crc32, KnownValues)
{
    const BYTE zeros[32] = {};
    const BYTE any = 0x42;
    const struct
    {
        const BYTE* bytes;
        UINT32 length;
        UINT32 expected;
    } cases[] = {
        {CHECK_INPUT, 9, 0xCBF43926}, // the catalogued check value of CRC-32
        {zeros, 32, 0x190A55AD},      // 32 zero bytes (RFC 3720, B.4)
        {&any, 0, 0},                 // empty
        {nullptr, 100, 0},            // no buffer
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, Crc32(0, c.bytes, c.length)) << "length " << c.length;
    EXPECT_EQ(0u, Crc32(0x12345678, nullptr, 4));
    EXPECT_EQ(0x12345678u, Crc32(0x12345678, &any, 0));
}

TEST(Crc32, ContinuingAtAnySplitEqualsOnePass)
{
    std::mt19937 random(5);
    std::vector<BYTE> data(100);
    for (BYTE& b : data)
        b = static_cast<BYTE>(random());
    const UINT32 whole = Crc32(0, data.data(), 100);
    for (UINT32 split = 0; split <= 100; ++split)
        EXPECT_EQ(whole, Crc32(Crc32(0, data.data(), split), data.data() + split, 100 - split)) << split;
}

TEST(Crc32, MatchesBitwiseDefinitionOnEveryLengthAndAlignment)
{
    std::mt19937 random(9);
    std::vector<BYTE> data(70000);
    for (BYTE& b : data)
        b = static_cast<BYTE>(random());
    for (size_t offset = 0; offset < 16; ++offset)
        for (UINT32 length = 0; length <= 80; ++length)
            ASSERT_EQ(BitwiseCrc32(&data[offset], length), Crc32(0, &data[offset], length))
                << "offset " << offset << ", length " << length;
    // Long buffers take a multi-stream path in runs of a few hundred bytes: cross its edges.
    for (UINT32 length = 300; length <= 1600; length += 7)
        ASSERT_EQ(BitwiseCrc32(&data[length % 13], length), Crc32(0, &data[length % 13], length)) << length;
    for (UINT32 length : {4095u, 65536u, 69999u})
        EXPECT_EQ(BitwiseCrc32(&data[1], length), Crc32(0, &data[1], length)) << length;
    EXPECT_EQ(Crc32(0, data.data(), 70000), Crc32(Crc32(0, data.data(), 777), data.data() + 777, 70000 - 777));
}

} // namespace
