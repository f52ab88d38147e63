// The bulk decryption kernel built with BMI1 and BMI2: bextr takes a byte out of a word in
// one instruction where shift and mask take two or three, and the three-operand forms
// spare register copies. Only this file is built for those instructions; the rest of the
// program stays baseline x86.

#include "decode/BlowfishKernels.h"

#if defined(__x86_64__) || defined(__i386__)

// Everything included before the target switch is built as usual; only the kernel's own
// (unnamed-namespace) code below is built for the extended instruction set.
#include "decode/BigEndian.h"
#include "decode/CBlowfish.h"

#include <cstddef>
#include <immintrin.h>

// GCC switches the target for a region; clang (the fuzz build) applies it to each function.
#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("bmi,bmi2"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("bmi,bmi2")
#endif

#include "decode/BlowfishLanes.h"

namespace
{

struct ExtractedBytes
{
    template <int SHIFT> static size_t Get(UINT32 x)
    {
#if defined(__x86_64__)
        return _bextr_u64(x, SHIFT, 8); // 64-bit: the index needs no separate zero extension
#else
        return _bextr_u32(x, SHIFT, 8);
#endif
    }
};

} // namespace

UINT BlowfishDecryptLanesBitExtract(int mode, const UINT32* p, const BlowfishSBoxes& s, UINT32 chain[2],
                                    const BYTE* input, BYTE* output, UINT blocks)
{
    return DecryptLaneGroupsInMode<ExtractedBytes>(mode, p, s, chain, input, output, blocks);
}

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif

#else

// No such instructions here; GetCpuFeatures() never selects this.
UINT BlowfishDecryptLanesBitExtract(int mode, const UINT32* p, const BlowfishSBoxes& s, UINT32 chain[2],
                                    const BYTE* input, BYTE* output, UINT blocks)
{
    return BlowfishDecryptLanes(mode, p, s, chain, input, output, blocks);
}

#endif
