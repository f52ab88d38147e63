#pragma once

// Block cipher interfaces. A processing call handles `length` bytes as length / block
// size consecutive blocks in the current mode, starting a fresh chain from the stored
// chaining value every time (the chain is never written back). A length of 0 or not
// a multiple of the block size returns RESULT_INVALID_ARG and writes nothing.

#include "base/Result.h"

constexpr int CIPHER_MODE_ECB = 0; // each block on its own; also any unknown mode
constexpr int CIPHER_MODE_CBC = 1; // cipher-block chaining
constexpr int CIPHER_MODE_CFB = 2; // 64-bit cipher feedback

class IBlockCipher
{
public:
    virtual ~IBlockCipher() = default;
    virtual UINT GetBlockSize() = 0; // the size itself, not a result code
    virtual HRESULT GetMode(int* mode) = 0;
    virtual HRESULT SetMode(int mode) = 0; // any value is stored
    virtual HRESULT Reset() = 0;           // chaining value := initial vector
};

class IEncryptor : public virtual IBlockCipher
{
public:
    virtual HRESULT Encrypt(const void* input, void* output, UINT length) = 0;
    virtual HRESULT EncryptInPlace(void* buffer, UINT length) = 0;
};

class IDecryptor : public virtual IBlockCipher
{
public:
    virtual HRESULT Decrypt(const void* input, void* output, UINT length) = 0;
    virtual HRESULT DecryptInPlace(void* buffer, UINT length) = 0;
};
