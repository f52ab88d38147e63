#pragma once

// The ways Crc32 can compute, for tests and benchmarks. Crc32 itself takes the fastest the
// processor supports; table slicing (slice-by-16) runs everywhere and is the reference
// the folding paths are checked against.

#include "base/Types.h"

enum class Crc32Path
{
    Slices,       // slice-by-16 tables
    Carryless,    // 128-bit folding (GetCpuFeatures().carryless)
    WideCarryless // 256-bit folding (GetCpuFeatures().wideCarryless)
};

bool IsCrc32PathAvailable(Crc32Path path);

// As Crc32; a path this processor lacks computes by slices.
UINT32 Crc32Via(Crc32Path path, UINT32 running, const BYTE* buffer, UINT32 length);
