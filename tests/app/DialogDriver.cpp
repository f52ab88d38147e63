#include "tests/app/DialogDriver.h"

#include <memory>

#include <commctrl.h>
#include <objbase.h>

#include <gtest/gtest.h>

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
    HWND hWndActedOn = nullptr; // set once the action is done; then waits for it to close
};

DRIVER* g_pDriver = nullptr;
std::unique_ptr<WATCH> g_pWatch;

void CALLBACK OnDriverTick(HWND, UINT, UINT_PTR nTimer, DWORD)
{
    KillTimer(nullptr, nTimer);
    if (g_pDriver == nullptr)
        return;
    DRIVER& driver = *g_pDriver;
    driver.nTimer = 0;
    HWND hWnd = driver.pDialog->m_hWnd;
    if (hWnd == nullptr)
        return;
    if (IsWindowVisible(hWnd))
    {
        if (driver.nNext == driver.steps.size())
        {
            EndDialog(hWnd, DRIVER_END);
            return;
        }
        driver.steps[driver.nNext++](hWnd);
    }
    if (driver.pDialog->m_hWnd != nullptr)
        driver.nTimer = SetTimer(nullptr, 0, TICK_MS, OnDriverTick);
}

struct FIND_DIALOG
{
    HWND hWndExcept;
    HWND hWndFound;
};

BOOL CALLBACK FindDialogProc(HWND hWnd, LPARAM lParam)
{
    FIND_DIALOG& find = *reinterpret_cast<FIND_DIALOG*>(lParam);
    char className[16] = {};
    GetClassNameA(hWnd, className, sizeof(className));
    if (hWnd != find.hWndExcept && IsWindowVisible(hWnd) && IsWindowEnabled(hWnd) &&
        std::string(className) == "#32770")
    {
        find.hWndFound = hWnd;
        return FALSE;
    }
    return TRUE;
}

void CALLBACK OnWatchTick(HWND, UINT, UINT_PTR nTimer, DWORD)
{
    KillTimer(nullptr, nTimer);
    if (!g_pWatch)
        return;
    g_pWatch->nTimer = 0;

    WATCH& watch = *g_pWatch;
    HWND hWndFound = watch.hWndActedOn;
    if (hWndFound == nullptr)
    {
        FIND_DIALOG find = {watch.hWndExcept, nullptr};
        EnumThreadWindows(GetCurrentThreadId(), FindDialogProc, reinterpret_cast<LPARAM>(&find));
        hWndFound = find.hWndFound;
        if (hWndFound != nullptr && watch.action(hWndFound))
            watch.hWndActedOn = hWndFound;
    }
    else if (!IsWindow(hWndFound))
    {
        g_pWatch.reset();
        return;
    }

    // A dialog that never shows, never gets where the action waits for, or stays open
    // after it: fail, and cancel it so that the test ends.
    if (static_cast<LONG>(GetTickCount() - watch.dwDeadline) > 0)
    {
        ADD_FAILURE() << (hWndFound == nullptr ? "no dialog appeared" : "the dialog was not done in time");
        if (hWndFound != nullptr)
            PostMessageA(hWndFound, WM_COMMAND, IDCANCEL, 0);
        watch.dwDeadline = GetTickCount() + WATCH_TIMEOUT_MS;
    }
    g_pWatch->nTimer = SetTimer(nullptr, 0, TICK_MS, OnWatchTick);
}
} // namespace

INT_PTR RunMainDialog(CMainDialog& dialog, std::vector<DialogStep> steps)
{
    DRIVER driver{&dialog, std::move(steps)};
    g_pDriver = &driver;
    driver.nTimer = SetTimer(nullptr, 0, TICK_MS, OnDriverTick);
    const INT_PTR nResult = dialog.DoModal(GetModuleHandleA(nullptr), 9, nullptr);
    if (driver.nTimer != 0)
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
    if (g_pWatch->nTimer != 0)
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

namespace
{
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
