#pragma once

// The output of --stdout: decoded bytes straight to standard output as the copier hands
// them over, unbuffered, so that a failed write (the reader gone, a full disk) fails the
// file at once. What went out before a failure stays out: a pipe cannot take it back.

#include "decode/Streams.h"
#include "platform/Console.h"

class CStandardOutputStream : public IWriteStream
{
public:
    HRESULT Write(const void* buffer, UINT64 count, UINT64* written) override
    {
        return WriteStandardOutput(buffer, count, written);
    }
};
