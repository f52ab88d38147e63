// Files and folders dropped on the main dialog, delivered as the shell delivers them:
// a WM_DROPFILES whose handle holds a DROPFILES block and a list of wide paths.

#include <gtest/gtest.h>

#include <shlobj.h>

#include <cstring>

#include "app/resource.h"
#include "tests/app/DialogDriver.h"
#include "tests/support/TempFolder.h"

namespace
{
HDROP MakeDrop(const std::vector<std::string>& paths)
{
    std::wstring list;
    for (const std::string& path : paths)
    {
        wchar_t wide[MAX_PATH] = {};
        MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH);
        list += wide;
        list += L'\0';
    }
    list += L'\0';
    HGLOBAL hDrop = GlobalAlloc(GHND, sizeof(DROPFILES) + list.size() * sizeof(wchar_t));
    auto* pDrop = static_cast<DROPFILES*>(GlobalLock(hDrop));
    pDrop->pFiles = sizeof(DROPFILES);
    pDrop->fWide = TRUE;
    std::memcpy(pDrop + 1, list.data(), list.size() * sizeof(wchar_t));
    GlobalUnlock(hDrop);
    return static_cast<HDROP>(hDrop);
}
} // namespace

TEST(MainDialog, DroppedFileOrFolderBecomesTheSourceOfItsMode)
{
    TempFolder folder;
    const std::string file = folder.PathOf("a.txt.ovx");
    const std::string tree = folder.PathOf("tree");
    WriteFileText(file, "x");
    MakeFolders(tree);

    struct DROP_CASE
    {
        const char* name;
        std::vector<std::string> items;
        bool bSingleFile;        // mode afterwards
        std::string source;      // fields afterwards
        std::string destination;
    };
    const DROP_CASE cases[] = {
        {"a file", {file}, true, file, folder.Folder()},
        {"a folder", {tree}, false, tree + "\\", "D:\\kept\\"},
        {"several: the first", {tree, file}, false, tree + "\\", "D:\\kept\\"},
        {"a missing path: nothing", {folder.PathOf("gone")}, true, "C:\\typed.ovx", "C:\\out\\"},
    };
    for (const DROP_CASE& c : cases)
    {
        CMainDialog dialog;
        RunMainDialog(dialog, {[&](HWND hWnd) {
            EXPECT_TRUE(GetWindowLongPtrA(hWnd, GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
            // A pair typed in each mode; the drop must keep the other mode's pair.
            Click(hWnd, IDC_MODE_DIRECTORY);
            SetControlText(hWnd, IDC_DESTINATION, "D:\\kept\\");
            Click(hWnd, IDC_MODE_FILE);
            SetControlText(hWnd, IDC_SOURCE, "C:\\typed.ovx");
            SetControlText(hWnd, IDC_DESTINATION, "C:\\out\\");

            SendMessageA(hWnd, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop(c.items)), 0);
            EXPECT_EQ(dialog.m_bSingleFile, c.bSingleFile) << c.name;
            EXPECT_EQ(IsChecked(hWnd, IDC_MODE_FILE), c.bSingleFile) << c.name;
            EXPECT_EQ(IsChecked(hWnd, IDC_MODE_DIRECTORY), !c.bSingleFile) << c.name;
            EXPECT_EQ(ControlText(hWnd, IDC_SOURCE), c.source) << c.name;
            EXPECT_EQ(ControlText(hWnd, IDC_DESTINATION), c.destination) << c.name;

            Click(hWnd, c.bSingleFile ? IDC_MODE_DIRECTORY : IDC_MODE_FILE);
            EXPECT_EQ(ControlText(hWnd, IDC_DESTINATION), c.bSingleFile ? "D:\\kept\\" : "C:\\out\\") << c.name;
        }});
    }
}
