#pragma once

// The bulk decryption kernel of CBlowfish, included by the two files that build it: once
// for any processor and once with bit-extraction instructions enabled. Each includer gets
// its own copy (unnamed namespace), compiled with that file's instruction set.
//
// In ECB, CBC and CFB decryption no block waits on another's result (each needs only
// ciphertext), so BLOWFISH_LANES blocks go through the rounds side by side: while one
// block waits on its S-box loads, the others' proceed. The rounds run as a loop of two
// (one per half) over the lanes: its body stays small, so its speed does not depend on
// where the code lands in memory, as a fully unrolled 16 rounds' did.

#include "decode/BigEndian.h"
#include "decode/BlowfishTables.h"
#include "decode/CBlowfish.h"

#include <cstddef>

namespace
{

using SBoxes = UINT32[BLOWFISH_S_BOXES][BLOWFISH_S_WORDS];

// 8 measured best: fewer lanes leave the loads' latency showing, more spill.
constexpr int BLOWFISH_LANES = 8;

// The round function with the S-box indices taken by Bytes (Bytes::Get<shift>(x) is
// (x >> shift) & 0xFF, as a word-sized index).
template <class Bytes>
inline UINT32 LaneFeistel(const SBoxes& s, UINT32 x)
{
    return ((s[0][x >> 24] + s[1][Bytes::template Get<16>(x)]) ^ s[2][Bytes::template Get<8>(x)]) + s[3][x & 0xFF];
}

// Decrypts whole groups of BLOWFISH_LANES blocks in MODE and returns how many blocks it
// handled; chain (left, right) continues into the caller's tail. All inputs of a group
// are read before any output of it is written, so the output may be the input or lie
// before it.
template <int MODE, class Bytes>
UINT DecryptLaneGroups(const UINT32* p, const SBoxes& s, UINT32 chain[2], const BYTE* input, BYTE* output,
                       UINT blocks)
{
    constexpr int LANES = BLOWFISH_LANES;
    // CFB decrypts by encrypting (keys 0 to 17), the others decrypt (keys 17 down to 0).
    constexpr bool ENCRYPT = MODE == CIPHER_MODE_CFB;
    const UINT32 firstKey = ENCRYPT ? p[0] : p[17];
    const UINT32 lastKey = ENCRYPT ? p[17] : p[0];
    const UINT32* roundKeys = ENCRYPT ? p + 1 : p + 16;
    constexpr int STEP = ENCRYPT ? 1 : -1;

    const UINT groups = blocks / LANES;
    for (UINT g = 0; g < groups; ++g, input += LANES * BLOWFISH_BLOCK_SIZE, output += LANES * BLOWFISH_BLOCK_SIZE)
    {
        // Chain values: lane j is chained to ciphertext block j - 1, lane 0 to `chain`.
        UINT32 chainL[LANES + 1], chainR[LANES + 1];
        chainL[0] = chain[0];
        chainR[0] = chain[1];
#pragma GCC unroll 16
        for (int j = 0; j < LANES; ++j)
        {
            chainL[j + 1] = LoadBigEndian(input + j * BLOWFISH_BLOCK_SIZE);
            chainR[j + 1] = LoadBigEndian(input + j * BLOWFISH_BLOCK_SIZE + 4);
        }
        chain[0] = chainL[LANES];
        chain[1] = chainR[LANES];

        UINT32 l[LANES], r[LANES];
#pragma GCC unroll 16
        for (int j = 0; j < LANES; ++j)
        {
            l[j] = (ENCRYPT ? chainL[j] : chainL[j + 1]) ^ firstKey;
            r[j] = ENCRYPT ? chainR[j] : chainR[j + 1];
        }
        // The 16 rounds without the swaps, two per pass: the halves take turns.
#pragma GCC unroll 1
        for (int round = 0; round < 16; round += 2)
        {
            const UINT32 keyA = roundKeys[STEP * round];
            const UINT32 keyB = roundKeys[STEP * (round + 1)];
#pragma GCC unroll 16
            for (int j = 0; j < LANES; ++j)
                r[j] ^= LaneFeistel<Bytes>(s, l[j]) ^ keyA;
#pragma GCC unroll 16
            for (int j = 0; j < LANES; ++j)
                l[j] ^= LaneFeistel<Bytes>(s, r[j]) ^ keyB;
        }

#pragma GCC unroll 16
        for (int j = 0; j < LANES; ++j)
        {
            UINT32 left = r[j] ^ lastKey;
            UINT32 right = l[j];
            if constexpr (MODE == CIPHER_MODE_CBC)
            {
                left ^= chainL[j];
                right ^= chainR[j];
            }
            else if constexpr (MODE == CIPHER_MODE_CFB)
            {
                left ^= chainL[j + 1];
                right ^= chainR[j + 1];
            }
            StoreBigEndian(output + j * BLOWFISH_BLOCK_SIZE, left);
            StoreBigEndian(output + j * BLOWFISH_BLOCK_SIZE + 4, right);
        }
    }
    return groups * LANES;
}

// All three modes behind one call; unknown modes are ECB.
template <class Bytes>
UINT DecryptLaneGroupsInMode(int mode, const UINT32* p, const SBoxes& s, UINT32 chain[2], const BYTE* input,
                             BYTE* output, UINT blocks)
{
    switch (mode)
    {
    case CIPHER_MODE_CBC:
        return DecryptLaneGroups<CIPHER_MODE_CBC, Bytes>(p, s, chain, input, output, blocks);
    case CIPHER_MODE_CFB:
        return DecryptLaneGroups<CIPHER_MODE_CFB, Bytes>(p, s, chain, input, output, blocks);
    default:
        return DecryptLaneGroups<CIPHER_MODE_ECB, Bytes>(p, s, chain, input, output, blocks);
    }
}

} // namespace
