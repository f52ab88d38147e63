// The main dialog driven in-process: start state, enabling rules, per-mode memory,
// data exchange, closing commands, icons and the visual-style manifest.

#include <gtest/gtest.h>

#include "tests/app/DialogDriver.h"
#include "app/resource.h"

#include <commctrl.h>

namespace
{
void FillFields(HWND hWnd, const std::string& password, const std::string& source, const std::string& destination)
{
    SetControlText(hWnd, IDC_PASSWORD, password);
    SetControlText(hWnd, IDC_SOURCE, source);
    SetControlText(hWnd, IDC_DESTINATION, destination);
}

void PostKey(HWND hWndControl, WPARAM nKey)
{
    PostMessageA(hWndControl, WM_KEYDOWN, nKey, 1);
    PostMessageA(hWndControl, WM_KEYUP, nKey, 0xC0000001);
}

int IconWidth(HICON hIcon)
{
    ICONINFO info = {};
    if (!GetIconInfo(hIcon, &info))
        return 0;
    BITMAP bitmap = {};
    GetObjectA(info.hbmColor, sizeof(bitmap), &bitmap);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    return bitmap.bmWidth;
}
} // namespace

TEST(MainDialog, StartsEmptyInFileModeWithExtractDisabledAndFocusInPassword)
{
    CMainDialog dialog;
    INT_PTR nResult = RunMainDialog(dialog, {[&](HWND hWnd) {
        char caption[64] = {};
        GetWindowTextA(hWnd, caption, sizeof(caption));
        EXPECT_STREQ(caption, "OVXExtractor");
        for (int nId : {IDC_PASSWORD, IDC_SOURCE, IDC_DESTINATION})
            EXPECT_EQ(ControlText(hWnd, nId), "") << nId;
        EXPECT_TRUE(IsChecked(hWnd, IDC_MODE_FILE));
        EXPECT_FALSE(IsChecked(hWnd, IDC_MODE_DIRECTORY));
        EXPECT_FALSE(IsChecked(hWnd, IDC_OVERWRITE));
        EXPECT_FALSE(IsEnabled(hWnd, IDC_OVERWRITE));
        EXPECT_FALSE(IsEnabled(hWnd, IDC_EXTRACT));
        for (int nId : {IDC_BROWSE_SOURCE, IDC_BROWSE_DESTINATION, IDC_CLOSE})
            EXPECT_TRUE(IsEnabled(hWnd, nId)) << nId;
        EXPECT_EQ(GetFocus(), GetDlgItem(hWnd, IDC_PASSWORD));
        EXPECT_TRUE(dialog.m_bSingleFile);
        EXPECT_EQ(dialog.m_nOverwrite, 0);
    }});
    EXPECT_EQ(nResult, DRIVER_END);
}

TEST(MainDialog, ExtractIsEnabledExactlyWhileAllThreeFieldsHoldText)
{
    struct FIELDS
    {
        const char* password;
        const char* source;
        const char* destination;
        bool bExtractEnabled;
    };
    // Applied one after the other, so enabled states are also left again.
    const FIELDS cases[] = {
        {"pw", "C:\\in\\a.ovx", "", false},  {"pw", "C:\\in\\a.ovx", "C:\\out", true},
        {"", "C:\\in\\a.ovx", "C:\\out", false}, {"pw", "C:\\in\\a.ovx", "C:\\out", true},
        {"pw", "", "C:\\out", false},        {" ", " ", " ", true}, // blanks are text
        {"", "", "", false},
    };

    CMainDialog dialog;
    RunMainDialog(dialog, {[&](HWND hWnd) {
                               for (const FIELDS& fields : cases)
                               {
                                   FillFields(hWnd, fields.password, fields.source, fields.destination);
                                   EXPECT_EQ(IsEnabled(hWnd, IDC_EXTRACT), fields.bExtractEnabled)
                                       << "'" << fields.password << "' '" << fields.source << "' '"
                                       << fields.destination << "'";
                               }
                           },
                           [&](HWND hWnd) {
                               // Typing the one character of the last empty field, then deleting it.
                               FillFields(hWnd, "pw", "src", "");
                               HWND hWndDestination = GetDlgItem(hWnd, IDC_DESTINATION);
                               SendMessageA(hWndDestination, WM_CHAR, 'x', 1);
                               EXPECT_EQ(ControlText(hWnd, IDC_DESTINATION), "x");
                               EXPECT_TRUE(IsEnabled(hWnd, IDC_EXTRACT));
                               SendMessageA(hWndDestination, WM_CHAR, VK_BACK, 1);
                               EXPECT_EQ(ControlText(hWnd, IDC_DESTINATION), "");
                               EXPECT_FALSE(IsEnabled(hWnd, IDC_EXTRACT));
                           }});
}

