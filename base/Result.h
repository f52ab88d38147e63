#pragma once

// Every result code of the system, in one place. Values are the platform's
// HRESULT layout; a Win32 error e becomes 0x80070000 | e.

#include "base/Types.h"

constexpr HRESULT MakeResult(UINT32 value) { return static_cast<HRESULT>(value); }

constexpr HRESULT RESULT_OK = 0;
constexpr HRESULT RESULT_FAIL = MakeResult(0x80004005);            // unspecified; a file cut short by a stop
constexpr HRESULT RESULT_END_OF_DATA = MakeResult(0x80070026);     // a read delivered less than asked
constexpr HRESULT RESULT_INVALID_ARG = MakeResult(0x80070057);     // invalid argument
constexpr HRESULT RESULT_NO_MORE_FILES = MakeResult(0x80070012);   // end of a directory listing
constexpr HRESULT RESULT_NEGATIVE_SEEK = MakeResult(0x80070083);   // seek before the start of a stream
constexpr HRESULT RESULT_NOT_INITIALIZED = MakeResult(0x80040007); // decoder used before a successful Init
constexpr HRESULT RESULT_OUT_OF_MEMORY = MakeResult(0x80000002);   // allocation returned nothing

constexpr HRESULT DEC_E_KEY_LENGTH = MakeResult(0xA0040900);     // key of 0 or more than 56 bytes
constexpr HRESULT DEC_E_SIZE_ALIGNMENT = MakeResult(0xA0040901); // encoded length not a multiple of the block
constexpr HRESULT DEC_E_ZERO_CHUNK = MakeResult(0xA0040902);     // chunk header gives chunk size 0
constexpr HRESULT DEC_E_SIZE_MISMATCH = MakeResult(0xA0040903);  // chunk file length disagrees with its header
constexpr HRESULT DEC_E_SIGNATURE = MakeResult(0xA0040905);      // record signature missing
constexpr HRESULT DEC_E_HEADER = MakeResult(0xA0040906);         // record header or geometry invalid
constexpr HRESULT DEC_E_RECORD = MakeResult(0xA0040907);         // a record failed its checks

constexpr HRESULT EXTRACT_E_STOPPED = MakeResult(0xA0041000); // a directory walk cut short by a stop request
constexpr HRESULT EXTRACT_E_EXISTS = MakeResult(0xA0041001);  // destination exists and may not be replaced

// The result code a Win32 error number stands for (values <= 0 pass unchanged).
constexpr HRESULT ResultFromWin32(DWORD error)
{
    return static_cast<LONG>(error) <= 0 ? static_cast<HRESULT>(error)
                                         : MakeResult(0x80070000u | (error & 0xFFFFu));
}

// Thrown by allocators to carry a result code; decoders turn it back into that code.
class CErrorIDException
{
public:
    explicit CErrorIDException(HRESULT hrError) : m_hrError(hrError) {}
    HRESULT m_hrError;
};
