#pragma once

// An input stream over bytes in memory, for tests: it keeps the stream contract of a
// file (short reads return RESULT_END_OF_DATA with the bytes read, seeking past the end
// is allowed, before the start is RESULT_NEGATIVE_SEEK), records where each Read
// started, and can be made to fail. Data() may be changed at any time, e.g. shrunk
// after a decoder's Init to play a file that is cut while it is being read.

#include <cstddef>
#include <utility>
#include <vector>

#include "decode/Streams.h"

class MemoryStream : public IInputStream
{
public:
    MemoryStream() = default;
    explicit MemoryStream(std::vector<BYTE> data) : m_data(std::move(data)) {}

    HRESULT GetPosition(UINT64* position) override;
    HRESULT Seek(INT64 offset, DWORD origin) override;
    HRESULT GetSize(UINT64* size) override;
    HRESULT Read(void* buffer, UINT64 count, UINT64* done) override;

    std::vector<BYTE>& Data() { return m_data; }

    // Every Read that reaches byte `offset` or beyond delivers the bytes before it and returns `code`.
    void FailReadsFrom(UINT64 offset, HRESULT code);
    // From the n-th Read on (counted from 1), the data is first cut to `size` bytes.
    void CutAtRead(size_t n, size_t size)
    {
        m_nCutAtRead = n;
        m_nCutSize = size;
    }
    void FailGetSize(HRESULT code) { m_hrGetSize = code; }
    void FailSeek(HRESULT code) { m_hrSeek = code; }
    // GetSize reports this instead of the data's length (a size that lies).
    void ReportSize(UINT64 size) { m_nReportedSize = size; }

    size_t ReadCount() const { return m_readOffsets.size(); }
    size_t ReadsAt(UINT64 offset) const; // Read calls that started at `offset`
    void ClearCounts() { m_readOffsets.clear(); }

private:
    std::vector<BYTE> m_data;
    UINT64 m_nPosition = 0;
    std::vector<UINT64> m_readOffsets;

    UINT64 m_nFailOffset = 0;
    HRESULT m_hrRead = RESULT_OK; // reads fail only when set
    HRESULT m_hrGetSize = RESULT_OK;
    HRESULT m_hrSeek = RESULT_OK;
    UINT64 m_nReportedSize = ~0ull; // the data's length
    size_t m_nCutAtRead = 0;        // 0: never
    size_t m_nCutSize = 0;
};
