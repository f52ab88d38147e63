#pragma once

// The processor features the fast decoding paths use, asked once per process. Each flag
// is true only where the compiler can build the path and the processor (and, for the
// 256- and 512-bit registers, the operating system) supports it; elsewhere the portable
// code runs.

struct CpuFeatures
{
    bool bitExtract;    // BMI1 and BMI2: the Blowfish lanes' byte extraction
    bool bytePlanes;    // AVX-512 BW and VBMI (and BMI1/BMI2 for its tails): byte-sliced Blowfish, 64-bit builds
    bool carryless;     // PCLMULQDQ with SSE4.1: CRC-32 folding, 128 bits at a time
    bool wideCarryless; // VPCLMULQDQ with AVX2: CRC-32 folding, 256 bits at a time
};

const CpuFeatures& GetCpuFeatures();

// A region of a file built for more instructions than the rest of the program: the
// functions defined between OVX_TARGET_BEGIN("feature,...") and OVX_TARGET_END, which
// only run where GetCpuFeatures() says so. Headers go before the region, so that their
// inline functions stay baseline. GCC switches the target for the region; clang (the
// fuzz build) applies it to each function in it.
#define OVX_PRAGMA(text) _Pragma(#text)
#if defined(__clang__)
#define OVX_TARGET_BEGIN(features)                                                                                   \
    OVX_PRAGMA(clang attribute push(__attribute__((target(features))), apply_to = function))
#define OVX_TARGET_END OVX_PRAGMA(clang attribute pop)
#else
#define OVX_TARGET_BEGIN(features) OVX_PRAGMA(GCC push_options) OVX_PRAGMA(GCC target(features))
#define OVX_TARGET_END OVX_PRAGMA(GCC pop_options)
#endif
