#pragma once

// An input stream over bytes in memory, for tests: it keeps the stream contract of a
// file (short reads return RESULT_END_OF_DATA with the bytes read, seeking past the end
// is allowed, before the start is RESULT_NEGATIVE_SEEK), counts what is asked of it,
// and can be made to fail. Data() may be changed at any time, e.g. shrunk after a
// decoder's Init to play a file that is cut while it is being read.

#include <cstddef>
#include <utility>
#include <vector>

#include "decode/Streams.h"

class MemoryStream : public IInputStream
{
public:
    struct ReadCall
    {
        UINT64 offset;
        UINT64 count;
    };

    MemoryStream() = default;
    explicit MemoryStream(std::vector<BYTE> data) : m_data(std::move(data)) {}

    HRESULT GetPosition(UINT64* position) override;
    HRESULT Seek(INT64 offset, DWORD origin) override;
    HRESULT GetSize(UINT64* size) override;
    HRESULT Read(void* buffer, UINT64 count, UINT64* done) override;

    std::vector<BYTE>& Data() { return m_data; }

    // Every Read that reaches byte `offset` or beyond delivers the bytes before it
    // and returns `code`.
    void FailReadsFrom(UINT64 offset, HRESULT code);
    void FailGetSize(HRESULT code) { m_hrGetSize = code; }
    void FailSeek(HRESULT code) { m_hrSeek = code; }
    void ClearFaults();

    // GetSize reports this instead of the data's length (a size that lies).
    void ReportSize(UINT64 size);

    const std::vector<ReadCall>& Reads() const { return m_reads; }
    size_t ReadCount() const { return m_reads.size(); }
    size_t ReadsAt(UINT64 offset) const; // calls that started at `offset`
    void ClearCounts() { m_reads.clear(); }

private:
    std::vector<BYTE> m_data;
    UINT64 m_nPosition = 0;
    std::vector<ReadCall> m_reads;

    bool m_bFailReads = false;
    UINT64 m_nFailOffset = 0;
    HRESULT m_hrRead = RESULT_OK;
    HRESULT m_hrGetSize = RESULT_OK;
    HRESULT m_hrSeek = RESULT_OK;
    bool m_bReportSize = false;
    UINT64 m_nReportedSize = 0;
};
