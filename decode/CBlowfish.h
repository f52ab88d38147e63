#pragma once

// Blowfish (64-bit blocks, 16 rounds, the published key schedule) with ECB, CBC and
// 64-bit CFB chaining. Blocks are two big-endian 32-bit halves on every host.
// The two-buffer forms take an output equal to the input or lying before it; other
// overlaps are not supported. Null buffers, and a null key or vector, are invalid.

#include "decode/BlowfishKernels.h"
#include "decode/Cipher.h"

constexpr UINT BLOWFISH_BLOCK_SIZE = 8;

constexpr UINT BLOWFISH_MAX_KEY_LENGTH = 56;

class CBlowfish : public IEncryptor, public IDecryptor
{
public:
    CBlowfish();
    // Wipes the key schedule (its byte planes too), the vector and the chain.
    ~CBlowfish() override;

    // Keys the cipher with 1 to 56 key bytes (used cyclically) and sets both the
    // initial vector and the chaining value to initialVector (left, right), and chooses
    // the fastest decryption kernel this processor has (decode/BlowfishKernels.h); the
    // old schedule is wiped first. DEC_E_KEY_LENGTH for any other length, with nothing
    // changed.
    HRESULT SetKey(const BYTE* key, UINT length, const UINT32 initialVector[2]);

    UINT GetBlockSize() override;
    HRESULT GetMode(int* mode) override;
    HRESULT SetMode(int mode) override;
    HRESULT Reset() override;

    HRESULT Encrypt(const void* input, void* output, UINT length) override;
    HRESULT EncryptInPlace(void* buffer, UINT length) override;
    HRESULT Decrypt(const void* input, void* output, UINT length) override;
    HRESULT DecryptInPlace(void* buffer, UINT length) override;

    // Decrypt through the given kernel (nullptr: one block at a time) instead of the chosen one.
    HRESULT DecryptWith(BlowfishKernel kernel, const void* input, void* output, UINT length);

private:
    void WipeKey();

    UINT32 m_iv[2];    // initial vector (left, right)
    UINT32 m_chain[2]; // chaining value (left, right)
    BlowfishSchedule m_key;
    BlowfishKernel m_kernel;
    int m_nMode;
};