TEST(MainDialog, EachModeKeepsItsOwnSourceAndDestination)
{
    CMainDialog dialog;
    RunMainDialog(dialog, {[&](HWND hWnd) {
        FillFields(hWnd, " secret ", "C:\\in\\a.ovx", "C:\\out\\");

        Click(hWnd, IDC_MODE_DIRECTORY); // the Directory pair starts empty
        EXPECT_FALSE(dialog.m_bSingleFile);
        EXPECT_EQ(ControlText(hWnd, IDC_SOURCE), "");
        EXPECT_EQ(ControlText(hWnd, IDC_DESTINATION), "");
        EXPECT_FALSE(IsEnabled(hWnd, IDC_EXTRACT));
        EXPECT_TRUE(IsEnabled(hWnd, IDC_OVERWRITE));

        SetControlText(hWnd, IDC_SOURCE, "D:\\tree");
        SetControlText(hWnd, IDC_DESTINATION, "D:\\plain");
        Click(hWnd, IDC_OVERWRITE);
        EXPECT_TRUE(IsEnabled(hWnd, IDC_EXTRACT));

        Click(hWnd, IDC_MODE_FILE); // back: the File pair as it was, Overwrite kept but greyed
        EXPECT_TRUE(dialog.m_bSingleFile);
        EXPECT_EQ(ControlText(hWnd, IDC_SOURCE), "C:\\in\\a.ovx");
        EXPECT_EQ(ControlText(hWnd, IDC_DESTINATION), "C:\\out\\");
        EXPECT_FALSE(IsEnabled(hWnd, IDC_OVERWRITE));
        EXPECT_TRUE(IsChecked(hWnd, IDC_OVERWRITE));
        EXPECT_EQ(dialog.m_nOverwrite, 1);

        Click(hWnd, IDC_MODE_DIRECTORY); // the typed Directory pair survived the round trip
        EXPECT_EQ(ControlText(hWnd, IDC_SOURCE), "D:\\tree");
        EXPECT_EQ(ControlText(hWnd, IDC_DESTINATION), "D:\\plain");
        EXPECT_TRUE(IsEnabled(hWnd, IDC_OVERWRITE));
        EXPECT_TRUE(IsChecked(hWnd, IDC_OVERWRITE));

        EXPECT_EQ(ControlText(hWnd, IDC_PASSWORD), " secret ");
        EXPECT_EQ(dialog.m_strOtherSource, "C:\\in\\a.ovx");
        EXPECT_EQ(dialog.m_strOtherDestination, "C:\\out\\");
    }});
}

TEST(MainDialog, CommandFromTheModeAlreadyInForceChangesNothing)
{
    CMainDialog dialog;
    RunMainDialog(dialog, {[&](HWND hWnd) {
        FillFields(hWnd, "pw", "C:\\in\\a.ovx", "C:\\out\\");
        Click(hWnd, IDC_MODE_FILE); // a second click on the selected button
        SendMessageA(hWnd, WM_COMMAND, MAKEWPARAM(IDC_MODE_FILE, BN_DOUBLECLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(hWnd, IDC_MODE_FILE)));
        EXPECT_EQ(ControlText(hWnd, IDC_SOURCE), "C:\\in\\a.ovx");
        EXPECT_EQ(ControlText(hWnd, IDC_DESTINATION), "C:\\out\\");
        EXPECT_TRUE(IsEnabled(hWnd, IDC_EXTRACT));

        Click(hWnd, IDC_MODE_DIRECTORY);
        SetControlText(hWnd, IDC_SOURCE, "D:\\tree");
        Click(hWnd, IDC_MODE_DIRECTORY);
        EXPECT_EQ(ControlText(hWnd, IDC_SOURCE), "D:\\tree");
        EXPECT_TRUE(IsEnabled(hWnd, IDC_OVERWRITE));

        Click(hWnd, IDC_MODE_FILE); // the pairs were never crossed
        EXPECT_EQ(ControlText(hWnd, IDC_SOURCE), "C:\\in\\a.ovx");
        EXPECT_EQ(dialog.m_strOtherSource, "D:\\tree");
    }});
}

