#include "progress/CProgressDialog.h"

#include <commctrl.h>
#include <new>

#include "engine/JobProgress.h"
#include "window/WindowUtil.h"

namespace
{
// Reports carried from the worker to the window's thread.
constexpr UINT WM_APP_APPEND_LOG = WM_APP + 1;    // no parameters: appends the queued texts
constexpr UINT WM_APP_SHOW_RUNNING = WM_APP + 2;  // no parameters
constexpr UINT WM_APP_SHOW_FINISHED = WM_APP + 3; // wParam: files extracted

const RESIZE_ENTRY g_layout[] = {
    {IDC_LOG, RESIZE_GROW_X | RESIZE_GROW_Y},
    {IDC_STOP, RESIZE_MOVE_X | RESIZE_MOVE_Y},
    {IDC_CLOSE, RESIZE_MOVE_X | RESIZE_MOVE_Y},
    {IDC_PROGRESS_BAR, RESIZE_GROW_X | RESIZE_MOVE_Y},
    {IDC_PROGRESS_TEXT, RESIZE_GROW_X | RESIZE_MOVE_Y},
};

// The log control's line break is "\r\n".
std::string ToEditLineBreaks(const char* text)
{
    std::string converted;
    for (const char* p = text; *p != '\0'; ++p)
    {
        if (*p == '\n')
            converted += '\r';
        converted += *p;
    }
    return converted;
}
} // namespace

// IDOK (Enter with no button focused) is deliberately absent: it does nothing.
const DIALOG_ROUTE<CProgressDialog> CProgressDialog::s_routes[] = {
    {WM_INITDIALOG, ROUTE_ANY, 0, &CProgressDialog::OnInitDialog},
    {WM_COMMAND, ROUTE_COMMAND_ID, IDCANCEL, &CProgressDialog::OnStopOrClose},
    {WM_COMMAND, ROUTE_COMMAND_ID, IDC_STOP, &CProgressDialog::OnStopOrClose},
    {WM_COMMAND, ROUTE_COMMAND_ID, IDC_CLOSE, &CProgressDialog::OnStopOrClose},
    {WM_SIZE, ROUTE_ANY, 0, &CProgressDialog::OnSize},
    {WM_GETMINMAXINFO, ROUTE_ANY, 0, &CProgressDialog::OnGetMinMaxInfo},
    {WM_APP_APPEND_LOG, ROUTE_ANY, 0, &CProgressDialog::OnAppendLog},
    {WM_APP_SHOW_RUNNING, ROUTE_ANY, 0, &CProgressDialog::OnShowRunning},
    {WM_APP_SHOW_FINISHED, ROUTE_ANY, 0, &CProgressDialog::OnShowFinished},
    {WM_TIMER, ROUTE_ANY, 0, &CProgressDialog::OnTimer},
};

CProgressDialog::CProgressDialog(const JobSettings& settings, int nIconId) : m_job(settings, this), m_nIconId(nIconId)
{
    // The template's progress bar needs its class before the dialog is created.
    INITCOMMONCONTROLSEX controls = {};
    controls.dwSize = sizeof(controls);
    controls.dwICC = ICC_PROGRESS_CLASS;
    InitCommonControlsEx(&controls);
}

BOOL CProgressDialog::OnMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    // Left unhandled so that the dialog's own clean-up still runs.
    if (uMsg == WM_DESTROY)
        DestroyDialogIcons(m_hWnd);

    return RouteMessage(this, s_routes, uMsg, wParam, lParam, result);
}

LRESULT CProgressDialog::OnInitDialog(WPARAM, LPARAM)
{
    m_dwWindowThreadId = GetCurrentThreadId();

    CenterWindow(m_hWnd);
    m_layout.Init(m_hWnd, g_layout);
    if (m_nIconId != 0)
        SetDialogIcons(m_hWnd, m_hInstance, m_nIconId);

    // Lift the edit control's default limit of 32,767 characters: the log is never trimmed.
    m_hWndLog = GetDlgItem(m_hWnd, IDC_LOG);
    SendMessageA(m_hWndLog, EM_LIMITTEXT, 0, 0);

    m_hWndBar = GetDlgItem(m_hWnd, IDC_PROGRESS_BAR);
    SendMessageA(m_hWndBar, PBM_SETRANGE32, 0, BAR_RANGE);
    // An owned window has no taskbar button of its own: its owner's shows the progress.
    m_pTaskbar.reset(new (std::nothrow) CTaskbarProgress(GetAncestor(m_hWnd, GA_ROOTOWNER)));

    StartWorker();

    // TRUE: the focus goes to the first enabled tab stop, the log.
    return TRUE;
}

