#pragma once

// The layouts' fields and the CRC's words are little-endian on every host: explicit
// byte loads (compilers turn these into one load), no pointer casts.

#include "base/Types.h"

inline UINT32 LoadLittleEndian32(const BYTE* bytes)
{
    return UINT32(bytes[0]) | (UINT32(bytes[1]) << 8) | (UINT32(bytes[2]) << 16) | (UINT32(bytes[3]) << 24);
}

inline UINT64 LoadLittleEndian64(const BYTE* bytes)
{
    return UINT64(LoadLittleEndian32(bytes)) | (UINT64(LoadLittleEndian32(bytes + 4)) << 32);
}
