// The body of the 8-lane kernel, not a header: decode/BlowfishLanes.cpp includes it
// twice, in two namespaces, once for any processor and once inside a region built with
// bit-extraction instructions, so that each copy is compiled for its instruction set.
//
// In ECB, CBC and CFB decryption no block waits on another's result (each needs only
// ciphertext), so BLOWFISH_LANES blocks go through the rounds side by side: while one
// block waits on its S-box loads, the others' proceed. The rounds run as a loop of two
// (one per half) over the lanes: its body stays small, so its speed does not depend on
// where the code lands in memory, as a fully unrolled 16 rounds' did.

using SBoxes = UINT32[BLOWFISH_S_BOXES][BLOWFISH_S_WORDS];

// 8 measured best: fewer lanes leave the loads' latency showing, more spill.
constexpr int BLOWFISH_LANES = 8;

// The round function with the S-box indices taken by Bytes (Bytes::Get<shift>(x) is
// (x >> shift) & 0xFF, as a word-sized index).
template <class Bytes> inline UINT32 LaneFeistel(const SBoxes& s, UINT32 x)
{
    const size_t word = x; // indices as wide as an address: no zero extension before each load
    return ((s[0][word >> 24] + s[1][Bytes::template Get<16>(x)]) ^ s[2][Bytes::template Get<8>(x)]) +
           s[3][word & 0xFF];
}

// Decrypts whole groups of BLOWFISH_LANES blocks in MODE and returns how many blocks it
// handled; chain (left, right) continues into the caller's tail. The output may be the
// input or lie before it.
template <int MODE, class Bytes>
UINT DecryptLaneGroups(const BlowfishSchedule& key, UINT32 chain[2], const BYTE* input, BYTE* output, UINT blocks)
{
    const UINT32* p = key.p;
    const SBoxes& s = key.s;
    constexpr int LANES = BLOWFISH_LANES;
    // CFB decrypts by encrypting (keys 0 to 17), the others decrypt (keys 17 down to 0).
    constexpr bool ENCRYPT = MODE == CIPHER_MODE_CFB;
    const UINT32 firstKey = ENCRYPT ? p[0] : p[17];
    const UINT32 lastKey = ENCRYPT ? p[17] : p[0];
    const UINT32* roundKeys = ENCRYPT ? p + 1 : p + 16;
    constexpr int STEP = ENCRYPT ? 1 : -1;

    // The ciphertext block before the current one (locals: the output's bytes may alias anything).
    UINT32 previousL = chain[0], previousR = chain[1];
    const UINT groups = blocks / LANES;
    for (UINT g = 0; g < groups; ++g, input += LANES * BLOWFISH_BLOCK_SIZE, output += LANES * BLOWFISH_BLOCK_SIZE)
    {
        // CFB decrypts by encrypting the previous ciphertext; the others decrypt their own.
        UINT32 l[LANES], r[LANES];
#pragma GCC unroll 16
        for (int j = 0; j < LANES; ++j)
        {
            if (ENCRYPT && j == 0)
            {
                l[j] = previousL ^ firstKey;
                r[j] = previousR;
                continue;
            }
            const BYTE* block = input + (ENCRYPT ? j - 1 : j) * BLOWFISH_BLOCK_SIZE;
            l[j] = LoadBigEndian(block) ^ firstKey;
            r[j] = LoadBigEndian(block + 4);
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

        // Ciphertext block j is read again just before output block j is written: the
        // output is the input or lies before it, so nothing written so far has reached it.
#pragma GCC unroll 16
        for (int j = 0; j < LANES; ++j)
        {
            const UINT32 cipherL = LoadBigEndian(input + j * BLOWFISH_BLOCK_SIZE);
            const UINT32 cipherR = LoadBigEndian(input + j * BLOWFISH_BLOCK_SIZE + 4);
            UINT32 left = r[j] ^ lastKey;
            UINT32 right = l[j];
            if constexpr (MODE == CIPHER_MODE_CBC)
            {
                left ^= previousL;
                right ^= previousR;
            }
            else if constexpr (MODE == CIPHER_MODE_CFB)
            {
                left ^= cipherL;
                right ^= cipherR;
            }
            previousL = cipherL;
            previousR = cipherR;
            StoreBigEndian(output + j * BLOWFISH_BLOCK_SIZE, left);
            StoreBigEndian(output + j * BLOWFISH_BLOCK_SIZE + 4, right);
        }
    }
    chain[0] = previousL;
    chain[1] = previousR;
    return groups * LANES;
}

// All three modes behind one call; unknown modes are ECB.
template <class Bytes>
UINT DecryptLaneGroupsInMode(int mode, const BlowfishSchedule& key, UINT32 chain[2], const BYTE* input, BYTE* output,
                             UINT blocks)
{
    switch (mode)
    {
    case CIPHER_MODE_CBC:
        return DecryptLaneGroups<CIPHER_MODE_CBC, Bytes>(key, chain, input, output, blocks);
    case CIPHER_MODE_CFB:
        return DecryptLaneGroups<CIPHER_MODE_CFB, Bytes>(key, chain, input, output, blocks);
    default:
        return DecryptLaneGroups<CIPHER_MODE_ECB, Bytes>(key, chain, input, output, blocks);
    }
}
