#pragma once

// The ways Crc32 can compute, for tests and benchmarks. Crc32 itself takes the fastest the
// processor supports; table slicing (slice-by-16) runs everywhere and is the reference
// the folding paths are checked against.

#include "base/Result.h"

enum class Crc32Path
{
    Slices,       // slice-by-16 tables
    Carryless,    // 128-bit folding (GetCpuFeatures().carryless)
    WideCarryless // 256-bit folding (GetCpuFeatures().wideCarryless)
};

bool IsCrc32PathAvailable(Crc32Path path);

// *crc = Crc32(running, buffer, length) computed by `path`; RESULT_INVALID_ARG for a path
// this processor lacks (nothing is computed by another path instead).
HRESULT Crc32Via(Crc32Path path, UINT32 running, const BYTE* buffer, UINT32 length, UINT32* crc);
