// The progress window through a job: titles and buttons, the closing commands in each
// state, and the log.

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/progress/TestProgressDialog.h"
#include "tests/support/OvxEncoder.h"
#include "tests/support/TempFolder.h"

namespace
{
struct WINDOW_STATE
{
    std::string strTitle;
    bool bStopEnabled = false;
    bool bCloseEnabled = false;
};

WINDOW_STATE StateOf(HWND hWnd)
{
    return {TextOf(hWnd), IsChildEnabled(hWnd, IDC_STOP), IsChildEnabled(hWnd, IDC_CLOSE)};
}

// The control that has the keyboard focus in hWnd's thread, by its id; 0 when none.
int FocusedIdOf(HWND hWnd)
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(hWnd, nullptr), &info) || info.hwndFocus == nullptr)
        return 0;
    return GetDlgCtrlID(info.hwndFocus);
}

bool IsFinishedTitle(HWND hWnd)
{
    return TextOf(hWnd).rfind("Finished", 0) == 0;
}

using COMMAND = std::pair<const char*, void (*)(HWND hWnd)>;

TEST(CProgressDialog, RunsAWholeJobFromRunningToFinished)
{
    TempFolder temp;
    const std::vector<BYTE> plain = MakePlaintext(3000);
    WriteFileBytes(temp.PathOf("in/a.txt.ovx"), EncodeRecordFormat(plain, TEST_PASSWORD));
    WriteFileBytes(temp.PathOf("in/sub/b.bin.ovx"), EncodeChunkFormat(plain, TEST_PASSWORD));

    CTestProgressDialog dialog(WORKER::GATED, temp.PathOf("in"), temp.PathOf("out"), 0);
    WINDOW_STATE running, finished;
    std::string strLog;
    int nFocusAtStart = 0, nFocusAtFinish = 0;
    const INT_PTR nResult = dialog.RunWithDriver([&](HWND hWnd) {
        running = StateOf(hWnd);
        nFocusAtStart = FocusedIdOf(hWnd);
        // Stop keeps the focus until the finish disables it; the keyboard must still work then.
        SendMessageA(hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(hWnd, IDC_STOP)), TRUE);
        dialog.OpenGate();
        // The state changes after the whole finish step has run on the window's thread;
        // the title alone shows up before the focus has moved.
        WaitUntil([&] { return dialog.Job().IsFinished(); });
        finished = StateOf(hWnd);
        nFocusAtFinish = FocusedIdOf(hWnd);
        strLog = TextOf(GetDlgItem(hWnd, IDC_LOG));
        ClickButton(hWnd, IDC_CLOSE);
    });

    EXPECT_EQ(CProgressDialog::RESULT_CLOSED, nResult);
    EXPECT_EQ("Extracting...", running.strTitle);
    EXPECT_TRUE(running.bStopEnabled);
    EXPECT_FALSE(running.bCloseEnabled);
    EXPECT_EQ("Finished - 2 file(s) extracted", finished.strTitle);
    EXPECT_FALSE(finished.bStopEnabled);
    EXPECT_TRUE(finished.bCloseEnabled);
    EXPECT_EQ(IDC_LOG, nFocusAtStart); // the first enabled tab stop: Close comes first but is disabled
    EXPECT_EQ(IDC_CLOSE, nFocusAtFinish);
    EXPECT_NE(std::string::npos, strLog.find("a.txt.ovx'...\r\n"));
    EXPECT_NE(std::string::npos, strLog.find("b.bin.ovx'...\r\n"));
    EXPECT_TRUE(strLog.ends_with("\r\n\r\n*** Finished ***")) << strLog;
    EXPECT_EQ(plain, ReadFileBytes(temp.PathOf("out/a.txt")));
    EXPECT_EQ(plain, ReadFileBytes(temp.PathOf("out/sub/b.bin")));
}

