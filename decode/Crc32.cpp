#include "decode/Crc32.h"

#include <array>

namespace
{

constexpr UINT32 CRC32_POLYNOMIAL = 0xEDB88320; // reflected
constexpr int CRC32_SLICES = 16;

using Crc32Tables = std::array<std::array<UINT32, 256>, CRC32_SLICES>;

// Table 0 is the standard byte table. Table k maps a byte to its contribution after k
// further zero bytes, so 16 input bytes fold into the CRC with 16 independent look-ups
// instead of a chain of 16 dependent ones.
constexpr Crc32Tables MakeCrc32Tables()
{
    Crc32Tables tables{};
    for (UINT32 byte = 0; byte < 256; ++byte)
    {
        UINT32 crc = byte;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ ((crc & 1) ? CRC32_POLYNOMIAL : 0);
        tables[0][byte] = crc;
    }
    for (int k = 1; k < CRC32_SLICES; ++k)
    {
        for (UINT32 byte = 0; byte < 256; ++byte)
        {
            const UINT32 previous = tables[k - 1][byte];
            tables[k][byte] = (previous >> 8) ^ tables[0][previous & 0xFF];
        }
    }
    return tables;
}

constexpr Crc32Tables CRC32_TABLES = MakeCrc32Tables();

// Byte by byte and host-order free; compilers make one load of it.
inline UINT32 LoadLittleEndian(const BYTE* bytes)
{
    return UINT32(bytes[0]) | (UINT32(bytes[1]) << 8) | (UINT32(bytes[2]) << 16) | (UINT32(bytes[3]) << 24);
}

// The four bytes of `word` seen from table `high` (the word's first byte) down to high - 3.
inline UINT32 FoldWord(UINT32 word, int high)
{
    return CRC32_TABLES[high][word & 0xFF] ^ CRC32_TABLES[high - 1][(word >> 8) & 0xFF] ^
           CRC32_TABLES[high - 2][(word >> 16) & 0xFF] ^ CRC32_TABLES[high - 3][word >> 24];
}

} // namespace

UINT32 Crc32(UINT32 running, const BYTE* buffer, UINT32 length)
{
    if (buffer == nullptr)
        return 0;

    UINT32 crc = ~running;
    while (length >= CRC32_SLICES)
    {
        const UINT32 word0 = LoadLittleEndian(buffer) ^ crc;
        const UINT32 word1 = LoadLittleEndian(buffer + 4);
        const UINT32 word2 = LoadLittleEndian(buffer + 8);
        const UINT32 word3 = LoadLittleEndian(buffer + 12);
        crc = FoldWord(word0, 15) ^ FoldWord(word1, 11) ^ FoldWord(word2, 7) ^ FoldWord(word3, 3);
        buffer += CRC32_SLICES;
        length -= CRC32_SLICES;
    }
    while (length-- > 0)
        crc = (crc >> 8) ^ CRC32_TABLES[0][(crc ^ *buffer++) & 0xFF];
    return ~crc;
}
