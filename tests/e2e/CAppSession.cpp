#include "tests/e2e/CAppSession.h"

#include "app/resource.h"
#include "tests/e2e/RemoteWindow.h"

namespace
{
// The first window of a fresh Wine prefix can take several seconds.
constexpr DWORD START_TIMEOUT_MS = 15000;
constexpr DWORD WINDOW_TIMEOUT_MS = 5000;

const char MAIN_CAPTION[] = "OVXExtractor";

bool IsMainDialog(HWND hWnd)
{
    char className[16] = {};
    GetClassNameA(hWnd, className, sizeof(className));
    return std::string(className) == "#32770" && RemoteText(hWnd) == MAIN_CAPTION;
}
} // namespace

bool CAppSession::Fail(const std::string& what)
{
    m_strError = what;
    return false;
}

bool CAppSession::Start()
{
    DWORD error = 0;
    if (!m_process.Start(m_strExePath, error))
        return Fail("cannot start " + m_strExePath + ", error " + std::to_string(error));
    const DWORD processId = m_process.ProcessId();
    // The dialog is found before its controls exist; it is ready once visible.
    if (!WaitUntil([&] { return (m_hWndMain = FindVisibleWindow(processId, IsMainDialog)) != nullptr; },
                   START_TIMEOUT_MS))
        return Fail("the main dialog did not show");
    return true;
}

bool CAppSession::Fill(const JOB_SETTINGS& settings)
{
    const int nModeId = settings.bDirectoryMode ? IDC_MODE_DIRECTORY : IDC_MODE_FILE;
    if (!IsItemChecked(m_hWndMain, nModeId) && !SendClick(m_hWndMain, nModeId))
        return Fail("cannot choose the mode");
    if (!SetRemoteItemText(m_hWndMain, IDC_PASSWORD, settings.password) ||
        !SetRemoteItemText(m_hWndMain, IDC_SOURCE, settings.source) ||
        !SetRemoteItemText(m_hWndMain, IDC_DESTINATION, settings.destination))
        return Fail("cannot type into the main dialog");
    if (settings.bDirectoryMode && IsItemChecked(m_hWndMain, IDC_OVERWRITE) != settings.bOverwrite &&
        !SendClick(m_hWndMain, IDC_OVERWRITE))
        return Fail("cannot set Overwrite existing files");
    return true;
}

bool CAppSession::PressExtract()
{
    m_hWndProgress = nullptr;
    if (!IsItemEnabled(m_hWndMain, IDC_EXTRACT))
        return Fail("Extract is disabled");
    if (!PostClick(m_hWndMain, IDC_EXTRACT))
        return Fail("cannot press Extract");
    if (!WaitUntil([&] { return (m_hWndProgress = FindOwnedWindow(m_hWndMain)) != nullptr; }, WINDOW_TIMEOUT_MS))
        return Fail("the progress window did not show");
    return true;
}

bool CAppSession::WaitForTitle(const std::string& prefix, DWORD timeoutMs, std::string& title)
{
    if (WaitUntil([&] { return (title = RemoteText(m_hWndProgress)).rfind(prefix, 0) == 0; }, timeoutMs))
        return true;
    return Fail("the progress title did not become \"" + prefix + "...\" but stayed \"" + title + "\"");
}

std::string CAppSession::Log() const { return RemoteItemText(m_hWndProgress, IDC_LOG); }

bool CAppSession::PressStop()
{
    if (!PostClick(m_hWndProgress, IDC_STOP))
        return Fail("cannot press Stop");
    return true;
}

bool CAppSession::CloseProgress()
{
    if (!PostClick(m_hWndProgress, IDC_CLOSE))
        return Fail("cannot press Close in the progress window");
    if (!WaitUntil([&] { return !IsWindow(m_hWndProgress) && IsWindowEnabled(m_hWndMain); }, WINDOW_TIMEOUT_MS))
        return Fail("the progress window did not close");
    m_hWndProgress = nullptr;
    return true;
}

bool CAppSession::Close(DWORD& exitCode)
{
    if (!PostClick(m_hWndMain, IDC_CLOSE))
        return Fail("cannot press Close in the main dialog");
    if (!m_process.WaitForExit(WINDOW_TIMEOUT_MS, exitCode))
        return Fail("the program did not end after Close");
    return true;
}
