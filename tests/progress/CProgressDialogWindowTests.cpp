// The progress window as a window: resizing, minimising, a worker that cannot start,
// and the window's end racing the worker's.

#include <cstring>
#include <new>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/progress/TestProgressDialog.h"
#include "tests/support/TempFolder.h"

namespace
{
constexpr int LAID_OUT[] = {IDC_LOG, IDC_STOP, IDC_CLOSE, ID_SIZE_GRIP, IDC_PROGRESS_BAR, IDC_PROGRESS_TEXT};
constexpr int LAID_OUT_COUNT = sizeof(LAID_OUT) / sizeof(LAID_OUT[0]);
enum
{
    LOG,
    STOP,
    CLOSE,
    GRIP,
    BAR,
    BAR_TEXT,
};

struct LAYOUT
{
    RECT rc[LAID_OUT_COUNT]; // LAID_OUT in client coordinates
    SIZE sizeWindow;
    SIZE sizeClient;
    bool bGripVisible;
};

LAYOUT LayoutOf(HWND hWnd)
{
    LAYOUT layout = {};
    for (int i = 0; i < LAID_OUT_COUNT; ++i)
    {
        GetWindowRect(GetDlgItem(hWnd, LAID_OUT[i]), &layout.rc[i]);
        MapWindowPoints(nullptr, hWnd, reinterpret_cast<POINT*>(&layout.rc[i]), 2);
    }
    RECT rc;
    GetWindowRect(hWnd, &rc);
    layout.sizeWindow = {rc.right - rc.left, rc.bottom - rc.top};
    GetClientRect(hWnd, &rc);
    layout.sizeClient = {rc.right, rc.bottom};
    layout.bGripVisible = IsWindowVisible(GetDlgItem(hWnd, ID_SIZE_GRIP)) != FALSE;
    return layout;
}

// Each control's rectangle moved by (left, top, right, bottom) offsets.
void ExpectMoved(const LAYOUT& from, const LAYOUT& to, const std::vector<RECT>& offsets)
{
    for (int i = 0; i < LAID_OUT_COUNT; ++i)
    {
        SCOPED_TRACE(LAID_OUT[i]);
        EXPECT_EQ(from.rc[i].left + offsets[i].left, to.rc[i].left);
        EXPECT_EQ(from.rc[i].top + offsets[i].top, to.rc[i].top);
        EXPECT_EQ(from.rc[i].right + offsets[i].right, to.rc[i].right);
        EXPECT_EQ(from.rc[i].bottom + offsets[i].bottom, to.rc[i].bottom);
    }
}

void ExpectSameLayout(const LAYOUT& expected, const LAYOUT& actual)
{
    ExpectMoved(expected, actual, std::vector<RECT>(LAID_OUT_COUNT, RECT{}));
    EXPECT_EQ(expected.sizeWindow.cx, actual.sizeWindow.cx);
    EXPECT_EQ(expected.sizeWindow.cy, actual.sizeWindow.cy);
}

void ResizeTo(HWND hWnd, const SIZE& size, int dx, int dy)
{
    SetWindowPos(hWnd, nullptr, 0, 0, size.cx + dx, size.cy + dy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

TEST(CProgressDialogLayout, LogGrowsButtonsAndGripFollowTheCornerAndTheOpeningSizeIsTheMinimum)
{
    constexpr int DX = 120, DY = 70;
    CTestProgressDialog dialog(WORKER::MANUAL, "in.ovx", "out");
    LAYOUT initial = {}, enlarged = {}, back = {}, shrunk = {};
    bool bClipChildren = false;
    dialog.RunWithDriver([&](HWND hWnd) {
        bClipChildren = (GetWindowLongA(hWnd, GWL_STYLE) & WS_CLIPCHILDREN) != 0;
        initial = LayoutOf(hWnd);
        ResizeTo(hWnd, initial.sizeWindow, DX, DY);
        enlarged = LayoutOf(hWnd);
        ResizeTo(hWnd, initial.sizeWindow, 0, 0);
        back = LayoutOf(hWnd);
        ResizeTo(hWnd, initial.sizeWindow, -DX, -DY); // clamped to the minimum tracking size
        shrunk = LayoutOf(hWnd);
    });

    EXPECT_TRUE(bClipChildren);
    EXPECT_TRUE(initial.bGripVisible);
    ASSERT_EQ(initial.sizeWindow.cx + DX, enlarged.sizeWindow.cx);
    ASSERT_EQ(initial.sizeWindow.cy + DY, enlarged.sizeWindow.cy);
    // The bar and its line stretch with the log and keep their distance to the bottom.
    ExpectMoved(initial, enlarged,
                {{0, 0, DX, DY}, {DX, DY, DX, DY}, {DX, DY, DX, DY}, {DX, DY, DX, DY}, {0, DY, DX, DY}, {0, DY, DX, DY}});
    ExpectSameLayout(initial, back);
    ExpectSameLayout(initial, shrunk);
    // The grip sits in the client area's bottom-right corner.
    EXPECT_EQ(initial.sizeClient.cx, initial.rc[GRIP].right);
    EXPECT_EQ(initial.sizeClient.cy, initial.rc[GRIP].bottom);
    EXPECT_LT(initial.rc[GRIP].right - initial.rc[GRIP].left, initial.sizeClient.cx / 4);
}

TEST(CProgressDialogLayout, MinimiseAndRestoreKeepTheLayoutAndMaximiseHidesTheGrip)
{
    CTestProgressDialog dialog(WORKER::MANUAL, "in.ovx", "out");
    LAYOUT before = {}, restored = {}, maximized = {}, unmaximized = {};
    bool bIconic = false, bZoomed = false;
    dialog.RunWithDriver([&](HWND hWnd) {
        ResizeTo(hWnd, LayoutOf(hWnd).sizeWindow, 40, 30);
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
    EXPECT_EQ(before.sizeClient.cx - before.rc[LOG].right, maximized.sizeClient.cx - maximized.rc[LOG].right);
    EXPECT_EQ(before.sizeClient.cy - before.rc[CLOSE].bottom, maximized.sizeClient.cy - maximized.rc[CLOSE].bottom);
    ExpectSameLayout(before, unmaximized);
    EXPECT_TRUE(unmaximized.bGripVisible);
}

// What the message box showed; it is dismissed as soon as it is found.
struct MESSAGE_BOX_SEEN
{
    int nBoxes = 0;
    std::string strText;
    std::string strCaption;
    int nButtons = 0;
    HWND hWndOwner = nullptr;
};
MESSAGE_BOX_SEEN g_box;
HWND g_hWndProgress = nullptr;

BOOL CALLBACK CollectBoxChild(HWND hWnd, LPARAM)
{
    char className[32] = {}, text[256] = {};
    GetClassNameA(hWnd, className, sizeof(className));
    GetWindowTextA(hWnd, text, sizeof(text));
    if (lstrcmpiA(className, "Static") == 0 && text[0] != '\0')
        g_box.strText = text;
    g_box.nButtons += lstrcmpiA(className, "Button") == 0 && IsWindowVisible(hWnd);
    return TRUE;
}

BOOL CALLBACK DismissMessageBox(HWND hWnd, LPARAM)
{
    if (hWnd == g_hWndProgress || !IsWindowVisible(hWnd))
        return TRUE;
    const int nBoxes = g_box.nBoxes + 1;
    g_box = {};
    g_box.nBoxes = nBoxes;
    char caption[64] = {};
    GetWindowTextA(hWnd, caption, sizeof(caption));
    g_box.strCaption = caption;
    g_box.hWndOwner = GetWindow(hWnd, GW_OWNER);
    EnumChildWindows(hWnd, CollectBoxChild, 0);
    PostMessageA(hWnd, WM_COMMAND, IDOK, 0);
    return FALSE;
}

void CALLBACK OnBoxTimer(HWND, UINT, UINT_PTR, DWORD)
{
    EnumThreadWindows(GetCurrentThreadId(), DismissMessageBox, 0);
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
    const UINT_PTR nTimer = SetTimer(nullptr, 0, 20, OnBoxTimer);
    const INT_PTR nResult = dialog.Run();
    KillTimer(nullptr, nTimer);

    EXPECT_EQ(CProgressDialog::RESULT_NO_THREAD, nResult);
    EXPECT_EQ(1, g_box.nBoxes);
    EXPECT_EQ("Failed to create thread.", g_box.strText);
    EXPECT_EQ("", g_box.strCaption);
    EXPECT_EQ(1, g_box.nButtons);
    EXPECT_EQ(g_hWndProgress, g_box.hWndOwner); // owned by the window, which never showed
    EXPECT_FALSE(dialog.m_bEverShown);
    EXPECT_TRUE(dialog.Job().IsRunning());
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
        dialog.Job().SetJobState(JOB_FINISHED);
        bClosedAfterIt = WaitUntil([&] { return !IsWindow(hWnd); }, 2000);
    });
    EXPECT_TRUE(bOpenBeforeTheStateChange) << "the window ended while the worker could still use the job";
    EXPECT_TRUE(bClosedAfterIt) << "the click was taken for a stop request";
    EXPECT_EQ(CProgressDialog::RESULT_CLOSED, nResult);
}
} // namespace
