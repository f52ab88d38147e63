#include "engine/CFileHandle.h"

#include "engine/LastError.h"

HRESULT CFileHandle::Close(HANDLE hNew)
{
    HRESULT hr = RESULT_OK;
    if (m_hFile != INVALID_HANDLE_VALUE && !CloseHandle(m_hFile))
        hr = FailureFromLastError();
    m_hFile = hNew;
    return hr;
}

void CFileHandle::Attach(HANDLE hFile)
{
    Close(INVALID_HANDLE_VALUE);
    m_hFile = hFile;
}
