#pragma once

// An output that keeps nothing: what a verifying job decodes into. Every write succeeds
// whole; the copy still counts the bytes it was given.

#include "decode/Streams.h"

class CNullWriteStream : public IWriteStream
{
public:
    HRESULT Write(const void*, UINT64 count, UINT64* written) override
    {
        if (written != nullptr)
            *written = count;
        return RESULT_OK;
    }
};
