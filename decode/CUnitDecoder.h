#pragma once

// The machinery both encoded layouts share: a decoder is an input stream over the
// plaintext of an encoded file whose payload is cut into units (records or chunks)
// of a fixed payload length, each stored and encrypted on its own. One unit at a time
// is held decrypted in a buffer sized once by Init; reading copies pieces out of it
// and loads the next unit when the position leaves the current one.
//
// A derived format supplies validation (Validate), where each unit lies (ExtentOf) and
// how it is decrypted and checked (DecryptAndCheck); this class owns the lifecycle,
// Read, Seek, GetSize, GetPosition, the buffer and the reading of units.
//
// The units are independent messages, so a caller may also decode them itself, on
// several threads at once: it reads each unit's stored bytes (GetUnitExtent) and hands
// them to DecodeUnit, which touches neither the position nor the buffer.
//
// Read returns 0 when all bytes were delivered and RESULT_END_OF_DATA when the
// decoded length ended the request (with the bytes before the end). A unit that
// cannot be loaded ends the Read with the load's code after the bytes of earlier
// pieces; a source that has become too short to hold a unit that validation counted
// on is RESULT_FAIL, never the normal end. Every operation but Init returns
// RESULT_NOT_INITIALIZED until an Init succeeds.
//
// Ownership: the source stream and the decryptor are borrowed from the caller, who
// keeps them alive while the decoder is used; the decoder owns only its buffer.

#include <cstddef>
#include <memory>

#include "decode/Cipher.h"
#include "decode/Streams.h"

class CUnitDecoder : public IInputStream
{
public:
    ~CUnitDecoder() override;

    CUnitDecoder(const CUnitDecoder&) = delete;
    CUnitDecoder& operator=(const CUnitDecoder&) = delete;

    // Starts afresh: forgets any previous file, validates the encoded layout behind
    // `source`, allocates the unit buffer and loads unit 0. On failure the decoder is
    // left uninitialised and the code of the first failing step is returned.
    HRESULT Init(IInputStream* source, IDecryptor* decryptor);

    HRESULT GetPosition(UINT64* position) override;
    HRESULT Seek(INT64 offset, DWORD origin) override;
    HRESULT GetSize(UINT64* size) override;
    HRESULT Read(void* buffer, UINT64 count, UINT64* done) override;

    // Where one unit lies, for a caller decoding units itself. The stored bytes of
    // consecutive units are consecutive in the source.
    struct UnitExtent
    {
        UINT64 sourceOffset = 0;  // its first stored byte in the source
        UINT64 storedLength = 0;  // its stored bytes
        UINT64 payloadOffset = 0; // where its payload starts in them, once decoded
        UINT32 payloadLength = 0;
    };

    // After a successful Init: the units that hold decoded bytes, the extent of one of
    // them, and the largest stored length among them (0, an empty extent, 0 before Init
    // or for a unit past the last).
    UINT64 GetUnitCount() const;
    UnitExtent GetUnitExtent(UINT64 unit) const;
    UINT64 GetLargestStoredLength() const;

    // Decrypts and checks in place the stored bytes of `unit` (below GetUnitCount), with
    // the code reading the unit through Read would give, but without resetting the
    // cipher: its chain stands at the initial vector after Init, and nothing may change
    // the cipher while units are decoded. Safe on several threads at once as far as the
    // cipher's processing calls are.
    HRESULT DecodeUnit(UINT64 unit, BYTE* stored) const;

protected:
    // What validation learns about a file.
    struct Geometry
    {
        UINT64 decodedLength = 0;
        UINT32 payloadUnit = 0;   // plaintext bytes of every unit but the last; never 0
        size_t payloadOffset = 0; // where a unit's payload starts in the buffer
        UINT64 bufferSize = 0;    // bytes for the largest unit of the file
    };

    // Block sizes the layouts support; the cipher of the system has 8.
    static constexpr UINT MIN_BLOCK_SIZE = 8;
    static constexpr UINT MAX_BLOCK_SIZE = 64;

    CUnitDecoder() = default;

    // Checks the encoded layout and fills `geometry`; any refusal is returned.
    virtual HRESULT Validate(IInputStream* source, IDecryptor* decryptor, Geometry* geometry) = 0;

    // Where unit `unit`, of payload length `payloadLength`, lies (every field set).
    virtual UnitExtent ExtentOf(UINT64 unit, UINT32 payloadLength) const = 0;

    // Decrypts `stored` (the unit's stored bytes, extent as given) in place from the
    // cipher's current chain, without resetting it, and checks the unit.
    virtual HRESULT DecryptAndCheck(UINT64 unit, const UnitExtent& extent, BYTE* stored) const = 0;

    // The allocator behind every block a decoder allocates: a block from new[] of
    // `size` bytes, or null. It may also throw; AllocateBlock turns all of that into
    // result codes. Tests override it to reach the failure paths.
    virtual BYTE* AllocateRaw(size_t size);

    // Allocates `size` bytes into `block`: null -> RESULT_OUT_OF_MEMORY,
    // CErrorIDException -> its code, any other exception -> RESULT_FAIL.
    HRESULT AllocateBlock(UINT64 size, std::unique_ptr<BYTE[]>* block);

    // The cipher's block size, refused with RESULT_INVALID_ARG outside the supported range.
    static HRESULT QueryBlockSize(IDecryptor* decryptor, UINT* blockSize);

    static UINT64 RoundUp(UINT64 value, UINT multiple) { return (value + multiple - 1) / multiple * multiple; }

    IDecryptor* Decryptor() const { return m_pDecryptor; }

private:
    bool IsReady() const { return m_pBuffer != nullptr; }
    // Reads, decrypts and checks `unit` into the buffer, its payload at payloadOffset. A
    // source too short for the unit returns RESULT_END_OF_DATA.
    HRESULT LoadUnit(UINT64 unit);
    void Release();
    UINT32 PayloadLengthOf(UINT64 unit) const;
    HRESULT MakeCurrent(UINT64 unit);

    std::unique_ptr<BYTE[]> m_pBuffer;
    IInputStream* m_pSource = nullptr;
    IDecryptor* m_pDecryptor = nullptr;
    Geometry m_geometry;
    UINT64 m_nPosition = 0;
    INT64 m_nCurrentUnit = -1; // index of the unit in the buffer, -1 for none
};
