#include "tests/support/FaultCipher.h"

#include <stdexcept>

#include "engine/JobCipher.h"

FaultCipher::FaultCipher(const std::string& password)
{
    if (KeyJobCipher(*this, password) != RESULT_OK)
        throw std::invalid_argument("a test password the cipher cannot take: " + password);
}

void FaultCipher::FailAfter(int succeeding, HRESULT code)
{
    calls = 0;
    beforeDecrypt = [succeeding, code](int call) { return call > succeeding ? code : RESULT_OK; };
}

HRESULT FaultCipher::Decrypt(const void* input, void* output, UINT length)
{
    const HRESULT hr = Before();
    return hr != RESULT_OK ? hr : CBlowfish::Decrypt(input, output, length);
}

// Straight to the cipher's Decrypt, so that an in-place decryption counts once.
HRESULT FaultCipher::DecryptInPlace(void* buffer, UINT length)
{
    const HRESULT hr = Before();
    return hr != RESULT_OK ? hr : CBlowfish::Decrypt(buffer, buffer, length);
}

HRESULT FaultCipher::Before()
{
    const int call = ++calls;
    return beforeDecrypt ? beforeDecrypt(call) : RESULT_OK;
}
