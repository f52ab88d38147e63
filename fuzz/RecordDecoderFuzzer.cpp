// Raw record-layout files, read and sought by a script, against the layout model.

#include "decode/CRecordDecoder.h"
#include "fuzz/RawImageTarget.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return FuzzRawImage<CRecordDecoder>(data, size, ModelRecordLayout);
}
