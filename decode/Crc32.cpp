#include "decode/Crc32.h"

#include "decode/CpuFeatures.h"
#include "decode/Crc32Folding.h"
#include "decode/Crc32Paths.h"
#include "decode/LittleEndian.h"

#include <array>

namespace
{

constexpr UINT32 CRC32_POLYNOMIAL = 0xEDB88320; // reflected
constexpr int CRC32_SLICES = 16;

// Long buffers go in runs of three adjacent regions of 128 bytes whose CRCs run side by
// side (three streams measured best on x86-64; the region is a multiple of the slices).
constexpr int CRC32_STREAMS = 3;
constexpr UINT32 CRC32_STREAM_BYTES = 128;

using Crc32Table = std::array<UINT32, 256>;
using Crc32Tables = std::array<Crc32Table, CRC32_SLICES>;

// Table 0 is the standard byte table. Table k maps a byte to its contribution after k
// further zero bytes, so 16 input bytes fold into the CRC with 16 independent look-ups
// instead of a chain of 16 dependent ones.
constexpr Crc32Tables MakeSliceTables()
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

constexpr Crc32Tables CRC32_TABLES = MakeSliceTables();

// Advancing a CRC register over zero bytes is linear, so "advance over
// CRC32_STREAM_BYTES zeros" is four byte-indexed tables built from the images of the 32
// single-bit registers. It joins the CRCs of adjacent regions:
// register(r, A then B) = Advance(register(r, A)) ^ register(0, B) when B has that length.
constexpr std::array<Crc32Table, 4> MakeAdvanceTables()
{
    UINT32 images[32] = {};
    for (int bit = 0; bit < 32; ++bit)
    {
        UINT32 crc = UINT32(1) << bit;
        for (UINT32 i = 0; i < CRC32_STREAM_BYTES; ++i)
            crc = (crc >> 8) ^ CRC32_TABLES[0][crc & 0xFF];
        images[bit] = crc;
    }
    std::array<Crc32Table, 4> tables{};
    for (int k = 0; k < 4; ++k)
        for (UINT32 byte = 0; byte < 256; ++byte)
            for (int bit = 0; bit < 8; ++bit)
                if (byte & (1u << bit))
                    tables[k][byte] ^= images[8 * k + bit];
    return tables;
}

constexpr std::array<Crc32Table, 4> CRC32_ADVANCE_TABLES = MakeAdvanceTables();

// The four bytes of `word` seen from table `high` (the word's first byte) down to high - 3.
inline UINT32 FoldWord(UINT32 word, int high)
{
    return CRC32_TABLES[high][word & 0xFF] ^ CRC32_TABLES[high - 1][(word >> 8) & 0xFF] ^
           CRC32_TABLES[high - 2][(word >> 16) & 0xFF] ^ CRC32_TABLES[high - 3][word >> 24];
}

// The register after 16 more bytes.
inline UINT32 Fold16(UINT32 crc, const BYTE* bytes)
{
    return FoldWord(LoadLittleEndian32(bytes) ^ crc, 15) ^ FoldWord(LoadLittleEndian32(bytes + 4), 11) ^
           FoldWord(LoadLittleEndian32(bytes + 8), 7) ^ FoldWord(LoadLittleEndian32(bytes + 12), 3);
}

inline UINT32 AdvanceOverStream(UINT32 crc)
{
    return CRC32_ADVANCE_TABLES[0][crc & 0xFF] ^ CRC32_ADVANCE_TABLES[1][(crc >> 8) & 0xFF] ^
           CRC32_ADVANCE_TABLES[2][(crc >> 16) & 0xFF] ^ CRC32_ADVANCE_TABLES[3][crc >> 24];
}

// The register (complemented running value) after `length` more bytes.
UINT32 SliceRegister(UINT32 crc, const BYTE* buffer, UINT32 length)
{
    // One CRC is a chain of dependent look-ups; independent ones keep the loads busy.
    while (length >= CRC32_STREAMS * CRC32_STREAM_BYTES)
    {
        UINT32 streams[CRC32_STREAMS] = {crc};
        for (UINT32 i = 0; i < CRC32_STREAM_BYTES; i += CRC32_SLICES)
        {
#pragma GCC unroll 8
            for (int k = 0; k < CRC32_STREAMS; ++k)
                streams[k] = Fold16(streams[k], buffer + k * CRC32_STREAM_BYTES + i);
        }
        crc = streams[0];
#pragma GCC unroll 8
        for (int k = 1; k < CRC32_STREAMS; ++k)
            crc = AdvanceOverStream(crc) ^ streams[k];
        buffer += CRC32_STREAMS * CRC32_STREAM_BYTES;
        length -= CRC32_STREAMS * CRC32_STREAM_BYTES;
    }
    while (length >= CRC32_SLICES)
    {
        crc = Fold16(crc, buffer);
        buffer += CRC32_SLICES;
        length -= CRC32_SLICES;
    }
    while (length-- > 0)
        crc = (crc >> 8) ^ CRC32_TABLES[0][(crc ^ *buffer++) & 0xFF];
    return crc;
}

// Folds the largest multiple of 16 bytes of a buffer into the register (decode/Crc32Folding.h).
using Crc32Fold = UINT32 (*)(UINT32 crc, const BYTE* buffer, UINT32 length);

// With `fold` (nullptr: slices only) where the buffer is long enough, slices for the rest.
UINT32 ComputeCrc32(Crc32Fold fold, UINT32 running, const BYTE* buffer, UINT32 length)
{
    if (buffer == nullptr)
        return 0;
    UINT32 crc = ~running;
    if (fold != nullptr && length >= CRC32_FOLD_MIN_BYTES)
    {
        const UINT32 folded = length & ~UINT32(15);
        crc = fold(crc, buffer, length);
        buffer += folded;
        length -= folded;
    }
    return ~SliceRegister(crc, buffer, length);
}

Crc32Fold FoldOf(Crc32Path path)
{
    switch (path)
    {
    case Crc32Path::Carryless:
        return Crc32Fold128;
    case Crc32Path::WideCarryless:
        return Crc32Fold256;
    default:
        return nullptr;
    }
}

} // namespace

bool IsCrc32PathAvailable(Crc32Path path)
{
    const CpuFeatures& features = GetCpuFeatures();
    return path == Crc32Path::Slices || (path == Crc32Path::Carryless && features.carryless) ||
           (path == Crc32Path::WideCarryless && features.wideCarryless);
}

HRESULT Crc32Via(Crc32Path path, UINT32 running, const BYTE* buffer, UINT32 length, UINT32* crc)
{
    if (crc == nullptr || !IsCrc32PathAvailable(path))
        return RESULT_INVALID_ARG;
    *crc = ComputeCrc32(FoldOf(path), running, buffer, length);
    return RESULT_OK;
}

UINT32 Crc32(UINT32 running, const BYTE* buffer, UINT32 length)
{
    static const Crc32Fold fastest = FoldOf(IsCrc32PathAvailable(Crc32Path::WideCarryless) ? Crc32Path::WideCarryless
                                            : IsCrc32PathAvailable(Crc32Path::Carryless)   ? Crc32Path::Carryless
                                                                                             : Crc32Path::Slices);
    return ComputeCrc32(fastest, running, buffer, length);
}
