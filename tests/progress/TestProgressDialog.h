#pragma once

// A progress window for tests: the worker can be the real one, held at a gate, left to
// the test (which then reports itself, as the worker would), or never created. A test
// drives the window from a second thread, as the user and the worker do.

#include <atomic>
#include <functional>
#include <string>

#include "progress/CProgressDialog.h"

enum class WORKER
{
    REAL,   // the real worker, started at once
    GATED,  // the real worker, held until OpenGate
    MANUAL, // no worker: the test reports and finishes the job itself
    FAILS,  // thread creation fails
};

class CTestProgressDialog : public CProgressDialog
{
public:
    CTestProgressDialog(WORKER worker, const std::string& strSource, const std::string& strDestination,
                        BYTE bSingleFile = 1);
    ~CTestProgressDialog() override;

    INT_PTR Run();

    // Shows the window modally while `driver` runs on a second thread with the window's
    // handle once it is visible. Whatever the driver leaves undone, the job is then
    // finished and the window closed, so a failing test cannot hang.
    INT_PTR RunWithDriver(const std::function<void(HWND hWnd)>& driver);

    void OpenGate();

    // The window's handle when the worker was started, and whether it was ever shown.
    std::atomic<HWND> m_hWndStarted{nullptr};
    std::atomic<bool> m_bEverShown{false};

    // Gated workers that have returned, over all objects; counted after the worker is
    // done with its object, so a test can wait for every worker to be gone.
    static std::atomic<int> s_nGatedWorkersEnded;

protected:
    HANDLE StartThread(LPTHREAD_START_ROUTINE pfnStart, LPVOID pParam) override;
    BOOL OnMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    struct GATED_START
    {
        LPTHREAD_START_ROUTINE pfnStart;
        LPVOID pParam;
        HANDLE hGate;
    };
    static DWORD WINAPI GatedThreadProc(LPVOID pStart);

    WORKER m_worker;
    HANDLE m_hGate;
    GATED_START m_gatedStart = {};
};

// The cipher every test job uses: keyed with TEST_PASSWORD and the job's initial vector.
extern const char* const TEST_PASSWORD;
IDecryptor* TestDecryptor();

// Helpers for the driving thread.
std::string TextOf(HWND hWnd); // one WM_GETTEXT, so a changing text is read whole
bool WaitUntil(const std::function<bool()>& condition, DWORD dwTimeoutMs = 5000);
RECT ChildRect(HWND hWnd, int nId); // in hWnd's client coordinates
bool IsChildEnabled(HWND hWnd, int nId);
void ClickButton(HWND hWnd, int nId); // returns after the click was handled
