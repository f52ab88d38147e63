#pragma once

// The stream interfaces through which all data moves: files, and decoders over files.
//
// Every operation returns a result code (Result.h) and passes values through
// out-parameters. Positions, sizes and counts are unsigned 64-bit; seek offsets are
// signed 64-bit. Objects may be destroyed through any interface pointer.

#include "base/Result.h"

// Seek origins; the same numbers as the platform's FILE_BEGIN, FILE_CURRENT, FILE_END.
constexpr DWORD SEEK_ORIGIN_BEGIN = 0;
constexpr DWORD SEEK_ORIGIN_CURRENT = 1;
constexpr DWORD SEEK_ORIGIN_END = 2;

class ISeekStream
{
public:
    virtual ~ISeekStream() = default;
    virtual HRESULT GetPosition(UINT64* position) = 0;
    virtual HRESULT Seek(INT64 offset, DWORD origin) = 0;
};

class ISizeStream
{
public:
    virtual ~ISizeStream() = default;
    virtual HRESULT GetSize(UINT64* size) = 0;
};

// Read contract:
// - returns 0 only when all `count` bytes were delivered;
// - returns RESULT_END_OF_DATA (0x80070026) when the data ended first: `done` holds
//   the bytes that were delivered (possibly 0), and they are valid;
// - any other code is a failure; `done` holds the bytes delivered before it.
// `done` may be null.
class IReadStream
{
public:
    virtual ~IReadStream() = default;
    virtual HRESULT Read(void* buffer, UINT64 count, UINT64* done) = 0;
};

// Write contract: returns 0 on success; a short write is not an error by itself,
// `written` (may be null) tells how much went out.
class IWriteStream
{
public:
    virtual ~IWriteStream() = default;
    virtual HRESULT Write(const void* buffer, UINT64 count, UINT64* written) = 0;
};

// The composite input side: what a decoder reads from, and what a decoder is.
// The bases are virtual so one object implements each interface exactly once.
class IInputStream : public virtual ISeekStream, public virtual ISizeStream, public virtual IReadStream
{
};

// Reads exactly `count` bytes: the source's own failure code, or RESULT_END_OF_DATA
// when it delivered fewer bytes (whatever it returned).
inline HRESULT ReadExact(IReadStream* source, void* buffer, UINT64 count)
{
    UINT64 got = 0;
    const HRESULT hr = source->Read(buffer, count, &got);
    if (hr != RESULT_OK && hr != RESULT_END_OF_DATA)
        return hr;
    return got == count && hr == RESULT_OK ? RESULT_OK : RESULT_END_OF_DATA;
}
