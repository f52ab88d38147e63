#pragma once

// The processor features the fast decoding paths use, asked once per process. Each flag
// is true only where the compiler can build the path and the processor (and, for the
// 256-bit registers, the operating system) supports it; elsewhere the portable code runs.

struct CpuFeatures
{
    bool bitExtract;    // BMI1 and BMI2: the Blowfish lanes' byte extraction
    bool carryless;     // PCLMULQDQ with SSE4.1: CRC-32 folding, 128 bits at a time
    bool wideCarryless; // VPCLMULQDQ with AVX2: CRC-32 folding, 256 bits at a time
};

const CpuFeatures& GetCpuFeatures();
