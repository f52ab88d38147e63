// The browse routines: path helpers, the folder browser's callback, and the system's
// file-open dialog and folder browser driven through the main dialog's buttons.
// Folders chosen here exist in every prefix (C:\windows): the folder browser may
// ignore a preselection of a folder created moments before.

#include <gtest/gtest.h>

#include <shlobj.h>

#include <vector>

#include "app/BrowseDialogs.h"
#include "app/resource.h"
#include "tests/app/DialogDriver.h"

namespace
{
bool SameText(const std::string& a, const std::string& b)
{
    return lstrcmpiA(a.c_str(), b.c_str()) == 0;
}

void ConfirmNextDialog(HWND hWndOwner)
{
    WhenDialogAppears(hWndOwner, [](HWND hWndDialog) {
        PostMessageA(GetDlgItem(hWndDialog, IDOK), BM_CLICK, 0, 0);
        return true;
    });
}

void CancelNextDialog(HWND hWndOwner)
{
    WhenDialogAppears(hWndOwner, [](HWND hWndDialog) {
        PostMessageA(hWndDialog, WM_COMMAND, IDCANCEL, 0);
        return true;
    });
}

// The messages that the folder browser's callback sends.
std::vector<UINT> g_sent;

LRESULT CALLBACK RecorderProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if (uMsg < WM_USER)
        return DefWindowProcA(hWnd, uMsg, wParam, lParam);
    g_sent.push_back(uMsg);
    return 0;
}
} // namespace

TEST(BrowseCallback, GreysOkForItemsWithoutAPath)
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = RecorderProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "OvxMessageRecorder";
    RegisterClassA(&windowClass);
    HWND hWnd = CreateWindowA("OvxMessageRecorder", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_NE(hWnd, nullptr);

    const std::pair<int, std::vector<UINT>> items[] = {
        {CSIDL_WINDOWS, {}},             // a folder with a path: the browser decides on OK
        {CSIDL_DRIVES, {BFFM_ENABLEOK}}, // the computer itself has none
    };
    for (const auto& [nFolder, expected] : items)
    {
        PIDLIST_ABSOLUTE pItem = nullptr;
        ASSERT_EQ(SHGetSpecialFolderLocation(nullptr, nFolder, &pItem), S_OK);
        g_sent.clear();
        BrowseCallbackProc(hWnd, BFFM_SELCHANGED, reinterpret_cast<LPARAM>(pItem), 0);
        EXPECT_EQ(g_sent, expected) << nFolder;
        CoTaskMemFree(pItem);
    }
    DestroyWindow(hWnd);
}

TEST(FolderBrowser, OpensAtTheInitialFolderAndReturnsItWithOneBackslash)
{
    const std::pair<const char*, const char*> cases[] = {
        {"C:\\windows", "C:\\windows\\"},
        {"C:\\windows\\", "C:\\windows\\"}, // a trailing backslash still preselects
        {"C:\\", "C:\\"},                   // a drive root keeps its backslash
    };
    for (const auto& [initial, expected] : cases)
    {
        std::string out = "unchanged";
        ConfirmNextDialog(nullptr);
        EXPECT_EQ(BrowseForFolder(initial, "", nullptr, out), S_OK) << initial;
        EXPECT_TRUE(SameText(out, expected)) << initial << " gave " << out;
    }
}

