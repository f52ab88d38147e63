// The main dialog driven in-process: start state, enabling rules, per-mode memory,
// data exchange, keys and closing commands, icons and the visual-style manifest.

#include <gtest/gtest.h>

#include "app/resource.h"
#include "tests/app/DialogDriver.h"

#include <commctrl.h>

namespace
{
void FillFields(HWND hWnd, const std::string& password, const std::string& source, const std::string& destination)
{
    SetControlText(hWnd, IDC_PASSWORD, password);
    SetControlText(hWnd, IDC_SOURCE, source);
    SetControlText(hWnd, IDC_DESTINATION, destination);
}

int IconWidth(HWND hWnd, WPARAM nWhich)
{
    ICONINFO info = {};
    if (!GetIconInfo(reinterpret_cast<HICON>(SendMessageA(hWnd, WM_GETICON, nWhich, 0)), &info))
        return 0;
    BITMAP bitmap = {};
    GetObjectA(info.hbmColor, sizeof(bitmap), &bitmap);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    return bitmap.bmWidth;
}
} // namespace

TEST(MainDialog, StartsEmptyInFileModeWithExtractDisabledFocusInPasswordAndBothIcons)
{
    CMainDialog dialog;
    RunMainDialog(dialog, {[&](HWND hWnd) {
        char caption[64] = {};
        GetWindowTextA(hWnd, caption, sizeof(caption));
        EXPECT_STREQ(caption, "OVXExtractor");
        for (int nId : {IDC_PASSWORD, IDC_SOURCE, IDC_DESTINATION})
            EXPECT_EQ(ControlText(hWnd, nId), "") << nId;
        EXPECT_TRUE(IsChecked(hWnd, IDC_MODE_FILE));
        EXPECT_FALSE(IsChecked(hWnd, IDC_MODE_DIRECTORY));
        EXPECT_FALSE(IsChecked(hWnd, IDC_OVERWRITE));
        for (int nId : {IDC_OVERWRITE, IDC_EXTRACT})
            EXPECT_FALSE(IsEnabled(hWnd, nId)) << nId;
        for (int nId : {IDC_BROWSE_SOURCE, IDC_BROWSE_DESTINATION, IDC_CLOSE})
            EXPECT_TRUE(IsEnabled(hWnd, nId)) << nId;
        EXPECT_EQ(GetFocus(), GetDlgItem(hWnd, IDC_PASSWORD));
        EXPECT_EQ(IconWidth(hWnd, ICON_BIG), GetSystemMetrics(SM_CXICON));
        EXPECT_EQ(IconWidth(hWnd, ICON_SMALL), GetSystemMetrics(SM_CXSMICON));
    }});
}

TEST(MainDialog, ExtractIsEnabledExactlyWhileAllThreeFieldsHoldText)
{
    // Applied one after the other, so enabled states are also left again.
    const std::tuple<const char*, const char*, const char*, bool> cases[] = {
        {"pw", "C:\\in\\a.ovx", "", false},      {"pw", "C:\\in\\a.ovx", "C:\\out", true},
        {"", "C:\\in\\a.ovx", "C:\\out", false}, {"pw", "C:\\in\\a.ovx", "C:\\out", true},
        {"pw", "", "C:\\out", false},            {" ", " ", " ", true}, // blanks are text
        {"", "", "", false},
    };
    CMainDialog dialog;
    RunMainDialog(dialog, {[&](HWND hWnd) {
        for (const auto& [password, source, destination, bEnabled] : cases)
        {
            FillFields(hWnd, password, source, destination);
            EXPECT_EQ(IsEnabled(hWnd, IDC_EXTRACT), bEnabled) << password << "|" << source << "|" << destination;
        }
        // Typed, not set: the last empty field gets a character, then loses it again.
        FillFields(hWnd, "pw", "src", "");
        SendDlgItemMessageA(hWnd, IDC_DESTINATION, WM_CHAR, 'x', 1);
        EXPECT_TRUE(IsEnabled(hWnd, IDC_EXTRACT));
        SendDlgItemMessageA(hWnd, IDC_DESTINATION, WM_CHAR, VK_BACK, 1);
        EXPECT_FALSE(IsEnabled(hWnd, IDC_EXTRACT));
    }});
}

