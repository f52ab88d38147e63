// The byte-sliced kernel: 64 blocks per set of AVX-512 registers, one register per byte
// position of the block (a byte plane), so that an S-box look-up is a byte permutation
// and no block waits on a memory load.
//
// - An S-box's entries are kept as 4 byte planes of 256 bytes (BlowfishSchedule::sPlanes).
//   Byte k of 64 look-ups is two vpermt2b (each picks from 128 entries by an index's low
//   7 bits) and a blend on the index's bit 7; the index planes are the half's own.
// - The round function's 32-bit additions run across the 4 planes of a word, least
//   significant first, each carry a mask added into the next plane.
// - One group of 64 blocks waits on its own latencies; two groups side by side measured
//   best (more run out of registers). Fewer than 64 blocks go to the 8 lanes.

#include "decode/BlowfishKernels.h"

#include "decode/BigEndian.h"
#include "decode/CBlowfish.h"
#include "decode/CpuFeatures.h"

#if defined(__x86_64__)

// GCC 12's AVX-512 headers leave some intrinsics' unused inputs undefined on purpose, and
// then warn about them (GCC bug 105593).
#if !defined(__clang__)
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include <immintrin.h>

OVX_TARGET_BEGIN("avx512f,avx512bw,avx512vbmi")

namespace
{

#define OVX_INLINE __attribute__((always_inline)) inline

constexpr UINT PLANE_BLOCKS = 64; // blocks in one group: one per byte of a register
constexpr UINT MOST_GROUPS = 2;   // groups side by side

using Word = __m512i[4]; // the 4 byte planes of a half, least significant first

OVX_INLINE __m512i LoadPlane(const BYTE* bytes) { return _mm512_load_si512(bytes); }

// Byte b of 8 blocks to quadword b, and back: byte 8j + i of the result is byte 8i + j of x.
OVX_INLINE __m512i TransposeBytes(__m512i x)
{
    alignas(64) static constexpr BYTE ORDER[64] = {
        0, 8,  16, 24, 32, 40, 48, 56, 1, 9,  17, 25, 33, 41, 49, 57, 2, 10, 18, 26, 34, 42,
        50, 58, 3, 11, 19, 27, 35, 43, 51, 59, 4, 12, 20, 28, 36, 44, 52, 60, 5, 13, 21, 29,
        37, 45, 53, 61, 6, 14, 22, 30, 38, 46, 54, 62, 7, 15, 23, 31, 39, 47, 55, 63};
    return _mm512_permutexvar_epi8(_mm512_load_si512(ORDER), x);
}

// Quadword j of x[i] to quadword i of x[j], in three steps that swap one bit of i with
// the same bit of j each (4, 2, 1).
OVX_INLINE void TransposeQuadwords(__m512i x[8])
{
    #pragma GCC unroll 8
    for (int i = 0; i < 4; ++i)
    {
        const __m512i a = x[i], b = x[i + 4];
        x[i] = _mm512_shuffle_i64x2(a, b, 0x44);
        x[i + 4] = _mm512_shuffle_i64x2(a, b, 0xEE);
    }
    constexpr int FIRST_OF_PAIRS[] = {0, 1, 4, 5};
    const __m512i low = _mm512_set_epi64(13, 12, 5, 4, 9, 8, 1, 0);
    const __m512i high = _mm512_set_epi64(15, 14, 7, 6, 11, 10, 3, 2);
    #pragma GCC unroll 8
    for (int i : FIRST_OF_PAIRS)
    {
        const __m512i a = x[i], b = x[i + 2];
        x[i] = _mm512_permutex2var_epi64(a, low, b);
        x[i + 2] = _mm512_permutex2var_epi64(a, high, b);
    }
    #pragma GCC unroll 8
    for (int i = 0; i < 8; i += 2)
    {
        const __m512i a = x[i], b = x[i + 1];
        x[i] = _mm512_unpacklo_epi64(a, b);
        x[i + 1] = _mm512_unpackhi_epi64(a, b);
    }
}

// 512 bytes of blocks to byte planes: plane j holds byte j of every block (block n in
// byte n), so planes 0 to 3 are the left half from its most significant byte down.
OVX_INLINE void ToPlanes(const BYTE* bytes, Word& left, Word& right)
{
    __m512i x[8];
    #pragma GCC unroll 8
    for (int i = 0; i < 8; ++i)
        x[i] = TransposeBytes(_mm512_loadu_si512(bytes + 64 * i));
    TransposeQuadwords(x);
    #pragma GCC unroll 8
    for (int k = 0; k < 4; ++k)
    {
        left[k] = x[3 - k];
        right[k] = x[7 - k];
    }
}

// The inverse: x[i] are the 64 bytes of blocks 8i to 8i + 7.
OVX_INLINE void FromPlanes(const Word& left, const Word& right, __m512i x[8])
{
    #pragma GCC unroll 8
    for (int k = 0; k < 4; ++k)
    {
        x[3 - k] = left[k];
        x[7 - k] = right[k];
    }
    TransposeQuadwords(x);
    #pragma GCC unroll 8
    for (int i = 0; i < 8; ++i)
        x[i] = TransposeBytes(x[i]);
}

OVX_INLINE __m512i KeyPlane(const BlowfishSchedule& key, int word, int k) { return _mm512_set1_epi32(int(key.pBytes[word][k])); }

// Byte k of S-box `box` at the indices of every group's plane `index`.
template <UINT GROUPS>
OVX_INLINE void LookUp(const BYTE* plane, const __m512i (&index)[GROUPS], __m512i (&out)[GROUPS])
{
    const __m512i t0 = LoadPlane(plane), t1 = LoadPlane(plane + 64);
    const __m512i t2 = LoadPlane(plane + 128), t3 = LoadPlane(plane + 192);
    #pragma GCC unroll 8
    for (UINT g = 0; g < GROUPS; ++g)
        out[g] = _mm512_mask_blend_epi8(_mm512_movepi8_mask(index[g]), _mm512_permutex2var_epi8(t0, index[g], t1),
                                        _mm512_permutex2var_epi8(t2, index[g], t3));
}

// Plane k of a + b, with `carry` the carries out of plane k - 1 in and of plane k out.
template <int K> OVX_INLINE __m512i AddPlane(__m512i a, __m512i b, __mmask64& carry)
{
    __m512i sum = _mm512_add_epi8(a, b);
    if (K == 0)
    {
        carry = _mm512_cmplt_epu8_mask(sum, a);
        return sum;
    }
    sum = _mm512_mask_add_epi8(sum, carry, sum, _mm512_set1_epi8(1));
    // A full adder's carry out is the top bit of (a & b) | ((a | b) & ~sum).
    if (K < 3)
        carry = _mm512_movepi8_mask(_mm512_ternarylogic_epi32(a, b, sum, 0xD4));
    return sum;
}

// One step of a round: to[g] ^= F(from[g]) ^ P[keyWord], for every group.
template <int K, UINT GROUPS>
OVX_INLINE void RoundPlane(const BlowfishSchedule& key, const __m512i (&index)[4][GROUPS],
                           Word (&to)[GROUPS], __mmask64 (&firstCarry)[GROUPS],
                           __mmask64 (&secondCarry)[GROUPS], int keyWord)
{
    // F(x) = ((S0[x >> 24] + S1[(x >> 16) & 0xFF]) ^ S2[(x >> 8) & 0xFF]) + S3[x & 0xFF]
    __m512i a[GROUPS], b[GROUPS];
    LookUp(key.sPlanes[0][K], index[3], a);
    LookUp(key.sPlanes[1][K], index[2], b);
    #pragma GCC unroll 8
    for (UINT g = 0; g < GROUPS; ++g)
        a[g] = AddPlane<K>(a[g], b[g], firstCarry[g]);
    LookUp(key.sPlanes[2][K], index[1], b);
    #pragma GCC unroll 8
    for (UINT g = 0; g < GROUPS; ++g)
        a[g] = _mm512_xor_si512(a[g], b[g]);
    LookUp(key.sPlanes[3][K], index[0], b);
    const __m512i keyPlane = KeyPlane(key, keyWord, K);
    #pragma GCC unroll 8
    for (UINT g = 0; g < GROUPS; ++g)
        to[g][K] = _mm512_ternarylogic_epi32(to[g][K], AddPlane<K>(a[g], b[g], secondCarry[g]), keyPlane, 0x96);
}

template <UINT GROUPS> OVX_INLINE void Round(const BlowfishSchedule& key, const Word (&from)[GROUPS], Word (&to)[GROUPS], int keyWord)
{
    __m512i index[4][GROUPS];
    #pragma GCC unroll 8
    for (int k = 0; k < 4; ++k)
        #pragma GCC unroll 8
        for (UINT g = 0; g < GROUPS; ++g)
        {
            index[k][g] = from[g][k];
        }
    __mmask64 firstCarry[GROUPS], secondCarry[GROUPS];
    RoundPlane<0, GROUPS>(key, index, to, firstCarry, secondCarry, keyWord);
    RoundPlane<1, GROUPS>(key, index, to, firstCarry, secondCarry, keyWord);
    RoundPlane<2, GROUPS>(key, index, to, firstCarry, secondCarry, keyWord);
    RoundPlane<3, GROUPS>(key, index, to, firstCarry, secondCarry, keyWord);
}

// Decrypts GROUPS groups of 64 blocks from input to output. `previous` holds the
// ciphertext block before them in its last quadword and comes out holding their last.
// Every input byte is read before the output is written, or again just before the
// output block at its place: the output is the input or lies before it.
template <bool CBC, UINT GROUPS>
void DecryptGroups(const BlowfishSchedule& key, __m512i& previous, const BYTE* input, BYTE* output)
{
    Word left[GROUPS], right[GROUPS];
    #pragma GCC unroll 8
    for (UINT g = 0; g < GROUPS; ++g)
    {
        ToPlanes(input + g * PLANE_BLOCKS * BLOWFISH_BLOCK_SIZE, left[g], right[g]);
        #pragma GCC unroll 8
        for (int k = 0; k < 4; ++k)
            left[g][k] = _mm512_xor_si512(left[g][k], KeyPlane(key, 17, k));
    }
    // The 16 rounds without the swaps: the halves take turns.
#pragma GCC unroll 1
    for (int round = 16; round > 0; round -= 2)
    {
        Round(key, left, right, round);
        Round(key, right, left, round - 1);
    }
    #pragma GCC unroll 8
    for (UINT g = 0; g < GROUPS; ++g)
    {
        #pragma GCC unroll 8
        for (int k = 0; k < 4; ++k)
            right[g][k] = _mm512_xor_si512(right[g][k], KeyPlane(key, 0, k));
        __m512i x[8];
        FromPlanes(right[g], left[g], x);
        const BYTE* in = input + g * PLANE_BLOCKS * BLOWFISH_BLOCK_SIZE;
        BYTE* out = output + g * PLANE_BLOCKS * BLOWFISH_BLOCK_SIZE;
        #pragma GCC unroll 8
        for (int i = 0; i < 8; ++i)
        {
            const __m512i cipherText = _mm512_loadu_si512(in + 64 * i);
            if (CBC) // each block XOR the ciphertext block before it
                x[i] = _mm512_xor_si512(x[i], _mm512_alignr_epi64(cipherText, previous, 7));
            previous = cipherText;
            _mm512_storeu_si512(out + 64 * i, x[i]);
        }
    }
}

} // namespace

