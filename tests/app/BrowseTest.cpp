// The browse routines: path helpers, the folder browser's callback, and the system's
// file-open dialog and folder browser driven through the main dialog's buttons.
// Folders chosen here exist in every prefix (C:\windows), because the folder browser
// may ignore a preselection of a folder created moments before.

#include <gtest/gtest.h>

#include <shlobj.h>

#include <vector>

#include "app/BrowseDialogs.h"
#include "app/resource.h"
#include "tests/app/DialogDriver.h"

namespace
{
// The file-open dialog's filter list, and its name box: an edit (edt1) in the
// template used with a hook, a combo box (cmb13) in the newer one.
constexpr int FILTER_LIST = 0x470; // cmb1
constexpr int NAME_EDIT = 0x480;   // edt1
constexpr int NAME_COMBO = 0x47C;  // cmb13

int NameBox(HWND hWndOpen)
{
    return GetDlgItem(hWndOpen, NAME_EDIT) != nullptr ? NAME_EDIT : NAME_COMBO;
}

bool SameText(const std::string& a, const std::string& b)
{
    return lstrcmpiA(a.c_str(), b.c_str()) == 0;
}

// Confirms the folder browser with its preselection, remembering which it was.
void ConfirmFolderBrowser(HWND hWndOwner)
{
    WhenDialogAppears(hWndOwner, [](HWND hWndBrowser) {
        PostMessageA(GetDlgItem(hWndBrowser, IDOK), BM_CLICK, 0, 0);
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

// A message-only window that records the messages the callback sends it.
struct SENT
{
    UINT uMsg;
    WPARAM wParam;
    LPARAM lParam;
};
std::vector<SENT> g_sent;

LRESULT CALLBACK RecorderProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if (uMsg >= WM_USER)
    {
        g_sent.push_back({uMsg, wParam, lParam});
        return 0;
    }
    return DefWindowProcA(hWnd, uMsg, wParam, lParam);
}

HWND CreateRecorder()
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = RecorderProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "OvxMessageRecorder";
    RegisterClassA(&windowClass);
    g_sent.clear();
    return CreateWindowA("OvxMessageRecorder", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, GetModuleHandleA(nullptr),
                         nullptr);
}
} // namespace

TEST(BrowseHelpers, FolderPartKeepsEverythingUpToTheLastSeparator)
{
    const std::pair<const char*, const char*> cases[] = {
        {"C:\\in\\a.ovx", "C:\\in\\"}, {"C:/in/a.ovx", "C:/in/"},       {"C:\\in/sub\\a", "C:\\in/sub\\"},
        {"C:/in\\sub/a", "C:/in\\sub/"}, {"C:\\in\\", "C:\\in\\"},       {"a.ovx", ""},
        {"", ""},                      {"\\\\host\\share\\f", "\\\\host\\share\\"},
    };
    for (const auto& [path, folder] : cases)
        EXPECT_EQ(GetFolderPart(path), folder) << path;
}

TEST(BrowseHelpers, FolderPathsEndInExactlyOneBackslash)
{
    const std::pair<const char*, const char*> cases[] = {
        {"C:\\data", "C:\\data\\"}, {"C:\\data\\", "C:\\data\\"}, {"C:\\data\\\\\\", "C:\\data\\"},
        {"C:\\", "C:\\"},           {"C:\\a b\\c", "C:\\a b\\c\\"}, {"", "\\"},
    };
    for (const auto& [path, expected] : cases)
        EXPECT_EQ(WithOneTrailingBackslash(path), expected) << path;
}

TEST(BrowseHelpers, FilterStringBecomesTwoPairsClosedByDoubleNul)
{
    char text[256] = {};
    const int nLength = LoadStringA(GetModuleHandleA(nullptr), IDS_OPEN_FILTER, text, sizeof(text));
    std::string filter(text, nLength);
    ASSERT_EQ(filter, "Encrypted files (*.ovx)|*.ovx|All files (*.*)|*.*|");

    MakeFilterList(filter);
    ASSERT_EQ(filter.size(), static_cast<size_t>(nLength));
    std::vector<std::string> parts;
    for (const char* p = filter.c_str(); *p != '\0'; p += strlen(p) + 1)
        parts.push_back(p);
    EXPECT_EQ(parts, (std::vector<std::string>{"Encrypted files (*.ovx)", "*.ovx", "All files (*.*)", "*.*"}));
}

TEST(BrowseCallback, SelectsTheInitialPathAndGreysOkForVirtualItems)
{
    HWND hWndRecorder = CreateRecorder();
    ASSERT_NE(hWndRecorder, nullptr);
    const char* initial = "C:\\windows";

    EXPECT_EQ(BrowseCallbackProc(hWndRecorder, BFFM_INITIALIZED, 0, reinterpret_cast<LPARAM>(initial)), 0);
    ASSERT_EQ(g_sent.size(), 1u);
    EXPECT_EQ(g_sent[0].uMsg, static_cast<UINT>(BFFM_SETSELECTIONA));
    EXPECT_EQ(g_sent[0].wParam, static_cast<WPARAM>(TRUE));
    EXPECT_EQ(g_sent[0].lParam, reinterpret_cast<LPARAM>(initial));

    // A folder with a path: the browser decides on OK itself.
    PIDLIST_ABSOLUTE pFolder = nullptr;
    ASSERT_EQ(SHGetSpecialFolderLocation(nullptr, CSIDL_WINDOWS, &pFolder), S_OK);
    g_sent.clear();
    EXPECT_EQ(BrowseCallbackProc(hWndRecorder, BFFM_SELCHANGED, reinterpret_cast<LPARAM>(pFolder), 0), 0);
    EXPECT_TRUE(g_sent.empty());
    CoTaskMemFree(pFolder);

    // The computer itself has no path: OK goes grey.
    PIDLIST_ABSOLUTE pComputer = nullptr;
    ASSERT_EQ(SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &pComputer), S_OK);
    EXPECT_EQ(BrowseCallbackProc(hWndRecorder, BFFM_SELCHANGED, reinterpret_cast<LPARAM>(pComputer), 0), 0);
    ASSERT_EQ(g_sent.size(), 1u);
    EXPECT_EQ(g_sent[0].uMsg, static_cast<UINT>(BFFM_ENABLEOK));
    EXPECT_EQ(g_sent[0].lParam, 0);
    CoTaskMemFree(pComputer);

