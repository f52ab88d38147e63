#include "app/BrowseDialogs.h"

#include <cstddef>

#include <commdlg.h>
#include <shlobj.h>

#include "engine/FolderPath.h"

namespace
{
// Handles nothing: every message gets the dialog's default processing. With a hook
// the system shows its classic Explorer-style layout.
UINT_PTR CALLBACK OpenFileHookProc(HWND, UINT, WPARAM, LPARAM)
{
    return 0;
}

constexpr DWORD OPEN_FILE_FLAGS = OFN_HIDEREADONLY | OFN_ENABLEHOOK | OFN_EXPLORER | OFN_ENABLESIZING;
static_assert(OPEN_FILE_FLAGS == 0x00880024);
// The block without its trailing reserved fields and FlagsEx: what every version accepts.
constexpr DWORD OPEN_FILE_STRUCT_SIZE = offsetof(OPENFILENAMEA, lpTemplateName) + sizeof(LPCSTR);
#if defined(_WIN64)
static_assert(OPEN_FILE_STRUCT_SIZE == 136);
#else
static_assert(OPEN_FILE_STRUCT_SIZE == 76);
#endif

// Frees an item the shell allocated, with the shell's allocator.
void FreeShellItem(PIDLIST_ABSOLUTE pItem)
{
    IMalloc* pMalloc = nullptr;
    if (SUCCEEDED(SHGetMalloc(&pMalloc)))
    {
        pMalloc->Free(pItem);
        pMalloc->Release();
    }
}
} // namespace

HRESULT BrowseForFolder(const std::string& initial, const std::string& title, HWND hWndOwner, std::string& out)
{
    try
    {
        // A copy: `out` may be `initial`, and the callback reads it while the browser is open.
        const std::string strInitial = initial;

        BROWSEINFOA info = {};
        info.hwndOwner = hWndOwner;
        info.lpszTitle = title.c_str();
        info.ulFlags = BIF_RETURNONLYFSDIRS;
        info.lpfn = BrowseCallbackProc;
        info.lParam = reinterpret_cast<LPARAM>(strInitial.c_str());

        PIDLIST_ABSOLUTE pItem = SHBrowseForFolderA(&info);
        if (pItem == nullptr)
            return S_FALSE;

        char path[MAX_PATH] = {};
        const BOOL bHasPath = SHGetPathFromIDListA(pItem, path);
        FreeShellItem(pItem);
        if (!bHasPath)
            return E_FAIL;

        out = NormalizeFolderPath(path);
        return S_OK;
    }
    catch (...)
    {
        return E_FAIL;
    }
}

int CALLBACK BrowseCallbackProc(HWND hWnd, UINT uMsg, LPARAM lParam, LPARAM lpData)
{
    if (uMsg == BFFM_INITIALIZED)
    {
        SendMessageA(hWnd, BFFM_SETSELECTIONA, TRUE, lpData);
    }
    else if (uMsg == BFFM_SELCHANGED)
    {
        char path[MAX_PATH];
        if (!SHGetPathFromIDListA(reinterpret_cast<PCIDLIST_ABSOLUTE>(lParam), path))
            SendMessageA(hWnd, BFFM_ENABLEOK, 0, 0);
    }
    return 0;
}

bool BrowseForSourceFile(HWND hWndOwner, HINSTANCE hInstance, UINT nFilterId, std::string& path)
{
    char filterText[256] = {};
    const int nFilterLength = LoadStringA(hInstance, nFilterId, filterText, sizeof(filterText));
    std::string filter(filterText, nFilterLength > 0 ? nFilterLength : 0);
    MakeFilterList(filter);

    char file[MAX_PATH] = {};
    char fileTitle[256] = {};

    OPENFILENAMEA ofn = {};
    ofn.lStructSize = OPEN_FILE_STRUCT_SIZE;
    ofn.hwndOwner = hWndOwner;
    ofn.hInstance = hInstance;
    ofn.lpstrFilter = filter.empty() ? nullptr : filter.c_str(); // the final NUL closes the list
    ofn.nFilterIndex = 0;
    ofn.lpstrFile = file;
    ofn.nMaxFile = sizeof(file);
    ofn.lpstrFileTitle = fileTitle;
    ofn.nMaxFileTitle = sizeof(fileTitle);
    ofn.Flags = OPEN_FILE_FLAGS;
    ofn.lpfnHook = OpenFileHookProc;

    if (!GetOpenFileNameA(&ofn))
        return false;
    path = file;
    return true;
}

void MakeFilterList(std::string& filter)
{
    // The next character is found before the replacement: CharNextA does not step over a NUL.
    char* p = filter.data();
    while (*p != '\0')
    {
        char* next = CharNextA(p);
        if (*p == '|')
            *p = '\0';
        p = next;
    }
}
