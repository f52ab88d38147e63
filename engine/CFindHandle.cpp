#include "engine/CFindHandle.h"

#include "engine/LastError.h"

namespace
{
// FindFirstFileA's failure value means "no search" just like null.
HANDLE EmptyIfInvalid(HANDLE hFind) { return hFind == INVALID_HANDLE_VALUE ? nullptr : hFind; }
} // namespace

HRESULT CFindHandle::Close(HANDLE hNew)
{
    HRESULT hr = RESULT_OK;
    if (m_hFind != nullptr && !FindClose(m_hFind))
        hr = FailureFromLastError();
    m_hFind = EmptyIfInvalid(hNew);
    return hr;
}

void CFindHandle::Attach(HANDLE hFind)
{
    Close(nullptr);
    m_hFind = EmptyIfInvalid(hFind);
}
