#include <cstring>
#include <new>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/progress/TestProgressDialog.h"
#include "tests/support/TempFolder.h"

namespace
{
constexpr int LAID_OUT[] = {IDC_LOG, IDC_STOP, IDC_CLOSE, ID_SIZE_GRIP};

struct LAYOUT
{
    RECT rcControls[4];
    SIZE sizeWindow;
    SIZE sizeClient;
    bool bGripVisible;
};

LAYOUT LayoutOf(HWND hWnd)
{
    LAYOUT layout = {};
    for (int i = 0; i < 4; ++i)
        layout.rcControls[i] = ChildRect(hWnd, LAID_OUT[i]);
    RECT rc;
    GetWindowRect(hWnd, &rc);
    layout.sizeWindow = {rc.right - rc.left, rc.bottom - rc.top};
    GetClientRect(hWnd, &rc);
    layout.sizeClient = {rc.right, rc.bottom};
    layout.bGripVisible = IsWindowVisible(GetDlgItem(hWnd, ID_SIZE_GRIP)) != FALSE;
    return layout;
}

RECT Offset(RECT rc, LONG left, LONG top, LONG right, LONG bottom)
{
    return {rc.left + left, rc.top + top, rc.right + right, rc.bottom + bottom};
}

void ExpectRect(const RECT& expected, const RECT& actual, const char* what)
{
    SCOPED_TRACE(what);
    EXPECT_EQ(expected.left, actual.left);
    EXPECT_EQ(expected.top, actual.top);
    EXPECT_EQ(expected.right, actual.right);
    EXPECT_EQ(expected.bottom, actual.bottom);
}

void ExpectSameLayout(const LAYOUT& expected, const LAYOUT& actual)
{
    for (int i = 0; i < 4; ++i)
        ExpectRect(expected.rcControls[i], actual.rcControls[i], "control");
    EXPECT_EQ(expected.sizeWindow.cx, actual.sizeWindow.cx);
    EXPECT_EQ(expected.sizeWindow.cy, actual.sizeWindow.cy);
}

void ResizeBy(HWND hWnd, const SIZE& initial, int dx, int dy)
{
    SetWindowPos(hWnd, nullptr, 0, 0, initial.cx + dx, initial.cy + dy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

TEST(CProgressDialogLayout, LogGrowsButtonsAndGripFollowTheCornerAndTheOpeningSizeIsTheMinimum)
{
    constexpr int DX = 120, DY = 70;
    CTestProgressDialog dialog(WORKER::MANUAL, "in.ovx", "out");
    LAYOUT initial = {}, enlarged = {}, back = {}, shrunk = {};
    POINT ptMinTrack = {};
    bool bClipChildren = false;
    dialog.RunWithDriver([&](HWND hWnd) {
        bClipChildren = (GetWindowLongA(hWnd, GWL_STYLE) & WS_CLIPCHILDREN) != 0;
        initial = LayoutOf(hWnd);
        ResizeBy(hWnd, initial.sizeWindow, DX, DY);
        enlarged = LayoutOf(hWnd);
        ResizeBy(hWnd, initial.sizeWindow, 0, 0);
        back = LayoutOf(hWnd);
        MINMAXINFO info = {};
        SendMessageA(hWnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
        ptMinTrack = info.ptMinTrackSize;
        // A sizing border clamps every new size to the minimum tracking size.
        ResizeBy(hWnd, initial.sizeWindow, -DX, -DY);
        shrunk = LayoutOf(hWnd);
    });

    EXPECT_TRUE(bClipChildren);
    EXPECT_TRUE(initial.bGripVisible);
    ASSERT_EQ(initial.sizeWindow.cx + DX, enlarged.sizeWindow.cx);
    ASSERT_EQ(initial.sizeWindow.cy + DY, enlarged.sizeWindow.cy);
    ExpectRect(Offset(initial.rcControls[0], 0, 0, DX, DY), enlarged.rcControls[0], "log");
    ExpectRect(Offset(initial.rcControls[1], DX, DY, DX, DY), enlarged.rcControls[1], "Stop");
    ExpectRect(Offset(initial.rcControls[2], DX, DY, DX, DY), enlarged.rcControls[2], "Close");
    ExpectRect(Offset(initial.rcControls[3], DX, DY, DX, DY), enlarged.rcControls[3], "grip");
    ExpectSameLayout(initial, back);
    EXPECT_EQ(initial.sizeWindow.cx, ptMinTrack.x);
    EXPECT_EQ(initial.sizeWindow.cy, ptMinTrack.y);
    ExpectSameLayout(initial, shrunk);
    // The grip takes the system's grip size in the client area's bottom-right corner.
    EXPECT_EQ(initial.sizeClient.cx, initial.rcControls[3].right);
    EXPECT_EQ(initial.sizeClient.cy, initial.rcControls[3].bottom);
    EXPECT_GT(initial.rcControls[3].right - initial.rcControls[3].left, 0);
    EXPECT_LT(initial.rcControls[3].right - initial.rcControls[3].left, initial.sizeClient.cx / 4);
}

TEST(CProgressDialogLayout, MinimiseAndRestoreKeepTheLayoutAndMaximiseHidesTheGrip)
{
    constexpr int DX = 40, DY = 30;
    CTestProgressDialog dialog(WORKER::MANUAL, "in.ovx", "out");
    LAYOUT before = {}, restored = {}, maximized = {}, unmaximized = {};
    bool bIconic = false, bZoomed = false;
    dialog.RunWithDriver([&](HWND hWnd) {
        ResizeBy(hWnd, LayoutOf(hWnd).sizeWindow, DX, DY);
        before = LayoutOf(hWnd);
        ShowWindow(hWnd, SW_MINIMIZE);
        bIconic = IsIconic(hWnd) != FALSE;
        ShowWindow(hWnd, SW_RESTORE);
        restored = LayoutOf(hWnd);
        ShowWindow(hWnd, SW_MAXIMIZE);
        bZoomed = IsZoomed(hWnd) != FALSE;
        maximized = LayoutOf(hWnd);
        ShowWindow(hWnd, SW_RESTORE);
        unmaximized = LayoutOf(hWnd);
    });

    EXPECT_TRUE(bIconic);
    ExpectSameLayout(before, restored);
    EXPECT_TRUE(restored.bGripVisible);
    EXPECT_TRUE(bZoomed);
    EXPECT_FALSE(maximized.bGripVisible);
    // Maximised, the log and the buttons keep their margins to the client's corner.
    EXPECT_EQ(before.sizeClient.cx - before.rcControls[0].right,
              maximized.sizeClient.cx - maximized.rcControls[0].right);
    EXPECT_EQ(before.sizeClient.cy - before.rcControls[2].bottom,
              maximized.sizeClient.cy - maximized.rcControls[2].bottom);
    ExpectSameLayout(before, unmaximized);
    EXPECT_TRUE(unmaximized.bGripVisible);
}

// Thread-creation failure: only the message box shows, the window never does.
struct MESSAGE_BOX_SEEN
{
    int nBoxes = 0;
    std::string strText;
    std::string strCaption;
    int nVisibleButtons = 0;
    bool bOwnerVisible = true;
    HWND hWndOwner = nullptr;
};
MESSAGE_BOX_SEEN g_box;
HWND g_hWndProgress = nullptr;

BOOL CALLBACK CollectStaticText(HWND hWnd, LPARAM lParam)
{
    char className[32] = {}, text[256] = {};
    GetClassNameA(hWnd, className, sizeof(className));
    GetWindowTextA(hWnd, text, sizeof(text));
    auto* pBox = reinterpret_cast<MESSAGE_BOX_SEEN*>(lParam);
    if (lstrcmpiA(className, "Static") == 0 && text[0] != '\0')
        pBox->strText = text;
    if (lstrcmpiA(className, "Button") == 0 && IsWindowVisible(hWnd))
        ++pBox->nVisibleButtons;
    return TRUE;
}

BOOL CALLBACK FindMessageBox(HWND hWnd, LPARAM)
{
    if (hWnd == g_hWndProgress || !IsWindowVisible(hWnd))
        return TRUE;
    MESSAGE_BOX_SEEN box;
    box.nBoxes = g_box.nBoxes + 1;
    char caption[64] = {};
    GetWindowTextA(hWnd, caption, sizeof(caption));
    box.strCaption = caption;
    EnumChildWindows(hWnd, CollectStaticText, reinterpret_cast<LPARAM>(&box));
    box.hWndOwner = GetWindow(hWnd, GW_OWNER);
    box.bOwnerVisible = box.hWndOwner != nullptr && IsWindowVisible(box.hWndOwner);
    g_box = box;
    PostMessageA(hWnd, WM_COMMAND, IDOK, 0);
    return FALSE;
}

void CALLBACK DismissMessageBox(HWND, UINT, UINT_PTR, DWORD)
{
    EnumThreadWindows(GetCurrentThreadId(), FindMessageBox, 0);
}

class CFailingStartDialog : public CTestProgressDialog
{
public:
    CFailingStartDialog() : CTestProgressDialog(WORKER::FAILS, "in.ovx", "out") {}

protected:
    HANDLE StartThread(LPTHREAD_START_ROUTINE pfnStart, LPVOID pParam) override
    {
        g_hWndProgress = m_hWnd;
        return CTestProgressDialog::StartThread(pfnStart, pParam);
    }
};

TEST(CProgressDialog, WithoutAWorkerThreadOnlyAMessageBoxShowsAndTheResultIs2)
{
    g_box = {};
    CFailingStartDialog dialog;
    const UINT_PTR nTimer = SetTimer(nullptr, 0, 20, DismissMessageBox);
    const INT_PTR nResult = dialog.Run();
    KillTimer(nullptr, nTimer);

    EXPECT_EQ(CProgressDialog::RESULT_NO_THREAD, nResult);
    EXPECT_EQ(1, g_box.nBoxes);
    EXPECT_EQ("Failed to create thread.", g_box.strText);
    EXPECT_EQ("", g_box.strCaption);
    EXPECT_EQ(1, g_box.nVisibleButtons);
    EXPECT_EQ(g_hWndProgress, g_box.hWndOwner);
    EXPECT_FALSE(g_box.bOwnerVisible);
    EXPECT_FALSE(dialog.m_bEverShown);
    EXPECT_EQ(JOB_RUNNING, dialog.Job().m_nState);
}

// The user hammers Close while the worker finishes: the window ends as soon as the job
// reads finished and the object is destroyed at once. The storage is then poisoned, so
// any later use by the worker crashes the test instead of passing unnoticed.
TEST(CProgressDialog, HammeringCloseWhileTheWorkerFinishesNeverOutlivesTheObject)
{
    constexpr int ROUNDS = 25;
    TempFolder temp;
    // Never freed, so that the poison stays where the objects were.
    static auto& graveyard = *new std::vector<std::vector<unsigned char>>();
    graveyard.reserve(ROUNDS);
    const int nEndedBefore = CTestProgressDialog::s_nGatedWorkersEnded;
    int nClosed = 0;
    for (int round = 0; round < ROUNDS; ++round)
    {
        auto& storage = graveyard.emplace_back(sizeof(CTestProgressDialog));
        auto* pDialog = new (storage.data())
            CTestProgressDialog(WORKER::GATED, temp.PathOf("missing.ovx"), temp.PathOf("out"));
        const INT_PTR nResult = pDialog->RunWithDriver([&](HWND hWnd) {
            pDialog->OpenGate();
            while (IsWindow(hWnd))
            {
                PostMessageA(hWnd, WM_COMMAND, IDC_CLOSE, 0);
                PostMessageA(hWnd, WM_COMMAND, IDCANCEL, 0);
                Sleep(0);
            }
        });
        pDialog->~CTestProgressDialog();
        std::memset(storage.data(), 0xDD, storage.size());
        nClosed += nResult == CProgressDialog::RESULT_CLOSED;
    }
    EXPECT_EQ(ROUNDS, nClosed);
    EXPECT_TRUE(WaitUntil([&] { return CTestProgressDialog::s_nGatedWorkersEnded - nEndedBefore == ROUNDS; }));
}
} // namespace

namespace
{
// The user clicks the Close that the finish has just enabled, before the worker's last
// step has changed the state: that one click still closes the window, as soon as the
// state follows, and is not taken for a stop request.
TEST(CProgressDialog, CloseClickedBetweenTheFinishAndTheStateChangeStillCloses)
{
    CTestProgressDialog dialog(WORKER::MANUAL, "in.ovx", "out");
    bool bOpenBeforeTheStateChange = false;
    bool bClosedAfterIt = false;
    const INT_PTR nResult = dialog.RunWithDriver([&](HWND hWnd) {
        dialog.ShowFinished(0);
        ClickButton(hWnd, IDC_CLOSE);
        bOpenBeforeTheStateChange = IsWindow(hWnd) != FALSE;
        InterlockedExchange(&dialog.Job().m_nState, JOB_FINISHED);
        bClosedAfterIt = WaitUntil([&] { return !IsWindow(hWnd); }, 2000);
    });
    EXPECT_TRUE(bOpenBeforeTheStateChange) << "the window ended while the worker could still use the job";
    EXPECT_TRUE(bClosedAfterIt) << "the click was taken for a stop request";
    EXPECT_EQ(CProgressDialog::RESULT_CLOSED, nResult);
}
} // namespace
