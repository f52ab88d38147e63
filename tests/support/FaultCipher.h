#pragma once

// The job's cipher for tests, keyed as the program keys it (KeyJobCipher), whose
// decryptions a test can make fail, throw or act at a given call. Decryptions may come
// from several threads at once (a job's decoding pool).

#include <atomic>
#include <functional>
#include <string>

#include "decode/CBlowfish.h"

class FaultCipher : public CBlowfish
{
public:
    explicit FaultCipher(const std::string& password);

    // Before every decryption: sees the call number (from 1) and may act, throw, or
    // return a failure code, which the decryption then returns instead.
    std::function<HRESULT(int call)> beforeDecrypt;
    std::atomic<int> calls{0};

    // From now on, after `succeeding` decryptions every one returns `code`.
    void FailAfter(int succeeding, HRESULT code);

    HRESULT Decrypt(const void* input, void* output, UINT length) override;
    HRESULT DecryptInPlace(void* buffer, UINT length) override;

private:
    HRESULT Before();
};
