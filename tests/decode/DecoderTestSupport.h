#pragma once

// Shared pieces of the decoder tests: a keyed cipher, reading a decoder to its end,
// and decoders whose allocator can be made to fail.

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

// Forwards to a real decryptor, checks that every decryption starts a fresh chain
// (Reset since the previous one), and can be made to fail from the n-th decryption.
class CheckingDecryptor : public IDecryptor
{
public:
    explicit CheckingDecryptor(IDecryptor* inner) : m_pInner(inner) {}
    void FailFrom(int decryption, HRESULT code)
    {
        m_nFailFrom = decryption;
        m_hrFail = code;
    }
    int Decryptions() const { return m_nDecryptions; }
    int ChainsCarriedOver() const { return m_nCarriedOver; }

    UINT GetBlockSize() override { return m_pInner->GetBlockSize(); }
    HRESULT GetMode(int* mode) override { return m_pInner->GetMode(mode); }
    HRESULT SetMode(int mode) override { return m_pInner->SetMode(mode); }
    HRESULT Reset() override
    {
        m_bFresh = true;
        return m_pInner->Reset();
    }
    HRESULT Decrypt(const void* input, void* output, UINT length) override
    {
        return Count() ? m_hrFail : m_pInner->Decrypt(input, output, length);
    }
    HRESULT DecryptInPlace(void* buffer, UINT length) override
    {
        return Count() ? m_hrFail : m_pInner->DecryptInPlace(buffer, length);
    }

private:
    bool Count() // true when this decryption is to fail
    {
        m_nCarriedOver += m_bFresh ? 0 : 1;
        m_bFresh = false;
        return ++m_nDecryptions >= m_nFailFrom && m_nFailFrom > 0;
    }

    IDecryptor* m_pInner;
    bool m_bFresh = false;
    int m_nDecryptions = 0;
    int m_nCarriedOver = 0;
    int m_nFailFrom = 0;
    HRESULT m_hrFail = RESULT_OK;
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
    for (;;)
    {
        UINT64 done = 0;
        outcome.hr = stream.Read(buffer.data(), piece, &done);
        outcome.bytes.insert(outcome.bytes.end(), buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(done));
        if (outcome.hr != RESULT_OK)
            return outcome;
    }
}

enum class AllocationFault
{
    None,
    ReturnNull,
    ThrowErrorId,
    ThrowOther,
};

// A decoder whose allocator fails on its `failingCall`-th call (counted from 1).
template <class Decoder>
class AllocationFaultDecoder : public Decoder
{
public:
    AllocationFaultDecoder(AllocationFault fault, int failingCall, HRESULT carried = RESULT_OUT_OF_MEMORY)
        : m_fault(fault), m_nFailingCall(failingCall), m_hrCarried(carried)
    {
    }
    int Calls() const { return m_nCalls; }

protected:
    BYTE* AllocateRaw(size_t size) override
    {
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
};
