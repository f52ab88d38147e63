#include "fuzz/JobCipher.h"

#include <cstdlib>
#include <string>

#include "decode/BlowfishKernels.h"
#include "tests/support/OvxEncoder.h"

namespace
{
CBlowfish* MakeJobCipher()
{
    static const UINT32 iv[2] = {OVX_JOB_IV_LEFT, OVX_JOB_IV_RIGHT};
    const std::string& password = FuzzPassword();
    auto* cipher = new CBlowfish();
    if (cipher->SetKey(reinterpret_cast<const BYTE*>(password.data()), static_cast<UINT>(password.size()), iv) !=
            RESULT_OK ||
        cipher->SetMode(CIPHER_MODE_CBC) != RESULT_OK)
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
