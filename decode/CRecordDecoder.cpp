#include "decode/CRecordDecoder.h"

#include <cstdint>
#include <cstring>

#include "decode/Crc32.h"
#include "decode/LittleEndian.h"

namespace
{
const BYTE RECORD_SIGNATURE[4] = {0xE3, 0x00, 0x00, 0x02};
}

HRESULT CRecordDecoder::Validate(IInputStream* source, IDecryptor* decryptor, Geometry* geometry)
{
    UINT64 fileSize = 0;
    HRESULT hr = source->GetSize(&fileSize);
    if (hr != RESULT_OK)
        return hr;
    if ((hr = source->Seek(0, SEEK_ORIGIN_BEGIN)) != RESULT_OK)
        return hr;
    BYTE signature[SIGNATURE_LENGTH];
    if ((hr = ReadExact(source, signature, SIGNATURE_LENGTH)) != RESULT_OK)
        return hr;
    if (std::memcmp(signature, RECORD_SIGNATURE, sizeof(signature)) != 0)
        return DEC_E_SIGNATURE;

    if ((hr = QueryBlockSize(decryptor, &m_nBlockSize)) != RESULT_OK)
        return hr;
    // A size below the signature can only come from a source contradicting itself.
    if (fileSize < SIGNATURE_LENGTH || (fileSize - SIGNATURE_LENGTH) % m_nBlockSize != 0)
        return DEC_E_SIZE_ALIGNMENT;

    UINT32 payloadUnit = 0;
    if ((hr = ReadHeader(source, decryptor, &payloadUnit)) != RESULT_OK)
        return hr;
    // U = 0 would divide by zero, and a U whose R needs more than 32 bits describes
    // no file this format can hold (R would wrap). Offsets must also fit a seek.
    m_nRecordLength = RoundUp(static_cast<UINT64>(payloadUnit) + OVERHEAD, m_nBlockSize);
    if (payloadUnit == 0 || m_nRecordLength > UINT32_MAX)
        return DEC_E_HEADER;
    if (fileSize > static_cast<UINT64>(INT64_MAX))
        return DEC_E_HEADER;
    m_nFullRecords = (fileSize - SIGNATURE_LENGTH) / m_nRecordLength;
    m_nLastLength = (fileSize - SIGNATURE_LENGTH) % m_nRecordLength;
    // No remainder: the final R bytes can only be a last record whose payload rounds up
    // to R. Such a file is accepted on the last record's checks alone and refused as a
    // bad remainder when they fail, as a file cut at a record boundary is.
    const bool bFullLengthLast = m_nLastLength == 0 && m_nFullRecords != 0;
    if (bFullLengthLast)
    {
        --m_nFullRecords;
        m_nLastLength = m_nRecordLength;
    }
    if (m_nLastLength == 0 || m_nLastLength % m_nBlockSize != 0)
        return DEC_E_HEADER;

    UINT64 lastPayload = 0;
    hr = ReadLastRecord(source, decryptor, payloadUnit, &lastPayload);
    if (hr == DEC_E_RECORD && bFullLengthLast)
        return DEC_E_HEADER;
    if (hr != RESULT_OK)
        return hr;

    geometry->decodedLength = static_cast<UINT64>(payloadUnit) * m_nFullRecords + lastPayload;
    geometry->payloadUnit = payloadUnit;
    m_nPayloadUnit = payloadUnit;
    geometry->payloadOffset = PAYLOAD_OFFSET;
    geometry->bufferSize = m_nFullRecords != 0 ? m_nRecordLength : m_nLastLength;
    return RESULT_OK;
}

// The first block-rounded bytes of record 0, right after the signature: they hold U
// and the index, which must be 0.
HRESULT CRecordDecoder::ReadHeader(IInputStream* source, IDecryptor* decryptor, UINT32* payloadUnit)
{
    const UINT64 headerLength = RoundUp(PAYLOAD_OFFSET, m_nBlockSize);
    std::unique_ptr<BYTE[]> header;
    HRESULT hr = AllocateBlock(headerLength, &header);
    if (hr != RESULT_OK)
        return hr;
    if ((hr = ReadExact(source, header.get(), headerLength)) != RESULT_OK)
        return hr;
    if ((hr = DecryptRecord(decryptor, header.get(), headerLength)) != RESULT_OK)
        return hr;
    if (LoadLittleEndian32(header.get() + INDEX_FIELD) != 0)
        return DEC_E_HEADER;
    *payloadUnit = LoadLittleEndian32(header.get() + UNIT_FIELD);
    return RESULT_OK;
}

