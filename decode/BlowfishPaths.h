#pragma once

// The decryption paths of CBlowfish, for tests and benchmarks. Each has the contract of
// Decrypt (a fresh chain from the stored chaining value, the cipher's current mode,
// RESULT_INVALID_ARG for a length of 0 or not a multiple of 8); Decrypt itself takes the
// fastest path the processor supports. The one-block path is the reference the others are
// checked against.

#include "decode/CBlowfish.h"

enum class BlowfishPath
{
    OneBlock,       // one block at a time
    Lanes,          // blocks side by side, any processor
    LanesBitExtract // the same with BMI1/BMI2 (GetCpuFeatures().bitExtract)
};

bool IsBlowfishPathAvailable(BlowfishPath path);

// RESULT_INVALID_ARG also for a path this processor lacks.
HRESULT BlowfishDecryptVia(BlowfishPath path, CBlowfish& cipher, const void* input, void* output, UINT length);
