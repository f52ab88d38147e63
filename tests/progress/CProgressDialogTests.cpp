#include <cstring>
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
    bool bVisible = false;
};

WINDOW_STATE StateOf(HWND hWnd)
{
    return {TextOf(hWnd), IsChildEnabled(hWnd, IDC_STOP), IsChildEnabled(hWnd, IDC_CLOSE),
            IsWindowVisible(hWnd) != FALSE};
}

bool IsFinishedTitle(HWND hWnd)
{
    return TextOf(hWnd).rfind("Finished", 0) == 0;
}

std::string Repeat(char c, size_t n)
{
    return std::string(n, c);
}

TEST(CProgressDialog, RunsAWholeJobFromRunningToFinished)
{
    TempFolder temp;
    const std::vector<BYTE> plain = MakePlaintext(3000);
    WriteFileBytes(temp.PathOf("in/a.txt.ovx"), EncodeRecordFormat(plain, TEST_PASSWORD));
    WriteFileBytes(temp.PathOf("in/sub/b.bin.ovx"), EncodeChunkFormat(plain, TEST_PASSWORD));

    CTestProgressDialog dialog(WORKER::GATED, temp.PathOf("in"), temp.PathOf("out"), 0);
    WINDOW_STATE running, finished;
    std::string strLog;
    const INT_PTR nResult = dialog.RunWithDriver([&](HWND hWnd) {
        running = StateOf(hWnd);
        dialog.OpenGate();
        WaitUntil([&] { return IsFinishedTitle(hWnd); });
        finished = StateOf(hWnd);
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
    EXPECT_NE(std::string::npos, strLog.find("a.txt.ovx'...\r\n"));
    EXPECT_NE(std::string::npos, strLog.find("b.bin.ovx'...\r\n"));
    EXPECT_EQ(plain, ReadFileBytes(temp.PathOf("out/a.txt")));
    EXPECT_EQ(plain, ReadFileBytes(temp.PathOf("out/sub/b.bin")));
}

TEST(CProgressDialog, AJobThatExtractsNothingFinishesWithZero)
{
    TempFolder temp;
    CTestProgressDialog dialog(WORKER::REAL, temp.PathOf("missing.ovx"), temp.PathOf("out"));
    std::string strTitle, strLog;
    const INT_PTR nResult = dialog.RunWithDriver([&](HWND hWnd) {
        WaitUntil([&] { return IsFinishedTitle(hWnd); });
        strTitle = TextOf(hWnd);
        strLog = TextOf(GetDlgItem(hWnd, IDC_LOG));
        PostMessageA(hWnd, WM_COMMAND, IDCANCEL, 0);
    });

    EXPECT_EQ(CProgressDialog::RESULT_CLOSED, nResult);
    EXPECT_EQ("Finished - 0 file(s) extracted", strTitle);
    const std::string strEnd = "\r\n*** Finished ***";
    ASSERT_GE(strLog.size(), strEnd.size());
    EXPECT_EQ(strEnd, strLog.substr(strLog.size() - strEnd.size())) << strLog;
}

// Every closing command while the job runs is a stop request; the window stays open with
// the running title and Stop enabled until the worker finishes.
TEST(CProgressDialog, ClosingCommandsWhileRunningOnlyRequestAStop)
{
    struct COMMAND
    {
        const char* name;
        void (*pfnSend)(HWND hWnd);
    };
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
    std::vector<std::pair<std::string, WINDOW_STATE>> seen;
    std::vector<LONG> states;
    WINDOW_STATE finished;
    const INT_PTR nResult = dialog.RunWithDriver([&](HWND hWnd) {
        for (const COMMAND& command : commands)
        {
            command.pfnSend(hWnd);
            WaitUntil([&] { return dialog.Job().m_nState != JOB_RUNNING; }, 2000);
            // A posted command has been handled once a later sent message returns.
            SendMessageA(hWnd, WM_NULL, 0, 0);
            seen.emplace_back(command.name, StateOf(hWnd));
            states.push_back(static_cast<LONG>(dialog.Job().m_nState));
        }
        dialog.OpenGate();
        WaitUntil([&] { return IsFinishedTitle(hWnd); });
        finished = StateOf(hWnd);
        PostMessageA(GetDlgItem(hWnd, IDC_LOG), WM_KEYDOWN, VK_ESCAPE, 0);
        WaitUntil([&] { return !IsWindow(hWnd); });
    });

    for (size_t i = 0; i < seen.size(); ++i)
    {
        SCOPED_TRACE(seen[i].first);
        EXPECT_EQ("Extracting...", seen[i].second.strTitle);
        EXPECT_TRUE(seen[i].second.bVisible);
        EXPECT_TRUE(seen[i].second.bStopEnabled);
        EXPECT_FALSE(seen[i].second.bCloseEnabled);
        EXPECT_EQ(JOB_STOP_REQUESTED, states[i]);
    }
    EXPECT_EQ("Finished - 0 file(s) extracted", finished.strTitle);
    EXPECT_EQ(CProgressDialog::RESULT_CLOSED, nResult);
}

TEST(CProgressDialog, ClosingCommandsAfterTheFinishCloseTheWindow)
{
    struct COMMAND
    {
        const char* name;
        void (*pfnSend)(HWND hWnd);
    };
    const COMMAND commands[] = {
        {"Close", [](HWND hWnd) { PostMessageA(GetDlgItem(hWnd, IDC_CLOSE), BM_CLICK, 0, 0); }},
        {"Escape key", [](HWND hWnd) { PostMessageA(GetDlgItem(hWnd, IDC_LOG), WM_KEYDOWN, VK_ESCAPE, 0); }},
        {"close box", [](HWND hWnd) { PostMessageA(hWnd, WM_SYSCOMMAND, SC_CLOSE, 0); }},
        {"Stop command", [](HWND hWnd) { PostMessageA(hWnd, WM_COMMAND, IDC_STOP, 0); }},
    };

    for (const COMMAND& command : commands)
    {
        SCOPED_TRACE(command.name);
        CTestProgressDialog dialog(WORKER::MANUAL, "in.ovx", "out");
        bool bClosed = false;
        const INT_PTR nResult = dialog.RunWithDriver([&](HWND hWnd) {
            dialog.Job().SetJobState(JOB_FINISHED);
            command.pfnSend(hWnd);
            bClosed = WaitUntil([&] { return !IsWindow(hWnd); }, 3000);
        });
        EXPECT_TRUE(bClosed);
        EXPECT_EQ(CProgressDialog::RESULT_CLOSED, nResult);
    }
}

TEST(CProgressDialog, ShowsTheCountOfTheFinishedJob)
{
    CTestProgressDialog dialog(WORKER::MANUAL, "in.ovx", "out");
    std::string strTitle;
    dialog.RunWithDriver([&](HWND hWnd) {
        dialog.Job().m_nExtracted = 4000000000u;
        dialog.Job().SetJobState(JOB_FINISHED);
        strTitle = TextOf(hWnd);
    });
    EXPECT_EQ("Finished - 4000000000 file(s) extracted", strTitle);
}

// The worker's texts as the log shows them: in order, "\n" as "\r\n", at most 1,023
// characters each, always at the end whatever the user selected.
TEST(CProgressDialog, LogShowsTextsInOrderWithWindowsLineBreaks)
{
    CTestProgressDialog dialog(WORKER::MANUAL, "in.ovx", "out");
    std::string strLog;
    DWORD dwSelStart = 0, dwSelEnd = 0;
    dialog.RunWithDriver([&](HWND hWnd) {
        HWND hWndLog = GetDlgItem(hWnd, IDC_LOG);
        CExtractJob& job = dialog.Job();
        job.AppendLog("Processing '%s'...\n", "C:\\in\\a.ovx");
        job.AppendLog("two\nlines\n");
        job.AppendLog("%s", Repeat('x', 2000).c_str());
        job.AppendLog("\nFailed to open '%s'. Reason : [%08X]\n", "b", 0x80070002u);
        // The user selects the log's beginning; the next text still goes to the end.
        SendMessageA(hWndLog, EM_SETSEL, 0, 5);
        job.AppendLog("done\n");
        job.AppendLog("\n*** Finished ***");
        strLog = TextOf(hWndLog);
        SendMessageA(hWndLog, EM_GETSEL, reinterpret_cast<WPARAM>(&dwSelStart), reinterpret_cast<LPARAM>(&dwSelEnd));
    });

    const std::string strExpected = "Processing 'C:\\in\\a.ovx'...\r\n"
                                    "two\r\nlines\r\n" +
                                    Repeat('x', MAX_LOG_TEXT) +
                                    "\r\nFailed to open 'b'. Reason : [80070002]\r\n"
                                    "done\r\n"
                                    "\r\n"
                                    "*** Finished ***";
    EXPECT_EQ(strExpected, strLog);
    EXPECT_EQ(strLog.size(), dwSelStart);
    EXPECT_EQ(strLog.size(), dwSelEnd);
}

TEST(CProgressDialog, LogGrowsPastTheEditControlsDefaultLimit)
{
    constexpr int TEXTS = 35; // 34,860 characters
    CTestProgressDialog dialog(WORKER::MANUAL, "in.ovx", "out");
    std::string strLog;
    int nFirstVisibleLine = 0;
    dialog.RunWithDriver([&](HWND hWnd) {
        const std::string strFill = Repeat('.', 990);
        for (int i = 0; i < TEXTS; ++i)
            dialog.Job().AppendLog("%04d%s\n", i, strFill.c_str());
        HWND hWndLog = GetDlgItem(hWnd, IDC_LOG);
        strLog = TextOf(hWndLog);
        nFirstVisibleLine = static_cast<int>(SendMessageA(hWndLog, EM_GETFIRSTVISIBLELINE, 0, 0));
    });

    const size_t nLine = 4 + 990 + 2;
    ASSERT_EQ(TEXTS * nLine, strLog.size());
    for (int i = 0; i < TEXTS; ++i)
    {
        char prefix[8];
        std::snprintf(prefix, sizeof(prefix), "%04d", i);
        EXPECT_EQ(prefix, strLog.substr(i * nLine, 4));
    }
    // Each append scrolls the end into view.
    EXPECT_GT(nFirstVisibleLine, 0);
}
} // namespace
