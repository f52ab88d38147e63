#include "decode/Crc32.h"
#include "tests/support/OvxEncoder.h"

#include <gtest/gtest.h>

#include <vector>

namespace
{

TEST(Crc32, KnownValues)
{
    const BYTE check[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
    const BYTE zeros[32] = {};
    EXPECT_EQ(0xCBF43926u, Crc32(0, check, 9)); // the catalogued check value of CRC-32
    EXPECT_EQ(0x190A55ADu, Crc32(0, zeros, 32)); // RFC 3720, B.4
    EXPECT_EQ(0x12345678u, Crc32(0x12345678, check, 0));
    EXPECT_EQ(0u, Crc32(0x12345678, nullptr, 4));
}

// Continuing from a running value at any split gives the one-pass value, on short buffers
// and across the edges of the multi-stream path for long ones.
TEST(Crc32, ContinuingAtAnySplitEqualsOnePass)
{
    const std::vector<BYTE> data = MakePlaintext(70000);
    for (UINT32 length : {100u, 70000u})
    {
        const UINT32 whole = Crc32(0, data.data(), length);
        for (UINT32 split = 0; split <= length; split += length / 100 + (split % 7))
            ASSERT_EQ(whole, Crc32(Crc32(0, data.data(), split), data.data() + split, length - split)) << split;
    }
}

TEST(Crc32, MatchesBitwiseDefinitionOnEveryLengthAndAlignment)
{
    const std::vector<BYTE> data = MakePlaintext(70000);
    for (size_t offset = 0; offset < 16; ++offset)
        for (UINT32 length = 0; length <= 80; ++length)
            ASSERT_EQ(BitwiseCrc32(&data[offset], length), Crc32(0, &data[offset], length))
                << "offset " << offset << ", length " << length;
    // Long buffers go in runs of a few hundred bytes: cross their edges.
    for (UINT32 length = 300; length <= 1600; length += 7)
        ASSERT_EQ(BitwiseCrc32(&data[length % 13], length), Crc32(0, &data[length % 13], length)) << length;
    for (UINT32 length : {4095u, 65536u, 69999u})
        EXPECT_EQ(BitwiseCrc32(&data[1], length), Crc32(0, &data[1], length)) << length;
}

} // namespace
