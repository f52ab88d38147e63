#include "tests/support/MemoryStream.h"

#include <algorithm>
#include <cstring>

HRESULT MemoryStream::GetPosition(UINT64* position)
{
    *position = m_nPosition;
    return RESULT_OK;
}

HRESULT MemoryStream::Seek(INT64 offset, DWORD origin)
{
    if (m_hrSeek != RESULT_OK)
        return m_hrSeek;
    INT64 base;
    switch (origin)
    {
    case SEEK_ORIGIN_BEGIN: base = 0; break;
    case SEEK_ORIGIN_CURRENT: base = static_cast<INT64>(m_nPosition); break;
    case SEEK_ORIGIN_END: base = static_cast<INT64>(m_data.size()); break;
    default: return RESULT_INVALID_ARG;
    }
    if (offset < -base)
        return RESULT_NEGATIVE_SEEK;
    m_nPosition = static_cast<UINT64>(base + offset);
    return RESULT_OK;
}

HRESULT MemoryStream::GetSize(UINT64* size)
{
    if (m_hrGetSize != RESULT_OK)
        return m_hrGetSize;
    *size = m_bReportSize ? m_nReportedSize : m_data.size();
    return RESULT_OK;
}

HRESULT MemoryStream::Read(void* buffer, UINT64 count, UINT64* done)
{
    m_reads.push_back({m_nPosition, count});
    UINT64 end = m_data.size();
    const bool bFailing = m_bFailReads && (m_nPosition >= m_nFailOffset || count > m_nFailOffset - m_nPosition);
    if (bFailing)
        end = std::min(end, m_nFailOffset);
    const UINT64 available = m_nPosition < end ? end - m_nPosition : 0;
    const UINT64 delivered = std::min(count, available);
    if (delivered != 0)
        std::memcpy(buffer, m_data.data() + m_nPosition, static_cast<size_t>(delivered));
    m_nPosition += delivered;
    if (done != nullptr)
        *done = delivered;
    if (bFailing)
        return m_hrRead;
    return delivered == count ? RESULT_OK : RESULT_END_OF_DATA;
}

void MemoryStream::FailReadsFrom(UINT64 offset, HRESULT code)
{
    m_bFailReads = true;
    m_nFailOffset = offset;
    m_hrRead = code;
}

void MemoryStream::ClearFaults()
{
    m_bFailReads = false;
    m_hrGetSize = RESULT_OK;
    m_hrSeek = RESULT_OK;
    m_bReportSize = false;
}

void MemoryStream::ReportSize(UINT64 size)
{
    m_bReportSize = true;
    m_nReportedSize = size;
}

size_t MemoryStream::ReadsAt(UINT64 offset) const
{
    return static_cast<size_t>(std::count_if(m_reads.begin(), m_reads.end(),
                                             [offset](const ReadCall& call) { return call.offset == offset; }));
}