TEST(MainDialogBrowse, ChosenFileFillsSourceAndItsFolderAsDestinationAndCancelKeepsBoth)
{
    constexpr int FILTER_LIST = 0x470, NAME_EDIT = 0x480, NAME_COMBO = 0x47C; // cmb1, edt1, cmb13
    CMainDialog dialog;
    RunMainDialog(
        dialog, {[&](HWND hWnd) {
            SetControlText(hWnd, IDC_DESTINATION, "typed before");

            // The dialog opens with an empty name and the first of two filters in force.
            std::string name = "not read";
            int nFilters = 0, nSelected = -1;
            char firstFilter[64] = {};
            WhenDialogAppears(hWnd, [&](HWND hWndOpen) {
                const int nNameBox = GetDlgItem(hWndOpen, NAME_EDIT) != nullptr ? NAME_EDIT : NAME_COMBO;
                name = ControlText(hWndOpen, nNameBox);
                nFilters = static_cast<int>(SendDlgItemMessageA(hWndOpen, FILTER_LIST, CB_GETCOUNT, 0, 0));
                nSelected = static_cast<int>(SendDlgItemMessageA(hWndOpen, FILTER_LIST, CB_GETCURSEL, 0, 0));
                SendDlgItemMessageA(hWndOpen, FILTER_LIST, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(firstFilter));
                SetControlText(hWndOpen, nNameBox, "C:\\windows\\a.ovx"); // need not exist
                PostMessageA(GetDlgItem(hWndOpen, IDOK), BM_CLICK, 0, 0);
                return true;
            });
            Click(hWnd, IDC_BROWSE_SOURCE);
            EXPECT_EQ(name, "");
            EXPECT_EQ(nFilters, 2);
            EXPECT_EQ(nSelected, 0);
            EXPECT_STREQ(firstFilter, "Encrypted files (*.ovx)");
            EXPECT_TRUE(SameText(ControlText(hWnd, IDC_SOURCE), "C:\\windows\\a.ovx")) << ControlText(hWnd, IDC_SOURCE);
            EXPECT_TRUE(SameText(ControlText(hWnd, IDC_DESTINATION), "C:\\windows\\"));
            EXPECT_EQ(dialog.m_strSource, ControlText(hWnd, IDC_SOURCE));

            SetControlText(hWnd, IDC_DESTINATION, "D:\\other\\");
            CancelNextDialog(hWnd);
            Click(hWnd, IDC_BROWSE_SOURCE);
            EXPECT_TRUE(SameText(ControlText(hWnd, IDC_SOURCE), "C:\\windows\\a.ovx"));
            EXPECT_EQ(ControlText(hWnd, IDC_DESTINATION), "D:\\other\\");
        }});
}

TEST(MainDialogBrowse, FolderBrowserFillsOnlyItsOwnEditAndCancelKeepsIt)
{
    CMainDialog dialog;
    RunMainDialog(dialog, {[&](HWND hWnd) {
                      Click(hWnd, IDC_MODE_DIRECTORY);
                      SetControlText(hWnd, IDC_SOURCE, "C:\\windows");
                      SetControlText(hWnd, IDC_DESTINATION, "D:\\kept");
                      ConfirmNextDialog(hWnd);
                      Click(hWnd, IDC_BROWSE_SOURCE);
                      EXPECT_TRUE(SameText(ControlText(hWnd, IDC_SOURCE), "C:\\windows\\"))
                          << ControlText(hWnd, IDC_SOURCE);
                      EXPECT_EQ(ControlText(hWnd, IDC_DESTINATION), "D:\\kept");

                      for (int nButton : {IDC_BROWSE_SOURCE, IDC_BROWSE_DESTINATION})
                      {
                          const std::string source = ControlText(hWnd, IDC_SOURCE);
                          CancelNextDialog(hWnd);
                          Click(hWnd, nButton);
                          EXPECT_EQ(ControlText(hWnd, IDC_SOURCE), source);
                          EXPECT_EQ(ControlText(hWnd, IDC_DESTINATION), "D:\\kept");
                          EXPECT_EQ(dialog.m_strDestination, "D:\\kept");
                      }

                      // The Destination button opens the folder browser in File to File mode too.
                      Click(hWnd, IDC_MODE_FILE);
                      SetControlText(hWnd, IDC_DESTINATION, "C:\\windows\\system32");
                      ConfirmNextDialog(hWnd);
                      Click(hWnd, IDC_BROWSE_DESTINATION);
                      EXPECT_TRUE(SameText(ControlText(hWnd, IDC_DESTINATION), "C:\\windows\\system32\\"))
                          << ControlText(hWnd, IDC_DESTINATION);
                  }});
}
