#pragma once

// What a HANDLE of this layer points at: a file, a directory search or a thread.
// Handles are only ever looked up through CHandleTable, so a stale or made-up handle is
// refused with ERROR_INVALID_HANDLE instead of being dereferenced.

class CKernelObject
{
public:
    virtual ~CKernelObject() = default;
};
