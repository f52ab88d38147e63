#pragma once

// A progress window for tests, driven from a second thread as the user and the worker
// drive it. The worker can be the real one held at a gate, left to the test (which then
// reports as the worker would), or never created.

#include <atomic>
#include <functional>
#include <string>

#include "progress/CProgressDialog.h"

enum class WORKER
{
    GATED,  // the real worker, held until OpenGate
    MANUAL, // none: the test reports and finishes the job itself
    FAILS,  // thread creation fails
};

class CTestProgressDialog : public CProgressDialog
{
public:
    CTestProgressDialog(WORKER worker, const std::string& strSource, const std::string& strDestination,
                        bool bSingleFile = true);
    ~CTestProgressDialog() override;

    INT_PTR Run();

    // Runs the window modally while `driver` gets its handle on a second thread once it
    // is visible. Whatever the driver leaves undone, the job is then finished and the
    // window closed, so a failing test cannot hang.
    INT_PTR RunWithDriver(const std::function<void(HWND hWnd)>& driver);

    void OpenGate();

    // The job, as its worker's thread is started with it; the test reports through it.
    CExtractJob& Job() { return *m_pJob; }

    // Posted to the window, keeps its thread busy (pumping nothing) until `m_bBusy` is
    // cleared, at most ten seconds.
    static constexpr UINT WM_TEST_BUSY = WM_APP + 50;
    std::atomic<bool> m_bBusy{false};

    std::atomic<HWND> m_hWndStarted{nullptr}; // the window when the worker was started
    std::atomic<bool> m_bEverShown{false};

    // Gated workers that have returned, over all objects, counted once the worker is
    // done with its object.
    static std::atomic<int> s_nGatedWorkersEnded;

protected:
    HANDLE StartThread(LPTHREAD_START_ROUTINE pfnStart, LPVOID pParam) override;
    BOOL OnMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    static DWORD WINAPI GatedThreadProc(LPVOID pThis);

    WORKER m_worker;
    HANDLE m_hGate;
    LPTHREAD_START_ROUTINE m_pfnStart = nullptr;
    LPVOID m_pParam = nullptr;
    CExtractJob* m_pJob = nullptr;
};

extern const char* const TEST_PASSWORD; // the key of every test job's cipher

// For the driving thread.
std::string TextOf(HWND hWnd); // one WM_GETTEXT, so a changing text is read whole
bool WaitUntil(const std::function<bool()>& condition, DWORD dwTimeoutMs = 5000);
bool IsChildEnabled(HWND hWnd, int nId);
void ClickButton(HWND hWnd, int nId); // returns after the click was handled
