#pragma once

// Decoder for the chunk layout: a 16-byte header, then chunks, each encrypted as an
// independent message. The decrypted header holds D, the payload bytes per chunk
// (LE32 at offset 4), and T, the decoded length (LE64 at offset 8). Q = T / D full
// chunks follow, each stored in F = D rounded up to the block, with its fill first
// and its payload at the end; then the last chunk with the T mod D remaining bytes and
// 1 to block-size bytes of fill in front. The layout carries no checksum: a file is
// accepted when its length is exactly what the header promises.
//
// Refusals: DEC_E_SIZE_ALIGNMENT, DEC_E_ZERO_CHUNK, DEC_E_SIZE_MISMATCH (any length
// disagreement, a file of 4 GiB or more, a D too large to round up), and
// RESULT_END_OF_DATA for a source too short to hold the header. Read, ownership and
// the rest of the contract: see CUnitDecoder.

#include "decode/CUnitDecoder.h"

class CChunkDecoder : public CUnitDecoder
{
public:
    CChunkDecoder() = default;

protected:
    HRESULT Validate(IInputStream* source, IDecryptor* decryptor, Geometry* geometry) override;
    UnitExtent ExtentOf(UINT64 unit, UINT32 payloadLength) const override;
    HRESULT DecryptAndCheck(UINT64 unit, const UnitExtent& extent, BYTE* stored) const override;

private:
    static constexpr UINT64 HEADER_FIELDS = 12; // D and T at the end of the header
    static constexpr UINT64 MAX_FILE_SIZE = 0xFFFFFFFFull;

    // Stored length of the last chunk: always at least one byte of fill.
    UINT64 LastChunkLength(UINT64 payloadLength) const;

    UINT m_nBlockSize = 0;
    UINT64 m_nHeaderLength = 0;   // H
    UINT64 m_nFullChunks = 0;     // Q, also the index of the last chunk
    UINT64 m_nChunkLength = 0;    // F, the stored length of a full chunk
    UINT64 m_nLastLength = 0;     // E, the stored length of the last chunk
};