// While the job runs every closing command is a stop request: the window stays open with
// the running title and Stop enabled until the worker finishes.
TEST(CProgressDialog, ClosingCommandsWhileRunningOnlyRequestAStop)
{
    const COMMAND commands[] = {
        {"Escape key", [](HWND hWnd) { PostMessageA(GetDlgItem(hWnd, IDC_LOG), WM_KEYDOWN, VK_ESCAPE, 0); }},
        {"Stop", [](HWND hWnd) { ClickButton(hWnd, IDC_STOP); }},
        {"Stop again", [](HWND hWnd) { ClickButton(hWnd, IDC_STOP); }},
        {"close box", [](HWND hWnd) { SendMessageA(hWnd, WM_SYSCOMMAND, SC_CLOSE, 0); }},
        {"disabled Close", [](HWND hWnd) { ClickButton(hWnd, IDC_CLOSE); }},
        {"Enter (IDOK)", [](HWND hWnd) { SendMessageA(hWnd, WM_COMMAND, IDOK, 0); }},
    };
    TempFolder temp;
    CTestProgressDialog dialog(WORKER::GATED, temp.PathOf("missing.ovx"), temp.PathOf("out"));
    std::string strFinished;
    const INT_PTR nResult = dialog.RunWithDriver([&](HWND hWnd) {
        for (const auto& [name, pfnSend] : commands)
        {
            SCOPED_TRACE(name);
            pfnSend(hWnd);
            WaitUntil([&] { return !dialog.Job().IsRunning(); }, 2000);
            SendMessageA(hWnd, WM_NULL, 0, 0); // a posted command has been handled once this returns
            const WINDOW_STATE seen = StateOf(hWnd);
            EXPECT_TRUE(IsWindowVisible(hWnd));
            EXPECT_EQ("Extracting...", seen.strTitle);
            EXPECT_TRUE(seen.bStopEnabled);
            EXPECT_FALSE(seen.bCloseEnabled);
            EXPECT_EQ(JOB_STOP_REQUESTED, dialog.Job().Status().State());
        }
        dialog.OpenGate();
        WaitUntil([&] { return IsFinishedTitle(hWnd); });
        strFinished = TextOf(hWnd);
        PostMessageA(GetDlgItem(hWnd, IDC_LOG), WM_KEYDOWN, VK_ESCAPE, 0);
        WaitUntil([&] { return !IsWindow(hWnd); });
    });
    EXPECT_EQ("Finished - 0 file(s) extracted", strFinished);
    EXPECT_EQ(CProgressDialog::RESULT_CLOSED, nResult);
}

TEST(CProgressDialog, ClosingCommandsAfterTheFinishCloseTheWindow)
{
    const COMMAND commands[] = {
        {"Close", [](HWND hWnd) { PostMessageA(GetDlgItem(hWnd, IDC_CLOSE), BM_CLICK, 0, 0); }},
        {"Escape key", [](HWND hWnd) { PostMessageA(GetDlgItem(hWnd, IDC_LOG), WM_KEYDOWN, VK_ESCAPE, 0); }},
        {"close box", [](HWND hWnd) { PostMessageA(hWnd, WM_SYSCOMMAND, SC_CLOSE, 0); }},
        {"Stop command", [](HWND hWnd) { PostMessageA(hWnd, WM_COMMAND, IDC_STOP, 0); }},
    };
    for (const auto& [name, pfnSend] : commands)
    {
        SCOPED_TRACE(name);
        CTestProgressDialog dialog(WORKER::MANUAL, "in.ovx", "out");
        std::string strTitle;
        bool bClosed = false;
        const INT_PTR nResult = dialog.RunWithDriver([&](HWND hWnd) {
            dialog.ShowFinished(4000000000u); // shown unsigned
            strTitle = TextOf(hWnd);
            dialog.Job().SetJobState(JOB_FINISHED);
            pfnSend(hWnd);
            bClosed = WaitUntil([&] { return !IsWindow(hWnd); }, 3000);
        });
        EXPECT_EQ("Finished - 4000000000 file(s) extracted", strTitle);
        EXPECT_TRUE(bClosed);
        EXPECT_EQ(CProgressDialog::RESULT_CLOSED, nResult);
    }
}