TEST(MainDialog, DataExchangeCopiesBetweenControlsAndMembers)
{
    CMainDialog dialog;
    RunMainDialog(dialog, {[&](HWND hWnd) {
        FillFields(hWnd, "p w", "C:\\in\\a.ovx", "C:\\out");
        EXPECT_TRUE(dialog.DoDataExchange(true));
        EXPECT_EQ(dialog.m_strPassword, "p w");
        EXPECT_EQ(dialog.m_strSource, "C:\\in\\a.ovx");
        EXPECT_EQ(dialog.m_strDestination, "C:\\out");
        EXPECT_EQ(dialog.m_nOverwrite, 0);

        dialog.m_strPassword = "other";
        dialog.m_strSource = "";
        dialog.m_strDestination = "E:\\x\\";
        dialog.m_nOverwrite = 7; // out of range: written as clear, and the member follows
        EXPECT_TRUE(dialog.DoDataExchange(false));
        EXPECT_EQ(ControlText(hWnd, IDC_PASSWORD), "other");
        EXPECT_EQ(ControlText(hWnd, IDC_SOURCE), "");
        EXPECT_EQ(ControlText(hWnd, IDC_DESTINATION), "E:\\x\\");
        EXPECT_FALSE(IsChecked(hWnd, IDC_OVERWRITE));
        EXPECT_EQ(dialog.m_nOverwrite, 0);
        EXPECT_FALSE(IsEnabled(hWnd, IDC_EXTRACT)); // the written texts re-evaluated Extract

        // A step that fails stops the exchange: without a Source edit the Destination
        // is not written.
        DestroyWindow(GetDlgItem(hWnd, IDC_SOURCE));
        dialog.m_strPassword = "third";
        dialog.m_strDestination = "F:\\";
        EXPECT_FALSE(dialog.DoDataExchange(false));
        EXPECT_EQ(ControlText(hWnd, IDC_PASSWORD), "third");
        EXPECT_EQ(ControlText(hWnd, IDC_DESTINATION), "E:\\x\\");
    }});
}

TEST(MainDialog, EnterDoesNothing)
{
    CMainDialog dialog;
    INT_PTR nResult = RunMainDialog(dialog, {[&](HWND hWnd) {
                                                 FillFields(hWnd, "pw", "C:\\in\\a.ovx", "C:\\out\\");
                                                 SetFocus(GetDlgItem(hWnd, IDC_SOURCE));
                                                 PostKey(GetDlgItem(hWnd, IDC_SOURCE), VK_RETURN);
                                             },
                                             [&](HWND hWnd) {
                                                 EXPECT_TRUE(IsWindowVisible(hWnd));
                                                 EXPECT_EQ(ControlText(hWnd, IDC_SOURCE), "C:\\in\\a.ovx");
                                             }});
    EXPECT_EQ(nResult, DRIVER_END);
}

TEST(MainDialog, EscapeCloseBoxAndCloseEndTheDialogWithOne)
{
    const std::pair<const char*, DialogStep> commands[] = {
        {"Escape", [](HWND hWnd) { PostKey(GetDlgItem(hWnd, IDC_PASSWORD), VK_ESCAPE); }},
        {"close box", [](HWND hWnd) { PostMessageA(hWnd, WM_SYSCOMMAND, SC_CLOSE, 0); }},
        {"Close", [](HWND hWnd) { Click(hWnd, IDC_CLOSE); }},
    };
    for (const auto& [name, command] : commands)
    {
        CMainDialog dialog;
        // A command that did not close the dialog leaves it to the driver, which ends it with DRIVER_END.
        INT_PTR nResult = RunMainDialog(dialog, {[](HWND hWnd) { FillFields(hWnd, "pw", "a", "b"); }, command});
        EXPECT_EQ(nResult, 1) << name;
    }
}

TEST(MainDialog, ShowsTheApplicationIconAtBothSizes)
{
    CMainDialog dialog;
    RunMainDialog(dialog, {[&](HWND hWnd) {
        HICON hBig = reinterpret_cast<HICON>(SendMessageA(hWnd, WM_GETICON, ICON_BIG, 0));
        HICON hSmall = reinterpret_cast<HICON>(SendMessageA(hWnd, WM_GETICON, ICON_SMALL, 0));
        ASSERT_NE(hBig, nullptr);
        ASSERT_NE(hSmall, nullptr);
        EXPECT_EQ(IconWidth(hBig), GetSystemMetrics(SM_CXICON));
        EXPECT_EQ(IconWidth(hSmall), GetSystemMetrics(SM_CXSMICON));
    }});
}

TEST(MainDialog, ManifestBringsCommonControlsSix)
{
    ACTCTX_SECTION_KEYED_DATA data = {};
    data.cbSize = sizeof(data);
    EXPECT_TRUE(
        FindActCtxSectionStringA(0, nullptr, ACTIVATION_CONTEXT_SECTION_DLL_REDIRECTION, "comctl32.dll", &data));

    CMainDialog dialog;
    RunMainDialog(dialog, {[&](HWND hWnd) {
        SIZE ideal = {};
        EXPECT_TRUE(SendDlgItemMessageA(hWnd, IDC_CLOSE, BCM_GETIDEALSIZE, 0, reinterpret_cast<LPARAM>(&ideal)));
    }});
}
