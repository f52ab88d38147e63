#include "decode/Crc32.h"
#include "decode/Crc32Paths.h"
#include "tests/support/OvxEncoder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace
{

std::vector<Crc32Path> FoldingPathsHere()
{
    std::vector<Crc32Path> paths;
    for (Crc32Path path : {Crc32Path::Carryless, Crc32Path::WideCarryless})
    {
        if (IsCrc32PathAvailable(path))
            paths.push_back(path);
        else
            std::printf("note: folding path %d is not available here and is not tested\n", static_cast<int>(path));
    }
    return paths;
}

UINT32 CrcVia(Crc32Path path, UINT32 running, const BYTE* buffer, UINT32 length)
{
    UINT32 crc = 0;
    EXPECT_EQ(RESULT_OK, Crc32Via(path, running, buffer, length, &crc)) << "path " << static_cast<int>(path);
    return crc;
}

// A path this processor lacks is refused, not replaced by another.
TEST(Crc32Paths, OnlyAvailablePathsCompute)
{
    const BYTE data[100] = {1, 2, 3};
    for (Crc32Path path : {Crc32Path::Slices, Crc32Path::Carryless, Crc32Path::WideCarryless})
    {
        UINT32 crc = 0x5A5A5A5A;
        EXPECT_EQ(IsCrc32PathAvailable(path) ? RESULT_OK : RESULT_INVALID_ARG, Crc32Via(path, 0, data, 100, &crc));
        EXPECT_EQ(IsCrc32PathAvailable(path) ? Crc32(0, data, 100) : 0x5A5A5A5A, crc);
    }
}

// The folding paths against slice-by-16 on every length up to 4096 from every start within
// 16 bytes, continuing from a running value that is not 0.
TEST(Crc32Paths, FoldingMatchesSlicesOnEveryLengthAndAlignment)
{
    const std::vector<BYTE> data = MakePlaintext(4096 + 16, 77);
    for (Crc32Path path : FoldingPathsHere())
    {
        for (size_t offset = 0; offset < 16; ++offset)
        {
            for (UINT32 length = 0; length <= 4096; ++length)
            {
                const UINT32 running = 0x9E3779B9u * (length + 1);
                ASSERT_EQ(CrcVia(Crc32Path::Slices, running, &data[offset], length),
                          CrcVia(path, running, &data[offset], length))
                    << "path " << static_cast<int>(path) << ", offset " << offset << ", length " << length;
            }
        }
    }
}

TEST(Crc32Paths, FoldingMatchesSlicesOnLargeBuffers)
{
    const std::vector<BYTE> data = MakePlaintext((1 << 20) + 37, 5);
    for (Crc32Path path : FoldingPathsHere())
        for (UINT32 length : {65536u, 65536u + 19, (1u << 20) + 35})
            EXPECT_EQ(CrcVia(Crc32Path::Slices, 0, &data[2], length), CrcVia(path, 0, &data[2], length))
                << "path " << static_cast<int>(path) << ", length " << length;
}

} // namespace
