#pragma once

// Owns one operating-system file handle; INVALID_HANDLE_VALUE is its empty value.

#include "platform/Kernel32.h"

class CFileHandle
{
public:
    CFileHandle() = default;
    explicit CFileHandle(HANDLE hFile) : m_hFile(hFile) {}
    ~CFileHandle() { Close(INVALID_HANDLE_VALUE); }

    CFileHandle(const CFileHandle&) = delete;
    CFileHandle& operator=(const CFileHandle&) = delete;

    // Closes the current handle unless empty, then holds hNew, even when the close
    // failed: a handle that would not close is forgotten, not retried.
    // Returns 0, or the close failure as a result code.
    HRESULT Close(HANDLE hNew = INVALID_HANDLE_VALUE);

    // Closes the current handle (its result is dropped) and takes ownership of hFile.
    void Attach(HANDLE hFile);

    HANDLE Get() const { return m_hFile; }
    bool IsEmpty() const { return m_hFile == INVALID_HANDLE_VALUE; }

private:
    HANDLE m_hFile = INVALID_HANDLE_VALUE;
};
