#pragma once

// Owns one directory search handle; null is its empty value. FindFirstFileA reports
// failure with INVALID_HANDLE_VALUE, which Attach stores as empty.

#include "platform/Kernel32.h"

class CFindHandle
{
public:
    CFindHandle() = default;
    ~CFindHandle() { Close(nullptr); }

    CFindHandle(const CFindHandle&) = delete;
    CFindHandle& operator=(const CFindHandle&) = delete;

    // Closes the current search unless empty, then holds hNew, even when the close
    // failed; INVALID_HANDLE_VALUE counts as empty. Returns 0, or the close failure as a
    // result code.
    HRESULT Close(HANDLE hNew = nullptr);

    // Closes the current search (its result is dropped) and takes ownership of hFind,
    // the result of FindFirstFileA: INVALID_HANDLE_VALUE leaves the wrapper empty.
    void Attach(HANDLE hFind);

    HANDLE Get() const { return m_hFind; }
    bool IsEmpty() const { return m_hFind == nullptr; }

private:
    HANDLE m_hFind = nullptr;
};
