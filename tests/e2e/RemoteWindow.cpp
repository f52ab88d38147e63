#include "tests/e2e/RemoteWindow.h"

#include <vector>

namespace
{
// Long enough for every title and for the logs of these tests; a longer text is cut.
constexpr size_t TEXT_BUFFER = 256 * 1024;
// A window that does not answer a message within this time counts as hung.
constexpr UINT MESSAGE_TIMEOUT_MS = 5000;

struct WINDOW_SEARCH
{
    DWORD dwProcessId;
    HWND hWndOwner;
    const std::function<bool(HWND)>* pMatch;
    HWND hWndFound;
};

BOOL CALLBACK MatchWindow(HWND hWnd, LPARAM lParam)
{
    WINDOW_SEARCH& search = *reinterpret_cast<WINDOW_SEARCH*>(lParam);
    if (!IsWindowVisible(hWnd))
        return TRUE;
    if (search.hWndOwner != nullptr)
    {
        if (GetWindow(hWnd, GW_OWNER) != search.hWndOwner)
            return TRUE;
    }
    else
    {
        DWORD dwProcessId = 0;
        GetWindowThreadProcessId(hWnd, &dwProcessId);
        if (dwProcessId != search.dwProcessId || !(*search.pMatch)(hWnd))
            return TRUE;
    }
    search.hWndFound = hWnd;
    return FALSE;
}

bool SendWithTimeout(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam, DWORD_PTR* pResult = nullptr)
{
    DWORD_PTR result = 0;
    bool bAnswered = SendMessageTimeoutA(hWnd, message, wParam, lParam, SMTO_ABORTIFHUNG, MESSAGE_TIMEOUT_MS,
                                         &result) != 0;
    if (pResult != nullptr)
        *pResult = result;
    return bAnswered;
}
} // namespace

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    for (;;)
    {
        if (condition())
            return true;
        if (GetTickCount() - start >= timeoutMs)
            return false;
        Sleep(10);
    }
}

HWND FindVisibleWindow(DWORD processId, const std::function<bool(HWND)>& match)
{
    WINDOW_SEARCH search = {processId, nullptr, &match, nullptr};
    EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
    return search.hWndFound;
}

HWND FindOwnedWindow(HWND hWndOwner)
{
    WINDOW_SEARCH search = {0, hWndOwner, nullptr, nullptr};
    EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
    return search.hWndFound;
}

std::string RemoteText(HWND hWnd)
{
    std::vector<char> buffer(TEXT_BUFFER, '\0');
    DWORD_PTR copied = 0;
    if (!SendWithTimeout(hWnd, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()), &copied))
        return {};
    return std::string(buffer.data(), copied < buffer.size() ? copied : buffer.size() - 1);
}

std::string RemoteItemText(HWND hWndDialog, int nId)
{
    HWND hWndItem = GetDlgItem(hWndDialog, nId);
    return hWndItem != nullptr ? RemoteText(hWndItem) : std::string();
}

bool SetRemoteItemText(HWND hWndDialog, int nId, const std::string& text)
{
    HWND hWndItem = GetDlgItem(hWndDialog, nId);
    DWORD_PTR result = 0;
    return hWndItem != nullptr &&
           SendWithTimeout(hWndItem, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), &result) && result != 0;
}

bool SendClick(HWND hWndDialog, int nId)
{
    HWND hWndItem = GetDlgItem(hWndDialog, nId);
    return hWndItem != nullptr && SendWithTimeout(hWndItem, BM_CLICK, 0, 0);
}

bool PostClick(HWND hWndDialog, int nId)
{
    HWND hWndItem = GetDlgItem(hWndDialog, nId);
    return hWndItem != nullptr && PostMessageA(hWndItem, BM_CLICK, 0, 0) != 0;
}

bool IsItemEnabled(HWND hWndDialog, int nId)
{
    HWND hWndItem = GetDlgItem(hWndDialog, nId);
    return hWndItem != nullptr && IsWindowEnabled(hWndItem);
}

bool IsItemChecked(HWND hWndDialog, int nId)
{
    HWND hWndItem = GetDlgItem(hWndDialog, nId);
    DWORD_PTR state = 0;
    return hWndItem != nullptr && SendWithTimeout(hWndItem, BM_GETCHECK, 0, 0, &state) && state == BST_CHECKED;
}