TEST(MainDialog, EachModeKeepsItsOwnPairAndAModeCommandRepeatedChangesNothing)
{
    CMainDialog dialog;
    RunMainDialog(dialog, {[&](HWND hWnd) {
        FillFields(hWnd, " secret ", "C:\\in\\a.ovx", "C:\\out\\");
        // A second click, or a double click, on the selected button must not swap the pairs.
        Click(hWnd, IDC_MODE_FILE);
        SendMessageA(hWnd, WM_COMMAND, MAKEWPARAM(IDC_MODE_FILE, BN_DOUBLECLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(hWnd, IDC_MODE_FILE)));
        EXPECT_EQ(ControlText(hWnd, IDC_SOURCE), "C:\\in\\a.ovx");
        EXPECT_EQ(ControlText(hWnd, IDC_DESTINATION), "C:\\out\\");

        Click(hWnd, IDC_MODE_DIRECTORY); // the Directory pair starts empty
        EXPECT_FALSE(dialog.m_bSingleFile);
        EXPECT_FALSE(IsChecked(hWnd, IDC_MODE_FILE)) << "the two radio buttons are not one group";
        EXPECT_EQ(ControlText(hWnd, IDC_SOURCE), "");
        EXPECT_EQ(ControlText(hWnd, IDC_DESTINATION), "");
        EXPECT_FALSE(IsEnabled(hWnd, IDC_EXTRACT));
        EXPECT_TRUE(IsEnabled(hWnd, IDC_OVERWRITE));
        FillFields(hWnd, " secret ", "D:\\tree", "D:\\plain");
        Click(hWnd, IDC_OVERWRITE);
        Click(hWnd, IDC_MODE_DIRECTORY);
        EXPECT_EQ(ControlText(hWnd, IDC_SOURCE), "D:\\tree");
        EXPECT_TRUE(IsEnabled(hWnd, IDC_EXTRACT));

        Click(hWnd, IDC_MODE_FILE); // the File pair as it was; Overwrite kept but greyed
        EXPECT_TRUE(dialog.m_bSingleFile);
        EXPECT_EQ(ControlText(hWnd, IDC_SOURCE), "C:\\in\\a.ovx");
        EXPECT_EQ(ControlText(hWnd, IDC_DESTINATION), "C:\\out\\");
        EXPECT_FALSE(IsEnabled(hWnd, IDC_OVERWRITE));
        EXPECT_TRUE(IsChecked(hWnd, IDC_OVERWRITE));

        Click(hWnd, IDC_MODE_DIRECTORY);
        EXPECT_EQ(ControlText(hWnd, IDC_SOURCE), "D:\\tree");
        EXPECT_EQ(ControlText(hWnd, IDC_DESTINATION), "D:\\plain");
        EXPECT_TRUE(IsEnabled(hWnd, IDC_OVERWRITE));
        EXPECT_EQ(ControlText(hWnd, IDC_PASSWORD), " secret ");
    }});
}

TEST(MainDialog, DataExchangeCopiesBetweenControlsAndMembersAndStopsAtAFailedStep)
{
    CMainDialog dialog;
    RunMainDialog(dialog, {[&](HWND hWnd) {
        FillFields(hWnd, "p w", "C:\\in\\a.ovx", "C:\\out");
        Click(hWnd, IDC_MODE_DIRECTORY);
        Click(hWnd, IDC_OVERWRITE);
        Click(hWnd, IDC_MODE_FILE);
        EXPECT_TRUE(dialog.DoDataExchange(true));
        EXPECT_EQ(dialog.m_strPassword, "p w");
        EXPECT_EQ(dialog.m_strSource, "C:\\in\\a.ovx");
        EXPECT_EQ(dialog.m_strDestination, "C:\\out");
        EXPECT_EQ(dialog.m_nOverwrite, 1);

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

        // Without a Source edit the exchange stops there: the Destination is not written.
        DestroyWindow(GetDlgItem(hWnd, IDC_SOURCE));
        dialog.m_strPassword = "third";
        dialog.m_strDestination = "F:\\";
        EXPECT_FALSE(dialog.DoDataExchange(false));
        EXPECT_EQ(ControlText(hWnd, IDC_PASSWORD), "third");
        EXPECT_EQ(ControlText(hWnd, IDC_DESTINATION), "E:\\x\\");
    }});
}

TEST(MainDialog, EnterDoesNothingWhileEscapeCloseBoxAndCloseEndTheDialogWithOne)
{
    const auto postKey = [](HWND hWndControl, WPARAM nKey) {
        PostMessageA(hWndControl, WM_KEYDOWN, nKey, 1);
        PostMessageA(hWndControl, WM_KEYUP, nKey, 0xC0000001);
    };
    const std::tuple<const char*, DialogStep, INT_PTR> commands[] = {
        {"Enter", [&](HWND hWnd) { postKey(GetDlgItem(hWnd, IDC_SOURCE), VK_RETURN); }, DRIVER_END},
        {"Escape", [&](HWND hWnd) { postKey(GetDlgItem(hWnd, IDC_PASSWORD), VK_ESCAPE); }, 1},
        {"close box", [](HWND hWnd) { PostMessageA(hWnd, WM_SYSCOMMAND, SC_CLOSE, 0); }, 1},
        {"Close", [](HWND hWnd) { Click(hWnd, IDC_CLOSE); }, 1},
    };
    for (const auto& [name, command, nExpected] : commands)
    {
        CMainDialog dialog;
        const DialogStep fill = [](HWND hWnd) {
            FillFields(hWnd, "pw", "C:\\in\\a.ovx", "C:\\out\\");
            SetFocus(GetDlgItem(hWnd, IDC_SOURCE));
        };
        // A command that did not close the dialog leaves it to the driver: DRIVER_END.
        EXPECT_EQ(RunMainDialog(dialog, {fill, command}), nExpected) << name;
        EXPECT_EQ(dialog.m_strSource, "") << name << ": no exchange, no job";
    }
}

TEST(MainDialog, ManifestBringsCommonControlsSix)
{
    // Both identities name this build's processor: Windows ignores a mismatched manifest.
#if defined(_WIN64)
    const std::string strArch = "processorArchitecture=\"amd64\"";
#else
    const std::string strArch = "processorArchitecture=\"x86\"";
#endif
    const HRSRC hManifest = FindResourceA(nullptr, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
    ASSERT_NE(hManifest, nullptr);
    const std::string strManifest(static_cast<const char*>(LockResource(LoadResource(nullptr, hManifest))),
                                  SizeofResource(nullptr, hManifest));
    const auto count = [&](const std::string& what) {
        int n = 0;
        for (size_t at = strManifest.find(what); at != std::string::npos; at = strManifest.find(what, at + 1))
            ++n;
        return n;
    };
    EXPECT_EQ(count("processorArchitecture="), 2) << strManifest;
    EXPECT_EQ(count(strArch), 2) << strManifest;

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
