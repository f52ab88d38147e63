#pragma once

// Blocks are two big-endian halves on every host: explicit byte loads and stores
// (compilers turn these into one load and a byte swap), no pointer casts.

#include "base/Types.h"

inline UINT32 LoadBigEndian(const BYTE* bytes)
{
    return (UINT32(bytes[0]) << 24) | (UINT32(bytes[1]) << 16) | (UINT32(bytes[2]) << 8) | UINT32(bytes[3]);
}

inline void StoreBigEndian(BYTE* bytes, UINT32 value)
{
    bytes[0] = BYTE(value >> 24);
    bytes[1] = BYTE(value >> 16);
    bytes[2] = BYTE(value >> 8);
    bytes[3] = BYTE(value);
}
