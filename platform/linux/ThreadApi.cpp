// Threads, the thread's last error and the interlocked operations.

#include <memory>
#include <new>
#include <system_error>

#include "platform/linux/CHandleTable.h"
#include "platform/linux/CThreadObject.h"

namespace
{
thread_local DWORD t_nLastError = ERROR_SUCCESS;
}

DWORD GetLastError()
{
    return t_nLastError;
}

void SetLastError(DWORD error)
{
    t_nLastError = error;
}

HANDLE CreateThread(LPSECURITY_ATTRIBUTES /*securityAttributes*/, SIZE_T /*stackSize*/,
                    LPTHREAD_START_ROUTINE startAddress, LPVOID parameter, DWORD creationFlags, LPDWORD threadId)
{
    if (startAddress == nullptr || creationFlags != 0 || threadId != nullptr)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    try
    {
        auto thread = std::make_shared<CThreadObject>();
        thread->Start(startAddress, parameter);
        return CHandleTable::Instance().Insert(thread);
    }
    catch (const std::bad_alloc&)
    {
    }
    catch (const std::system_error&)
    {
    }
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds)
{
    std::shared_ptr<CThreadObject> thread = CHandleTable::Instance().Find<CThreadObject>(handle);
    if (!thread)
    {
        SetLastError(ERROR_INVALID_HANDLE);
        return WAIT_FAILED;
    }
    return thread->WaitForEnd(milliseconds) ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
}
