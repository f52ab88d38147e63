#pragma once

// The bulk decryption kernel of CBlowfish (decode/BlowfishLanes.h) as built twice: for
// any processor, and with bit-extraction instructions, to be called only where
// GetCpuFeatures().bitExtract. Both decrypt whole groups of lanes in `mode` (unknown
// modes are ECB), continue `chain` (left, right) and return how many blocks they handled;
// the caller decrypts the rest one block at a time.

#include "decode/BlowfishTables.h"

using BlowfishSBoxes = UINT32[BLOWFISH_S_BOXES][BLOWFISH_S_WORDS];

UINT BlowfishDecryptLanes(int mode, const UINT32* p, const BlowfishSBoxes& s, UINT32 chain[2], const BYTE* input,
                          BYTE* output, UINT blocks);
UINT BlowfishDecryptLanesBitExtract(int mode, const UINT32* p, const BlowfishSBoxes& s, UINT32 chain[2],
                                    const BYTE* input, BYTE* output, UINT blocks);
