#include "tests/progress/TestProgressDialog.h"

#include <cstdio>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "decode/CBlowfish.h"
#include "engine/JobCipher.h"
#include "tests/progress/TestResources.h"
#include "tests/support/OvxEncoder.h"

const char* const TEST_PASSWORD = "progress";

namespace
{
JobSettings TestSettings(const std::string& strSource, const std::string& strDestination, bool bSingleFile)
{
    static CBlowfish cipher;
    static const HRESULT hrKey = KeyJobCipher(cipher, TEST_PASSWORD);
    EXPECT_EQ(hrKey, RESULT_OK);
    JobSettings settings;
    settings.pDecryptor = &cipher;
    settings.strSource = strSource;
    settings.strDestination = strDestination;
    settings.bSingleFile = bSingleFile;
    settings.nDecodeThreads = CountProcessors();
    return settings;
}

// A crash on any thread (a worker using a destroyed window, say) ends the test program
// at once with a message, instead of waiting in the emulator's debugger.
LONG WINAPI ReportCrash(EXCEPTION_POINTERS* pInfo)
{
    std::fprintf(stderr, "Crash: exception %08lX at %p\n", pInfo->ExceptionRecord->ExceptionCode,
                 pInfo->ExceptionRecord->ExceptionAddress);
    std::fflush(stderr);
    TerminateProcess(GetCurrentProcess(), 3);
    return EXCEPTION_EXECUTE_HANDLER;
}
const LPTOP_LEVEL_EXCEPTION_FILTER g_previousFilter = SetUnhandledExceptionFilter(ReportCrash);

DWORD WINAPI IdleThreadProc(LPVOID)
{
    return 0;
}
} // namespace

std::atomic<int> CTestProgressDialog::s_nGatedWorkersEnded{0};

CTestProgressDialog::CTestProgressDialog(WORKER worker, const std::string& strSource,
                                         const std::string& strDestination, bool bSingleFile)
    : CProgressDialog(TestSettings(strSource, strDestination, bSingleFile), IDI_TEST_ICON),
      m_worker(worker),
      m_hGate(CreateEventA(nullptr, TRUE, FALSE, nullptr))
{
}

CTestProgressDialog::~CTestProgressDialog()
{
    CloseHandle(m_hGate);
}

INT_PTR CTestProgressDialog::Run()
{
    return DoModal(GetModuleHandleA(nullptr), IDD_PROGRESS, nullptr);
}

void CTestProgressDialog::OpenGate()
{
    SetEvent(m_hGate);
}

DWORD WINAPI CTestProgressDialog::GatedThreadProc(LPVOID pThis)
{
    // Copied first: the object may be gone once the worker has finished.
    auto& dialog = *static_cast<CTestProgressDialog*>(pThis);
    const LPTHREAD_START_ROUTINE pfnStart = dialog.m_pfnStart;
    const LPVOID pParam = dialog.m_pParam;
    WaitForSingleObject(dialog.m_hGate, INFINITE);
    const DWORD dwResult = pfnStart(pParam);
    ++s_nGatedWorkersEnded;
    return dwResult;
}

HANDLE CTestProgressDialog::StartThread(LPTHREAD_START_ROUTINE pfnStart, LPVOID pParam)
{
    m_hWndStarted = m_hWnd;
    m_pJob = static_cast<CExtractJob*>(pParam);
    switch (m_worker)
    {
    case WORKER::GATED:
        m_pfnStart = pfnStart;
        m_pParam = pParam;
        return CreateThread(nullptr, 0, GatedThreadProc, this, 0, nullptr);
    case WORKER::MANUAL:
        return CreateThread(nullptr, 0, IdleThreadProc, nullptr, 0, nullptr);
    default:
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
}

BOOL CTestProgressDialog::OnMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    if (uMsg == WM_SHOWWINDOW && wParam != FALSE)
        m_bEverShown = true;
    if (uMsg == WM_TEST_BUSY)
    {
        m_bBusy = true;
        for (int i = 0; i < 1000 && m_bBusy; ++i)
            Sleep(10);
        m_bBusy = false;
        return TRUE;
    }
    return CProgressDialog::OnMessage(uMsg, wParam, lParam, result);
}

INT_PTR CTestProgressDialog::RunWithDriver(const std::function<void(HWND hWnd)>& driver)
{
    std::thread driving([&] {
        HWND hWnd = nullptr;
        if (!WaitUntil([&] { return (hWnd = m_hWndStarted) != nullptr && IsWindowVisible(hWnd); }))
        {
            ADD_FAILURE() << "the progress window did not show";
            return;
        }
        driver(hWnd);
        if (!IsWindow(hWnd))
            return;
        OpenGate();
        if (m_worker == WORKER::MANUAL && !Job().IsFinished())
            Job().SetJobState(JOB_FINISHED);
        WaitUntil([&] {
            PostMessageA(hWnd, WM_COMMAND, IDCANCEL, 0);
            return !IsWindow(hWnd);
        });
    });
    const INT_PTR nResult = Run();
    driving.join();
    return nResult;
}

std::string TextOf(HWND hWnd)
{
    std::vector<char> buffer(256 * 1024);
    const LRESULT nLength = SendMessageA(hWnd, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()));
    return std::string(buffer.data(), static_cast<size_t>(nLength));
}

bool WaitUntil(const std::function<bool()>& condition, DWORD dwTimeoutMs)
{
    const DWORD dwStart = GetTickCount();
    while (!condition())
    {
        if (GetTickCount() - dwStart > dwTimeoutMs)
            return false;
        Sleep(5);
    }
    return true;
}

bool IsChildEnabled(HWND hWnd, int nId)
{
    return IsWindowEnabled(GetDlgItem(hWnd, nId)) != FALSE;
}

void ClickButton(HWND hWnd, int nId)
{
    SendMessageA(GetDlgItem(hWnd, nId), BM_CLICK, 0, 0);
}
