#include "decode/CChunkDecoder.h"

#include "decode/LittleEndian.h"

HRESULT CChunkDecoder::Validate(IInputStream* source, IDecryptor* decryptor, Geometry* geometry)
{
    UINT64 fileSize = 0;
    HRESULT hr = source->GetSize(&fileSize);
    if (hr != RESULT_OK)
        return hr;
    if ((hr = QueryBlockSize(decryptor, &m_nBlockSize)) != RESULT_OK)
        return hr;
    if (fileSize % m_nBlockSize != 0)
        return DEC_E_SIZE_ALIGNMENT;

    m_nHeaderLength = RoundUp(HEADER_FIELDS, m_nBlockSize);
    std::unique_ptr<BYTE[]> header;
    if ((hr = AllocateBlock(m_nHeaderLength, &header)) != RESULT_OK)
        return hr;
    if ((hr = decryptor->Reset()) != RESULT_OK)
        return hr;
    if ((hr = source->Seek(0, SEEK_ORIGIN_BEGIN)) != RESULT_OK)
        return hr;
    if ((hr = ReadExact(source, header.get(), m_nHeaderLength)) != RESULT_OK)
        return hr;
    if ((hr = decryptor->DecryptInPlace(header.get(), static_cast<UINT>(m_nHeaderLength))) != RESULT_OK)
        return hr;

    const BYTE* fields = header.get() + m_nHeaderLength - HEADER_FIELDS;
    const UINT32 chunkSize = LoadLittleEndian32(fields);
    const UINT64 decodedLength = LoadLittleEndian64(fields + 4);
    if (chunkSize == 0)
        return DEC_E_ZERO_CHUNK;

    // Checked in an order that never wraps: the file is below 4 GiB, so a count of
    // full chunks that cannot fit in it is a mismatch before any product is formed.
    m_nChunkLength = RoundUp(chunkSize, m_nBlockSize);
    m_nFullChunks = decodedLength / chunkSize;
    m_nLastLength = LastChunkLength(decodedLength % chunkSize);
    if (fileSize > MAX_FILE_SIZE || m_nChunkLength > UINT32_MAX || fileSize < m_nHeaderLength + m_nLastLength)
        return DEC_E_SIZE_MISMATCH;
    const UINT64 chunkArea = fileSize - m_nHeaderLength - m_nLastLength;
    if (m_nFullChunks > chunkArea / m_nChunkLength || m_nFullChunks * m_nChunkLength != chunkArea)
        return DEC_E_SIZE_MISMATCH;

    geometry->decodedLength = decodedLength;
    geometry->payloadUnit = chunkSize;
    geometry->payloadOffset = m_nBlockSize;
    geometry->bufferSize = m_nBlockSize + (m_nFullChunks != 0 ? m_nChunkLength : m_nLastLength);
    return RESULT_OK;
}

// A chunk's fill comes first and its payload last.
CUnitDecoder::UnitExtent CChunkDecoder::ExtentOf(UINT64 unit, UINT32 payloadLength) const
{
    UnitExtent extent;
    extent.sourceOffset = m_nHeaderLength + unit * m_nChunkLength;
    extent.storedLength = unit < m_nFullChunks ? m_nChunkLength : m_nLastLength;
    extent.payloadOffset = extent.storedLength - payloadLength;
    extent.payloadLength = payloadLength;
    return extent;
}

// The layout carries no check: decrypting is all.
HRESULT CChunkDecoder::DecryptAndCheck(UINT64, const UnitExtent& extent, BYTE* stored) const
{
    return Decryptor()->DecryptInPlace(stored, static_cast<UINT>(extent.storedLength));
}

UINT64 CChunkDecoder::LastChunkLength(UINT64 payloadLength) const
{
    return RoundUp(payloadLength % m_nBlockSize == 0 ? payloadLength + 1 : payloadLength, m_nBlockSize);
}
