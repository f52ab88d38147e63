// The fast paths against their plain definitions: Crc32 against the bit-at-a-time
// CRC-32 and against itself continued at any split; CBlowfish's bulk decryption, as
// Decrypt chooses it and by each path this processor has, against its one-block-at-a-time
// path in every mode, length and alignment, with the output apart from the input, equal
// to it or before it; encryption undoing it.
// Input: key length byte, key, 8 bytes of vector, mode byte, layout byte, CRC split
// (Half), then the data.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "decode/BlowfishKernels.h"
#include "decode/CBlowfish.h"
#include "decode/Crc32.h"
#include "fuzz/InputReader.h"
#include "fuzz/LayoutModel.h"

namespace
{
[[noreturn]] void Differ(const char* what, int line)
{
    std::fprintf(stderr, "CryptoFastPathFuzzer.cpp:%d: fast path and reference differ: %s\n", line, what);
    std::abort();
}

#define EXPECT_SAME(condition) ((condition) ? void(0) : Differ(#condition, __LINE__))

void CheckCrc32(const std::vector<BYTE>& data, size_t alignment, size_t split)
{
    const BYTE* bytes = data.data() + alignment;
    const UINT32 length = static_cast<UINT32>(data.size() - alignment);
    const UINT32 whole = Crc32(0, bytes, length);
    EXPECT_SAME(whole == BitwiseCrc32(bytes, length));
    const UINT32 first = static_cast<UINT32>(split % (length + 1));
    EXPECT_SAME(Crc32(Crc32(0, bytes, first), bytes + first, length - first) == whole);
    EXPECT_SAME(Crc32(whole, nullptr, length) == 0);
}

void CheckBlowfish(CBlowfish& cipher, const std::vector<BYTE>& data, size_t alignment, size_t overlap)
{
    const UINT length = static_cast<UINT>(data.size() - alignment);
    const BYTE* input = data.data() + alignment;
    const bool bValid = length != 0 && length % BLOWFISH_BLOCK_SIZE == 0;

    // Every output gets `alignment` bytes in front, so the paths also meet odd addresses.
    std::vector<BYTE> reference(alignment + length, 0xA5);
    const HRESULT expected = BlowfishDecryptVia(BlowfishPath::OneBlock, cipher, input, reference.data() + alignment, length);
    EXPECT_SAME(expected == (bValid ? RESULT_OK : RESULT_INVALID_ARG));
    if (!bValid)
        EXPECT_SAME(std::vector<BYTE>(alignment + length, 0xA5) == reference);

    std::vector<BYTE> apart(alignment + length, 0xA5);
    EXPECT_SAME(cipher.Decrypt(input, apart.data() + alignment, length) == expected);
    EXPECT_SAME(apart == reference);

    std::vector<BYTE> inPlace(data.begin(), data.end());
    EXPECT_SAME(cipher.DecryptInPlace(inPlace.data() + alignment, length) == expected);
    EXPECT_SAME(length == 0 || std::memcmp(inPlace.data() + alignment, bValid ? reference.data() + alignment : input, length) == 0);

    // The output starting `overlap` bytes before the input, in one buffer.
    std::vector<BYTE> shared(overlap + data.size());
    std::copy(data.begin(), data.end(), shared.begin() + static_cast<std::ptrdiff_t>(overlap));
    EXPECT_SAME(cipher.Decrypt(shared.data() + overlap + alignment, shared.data() + alignment, length) == expected);
    if (bValid)
        EXPECT_SAME(std::memcmp(shared.data() + alignment, reference.data() + alignment, length) == 0);
    if (!bValid)
        return;

    // Each bulk path named, apart from and just before its input.
    for (BlowfishPath path : {BlowfishPath::Lanes, BlowfishPath::LanesBitExtract, BlowfishPath::BytePlanes})
    {
        if (!IsBlowfishPathAvailable(path))
            continue;
        std::vector<BYTE> viaPath(alignment + length, 0xA5);
        EXPECT_SAME(BlowfishDecryptVia(path, cipher, input, viaPath.data() + alignment, length) == RESULT_OK);
        EXPECT_SAME(viaPath == reference);
        std::copy(data.begin(), data.end(), shared.begin() + static_cast<std::ptrdiff_t>(overlap));
        EXPECT_SAME(BlowfishDecryptVia(path, cipher, shared.data() + overlap + alignment, shared.data() + alignment,
                                       length) == RESULT_OK);
        EXPECT_SAME(std::memcmp(shared.data() + alignment, reference.data() + alignment, length) == 0);
    }

    // Encryption undoes decryption, in both forms.
    std::vector<BYTE> encrypted(length);
    EXPECT_SAME(cipher.Encrypt(reference.data() + alignment, encrypted.data(), length) == RESULT_OK);
    EXPECT_SAME(std::memcmp(encrypted.data(), input, length) == 0);
    EXPECT_SAME(cipher.EncryptInPlace(reference.data() + alignment, length) == RESULT_OK);
    EXPECT_SAME(std::memcmp(reference.data() + alignment, input, length) == 0);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    InputReader input(data, size);
    std::vector<BYTE> key(input.Byte() % 64);
    for (BYTE& byte : key)
        byte = input.Byte();
    const UINT32 iv[2] = {input.Word(), input.Word()};
    const int mode = static_cast<int8_t>(input.Byte());
    const BYTE layout = input.Byte();
    const size_t split = input.Half();
    const std::vector<BYTE> bytes = input.Rest();
    const size_t alignment = bytes.empty() ? 0 : (layout & 7) % bytes.size();
    const size_t overlap = layout >> 3;

    CheckCrc32(bytes, alignment, split);

    CBlowfish cipher;
    const bool bKeyFits = !key.empty() && key.size() <= BLOWFISH_MAX_KEY_LENGTH;
    const HRESULT keyed = cipher.SetKey(key.data(), static_cast<UINT>(key.size()), iv);
    EXPECT_SAME(keyed == (bKeyFits ? RESULT_OK : DEC_E_KEY_LENGTH));
    if (!bKeyFits)
        return 0;
    EXPECT_SAME(cipher.SetMode(mode) == RESULT_OK);
    CheckBlowfish(cipher, bytes, alignment, overlap);
    return 0;
}
