#include "fuzz/JobCipher.h"

#include <cstdlib>
#include <string>

#include "decode/BlowfishKernels.h"
#include "engine/JobCipher.h"

namespace
{
CBlowfish* MakeJobCipher()
{
    auto* cipher = new CBlowfish();
    if (KeyJobCipher(*cipher, FuzzPassword()) != RESULT_OK)
        std::abort();
    return cipher;
}

// Separate instances, so that a fault in one path cannot show up in the other.
CBlowfish& EncryptingCipher()
{
    static CBlowfish* cipher = MakeJobCipher();
    return *cipher;
}

CBlowfish& ReferenceCipher()
{
    static CBlowfish* cipher = MakeJobCipher();
    return *cipher;
}
} // namespace

const std::string& FuzzPassword()
{
    static const std::string password = "fuzzing";
    return password;
}

CBlowfish& FuzzJobCipher()
{
    static CBlowfish* cipher = MakeJobCipher();
    return *cipher;
}

void EncryptJobMessage(BYTE* message, size_t length)
{
    CBlowfish& cipher = EncryptingCipher();
    if (cipher.Reset() != RESULT_OK || cipher.EncryptInPlace(message, static_cast<UINT>(length)) != RESULT_OK)
        std::abort();
}

void DecryptJobMessageByBlocks(BYTE* message, size_t length)
{
    CBlowfish& cipher = ReferenceCipher();
    if (cipher.Reset() != RESULT_OK ||
        BlowfishDecryptVia(BlowfishPath::OneBlock, cipher, message, message, static_cast<UINT>(length)) != RESULT_OK)
        std::abort();
}