void CProgressDialog::StartWorker()
{
    // The job shows its running state before the thread exists; on the window's own
    // thread that report is carried out at once.
    const HRESULT hr = m_job.StartWorker(
        [this](LPTHREAD_START_ROUTINE pfnStart, LPVOID pParam) { return StartThread(pfnStart, pParam); });
    if (hr != RESULT_OK)
    {
        MessageBoxA(m_hWnd, "Failed to create thread.", "", MB_OK);
        EndDialog(m_hWnd, RESULT_NO_THREAD);
    }
}

HANDLE CProgressDialog::StartThread(LPTHREAD_START_ROUTINE pfnStart, LPVOID pParam)
{
    return CreateWorkerThread(pfnStart, pParam);
}

LRESULT CProgressDialog::OnStopOrClose(WPARAM, LPARAM)
{
    // The job's state turns JOB_FINISHED only after the worker's last report, so the
    // window can end (and the object go) without the worker still using it.
    if (m_job.IsFinished())
    {
        KillTimer(m_hWnd, CLOSE_RETRY_TIMER);
        EndDialog(m_hWnd, RESULT_CLOSED);
    }
    else if (m_bFinishShown)
    {
        // The finish is on screen and the worker's very last step, the state change,
        // is in flight: a click on the Close it just enabled is a close, not a stop.
        // Ask again shortly instead of waiting for the worker on this thread.
        SetTimer(m_hWnd, CLOSE_RETRY_TIMER, CLOSE_RETRY_MS, nullptr);
    }
    else
    {
        m_job.SetJobState(JOB_STOP_REQUESTED);
    }
    return 0;
}

LRESULT CProgressDialog::OnTimer(WPARAM wParam, LPARAM lParam)
{
    if (wParam == CLOSE_RETRY_TIMER)
        OnStopOrClose(wParam, lParam);
    else if (wParam == PROGRESS_TIMER)
        ShowProgress();
    else if (wParam == APPEND_TIMER)
    {
        KillTimer(m_hWnd, APPEND_TIMER);
        AppendQueuedLog();
    }
    return 0;
}

LRESULT CProgressDialog::OnSize(WPARAM wParam, LPARAM lParam)
{
    m_layout.OnSize(wParam, LOWORD(lParam), HIWORD(lParam));
    return 0;
}

LRESULT CProgressDialog::OnGetMinMaxInfo(WPARAM, LPARAM lParam)
{
    m_layout.OnGetMinMaxInfo(reinterpret_cast<MINMAXINFO*>(lParam));
    return 0;
}

void CProgressDialog::ShowLogText(const char* text)
{
    if (m_hWnd == nullptr)
        return;
    bool bPost = false, bWait = false;
    {
        std::lock_guard<std::mutex> lock(m_logMutex);
        m_strQueuedLog += ToEditLineBreaks(text);
        bPost = !m_bAppendPosted;
        m_bAppendPosted = true;
        bWait = m_strQueuedLog.size() > LOG_QUEUE_LIMIT;
    }
    // One message for all that queues up until the window's thread gets to it; a full
    // queue, or the window's own thread, appends at once.
    if (GetCurrentThreadId() == m_dwWindowThreadId || bWait ||
        (bPost && !PostMessageA(m_hWnd, WM_APP_APPEND_LOG, 0, 0)))
        Report(WM_APP_APPEND_LOG, TRUE, 0);
}

void CProgressDialog::ShowFileResult(const FileResult&)
{
    // The window shows each file's outcome through the log only.
}

void CProgressDialog::ShowRunning()
{
    Report(WM_APP_SHOW_RUNNING, 0, 0);
}

void CProgressDialog::ShowFinished(UINT nExtracted)
{
    Report(WM_APP_SHOW_FINISHED, nExtracted, 0);
}

void CProgressDialog::Report(UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if (m_hWnd == nullptr)
        return;
    if (GetCurrentThreadId() == m_dwWindowThreadId)
    {
        LRESULT result = 0;
        RouteMessage(this, s_routes, uMsg, wParam, lParam, result);
    }
    else
    {
        SendMessageA(m_hWnd, uMsg, wParam, lParam);
    }
}

// A posted append comes at most once per display frame: the log control's cost per
// append can grow with its length, so a text per append would slow the window down as
// the log grows. What arrives meanwhile joins the queue.
LRESULT CProgressDialog::OnAppendLog(WPARAM bNow, LPARAM)
{
    const DWORD dwSince = GetTickCount() - m_dwLastAppend;
    if (!bNow && dwSince < APPEND_INTERVAL_MS && SetTimer(m_hWnd, APPEND_TIMER, APPEND_INTERVAL_MS - dwSince, nullptr))
        return 0;
    AppendQueuedLog();
    return 0;
}

