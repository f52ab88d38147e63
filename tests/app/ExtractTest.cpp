// Extract from the main dialog: a job keyed with the password's bytes, and a password
// the cipher cannot take, which must start nothing.

#include <gtest/gtest.h>

#include "app/resource.h"
#include "tests/app/DialogDriver.h"
#include "tests/support/OvxEncoder.h"
#include "tests/support/TempFolder.h"

TEST(Extract, DecodesWithThePasswordBytesAsKey)
{
    // Blanks and case are part of the key; 56 bytes is the longest key, used whole.
    for (const std::string& password : {std::string("secret"), std::string(" Pass Word "), std::string(56, 'k')})
    {
        TempFolder folder;
        const std::vector<BYTE> plain = MakePlaintext(1000);
        const std::string source = folder.PathOf("a.ovx");
        WriteFileBytes(source, EncodeRecordFormat(plain, password));

        CMainDialog dialog;
        std::string title;
        RunMainDialog(dialog, {[&](HWND hWnd) {
            SetControlText(hWnd, IDC_PASSWORD, password);
            SetControlText(hWnd, IDC_SOURCE, source);
            SetControlText(hWnd, IDC_DESTINATION, folder.PathOf("out"));
            WhenDialogAppears(hWnd, [&title](HWND hWndProgress) {
                char text[256] = {};
                GetWindowTextA(hWndProgress, text, sizeof(text));
                title = text;
                if (title.rfind("Finished", 0) != 0)
                    return false;
                PostMessageA(hWndProgress, WM_COMMAND, IDC_CLOSE, 0);
                return true;
            });
            Click(hWnd, IDC_EXTRACT); // returns when the progress window has closed
            EXPECT_EQ(ControlText(hWnd, IDC_SOURCE), source);
            EXPECT_TRUE(IsWindowEnabled(hWnd));
            // The job's copy of the password is wiped; the edit keeps it.
            EXPECT_TRUE(dialog.m_strPassword.empty());
            EXPECT_EQ(ControlText(hWnd, IDC_PASSWORD), password);
        }});
        EXPECT_EQ(title, "Finished - 1 file(s) extracted") << "password '" << password << "'";
        EXPECT_EQ(ReadFileBytes(folder.PathOf("out\\a")), plain) << "password '" << password << "'";
    }
}

TEST(Extract, PasswordLongerThanTheCipherTakesStartsNothingAndSelectsThePassword)
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
        CancelDialogWatch();
        EXPECT_FALSE(bOpened) << "a job started with an unkeyed cipher";
        EXPECT_TRUE(dialog.m_strPassword.empty());

        EXPECT_EQ(GetFocus(), GetDlgItem(hWnd, IDC_PASSWORD));
        DWORD dwStart = 1, dwEnd = 0;
        SendDlgItemMessageA(hWnd, IDC_PASSWORD, EM_GETSEL, reinterpret_cast<WPARAM>(&dwStart),
                            reinterpret_cast<LPARAM>(&dwEnd));
        EXPECT_EQ(dwStart, 0u);
        EXPECT_EQ(dwEnd, password.size());
    }});
}