UINT BlowfishDecryptBytePlanes(int mode, const BlowfishSchedule& key, UINT32 chain[2], const BYTE* input,
                               BYTE* output, UINT blocks)
{
    if (mode == CIPHER_MODE_CFB || blocks < PLANE_BLOCKS)
        return BlowfishDecryptLanesBitExtract(mode, key, chain, input, output, blocks);
    alignas(64) BYTE previousBytes[64] = {};
    StoreBigEndian(previousBytes + 56, chain[0]);
    StoreBigEndian(previousBytes + 60, chain[1]);
    __m512i previous = _mm512_load_si512(previousBytes);

    const auto decrypt = mode == CIPHER_MODE_CBC ? DecryptGroups<true, MOST_GROUPS> : DecryptGroups<false, MOST_GROUPS>;
    const auto decryptOne = mode == CIPHER_MODE_CBC ? DecryptGroups<true, 1> : DecryptGroups<false, 1>;
    UINT done = 0;
    for (; blocks - done >= MOST_GROUPS * PLANE_BLOCKS; done += MOST_GROUPS * PLANE_BLOCKS)
        decrypt(key, previous, input + done * BLOWFISH_BLOCK_SIZE, output + done * BLOWFISH_BLOCK_SIZE);
    for (; blocks - done >= PLANE_BLOCKS; done += PLANE_BLOCKS)
        decryptOne(key, previous, input + done * BLOWFISH_BLOCK_SIZE, output + done * BLOWFISH_BLOCK_SIZE);

    _mm512_store_si512(previousBytes, previous);
    chain[0] = LoadBigEndian(previousBytes + 56);
    chain[1] = LoadBigEndian(previousBytes + 60);
    const UINT offset = done * BLOWFISH_BLOCK_SIZE;
    return done + BlowfishDecryptLanesBitExtract(mode, key, chain, input + offset, output + offset, blocks - done);
}

OVX_TARGET_END

#else

// No such registers here; GetCpuFeatures() never selects this.
UINT BlowfishDecryptBytePlanes(int mode, const BlowfishSchedule& key, UINT32 chain[2], const BYTE* input,
                               BYTE* output, UINT blocks)
{
    return BlowfishDecryptLanes(mode, key, chain, input, output, blocks);
}

#endif