    DestroyWindow(hWndRecorder);
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
        ConfirmFolderBrowser(nullptr);
        EXPECT_EQ(BrowseForFolder(initial, "", nullptr, out), S_OK) << initial;
        EXPECT_TRUE(SameText(out, expected)) << initial << " gave " << out;
    }
}

TEST(MainDialogBrowse, ChosenFileFillsSourceAndItsFolderAsDestination)
{
    CMainDialog dialog;
    RunMainDialog(dialog, {[&](HWND hWnd) {
        SetControlText(hWnd, IDC_DESTINATION, "typed before");

        // The dialog opens with the first filter in force and an empty name.
        std::string name = "not read";
        int nFilters = 0, nSelected = -1;
        char firstFilter[64] = {};
        WhenDialogAppears(hWnd, [&](HWND hWndOpen) {
            name = ControlText(hWndOpen, NameBox(hWndOpen));
            nFilters = static_cast<int>(SendDlgItemMessageA(hWndOpen, FILTER_LIST, CB_GETCOUNT, 0, 0));
            nSelected = static_cast<int>(SendDlgItemMessageA(hWndOpen, FILTER_LIST, CB_GETCURSEL, 0, 0));
            SendDlgItemMessageA(hWndOpen, FILTER_LIST, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(firstFilter));
            // Need not exist: the dialog only has to accept the name.
            SetControlText(hWndOpen, NameBox(hWndOpen), "C:\\windows\\a.ovx");
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

        // Cancelled: both stay as they are.
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

        ConfirmFolderBrowser(hWnd);
        Click(hWnd, IDC_BROWSE_SOURCE);
        EXPECT_TRUE(SameText(ControlText(hWnd, IDC_SOURCE), "C:\\windows\\")) << ControlText(hWnd, IDC_SOURCE);
        EXPECT_EQ(ControlText(hWnd, IDC_DESTINATION), "D:\\kept");

        for (int nButton : {IDC_BROWSE_SOURCE, IDC_BROWSE_DESTINATION})
        {
            const std::string source = ControlText(hWnd, IDC_SOURCE);
            CancelNextDialog(hWnd);
            Click(hWnd, nButton);
            EXPECT_EQ(ControlText(hWnd, IDC_SOURCE), source);
            EXPECT_EQ(ControlText(hWnd, IDC_DESTINATION), "D:\\kept");
            EXPECT_EQ(dialog.m_strSource, source);
            EXPECT_EQ(dialog.m_strDestination, "D:\\kept");
        }
        EXPECT_TRUE(IsEnabled(hWnd, IDC_EXTRACT) == false); // no password yet: unchanged by browsing

        // The Destination button opens the folder browser in File to File mode too.
        Click(hWnd, IDC_MODE_FILE);
        SetControlText(hWnd, IDC_DESTINATION, "C:\\windows\\system32");
        ConfirmFolderBrowser(hWnd);
        Click(hWnd, IDC_BROWSE_DESTINATION);
        EXPECT_TRUE(SameText(ControlText(hWnd, IDC_DESTINATION), "C:\\windows\\system32\\"))
            << ControlText(hWnd, IDC_DESTINATION);
    }});
}
