#pragma once

// Shared pieces of the decoder tests: a keyed cipher, one that fails on demand, reading
// a decoder to its end, and decoders whose allocator is watched or made to fail.

#include <algorithm>
#include <new>
#include <string>
#include <vector>

#include "decode/CBlowfish.h"
#include "decode/CUnitDecoder.h"
#include "tests/support/OvxEncoder.h"

// Blowfish-CBC keyed like a job: the password's bytes and the fixed initial vector.
class KeyedCipher
{
public:
    explicit KeyedCipher(const std::string& password)
    {
        const UINT32 iv[2] = {OVX_JOB_IV_LEFT, OVX_JOB_IV_RIGHT};
        m_cipher.SetKey(reinterpret_cast<const BYTE*>(password.data()), static_cast<UINT>(password.size()), iv);
        m_cipher.SetMode(CIPHER_MODE_CBC);
    }
    IDecryptor* Decryptor() { return &m_cipher; }

private:
    CBlowfish m_cipher;
};

// Forwards to a real decryptor until its `failFrom`-th decryption, which and every later one return `code`.
class FailingDecryptor : public IDecryptor
{
public:
    FailingDecryptor(IDecryptor* inner, int failFrom, HRESULT code) : m_pInner(inner), m_nFailFrom(failFrom), m_hr(code) {}

    UINT GetBlockSize() override { return m_pInner->GetBlockSize(); }
    HRESULT GetMode(int* mode) override { return m_pInner->GetMode(mode); }
    HRESULT SetMode(int mode) override { return m_pInner->SetMode(mode); }
    HRESULT Reset() override { return m_pInner->Reset(); }
    HRESULT Decrypt(const void* input, void* output, UINT length) override
    {
        return ++m_nCalls >= m_nFailFrom ? m_hr : m_pInner->Decrypt(input, output, length);
    }
    HRESULT DecryptInPlace(void* buffer, UINT length) override
    {
        return ++m_nCalls >= m_nFailFrom ? m_hr : m_pInner->DecryptInPlace(buffer, length);
    }

private:
    IDecryptor* m_pInner;
    int m_nFailFrom;
    HRESULT m_hr;
    int m_nCalls = 0;
};

struct ReadOutcome
{
    HRESULT hr;              // the first non-zero return
    std::vector<BYTE> bytes; // everything delivered up to it
};

// Reads in `piece`-byte requests until the first non-zero return, like the extraction.
inline ReadOutcome ReadToEnd(IReadStream& stream, UINT64 piece = 0x10000)
{
    ReadOutcome outcome{RESULT_OK, {}};
    std::vector<BYTE> buffer(static_cast<size_t>(piece));
    UINT64 done = 0;
    while ((outcome.hr = stream.Read(buffer.data(), piece, &done)) == RESULT_OK)
        outcome.bytes.insert(outcome.bytes.end(), buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(done));
    outcome.bytes.insert(outcome.bytes.end(), buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(done));
    return outcome;
}

enum class AllocationFault
{
    None,
    ReturnNull,
    ThrowErrorId,
    ThrowOther,
};

// A decoder whose allocator counts its calls, keeps the largest size asked for, and
// fails its `failingCall`-th call (counted from 1) as `fault` says.
template <class Decoder>
class WatchedDecoder : public Decoder
{
public:
    WatchedDecoder(AllocationFault fault = AllocationFault::None, int failingCall = 0, HRESULT carried = RESULT_OK)
        : m_fault(fault), m_nFailingCall(failingCall), m_hrCarried(carried)
    {
    }
    int Calls() const { return m_nCalls; }
    size_t Largest() const { return m_nLargest; }

protected:
    BYTE* AllocateRaw(size_t size) override
    {
        m_nLargest = std::max(m_nLargest, size);
        if (++m_nCalls == m_nFailingCall)
        {
            switch (m_fault)
            {
            case AllocationFault::ReturnNull: return nullptr;
            case AllocationFault::ThrowErrorId: throw CErrorIDException(m_hrCarried);
            case AllocationFault::ThrowOther: throw std::bad_alloc();
            case AllocationFault::None: break;
            }
        }
        return Decoder::AllocateRaw(size);
    }

private:
    AllocationFault m_fault;
    int m_nFailingCall;
    HRESULT m_hrCarried;
    int m_nCalls = 0;
    size_t m_nLargest = 0;
};
