#include "decode/CUnitDecoder.h"

#include <cstdint>
#include <cstring>
#include <new>

CUnitDecoder::~CUnitDecoder() = default;

HRESULT CUnitDecoder::Init(IInputStream* source, IDecryptor* decryptor)
{
    Release();
    if (source == nullptr || decryptor == nullptr)
        return RESULT_INVALID_ARG;

    Geometry geometry;
    HRESULT hr = Validate(source, decryptor, &geometry);
    if (hr != RESULT_OK)
        return hr;
    if (geometry.payloadUnit == 0 || geometry.bufferSize == 0)
        return RESULT_FAIL; // a format that accepted a file it cannot describe

    m_pSource = source;
    m_pDecryptor = decryptor;
    m_geometry = geometry;
    m_nPosition = 0;
    hr = AllocateBlock(geometry.bufferSize, &m_pBuffer);
    if (hr == RESULT_OK)
        hr = MakeCurrent(0);
    if (hr != RESULT_OK)
        Release();
    return hr;
}

HRESULT CUnitDecoder::GetPosition(UINT64* position)
{
    if (!IsReady())
        return RESULT_NOT_INITIALIZED;
    if (position == nullptr)
        return RESULT_INVALID_ARG;
    *position = m_nPosition;
    return RESULT_OK;
}

HRESULT CUnitDecoder::Seek(INT64 offset, DWORD origin)
{
    if (!IsReady())
        return RESULT_NOT_INITIALIZED;

    UINT64 base;
    switch (origin)
    {
    case SEEK_ORIGIN_BEGIN:
        base = 0;
        break;
    case SEEK_ORIGIN_CURRENT:
        base = m_nPosition;
        break;
    case SEEK_ORIGIN_END:
        base = m_geometry.decodedLength;
        break;
    default:
        return RESULT_INVALID_ARG;
    }

    if (offset < 0)
    {
        const UINT64 back = 0 - static_cast<UINT64>(offset);
        if (back > base)
            return RESULT_NEGATIVE_SEEK;
        m_nPosition = base - back;
    }
    else
    {
        const UINT64 forward = static_cast<UINT64>(offset);
        if (forward > UINT64_MAX - base)
            return RESULT_INVALID_ARG; // a position no 64-bit stream can have
        m_nPosition = base + forward;
    }
    return RESULT_OK;
}

HRESULT CUnitDecoder::GetSize(UINT64* size)
{
    if (!IsReady())
        return RESULT_NOT_INITIALIZED;
    if (size == nullptr)
        return RESULT_INVALID_ARG;
    *size = m_geometry.decodedLength;
    return RESULT_OK;
}

HRESULT CUnitDecoder::Read(void* buffer, UINT64 count, UINT64* done)
{
    UINT64 delivered = 0;
    UINT64& nDone = done != nullptr ? *done : delivered;
    nDone = 0;

    if (!IsReady())
        return RESULT_NOT_INITIALIZED;
    if (count == UINT64_MAX || (buffer == nullptr && count != 0))
        return RESULT_INVALID_ARG;
    if (m_nPosition >= m_geometry.decodedLength)
        return RESULT_END_OF_DATA;

    bool bCut = false;
    if (count > m_geometry.decodedLength - m_nPosition)
    {
        count = m_geometry.decodedLength - m_nPosition;
        bCut = true;
    }

    BYTE* out = static_cast<BYTE*>(buffer);
    while (count != 0)
    {
        const UINT64 unit = m_nPosition / m_geometry.payloadUnit;
        if (static_cast<INT64>(unit) != m_nCurrentUnit)
        {
            const HRESULT hr = MakeCurrent(unit);
            // Validation counted on this unit being there: a source that no longer
            // holds it is damage, not the end of the plaintext.
            if (hr != RESULT_OK)
                return hr == RESULT_END_OF_DATA ? RESULT_FAIL : hr;
        }
        const UINT64 inUnit = m_nPosition - unit * m_geometry.payloadUnit;
        const UINT64 left = PayloadLengthOf(unit) - inUnit;
        const UINT64 piece = count < left ? count : left;
        std::memcpy(out, m_pBuffer.get() + m_geometry.payloadOffset + inUnit, static_cast<size_t>(piece));
        out += piece;
        m_nPosition += piece;
        nDone += piece;
        count -= piece;
    }
    return bCut ? RESULT_END_OF_DATA : RESULT_OK;
}

