#include "tests/e2e/CAppSession.h"

#include <functional>
#include <stdexcept>
#include <vector>

#include "app/resource.h"

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    while (!condition())
    {
        if (GetTickCount() - start >= timeoutMs)
            return false;
        Sleep(10);
    }
    return true;
}

namespace
{
constexpr DWORD START_TIMEOUT_MS = 15000; // the first window of a fresh Wine prefix is slow
constexpr DWORD WINDOW_TIMEOUT_MS = 5000;
constexpr UINT MESSAGE_TIMEOUT_MS = 5000; // a window that does not answer counts as hung

struct WINDOW_SEARCH
{
    const std::function<bool(HWND)>* pMatch;
    HWND hWndFound;
};

BOOL CALLBACK MatchWindow(HWND hWnd, LPARAM lParam)
{
    WINDOW_SEARCH& search = *reinterpret_cast<WINDOW_SEARCH*>(lParam);
    if (!IsWindowVisible(hWnd) || !(*search.pMatch)(hWnd))
        return TRUE;
    search.hWndFound = hWnd;
    return FALSE;
}

// The first visible top-level window that `match` accepts, or null.
HWND FindVisibleWindow(const std::function<bool(HWND)>& match)
{
    WINDOW_SEARCH search = {&match, nullptr};
    EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
    return search.hWndFound;
}

bool Send(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam, DWORD_PTR& result)
{
    return hWnd != nullptr &&
           SendMessageTimeoutA(hWnd, message, wParam, lParam, SMTO_ABORTIFHUNG, MESSAGE_TIMEOUT_MS, &result) != 0;
}

// One WM_GETTEXT into a large buffer: asking for the length first races with a changing title.
std::string RemoteText(HWND hWnd)
{
    std::vector<char> buffer(256 * 1024, '\0');
    DWORD_PTR copied = 0;
    if (!Send(hWnd, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()), copied))
        return {};
    return std::string(buffer.data(), copied < buffer.size() ? copied : buffer.size() - 1);
}

bool SetItemText(HWND hWndDialog, int nId, const std::string& text)
{
    DWORD_PTR result = 0;
    return Send(GetDlgItem(hWndDialog, nId), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), result) &&
           result != 0;
}

bool IsItemChecked(HWND hWndDialog, int nId)
{
    DWORD_PTR state = 0;
    return Send(GetDlgItem(hWndDialog, nId), BM_GETCHECK, 0, 0, state) && state == BST_CHECKED;
}

// Sent for a radio or check box; posted for a button whose handler runs a modal loop.
bool SendClick(HWND hWndDialog, int nId)
{
    DWORD_PTR result = 0;
    return Send(GetDlgItem(hWndDialog, nId), BM_CLICK, 0, 0, result);
}

bool PostClick(HWND hWndDialog, int nId)
{
    HWND hWndItem = GetDlgItem(hWndDialog, nId);
    return hWndItem != nullptr && PostMessageA(hWndItem, BM_CLICK, 0, 0) != 0;
}

void Require(bool bDone, const std::string& what)
{
    if (!bDone)
        throw std::runtime_error(what);
}
} // namespace

CAppSession::~CAppSession()
{
    if (m_hProcess == nullptr)
        return;
    // A test that failed half-way must not leave a window behind for the next one.
    if (WaitForSingleObject(m_hProcess, 0) == WAIT_TIMEOUT)
    {
        TerminateProcess(m_hProcess, 0xDEAD);
        WaitForSingleObject(m_hProcess, 5000);
    }
    CloseHandle(m_hProcess);
}

void CAppSession::Start()
{
    std::string commandLine = "\"" + m_strExePath + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(m_strExePath.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        throw std::runtime_error("cannot start " + m_strExePath + ", error " + std::to_string(GetLastError()));
    CloseHandle(process.hThread);
    m_hProcess = process.hProcess;

    // The dialog is found before its controls exist; it is ready once visible.
    const auto isMainDialog = [&process](HWND hWnd) {
        DWORD dwProcessId = 0;
        GetWindowThreadProcessId(hWnd, &dwProcessId);
        char className[16] = {};
        GetClassNameA(hWnd, className, sizeof(className));
        return dwProcessId == process.dwProcessId && std::string(className) == "#32770" &&
               RemoteText(hWnd) == "OVXExtractor";
    };
    Require(WaitUntil([&] { return (m_hWndMain = FindVisibleWindow(isMainDialog)) != nullptr; }, START_TIMEOUT_MS),
            "the main dialog did not show");
}

void CAppSession::Fill(const JOB_SETTINGS& settings)
{
    const int nModeId = settings.bDirectoryMode ? IDC_MODE_DIRECTORY : IDC_MODE_FILE;
    Require(IsItemChecked(m_hWndMain, nModeId) || SendClick(m_hWndMain, nModeId), "cannot choose the mode");
    Require(SetItemText(m_hWndMain, IDC_PASSWORD, settings.password) &&
                SetItemText(m_hWndMain, IDC_SOURCE, settings.source) &&
                SetItemText(m_hWndMain, IDC_DESTINATION, settings.destination),
            "cannot type into the main dialog");
    Require(!settings.bDirectoryMode || IsItemChecked(m_hWndMain, IDC_OVERWRITE) == settings.bOverwrite ||
                SendClick(m_hWndMain, IDC_OVERWRITE),
            "cannot set Overwrite existing files");
}

void CAppSession::PressExtract()
{
    m_hWndProgress = nullptr;
    Require(IsWindowEnabled(GetDlgItem(m_hWndMain, IDC_EXTRACT)) && PostClick(m_hWndMain, IDC_EXTRACT),
            "cannot press Extract");
    const auto isOwned = [this](HWND hWnd) { return GetWindow(hWnd, GW_OWNER) == m_hWndMain; };
    Require(WaitUntil([&] { return (m_hWndProgress = FindVisibleWindow(isOwned)) != nullptr; }, WINDOW_TIMEOUT_MS),
            "the progress window did not show");
}

std::string CAppSession::WaitForTitle(const std::string& prefix, DWORD timeoutMs)
{
    std::string title;
    if (!WaitUntil([&] { return (title = RemoteText(m_hWndProgress)).rfind(prefix, 0) == 0; }, timeoutMs))
        throw std::runtime_error("the progress title did not become \"" + prefix + "...\" but stayed \"" + title +
                                 "\"");
    return title;
}

std::string CAppSession::ProgressText() const
{
    return RemoteText(GetDlgItem(m_hWndProgress, IDC_PROGRESS_TEXT));
}

std::string CAppSession::Log() const
{
    return RemoteText(GetDlgItem(m_hWndProgress, IDC_LOG));
}

void CAppSession::PressStop()
{
    Require(PostClick(m_hWndProgress, IDC_STOP), "cannot press Stop");
}

void CAppSession::CloseProgress()
{
    Require(PostClick(m_hWndProgress, IDC_CLOSE) &&
                WaitUntil([&] { return !IsWindow(m_hWndProgress) && IsWindowEnabled(m_hWndMain); }, WINDOW_TIMEOUT_MS),
            "the progress window did not close");
    m_hWndProgress = nullptr;
}

DWORD CAppSession::Close()
{
    DWORD exitCode = 0;
    Require(PostClick(m_hWndMain, IDC_CLOSE) && WaitForSingleObject(m_hProcess, WINDOW_TIMEOUT_MS) == WAIT_OBJECT_0 &&
                GetExitCodeProcess(m_hProcess, &exitCode),
            "the program did not end after Close");
    return exitCode;
}
