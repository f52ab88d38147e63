#pragma once

// The plain decryption path of CBlowfish: one block at a time, in the cipher's current
// mode, with the same contract as Decrypt (a fresh chain from the stored chaining value,
// RESULT_INVALID_ARG for a length of 0 or not a multiple of 8). Decrypt and
// DecryptInPlace take a faster interleaved path; tests and benchmarks compare the two.

#include "decode/CBlowfish.h"

HRESULT BlowfishDecryptReference(CBlowfish& cipher, const void* input, void* output, UINT length);
