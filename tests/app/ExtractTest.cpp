// Extract from the main dialog: a keyed job in the progress window, and a password
// the cipher cannot take, which must start nothing.

#include <gtest/gtest.h>

#include "tests/app/DialogDriver.h"
#include "tests/support/OvxEncoder.h"
#include "tests/support/TempFolder.h"
#include "app/resource.h"

namespace
{
std::string WindowText(HWND hWnd)
{
    char text[256] = {};
    GetWindowTextA(hWnd, text, sizeof(text));
    return text;
}

// Closes the progress window once its job has finished, remembering title and log.
struct FINISHED_JOB
{
    std::string title;
    std::string log;
};

void CloseProgressWhenFinished(HWND hWndMain, FINISHED_JOB& job)
{
    WhenDialogAppears(hWndMain, [&job](HWND hWndProgress) {
        std::string title = WindowText(hWndProgress);
        if (title.rfind("Finished", 0) != 0)
            return false;
        job.title = title;
        job.log = ControlText(hWndProgress, IDC_LOG);
        PostMessageA(hWndProgress, WM_COMMAND, IDC_CLOSE, 0);
        return true;
    });
}
} // namespace

TEST(Extract, DecodesWithThePasswordBytesAsKey)
{
    const std::string passwords[] = {
        "secret",
        " Pass Word ",                   // blanks and case are part of the key
        std::string(56, 'k'), // the longest key, used whole
    };
    for (const std::string& password : passwords)
    {
        TempFolder folder;
        const std::vector<BYTE> plain = MakePlaintext(1000);
        WriteFileBytes(folder.PathOf("a.ovx"), EncodeRecordFormat(plain, password));
        const std::string source = folder.PathOf("a.ovx");
        const std::string destination = folder.PathOf("out"); // no backslash: the job adds its own

        CMainDialog dialog;
        FINISHED_JOB job;
        RunMainDialog(dialog, {[&](HWND hWnd) {
            SetControlText(hWnd, IDC_PASSWORD, password);
            SetControlText(hWnd, IDC_SOURCE, source);
            SetControlText(hWnd, IDC_DESTINATION, destination);
            CloseProgressWhenFinished(hWnd, job);
            Click(hWnd, IDC_EXTRACT); // returns when the progress window has closed

            EXPECT_EQ(job.title, "Finished - 1 file(s) extracted") << job.log;
            EXPECT_EQ(ControlText(hWnd, IDC_SOURCE), source);
            EXPECT_EQ(ControlText(hWnd, IDC_DESTINATION), destination);
            EXPECT_TRUE(IsEnabled(hWnd, IDC_EXTRACT));
            EXPECT_TRUE(IsWindowEnabled(hWnd));
        }});
        EXPECT_EQ(ReadFileBytes(folder.PathOf("out\\a")), plain) << "password '" << password << "'";
    }
}

TEST(Extract, PasswordLongerThanTheCipherTakesStartsNothingAndMarksThePassword)
{
    const std::string password(57, 'k');
    CMainDialog dialog;
    RunMainDialog(dialog, {[&](HWND hWnd) {
        SetControlText(hWnd, IDC_PASSWORD, password);
        SetControlText(hWnd, IDC_SOURCE, "C:\\in\\a.ovx");
        SetControlText(hWnd, IDC_DESTINATION, "C:\\out\\");
        SetFocus(GetDlgItem(hWnd, IDC_SOURCE));

        bool bOpened = false;
        WhenDialogAppears(hWnd, [&bOpened](HWND hWndProgress) {
            bOpened = true;
            PostMessageA(hWndProgress, WM_COMMAND, IDC_CLOSE, 0);
            return false; // keep closing until the job lets it go
        });
        Click(hWnd, IDC_EXTRACT);
        EXPECT_TRUE(CancelDialogWatch());
        EXPECT_FALSE(bOpened) << "a job started with an unkeyed cipher";

        EXPECT_EQ(GetFocus(), GetDlgItem(hWnd, IDC_PASSWORD));
        DWORD dwStart = 1, dwEnd = 0;
        SendDlgItemMessageA(hWnd, IDC_PASSWORD, EM_GETSEL, reinterpret_cast<WPARAM>(&dwStart),
                            reinterpret_cast<LPARAM>(&dwEnd));
        EXPECT_EQ(dwStart, 0u);
        EXPECT_EQ(dwEnd, password.size());
        EXPECT_EQ(ControlText(hWnd, IDC_PASSWORD), password);
    }});
}
