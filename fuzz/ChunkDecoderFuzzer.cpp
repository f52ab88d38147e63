// Raw chunk-layout files, read and sought by a script, against the layout model.

#include "decode/CChunkDecoder.h"
#include "fuzz/RawImageTarget.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return FuzzRawImage<CChunkDecoder>(data, size, ModelChunkLayout);
}
