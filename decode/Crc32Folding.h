#pragma once

// CRC-32 by carry-less multiplication (PCLMULQDQ): the buffer's 16-byte blocks are folded
// into a few 128-bit accumulators, each fold a multiplication by x^distance mod P, then
// the accumulators are folded into one and reduced to 32 bits (Barrett reduction).
// Both take the CRC register (the complemented running value), need at least
// CRC32_FOLD_MIN_BYTES, consume the largest multiple of 16 bytes of the buffer and return
// the register after it; the caller adds the rest. Called only where GetCpuFeatures()
// says so: carryless (128-bit) or wideCarryless (256-bit).

#include "base/Types.h"

constexpr UINT32 CRC32_FOLD_MIN_BYTES = 64;

UINT32 Crc32Fold128(UINT32 crc, const BYTE* buffer, UINT32 length);
UINT32 Crc32Fold256(UINT32 crc, const BYTE* buffer, UINT32 length);
