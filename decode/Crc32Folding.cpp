// Folding CRC-32 for processors with carry-less multiplication; only this file is built for
// those instructions. The constants are for the reflected polynomial 0xEDB88320: each is
// x^n mod P bit-reflected and shifted left by one, as the reflected product needs.

#include "decode/Crc32Folding.h"

#include "decode/CpuFeatures.h"

#if defined(__x86_64__) || defined(__i386__)

#include <immintrin.h>

OVX_TARGET_BEGIN("pclmul,sse4.1")

namespace
{

// Constants as (low, high) quadwords, loaded where they are used: no static initializer
// runs these instructions on a processor that lacks them.
using Constants = UINT64[2];
// Fold over 512 bits (four accumulators): x^(512+32) and x^(512-32).
constexpr Constants FOLD_512 = {0x154442BD4, 0x1C6E41596};
// Fold over 128 bits (accumulators into one, then single blocks): x^(128+32) and x^(128-32).
constexpr Constants FOLD_128 = {0x1751997D0, 0x0CCAA009E};
// x^64, for 64 bits down to 32.
constexpr Constants FOLD_64 = {0x163CD6124, 0};
// Barrett reduction: P itself and x^64 div P.
constexpr Constants BARRETT = {0x1DB710641, 0x1F7011641};

inline __m128i Load(const Constants& constants)
{
    return _mm_set_epi64x(static_cast<long long>(constants[1]), static_cast<long long>(constants[0]));
}

inline __m128i Load(const BYTE* bytes)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes));
}

// acc * x^distance (low and high halves against the constant's two halves) plus data.
inline __m128i Fold(__m128i acc, __m128i constants, __m128i data)
{
    return _mm_xor_si128(
        _mm_xor_si128(_mm_clmulepi64_si128(acc, constants, 0x00), _mm_clmulepi64_si128(acc, constants, 0x11)), data);
}

// 128 bits to the 32-bit register: 128 to 96 to 64 bits by folding, then Barrett.
UINT32 Reduce(__m128i x)
{
    const __m128i low32 = _mm_set_epi32(0, 0, 0, -1);
    x = _mm_xor_si128(_mm_clmulepi64_si128(x, Load(FOLD_128), 0x10), _mm_srli_si128(x, 8));
    x = _mm_xor_si128(_mm_clmulepi64_si128(_mm_and_si128(x, low32), Load(FOLD_64), 0x00), _mm_srli_si128(x, 4));
    const __m128i barrett = Load(BARRETT);
    __m128i t = _mm_clmulepi64_si128(_mm_and_si128(x, low32), barrett, 0x10);
    t = _mm_clmulepi64_si128(_mm_and_si128(t, low32), barrett, 0x00);
    return static_cast<UINT32>(_mm_extract_epi32(_mm_xor_si128(t, x), 1));
}

// The single 16-byte blocks left after the wide loop, then the reduction.
UINT32 FoldBlocksAndReduce(__m128i x, const BYTE* buffer, UINT32 length)
{
    const __m128i fold128 = Load(FOLD_128);
    for (; length >= 16; buffer += 16, length -= 16)
        x = Fold(x, fold128, Load(buffer));
    return Reduce(x);
}

} // namespace

UINT32 Crc32Fold128(UINT32 crc, const BYTE* buffer, UINT32 length)
{
    const __m128i fold512 = Load(FOLD_512), fold128 = Load(FOLD_128);
    __m128i a0 = _mm_xor_si128(Load(buffer), _mm_cvtsi32_si128(static_cast<int>(crc)));
    __m128i a1 = Load(buffer + 16), a2 = Load(buffer + 32), a3 = Load(buffer + 48);
    for (buffer += 64, length -= 64; length >= 64; buffer += 64, length -= 64)
    {
        a0 = Fold(a0, fold512, Load(buffer));
        a1 = Fold(a1, fold512, Load(buffer + 16));
        a2 = Fold(a2, fold512, Load(buffer + 32));
        a3 = Fold(a3, fold512, Load(buffer + 48));
    }
    return FoldBlocksAndReduce(Fold(Fold(Fold(a0, fold128, a1), fold128, a2), fold128, a3), buffer, length);
}

OVX_TARGET_END

OVX_TARGET_BEGIN("pclmul,sse4.1,avx2,vpclmulqdq")

namespace
{

inline __m256i Load256(const BYTE* bytes)
{
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(bytes));
}

// Two blocks per register, each folded as Fold does.
inline __m256i Fold256(__m256i acc, __m256i constants, __m256i data)
{
    return _mm256_xor_si256(_mm256_xor_si256(_mm256_clmulepi64_epi128(acc, constants, 0x00),
                                             _mm256_clmulepi64_epi128(acc, constants, 0x11)),
                            data);
}

} // namespace

// Two 256-bit accumulators, 64 bytes a step: the same four 128-bit lanes as Crc32Fold128,
// half the instructions. Few live registers, so nothing 256 bits wide goes to the stack
// (the 64-bit Windows compiler cannot align such stack slots).
UINT32 Crc32Fold256(UINT32 crc, const BYTE* buffer, UINT32 length)
{
    const __m256i fold512 = _mm256_broadcastsi128_si256(Load(FOLD_512));
    const __m128i fold128 = Load(FOLD_128);
    __m256i a0 = _mm256_xor_si256(Load256(buffer), _mm256_castsi128_si256(_mm_cvtsi32_si128(static_cast<int>(crc))));
    __m256i a1 = Load256(buffer + 32);
    for (buffer += 64, length -= 64; length >= 64; buffer += 64, length -= 64)
    {
        a0 = Fold256(a0, fold512, Load256(buffer));
        a1 = Fold256(a1, fold512, Load256(buffer + 32));
    }
    __m128i x = Fold(_mm256_castsi256_si128(a0), fold128, _mm256_extracti128_si256(a0, 1));
    x = Fold(x, fold128, _mm256_castsi256_si128(a1));
    x = Fold(x, fold128, _mm256_extracti128_si256(a1, 1));
    return FoldBlocksAndReduce(x, buffer, length);
}

OVX_TARGET_END

#else

// No carry-less multiplication here; GetCpuFeatures() never selects these.
UINT32 Crc32Fold128(UINT32 crc, const BYTE*, UINT32)
{
    return crc;
}
UINT32 Crc32Fold256(UINT32 crc, const BYTE*, UINT32)
{
    return crc;
}

#endif
