// The 8-lane kernels: S-box indices by shift and mask for any processor, and by BMI1/BMI2,
// where bextr takes a byte out of a word in one instruction where shift and mask take two
// or three and the three-operand forms spare register copies.

#include "decode/BlowfishKernels.h"

#include "decode/BigEndian.h"
#include "decode/CBlowfish.h"
#include "decode/CpuFeatures.h"

#include <cstddef>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace
{
namespace portable
{

struct ShiftedBytes
{
    template <int SHIFT> static size_t Get(UINT32 x) { return (x >> SHIFT) & 0xFF; }
};

#include "decode/BlowfishLanes.inl"

} // namespace portable
} // namespace

UINT BlowfishDecryptLanes(int mode, const BlowfishSchedule& key, UINT32 chain[2], const BYTE* input, BYTE* output,
                          UINT blocks)
{
    return portable::DecryptLaneGroupsInMode<portable::ShiftedBytes>(mode, key, chain, input, output, blocks);
}

#if defined(__x86_64__) || defined(__i386__)

OVX_TARGET_BEGIN("bmi,bmi2")

namespace
{
namespace extracted
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

#include "decode/BlowfishLanes.inl"

} // namespace extracted
} // namespace

UINT BlowfishDecryptLanesBitExtract(int mode, const BlowfishSchedule& key, UINT32 chain[2], const BYTE* input,
                                    BYTE* output, UINT blocks)
{
    return extracted::DecryptLaneGroupsInMode<extracted::ExtractedBytes>(mode, key, chain, input, output, blocks);
}

OVX_TARGET_END

#else

// No such instructions here; GetCpuFeatures() never selects this.
UINT BlowfishDecryptLanesBitExtract(int mode, const BlowfishSchedule& key, UINT32 chain[2], const BYTE* input,
                                    BYTE* output, UINT blocks)
{
    return BlowfishDecryptLanes(mode, key, chain, input, output, blocks);
}

#endif
