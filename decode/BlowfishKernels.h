#pragma once

// The bulk decryption kernels of CBlowfish and the paths made of them.
//
// A kernel decrypts as many whole groups of blocks as it takes, in `mode` (unknown modes
// are ECB), continuing `chain` (left, right) across them, and returns how many blocks it
// handled; CBlowfish decrypts the rest one block at a time. The output may be the input
// or lie before it. Every kernel but the portable one is called only where its path is
// available; CBlowfish takes the fastest available when it is keyed.

#include "base/Result.h"
#include "decode/BlowfishTables.h"

// Everything the kernels read of a key. Byte-sliced decryption looks the S-boxes up a
// byte plane at a time: sPlanes[b][k][i] is byte k (0 the least significant) of s[b][i],
// and pBytes[i][k] is byte k of p[i] repeated in all four bytes.
struct BlowfishSchedule
{
    UINT32 p[BLOWFISH_P_WORDS];
    UINT32 s[BLOWFISH_S_BOXES][BLOWFISH_S_WORDS];
    alignas(64) BYTE sPlanes[BLOWFISH_S_BOXES][4][BLOWFISH_S_WORDS];
    UINT32 pBytes[BLOWFISH_P_WORDS][4];
};

using BlowfishKernel = UINT (*)(int mode, const BlowfishSchedule& key, UINT32 chain[2], const BYTE* input,
                                BYTE* output, UINT blocks);

// Groups of 8 blocks side by side: any processor; with BMI1/BMI2 extracting the bytes.
UINT BlowfishDecryptLanes(int mode, const BlowfishSchedule& key, UINT32 chain[2], const BYTE* input, BYTE* output,
                          UINT blocks);
UINT BlowfishDecryptLanesBitExtract(int mode, const BlowfishSchedule& key, UINT32 chain[2], const BYTE* input,
                                    BYTE* output, UINT blocks);
// Groups of 64 blocks byte-sliced in AVX-512 registers, in ECB and CBC; the blocks left
// over, and CFB, go to the 8 lanes with BMI1/BMI2.
UINT BlowfishDecryptBytePlanes(int mode, const BlowfishSchedule& key, UINT32 chain[2], const BYTE* input,
                               BYTE* output, UINT blocks);

// The ways CBlowfish can decrypt, for tests and benchmarks. The one-block path is the
// reference the others are checked against.
enum class BlowfishPath
{
    OneBlock,        // one block at a time
    Lanes,           // BlowfishDecryptLanes
    LanesBitExtract, // BlowfishDecryptLanesBitExtract (GetCpuFeatures().bitExtract)
    BytePlanes       // BlowfishDecryptBytePlanes (GetCpuFeatures().bytePlanes)
};

bool IsBlowfishPathAvailable(BlowfishPath path);

// The kernel of an available path (nullptr: one block at a time); the fastest of them is
// chosen on the first call and kept.
BlowfishKernel BlowfishKernelOf(BlowfishPath path);
BlowfishKernel FastestBlowfishKernel();

class CBlowfish;
// CBlowfish::Decrypt by the given path; RESULT_INVALID_ARG also for a path this
// processor lacks (nothing is decrypted by another path instead).
HRESULT BlowfishDecryptVia(BlowfishPath path, CBlowfish& cipher, const void* input, void* output, UINT length);