BYTE* CUnitDecoder::AllocateRaw(size_t size)
{
    return new (std::nothrow) BYTE[size];
}

HRESULT CUnitDecoder::AllocateBlock(UINT64 size, std::unique_ptr<BYTE[]>* block)
{
    block->reset();
    if (size > SIZE_MAX)
        return RESULT_OUT_OF_MEMORY;
    try
    {
        BYTE* raw = AllocateRaw(static_cast<size_t>(size));
        if (raw == nullptr)
            return RESULT_OUT_OF_MEMORY;
        block->reset(raw);
        return RESULT_OK;
    }
    catch (const CErrorIDException& e)
    {
        // A carried success code would pass a missing buffer off as a good one.
        return e.m_hrError < 0 ? e.m_hrError : RESULT_FAIL;
    }
    catch (...)
    {
        return RESULT_FAIL;
    }
}

HRESULT CUnitDecoder::QueryBlockSize(IDecryptor* decryptor, UINT* blockSize)
{
    const UINT size = decryptor->GetBlockSize();
    if (size < MIN_BLOCK_SIZE || size > MAX_BLOCK_SIZE)
        return RESULT_INVALID_ARG;
    *blockSize = size;
    return RESULT_OK;
}

void CUnitDecoder::Release()
{
    m_pBuffer.reset();
    m_pSource = nullptr;
    m_pDecryptor = nullptr;
    m_geometry = Geometry();
    m_nPosition = 0;
    m_nCurrentUnit = -1;
}

UINT32 CUnitDecoder::PayloadLengthOf(UINT64 unit) const
{
    const UINT64 lastUnit = m_geometry.decodedLength / m_geometry.payloadUnit;
    return unit < lastUnit ? m_geometry.payloadUnit
                           : static_cast<UINT32>(m_geometry.decodedLength % m_geometry.payloadUnit);
}

HRESULT CUnitDecoder::MakeCurrent(UINT64 unit)
{
    m_nCurrentUnit = -1; // the buffer is overwritten from here on
    const HRESULT hr = LoadUnit(unit);
    if (hr == RESULT_OK)
        m_nCurrentUnit = static_cast<INT64>(unit);
    return hr;
}

// The unit lands so that its payload starts at payloadOffset in the buffer whatever
// lies in front of the payload; validation sized the buffer for that. Each unit is its
// own message: the chain restarts from the initial vector.
HRESULT CUnitDecoder::LoadUnit(UINT64 unit)
{
    const UnitExtent extent = ExtentOf(unit, PayloadLengthOf(unit));
    BYTE* stored = m_pBuffer.get() + m_geometry.payloadOffset - extent.payloadOffset;
    HRESULT hr = m_pSource->Seek(static_cast<INT64>(extent.sourceOffset), SEEK_ORIGIN_BEGIN);
    if (hr != RESULT_OK)
        return hr;
    if ((hr = ReadExact(m_pSource, stored, extent.storedLength)) != RESULT_OK)
        return hr;
    if ((hr = m_pDecryptor->Reset()) != RESULT_OK)
        return hr;
    return DecryptAndCheck(unit, extent, stored);
}

UINT64 CUnitDecoder::GetUnitCount() const
{
    if (!IsReady())
        return 0;
    return m_geometry.decodedLength / m_geometry.payloadUnit +
           (m_geometry.decodedLength % m_geometry.payloadUnit != 0 ? 1 : 0);
}

CUnitDecoder::UnitExtent CUnitDecoder::GetUnitExtent(UINT64 unit) const
{
    return unit < GetUnitCount() ? ExtentOf(unit, PayloadLengthOf(unit)) : UnitExtent();
}

UINT64 CUnitDecoder::GetLargestStoredLength() const
{
    const UINT64 units = GetUnitCount();
    if (units == 0)
        return 0;
    const UINT64 last = GetUnitExtent(units - 1).storedLength;
    const UINT64 first = GetUnitExtent(0).storedLength;
    return first > last ? first : last;
}

HRESULT CUnitDecoder::DecodeUnit(UINT64 unit, BYTE* stored) const
{
    if (!IsReady())
        return RESULT_NOT_INITIALIZED;
    if (unit >= GetUnitCount() || stored == nullptr)
        return RESULT_INVALID_ARG;
    return DecryptAndCheck(unit, GetUnitExtent(unit), stored);
}
