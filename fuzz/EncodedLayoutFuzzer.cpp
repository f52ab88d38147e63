// Structure-aware: files built in plain form from the input (see LayoutPlan) and
// encrypted, so the fuzzer reaches past the cipher and the CRC-32. An unedited file
// must decode to its plaintext; every file must decode exactly as the model says.

#include "decode/CChunkDecoder.h"
#include "decode/CRecordDecoder.h"
#include "fuzz/DecoderCheck.h"
#include "fuzz/JobCipher.h"
#include "fuzz/LayoutPlan.h"
#include "tests/support/MemoryStream.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    InputReader input(data, size);
    const LayoutPlan plan = BuildLayoutPlan(input);
    const LayoutModel model = plan.bChunks ? ModelChunkLayout(plan.image, BLOWFISH_BLOCK_SIZE, DecryptJobMessageByBlocks)
                                           : ModelRecordLayout(plan.image, BLOWFISH_BLOCK_SIZE, DecryptJobMessageByBlocks);
    if (!plan.bEdited && (model.init != RESULT_OK || model.plain != plan.plaintext))
    {
        std::fprintf(stderr, "an unedited %s file of %zu bytes is not decoded to its plaintext\n",
                     plan.bChunks ? "chunk" : "record", plan.plaintext.size());
        std::abort();
    }

    MemoryStream source(plan.image);
    CRecordDecoder records;
    CChunkDecoder chunks;
    CUnitDecoder& decoder = plan.bChunks ? static_cast<CUnitDecoder&>(chunks) : records;
    CheckDecoderAgainstModel(decoder, source, FuzzJobCipher(), model, input);
    return 0;
}