// The last record settles the decoded length: its U must agree, its trailer must be
// found, and its index must be the number of full records before it.
HRESULT CRecordDecoder::ReadLastRecord(IInputStream* source, IDecryptor* decryptor, UINT32 payloadUnit,
                                       UINT64* lastLength)
{
    std::unique_ptr<BYTE[]> record;
    HRESULT hr = AllocateBlock(m_nLastLength, &record);
    if (hr != RESULT_OK)
        return hr;
    const UINT64 offset = SIGNATURE_LENGTH + m_nFullRecords * m_nRecordLength;
    if ((hr = source->Seek(static_cast<INT64>(offset), SEEK_ORIGIN_BEGIN)) != RESULT_OK)
        return hr;
    if ((hr = ReadExact(source, record.get(), m_nLastLength)) != RESULT_OK)
        return hr;
    if ((hr = DecryptRecord(decryptor, record.get(), m_nLastLength)) != RESULT_OK)
        return hr;

    UINT32 payloadLength = 0;
    if (LoadLittleEndian32(record.get() + UNIT_FIELD) != payloadUnit)
        return DEC_E_RECORD;
    if (!FindTrailer(record.get(), m_nLastLength, payloadUnit, &payloadLength))
        return DEC_E_RECORD;
    if (LoadLittleEndian32(record.get() + INDEX_FIELD) != m_nFullRecords)
        return DEC_E_RECORD;
    *lastLength = payloadLength;
    return RESULT_OK;
}

CUnitDecoder::UnitExtent CRecordDecoder::ExtentOf(UINT64 unit, UINT32 payloadLength) const
{
    UnitExtent extent;
    extent.sourceOffset = SIGNATURE_LENGTH + unit * m_nRecordLength;
    extent.storedLength = unit < m_nFullRecords ? m_nRecordLength : m_nLastLength;
    extent.payloadOffset = PAYLOAD_OFFSET;
    extent.payloadLength = payloadLength;
    return extent;
}

HRESULT CRecordDecoder::DecryptAndCheck(UINT64 unit, const UnitExtent& extent, BYTE* stored) const
{
    const HRESULT hr = Decryptor()->DecryptInPlace(stored, static_cast<UINT>(extent.storedLength));
    if (hr != RESULT_OK)
        return hr;
    const bool bValid =
        LoadLittleEndian32(stored + INDEX_FIELD) == unit && LoadLittleEndian32(stored + UNIT_FIELD) == m_nPayloadUnit &&
        TrailerMatches(stored, extent.payloadLength, Crc32(0, stored + PAYLOAD_OFFSET, extent.payloadLength));
    return bValid ? RESULT_OK : DEC_E_RECORD;
}

// Every record is its own message: the chain starts from the initial vector each time,
// so any record can be decrypted without its predecessors.
HRESULT CRecordDecoder::DecryptRecord(IDecryptor* decryptor, BYTE* record, UINT64 length)
{
    const HRESULT hr = decryptor->Reset();
    if (hr != RESULT_OK)
        return hr;
    return decryptor->DecryptInPlace(record, static_cast<UINT>(length));
}

// Candidates run from the longest fill (block size - 1 bytes) down to none, and stop
// below U: a record shorter than R cannot reach U, one of R bytes would otherwise take
// a full record for a last one. The CRC is computed once for the shortest and extended
// a byte per further candidate.
bool CRecordDecoder::FindTrailer(const BYTE* record, UINT64 length, UINT32 payloadUnit, UINT32* payloadLength) const
{
    if (length < OVERHEAD)
        return false;
    const UINT64 withoutFill = length - OVERHEAD;
    const UINT32 shortest = withoutFill > m_nBlockSize - 1 ? static_cast<UINT32>(withoutFill - (m_nBlockSize - 1)) : 0;
    const UINT32 longest = withoutFill < payloadUnit ? static_cast<UINT32>(withoutFill) : payloadUnit - 1;
    if (shortest > longest)
        return false;
    UINT32 crc = Crc32(0, record + PAYLOAD_OFFSET, shortest);
    for (UINT32 candidate = shortest;; ++candidate)
    {
        if (candidate > shortest)
            crc = Crc32(crc, record + PAYLOAD_OFFSET + candidate - 1, 1);
        if (TrailerMatches(record, candidate, crc))
        {
            *payloadLength = candidate;
            return true;
        }
        if (candidate == longest)
            return false;
    }
}

bool CRecordDecoder::TrailerMatches(const BYTE* record, UINT32 payloadLength, UINT32 crc)
{
    const BYTE* trailer = record + PAYLOAD_OFFSET + payloadLength;
    return LoadLittleEndian32(trailer) == payloadLength && LoadLittleEndian32(trailer + 4) == crc;
}
