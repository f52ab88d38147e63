// The thread's last error and the interlocked operations.

#include "platform/linux/Kernel32Linux.h"

namespace
{
thread_local DWORD t_nLastError = ERROR_SUCCESS;
}

DWORD GetLastError() { return t_nLastError; }

void SetLastError(DWORD error) { t_nLastError = error; }

LONG InterlockedExchange(LONG volatile* target, LONG value)
{
    return __atomic_exchange_n(target, value, __ATOMIC_SEQ_CST);
}

LONG InterlockedCompareExchange(LONG volatile* destination, LONG exchange, LONG comparand)
{
    __atomic_compare_exchange_n(destination, &comparand, exchange, false, __ATOMIC_SEQ_CST, __ATOMIC_SEQ_CST);
    return comparand;
}
