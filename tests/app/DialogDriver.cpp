#include "tests/app/DialogDriver.h"

#include <memory>

#include <commctrl.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include "app/resource.h"

namespace
{
constexpr UINT TICK_MS = 15;
constexpr DWORD WATCH_TIMEOUT_MS = 10000;

struct DRIVER
{
    CMainDialog* pDialog;
    std::vector<DialogStep> steps;
    size_t nNext = 0;
    UINT_PTR nTimer = 0;
};

struct WATCH
{
    HWND hWndExcept;
    std::function<bool(HWND)> action;
    DWORD dwDeadline;
    UINT_PTR nTimer = 0;
    HWND hWndSeen = nullptr;
    HWND hWndActedOn = nullptr; // once acted on, the watch waits for it to close
};

DRIVER* g_pDriver = nullptr;
std::unique_ptr<WATCH> g_pWatch;

void CALLBACK OnDriverTick(HWND, UINT, UINT_PTR nTimer, DWORD)
{
    KillTimer(nullptr, nTimer);
    if (g_pDriver == nullptr || g_pDriver->nTimer != nTimer)
        return;
    g_pDriver->nTimer = 0;
    HWND hWnd = g_pDriver->pDialog->m_hWnd;
    if (hWnd == nullptr)
        return;
    if (IsWindowVisible(hWnd))
    {
        if (g_pDriver->nNext == g_pDriver->steps.size())
        {
            EndDialog(hWnd, DRIVER_END);
            return;
        }
        g_pDriver->steps[g_pDriver->nNext++](hWnd);
    }
    if (g_pDriver->pDialog->m_hWnd != nullptr)
        g_pDriver->nTimer = SetTimer(nullptr, 0, TICK_MS, OnDriverTick);
}

BOOL CALLBACK FindDialogProc(HWND hWnd, LPARAM lParam)
{
    auto& watch = *reinterpret_cast<WATCH*>(lParam);
    char className[16] = {};
    GetClassNameA(hWnd, className, sizeof(className));
    if (hWnd == watch.hWndExcept || !IsWindowVisible(hWnd) || !IsWindowEnabled(hWnd) ||
        std::string(className) != "#32770")
        return TRUE;
    watch.hWndSeen = hWnd;
    if (watch.action(hWnd))
        watch.hWndActedOn = hWnd;
    return FALSE;
}

void CALLBACK OnWatchTick(HWND, UINT, UINT_PTR nTimer, DWORD)
{
    KillTimer(nullptr, nTimer);
    if (!g_pWatch)
        return;
    WATCH& watch = *g_pWatch;
    if (watch.hWndActedOn == nullptr)
        EnumThreadWindows(GetCurrentThreadId(), FindDialogProc, reinterpret_cast<LPARAM>(&watch));
    else if (!IsWindow(watch.hWndActedOn))
    {
        g_pWatch.reset();
        return;
    }

    // Fail, and cancel whatever dialog is open so that the test ends.
    if (static_cast<LONG>(GetTickCount() - watch.dwDeadline) > 0)
    {
        ADD_FAILURE() << (watch.hWndActedOn == nullptr ? "no dialog was acted on" : "the dialog did not close");
        if (watch.hWndSeen != nullptr)
            PostMessageA(watch.hWndSeen, WM_COMMAND, IDCANCEL, 0);
        watch.dwDeadline = GetTickCount() + WATCH_TIMEOUT_MS;
    }
    watch.nTimer = SetTimer(nullptr, 0, TICK_MS, OnWatchTick);
}

// The program's start-up for the whole test run: COM for the shell's dialogs, and the
// common controls.
class CApplicationEnvironment : public testing::Environment
{
public:
    void SetUp() override
    {
        CoInitialize(nullptr);
        INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_BAR_CLASSES | ICC_COOL_CLASSES};
        InitCommonControlsEx(&controls);
    }
    void TearDown() override { CoUninitialize(); }
};
testing::Environment* const g_pEnvironment = testing::AddGlobalTestEnvironment(new CApplicationEnvironment);
} // namespace

INT_PTR RunMainDialog(CMainDialog& dialog, std::vector<DialogStep> steps)
{
    DRIVER driver{&dialog, std::move(steps)};
    g_pDriver = &driver;
    driver.nTimer = SetTimer(nullptr, 0, TICK_MS, OnDriverTick);
    const INT_PTR nResult = dialog.DoModal(GetModuleHandleA(nullptr), IDD_MAIN, nullptr);
    KillTimer(nullptr, driver.nTimer);
    g_pDriver = nullptr;
    EXPECT_EQ(driver.nNext, driver.steps.size()) << "the dialog ended before every step ran";
    EXPECT_FALSE(CancelDialogWatch()) << "a dialog that was waited for never appeared";
    return nResult;
}

void WhenDialogAppears(HWND hWndExcept, std::function<bool(HWND)> action)
{
    CancelDialogWatch();
    g_pWatch = std::make_unique<WATCH>(WATCH{hWndExcept, std::move(action), GetTickCount() + WATCH_TIMEOUT_MS});
    g_pWatch->nTimer = SetTimer(nullptr, 0, TICK_MS, OnWatchTick);
}

bool CancelDialogWatch()
{
    if (!g_pWatch)
        return false;
    KillTimer(nullptr, g_pWatch->nTimer);
    const bool bWaiting = g_pWatch->hWndActedOn == nullptr;
    g_pWatch.reset();
    return bWaiting;
}

std::string ControlText(HWND hWndDialog, int nId)
{
    char text[1024] = {};
    GetDlgItemTextA(hWndDialog, nId, text, sizeof(text));
    return text;
}

void SetControlText(HWND hWndDialog, int nId, const std::string& text)
{
    SetDlgItemTextA(hWndDialog, nId, text.c_str());
}

void Click(HWND hWndDialog, int nId)
{
    SendDlgItemMessageA(hWndDialog, nId, BM_CLICK, 0, 0);
}

bool IsChecked(HWND hWndDialog, int nId)
{
    return SendDlgItemMessageA(hWndDialog, nId, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

bool IsEnabled(HWND hWndDialog, int nId)
{
    return IsWindowEnabled(GetDlgItem(hWndDialog, nId)) != FALSE;
}
