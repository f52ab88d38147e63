#pragma once

// A "cipher" that leaves the bytes as they are, with any block size. Over it a fuzzer
// sees the decoders' plaintext checks directly and can steer past them, and the
// layouts meet block sizes other than the one of the real cipher.

#include <cstring>

#include "decode/Cipher.h"

class PassThroughDecryptor : public IDecryptor
{
public:
    explicit PassThroughDecryptor(UINT blockSize) : m_nBlockSize(blockSize) {}

    UINT GetBlockSize() override { return m_nBlockSize; }
    HRESULT GetMode(int* mode) override
    {
        *mode = CIPHER_MODE_ECB;
        return RESULT_OK;
    }
    HRESULT SetMode(int) override { return RESULT_OK; }
    HRESULT Reset() override { return RESULT_OK; }

    HRESULT Decrypt(const void* input, void* output, UINT length) override
    {
        if (!Fits(length))
            return RESULT_INVALID_ARG;
        std::memmove(output, input, length);
        return RESULT_OK;
    }
    HRESULT DecryptInPlace(void*, UINT length) override { return Fits(length) ? RESULT_OK : RESULT_INVALID_ARG; }

private:
    // The cipher contract: whole blocks, at least one.
    bool Fits(UINT length) const { return m_nBlockSize != 0 && length != 0 && length % m_nBlockSize == 0; }

    UINT m_nBlockSize;
};
