#pragma once

// Shared pieces of the decoder tests: a decoder over an image in memory,
// reading to the end, and decoders whose allocator is watched or made to fail.

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "decode/CUnitDecoder.h"
#include "tests/support/FaultCipher.h"
#include "tests/support/MemoryStream.h"
#include "tests/support/OvxEncoder.h"

template <class Decoder>
struct DecoderOver
{
    DecoderOver(std::vector<BYTE> image, const std::string& password) : source(std::move(image)), cipher(password) {}
    HRESULT Init() { return decoder.Init(&source, &cipher); }

    MemoryStream source;
    FaultCipher cipher;
    Decoder decoder;
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

// A decoder whose allocator counts its calls and keeps the largest size asked for. Its
// `failingCall`-th call (counted from 1) calls `fail`, which may throw, or returns null.
template <class Decoder>
class WatchedDecoder : public Decoder
{
public:
    explicit WatchedDecoder(int failingCall = 0, void (*fail)() = nullptr) : m_nFailingCall(failingCall), m_fail(fail) {}
    int Calls() const { return m_nCalls; }
    size_t Largest() const { return m_nLargest; }

protected:
    BYTE* AllocateRaw(size_t size) override
    {
        m_nLargest = std::max(m_nLargest, size);
        if (++m_nCalls != m_nFailingCall)
            return Decoder::AllocateRaw(size);
        if (m_fail != nullptr)
            m_fail();
        return nullptr;
    }

private:
    int m_nFailingCall;
    void (*m_fail)();
    int m_nCalls = 0;
    size_t m_nLargest = 0;
};
