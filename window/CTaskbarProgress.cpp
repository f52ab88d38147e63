#include "window/CTaskbarProgress.h"

#include <objbase.h>
#include <shobjidl.h>

CTaskbarProgress::CTaskbarProgress(HWND hWnd) : m_hWnd(hWnd)
{
    // S_FALSE (already initialised on this thread) still has to be balanced.
    const HRESULT hrCom = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    m_bComInitialized = SUCCEEDED(hrCom);
    void* pTaskbar = nullptr;
    if (m_bComInitialized && SUCCEEDED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER,
                                                        IID_ITaskbarList3, &pTaskbar)))
    {
        m_pTaskbar = static_cast<ITaskbarList3*>(pTaskbar);
        if (FAILED(m_pTaskbar->HrInit()))
        {
            m_pTaskbar->Release();
            m_pTaskbar = nullptr;
        }
    }
}

CTaskbarProgress::~CTaskbarProgress()
{
    if (m_pTaskbar != nullptr)
        m_pTaskbar->Release();
    if (m_bComInitialized)
        CoUninitialize();
}

void CTaskbarProgress::SetIndeterminate()
{
    if (m_pTaskbar != nullptr)
        m_pTaskbar->SetProgressState(m_hWnd, TBPF_INDETERMINATE);
}

void CTaskbarProgress::SetValue(ULONGLONG nDone, ULONGLONG nTotal)
{
    if (m_pTaskbar == nullptr)
        return;
    m_pTaskbar->SetProgressState(m_hWnd, TBPF_NORMAL);
    m_pTaskbar->SetProgressValue(m_hWnd, nDone, nTotal);
}

void CTaskbarProgress::Clear()
{
    if (m_pTaskbar != nullptr)
        m_pTaskbar->SetProgressState(m_hWnd, TBPF_NOPROGRESS);
}
