#pragma once

// Decoder for the record layout: the plain signature E3 00 00 02, then records that
// are each encrypted as an independent message. Record k decrypts to
//   3 bytes (ignored) | U (LE32) | k (LE32) | payload | payload length (LE32) |
//   CRC-32 of the payload (LE32) | fill up to a multiple of the block size.
// Every record but the last carries U payload bytes and is stored in R bytes (U + 19
// rounded up to the block); the last one's payload is shorter than U and possibly
// empty. Its length is found from the end by the trailer search. The last record is
// usually shorter than R; when its payload lies within the rounding slack below U it
// is R bytes long too, and the file is then a whole number of R-byte records.
//
// Refusals: DEC_E_SIGNATURE, DEC_E_SIZE_ALIGNMENT, DEC_E_HEADER (record 0's index,
// a U of 0 or one whose R does not fit in 32 bits, a bad remainder, or a last record
// of R bytes failing its checks), DEC_E_RECORD (a shorter last record's checks, or
// any record failing verification when read), and
// RESULT_END_OF_DATA for a source too short to validate. Read delivers no byte of a
// record that has not passed its index, length and CRC checks. Read, ownership and
// the rest of the contract: see CUnitDecoder.

#include "decode/CUnitDecoder.h"

class CRecordDecoder : public CUnitDecoder
{
public:
    CRecordDecoder() = default;

protected:
    HRESULT Validate(IInputStream* source, IDecryptor* decryptor, Geometry* geometry) override;
    UnitExtent ExtentOf(UINT64 unit, UINT32 payloadLength) const override;
    HRESULT DecryptAndCheck(UINT64 unit, const UnitExtent& extent, BYTE* stored) const override;

private:
    // Byte offsets within a decrypted record.
    static constexpr size_t UNIT_FIELD = 3;
    static constexpr size_t INDEX_FIELD = 7;
    static constexpr size_t PAYLOAD_OFFSET = 11;
    static constexpr UINT32 OVERHEAD = 19; // header 11 + length 4 + CRC 4
    static constexpr UINT64 SIGNATURE_LENGTH = 4;

    HRESULT ReadHeader(IInputStream* source, IDecryptor* decryptor, UINT32* payloadUnit);
    HRESULT ReadLastRecord(IInputStream* source, IDecryptor* decryptor, UINT32 payloadUnit, UINT64* lastLength);
    HRESULT DecryptRecord(IDecryptor* decryptor, BYTE* record, UINT64 length);

    // The shortest payload length below `payloadUnit` whose trailer matches in a
    // decrypted record of `length` bytes; false when none does.
    bool FindTrailer(const BYTE* record, UINT64 length, UINT32 payloadUnit, UINT32* payloadLength) const;
    static bool TrailerMatches(const BYTE* record, UINT32 payloadLength, UINT32 crc);

    UINT m_nBlockSize = 0;
    UINT32 m_nPayloadUnit = 0;    // U
    UINT64 m_nRecordLength = 0;   // R, the stored length of a full record
    UINT64 m_nFullRecords = 0;    // N, also the index of the last record
    UINT64 m_nLastLength = 0;     // L, the stored length of the last record
};
