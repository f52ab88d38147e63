#pragma once

// The stream interfaces over one operating-system file handle: where the system's
// errors become result codes. The stream has no open operation; whoever creates the
// file attaches its handle, and the stream owns it from then on.
//
// Every operation is one or two system calls. The system takes 32-bit counts, so a
// Read or Write of more than 0xFFFFFFFF bytes is refused with RESULT_INVALID_ARG.
// A failure leaves the handle attached.

#include "decode/Streams.h"
#include "engine/CFileHandle.h"

// The 64-bit value of a call that returns its low half and fills its high half
// (GetFileSize, SetFilePointer), and its result: a low half of 0xFFFFFFFF is a failure
// only when the last error, cleared before the call, is not 0.
struct SplitValueResult
{
    HRESULT hr;
    UINT64 value;
};
SplitValueResult CombineSplitValue(DWORD low, DWORD high, DWORD lastError);

class CFileStream : public IInputStream, public virtual IWriteStream
{
public:
    CFileStream() = default;
    ~CFileStream() override = default;

    CFileStream(const CFileStream&) = delete;
    CFileStream& operator=(const CFileStream&) = delete;

    // ISeekStream
    HRESULT GetPosition(UINT64* position) override;
    HRESULT Seek(INT64 offset, DWORD origin) override; // origin is passed on unchecked

    // ISizeStream
    HRESULT GetSize(UINT64* size) override;

    // IReadStream: 0 only when all `count` bytes came; RESULT_END_OF_DATA with the bytes
    // that did come when the file ended first.
    HRESULT Read(void* buffer, UINT64 count, UINT64* done) override;

    // IWriteStream: a short write is not an error; `written` tells.
    HRESULT Write(const void* buffer, UINT64 count, UINT64* written) override;

    // The handle: Attach closes any previous one and takes ownership.
    void Attach(HANDLE hFile) { m_file.Attach(hFile); }
    HRESULT Close() { return m_file.Close(INVALID_HANDLE_VALUE); }
    HANDLE Get() const { return m_file.Get(); }

private:
    CFileHandle m_file;
};
