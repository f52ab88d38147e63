#pragma once

// The calling thread's last error as a result code for a call that reported failure:
// never 0, even if the system left no error number behind.

#include "platform/Kernel32.h"

inline HRESULT FailureFromLastError()
{
    HRESULT hr = HResultFromLastError();
    return hr != RESULT_OK ? hr : RESULT_FAIL;
}
