// The bulk decryption kernel for any processor: S-box indices by shift and mask.

#include "decode/BlowfishLanes.h"
#include "decode/BlowfishKernels.h"

namespace
{

struct ShiftedBytes
{
    template <int SHIFT> static size_t Get(UINT32 x) { return (x >> SHIFT) & 0xFF; }
};

} // namespace

UINT BlowfishDecryptLanes(int mode, const UINT32* p, const BlowfishSBoxes& s, UINT32 chain[2], const BYTE* input,
                          BYTE* output, UINT blocks)
{
    return DecryptLaneGroupsInMode<ShiftedBytes>(mode, p, s, chain, input, output, blocks);
}
