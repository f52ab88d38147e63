#include "engine/CFileStream.h"

#include "engine/LastError.h"

namespace
{

constexpr UINT64 MAX_IO_COUNT = 0xFFFFFFFFu;

DWORD LowHalf(UINT64 value) { return static_cast<DWORD>(value & 0xFFFFFFFFu); }
DWORD HighHalf(UINT64 value) { return static_cast<DWORD>(value >> 32); }

} // namespace

SplitValueResult CombineSplitValue(DWORD low, DWORD high, DWORD lastError)
{
    HRESULT hr = low == 0xFFFFFFFFu ? ResultFromWin32(lastError) : RESULT_OK;
    return {hr, (static_cast<UINT64>(high) << 32) | low};
}

HRESULT CFileStream::GetPosition(UINT64* position)
{
    if (position == nullptr)
        return RESULT_INVALID_ARG;
    LONG high = 0;
    // The last error is cleared first: a low half of 0xFFFFFFFF is a real position
    // unless the call itself left an error behind.
    SetLastError(ERROR_SUCCESS);
    DWORD low = SetFilePointer(m_file.Get(), 0, &high, FILE_CURRENT);
    SplitValueResult result = CombineSplitValue(low, static_cast<DWORD>(high), GetLastError());
    *position = result.value;
    return result.hr;
}

HRESULT CFileStream::Seek(INT64 offset, DWORD origin)
{
    UINT64 bits = static_cast<UINT64>(offset);
    LONG high = static_cast<LONG>(HighHalf(bits));
    SetLastError(ERROR_SUCCESS);
    DWORD low = SetFilePointer(m_file.Get(), static_cast<LONG>(LowHalf(bits)), &high, origin);
    return CombineSplitValue(low, static_cast<DWORD>(high), GetLastError()).hr;
}

HRESULT CFileStream::GetSize(UINT64* size)
{
    if (size == nullptr)
        return RESULT_INVALID_ARG;
    DWORD high = 0;
    SetLastError(ERROR_SUCCESS);
    DWORD low = GetFileSize(m_file.Get(), &high);
    SplitValueResult result = CombineSplitValue(low, high, GetLastError());
    *size = result.value;
    return result.hr;
}

HRESULT CFileStream::Read(void* buffer, UINT64 count, UINT64* done)
{
    if (count > MAX_IO_COUNT)
        return RESULT_INVALID_ARG;
    DWORD got = 0;
    HRESULT hr = RESULT_OK;
    if (!ReadFile(m_file.Get(), buffer, static_cast<DWORD>(count), &got, nullptr))
        hr = FailureFromLastError();
    else if (count != 0 && got == 0)
        hr = RESULT_END_OF_DATA;
    if (done != nullptr)
        *done = got;
    if (hr == RESULT_OK && got != count)
        return RESULT_END_OF_DATA;
    return hr;
}

HRESULT CFileStream::Write(const void* buffer, UINT64 count, UINT64* written)
{
    if (count > MAX_IO_COUNT)
        return RESULT_INVALID_ARG;
    DWORD put = 0;
    HRESULT hr = WriteFile(m_file.Get(), buffer, static_cast<DWORD>(count), &put, nullptr) ? RESULT_OK
                                                                                            : FailureFromLastError();
    if (written != nullptr)
        *written = put;
    return hr;
}
