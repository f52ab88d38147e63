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
    *size = m_nReportedSize != ~0ull ? m_nReportedSize : m_data.size();
    return RESULT_OK;
}

HRESULT MemoryStream::Read(void* buffer, UINT64 count, UINT64* done)
{
    m_readOffsets.push_back(m_nPosition);
    if (m_nCutAtRead != 0 && m_readOffsets.size() >= m_nCutAtRead && m_data.size() > m_nCutSize)
        m_data.resize(m_nCutSize);
    const bool bFailing = m_hrRead != RESULT_OK && (m_nPosition >= m_nFailOffset || count > m_nFailOffset - m_nPosition);
    const UINT64 end = bFailing ? std::min<UINT64>(m_data.size(), m_nFailOffset) : m_data.size();
    const UINT64 delivered = m_nPosition < end ? std::min(count, end - m_nPosition) : 0;
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
    m_nFailOffset = offset;
    m_hrRead = code;
}

size_t MemoryStream::ReadsAt(UINT64 offset) const
{
    return static_cast<size_t>(std::count(m_readOffsets.begin(), m_readOffsets.end(), offset));
}