void CProgressDialog::AppendQueuedLog()
{
    std::string text;
    {
        std::lock_guard<std::mutex> lock(m_logMutex);
        text.swap(m_strQueuedLog);
        m_bAppendPosted = false;
    }
    if (text.empty())
        return;
    m_dwLastAppend = GetTickCount();

    // One step on this thread: no user action can move the caret between placing it
    // at the end and inserting the text.
    const int nLength = GetWindowTextLengthA(m_hWndLog);
    SendMessageA(m_hWndLog, EM_SETSEL, nLength, nLength);
    SendMessageA(m_hWndLog, EM_SCROLLCARET, 0, 0);
    SendMessageA(m_hWndLog, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
}

LRESULT CProgressDialog::OnShowRunning(WPARAM, LPARAM)
{
    AppendQueuedLog();
    SetWindowTextA(m_hWnd, "Extracting...");
    EnableWindow(GetDlgItem(m_hWnd, IDC_STOP), TRUE);
    EnableWindow(GetDlgItem(m_hWnd, IDC_CLOSE), FALSE);
    m_dwStarted = GetTickCount();
    ShowProgress();
    SetTimer(m_hWnd, PROGRESS_TIMER, PROGRESS_INTERVAL_MS, nullptr);
    return 0;
}

void CProgressDialog::ShowProgress()
{
    const JobProgress progress = m_job.Status().Progress();
    const double seconds = (GetTickCount() - m_dwStarted) / 1000.0;
    const double fraction = ProgressFraction(progress);
    SetMarquee(fraction < 0.0);
    if (fraction >= 0.0)
    {
        const int nPosition = static_cast<int>(fraction * BAR_RANGE);
        SendMessageA(m_hWndBar, PBM_SETPOS, nPosition, 0);
        if (m_pTaskbar != nullptr)
            m_pTaskbar->SetValue(nPosition, BAR_RANGE);
    }
    const std::string text = FormatProgressText(progress, seconds);
    if (text != m_strProgressText)
    {
        m_strProgressText = text;
        SetDlgItemTextA(m_hWnd, IDC_PROGRESS_TEXT, text.c_str());
    }
}

// Marquee while the totals are being counted: there is no share to show yet.
void CProgressDialog::SetMarquee(bool bMarquee)
{
    if (bMarquee == m_bMarquee)
        return;
    m_bMarquee = bMarquee;
    const LONG_PTR style = GetWindowLongPtrA(m_hWndBar, GWL_STYLE);
    SetWindowLongPtrA(m_hWndBar, GWL_STYLE, bMarquee ? style | PBS_MARQUEE : style & ~static_cast<LONG_PTR>(PBS_MARQUEE));
    SendMessageA(m_hWndBar, PBM_SETMARQUEE, bMarquee, 0);
    if (m_pTaskbar != nullptr && bMarquee)
        m_pTaskbar->SetIndeterminate();
}

LRESULT CProgressDialog::OnShowFinished(WPARAM wParam, LPARAM)
{
    // Every text reported before the finish is on screen before the finish is.
    AppendQueuedLog();

    // The bar full and the line saying what was done in how long, before the title.
    KillTimer(m_hWnd, PROGRESS_TIMER);
    SetMarquee(false);
    SendMessageA(m_hWndBar, PBM_SETPOS, BAR_RANGE, 0);
    if (m_pTaskbar != nullptr)
        m_pTaskbar->Clear();
    m_strProgressText =
        FormatFinishText(m_job.Status().Progress(), (GetTickCount() - m_dwStarted) / 1000.0);
    SetDlgItemTextA(m_hWnd, IDC_PROGRESS_TEXT, m_strProgressText.c_str());

    char title[1024];
    wsprintfA(title, "Finished - %u file(s) extracted", static_cast<UINT>(wParam));
    SetWindowTextA(m_hWnd, title);

    // A disabled button cannot keep the focus; hand it to Close so the keyboard still works.
    HWND hWndStop = GetDlgItem(m_hWnd, IDC_STOP);
    HWND hWndClose = GetDlgItem(m_hWnd, IDC_CLOSE);
    const bool bStopHadFocus = GetFocus() == hWndStop;
    EnableWindow(hWndStop, FALSE);
    EnableWindow(hWndClose, TRUE);
    if (bStopHadFocus)
        SendMessageA(m_hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(hWndClose), TRUE);
    m_bFinishShown = true;
    return 0;
}
