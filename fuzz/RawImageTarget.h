#pragma once

// The body of the raw-image targets: the input is a cipher choice, a script and then
// the encoded file itself, byte for byte.
//   byte 0       below 0xC0: the job's Blowfish; else a pass-through cipher of block
//                size byte - 0xBC (4 to 67, so also sizes the decoders refuse)
//   byte 1       n, the number of script steps
//   5 n bytes    the script (see DecoderCheck)
//   the rest     the file

#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz/DecoderCheck.h"
#include "fuzz/JobCipher.h"
#include "fuzz/PassThroughDecryptor.h"
#include "tests/support/MemoryStream.h"

using LayoutModeller = LayoutModel (*)(const std::vector<BYTE>&, UINT, const MessageDecryptor&);

template <class Decoder>
int FuzzRawImage(const uint8_t* data, size_t size, LayoutModeller modelLayout)
{
    InputReader input(data, size);
    const uint8_t cipherChoice = input.Byte();
    const size_t steps = input.Byte();
    const InputReader script = input.Take(steps * SCRIPT_STEP_SIZE);
    const std::vector<BYTE> image = input.Rest();

    MemoryStream source(image);
    Decoder decoder;
    if (cipherChoice < 0xC0)
    {
        const LayoutModel model = modelLayout(image, BLOWFISH_BLOCK_SIZE, DecryptJobMessageByBlocks);
        CheckDecoderAgainstModel(decoder, source, FuzzJobCipher(), model, script);
    }
    else
    {
        PassThroughDecryptor cipher(cipherChoice - 0xBCu);
        const LayoutModel model = modelLayout(image, cipher.GetBlockSize(), [](BYTE*, size_t) {});
        CheckDecoderAgainstModel(decoder, source, cipher, model, script);
    }
    return 0;
}