// The worker's texts in order, "\n" shown as "\r\n", each cut at 1,023 characters, the
// whole log growing past the edit control's default 32,767, and always appended at the
// end whatever the user selected or clicked.
TEST(CProgressDialog, LogShowsEveryTextInOrderAtTheEnd)
{
    CTestProgressDialog dialog(WORKER::MANUAL, "in.ovx", "out");
    std::string strLog, strExpected;
    DWORD dwSelStart = 0, dwSelEnd = 0;
    int nFirstVisibleLine = 0;
    dialog.RunWithDriver([&](HWND hWnd) {
        HWND hWndLog = GetDlgItem(hWnd, IDC_LOG);
        CExtractJob& job = dialog.Job();
        job.AppendLog("Processing '%s'...\n", "C:\\in\\a.ovx");
        job.AppendLog("two\nlines\n");
        job.AppendLog("%s", std::string(2000, 'x').c_str());
        job.AppendLog("\nFailed to open '%s'. Reason : [%08X]\n", "b", 0x80070002u);
        strExpected = "Processing 'C:\\in\\a.ovx'...\r\ntwo\r\nlines\r\n" + std::string(MAX_LOG_TEXT, 'x') +
                      "\r\nFailed to open 'b'. Reason : [80070002]\r\n";
        for (int i = 0; i < 35; ++i)
        {
            // The user clicks into the log's beginning between two texts.
            SendMessageA(hWndLog, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
            SendMessageA(hWndLog, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
            SendMessageA(hWndLog, EM_SETSEL, 0, 5);
            const std::string line = std::to_string(1000 + i) + std::string(990, '.');
            job.AppendLog("%s\n", line.c_str());
            strExpected += line + "\r\n";
        }
        EXPECT_TRUE(WaitUntil([&] { return TextOf(hWndLog).size() == strExpected.size(); }));
        strLog = TextOf(hWndLog);
        SendMessageA(hWndLog, EM_GETSEL, reinterpret_cast<WPARAM>(&dwSelStart), reinterpret_cast<LPARAM>(&dwSelEnd));
        nFirstVisibleLine = static_cast<int>(SendMessageA(hWndLog, EM_GETFIRSTVISIBLELINE, 0, 0));
    });

    ASSERT_GT(strExpected.size(), 32767u);
    EXPECT_EQ(strExpected, strLog);
    EXPECT_EQ(strLog.size(), dwSelStart);
    EXPECT_EQ(strLog.size(), dwSelEnd);
    EXPECT_GT(nFirstVisibleLine, 0); // each append scrolls the end into view
}
// The worker never waits for a busy window: its texts queue up and go into the log
// together, in order, all of them before the finish shows.
TEST(CProgressDialog, TextsQueueWhileTheWindowIsBusyAndShowBeforeTheFinish)
{
    CTestProgressDialog dialog(WORKER::MANUAL, "in.ovx", "out");
    std::string strExpected, strLogAtFinish;
    bool bBusyThroughout = false;
    dialog.RunWithDriver([&](HWND hWnd) {
        PostMessageA(hWnd, CTestProgressDialog::WM_TEST_BUSY, 0, 0);
        ASSERT_TRUE(WaitUntil([&] { return dialog.m_bBusy.load(); }));
        for (int i = 0; i < 3000; ++i)
        {
            dialog.Job().AppendLog("Processing '%d.ovx'...\n", i);
            strExpected += "Processing '" + std::to_string(i) + ".ovx'...\r\n";
        }
        bBusyThroughout = dialog.m_bBusy;
        dialog.m_bBusy = false;
        dialog.Job().AppendLog("\n*** Finished ***");
        strExpected += "\r\n*** Finished ***";
        dialog.Job().SetJobState(JOB_FINISHED);
        strLogAtFinish = TextOf(GetDlgItem(hWnd, IDC_LOG));
    });
    EXPECT_TRUE(bBusyThroughout) << "a text waited for the window";
    EXPECT_EQ(strLogAtFinish, strExpected);
}
} // namespace
