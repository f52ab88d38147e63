#pragma once

// The progress window: a resizable modal dialog that holds one extraction job, starts
// its worker, shows the worker's log and the job's status, and closes only after the
// worker has finished. Every closing command while the job runs is a stop request.
//
// Notes: the worker reports through IJobDisplay on its own thread. Log texts are queued
// and the worker goes on: the window's thread appends whatever has queued up in one
// step whenever it is free, so a busy log control never slows the job (the queue is
// bounded: past LOG_QUEUE_LIMIT bytes the worker waits for an append). The state
// reports are carried out on the window's thread (SendMessage) while the worker waits,
// each after the texts queued before it. The window's thread never waits for the worker. The object must outlive the modal loop,
// which ends only once the job state reads JOB_FINISHED, after the worker's last
// report: from then on the worker touches neither the job nor the window.

#include <memory>
#include <mutex>
#include <string>

#include "engine/CExtractJob.h"
#include "engine/IJobDisplay.h"
#include "progress/resource.h"
#include "window/CDialog.h"
#include "window/CResizeLayout.h"
#include "window/CTaskbarProgress.h"

class CProgressDialog : public CDialog, public IJobDisplay
{
public:
    // nIconId: the icon resource the window shows as its big and small icon, from the
    // module the dialog resource comes from; 0 for none.
    CProgressDialog(const JobSettings& settings, int nIconId);

    // Shown with DoModal(hInstance, IDD_PROGRESS, hWndOwner). Returns 1 when the user
    // closed the window after the job finished, 2 when the worker could not be started.
    static constexpr INT_PTR RESULT_CLOSED = 1;
    static constexpr INT_PTR RESULT_NO_THREAD = 2;

    // IJobDisplay, callable from any thread. Running: title "Extracting...", Stop
    // enabled, Close disabled. Finished: title "Finished - N file(s) extracted", Stop
    // disabled, Close enabled.
    void ShowLogText(const char* text) override;
    void ShowFileResult(const FileResult& result) override;
    void ShowRunning() override;
    void ShowFinished(UINT nExtracted) override;

protected:
    // Creates the worker's thread for CExtractJob::StartWorker (pParam is the job);
    // returns its handle, or NULL with the last error set.
    virtual HANDLE StartThread(LPTHREAD_START_ROUTINE pfnStart, LPVOID pParam);

    BOOL OnMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    LRESULT OnInitDialog(WPARAM wParam, LPARAM lParam);
    LRESULT OnStopOrClose(WPARAM wParam, LPARAM lParam);
    LRESULT OnSize(WPARAM wParam, LPARAM lParam);
    LRESULT OnGetMinMaxInfo(WPARAM wParam, LPARAM lParam);
    LRESULT OnAppendLog(WPARAM wParam, LPARAM lParam);
    // Window's thread: appends every queued text, in one step.
    void AppendQueuedLog();
    LRESULT OnShowRunning(WPARAM wParam, LPARAM lParam);
    LRESULT OnShowFinished(WPARAM wParam, LPARAM lParam);
    LRESULT OnTimer(WPARAM wParam, LPARAM lParam);

    void StartWorker();
    // Window's thread: the bar, its line and the taskbar button from the job's figures.
    void ShowProgress();
    void SetMarquee(bool bMarquee);

    static const DIALOG_ROUTE<CProgressDialog> s_routes[];

    // Runs a report's private message on the window's thread and waits for it.
    void Report(UINT uMsg, WPARAM wParam, LPARAM lParam);

    CExtractJob m_job;
    const int m_nIconId;
    CResizeLayout m_layout;
    HWND m_hWndLog = nullptr;
    DWORD m_dwWindowThreadId = 0;
    bool m_bFinishShown = false; // the worker's finish is on screen; JOB_FINISHED follows at once

    std::mutex m_logMutex;
    std::string m_strQueuedLog;   // texts not yet in the log control, line breaks converted
    bool m_bAppendPosted = false; // an append message is on its way for the queue

    static constexpr size_t LOG_QUEUE_LIMIT = 256 * 1024;
    static constexpr UINT_PTR APPEND_TIMER = 2;
    static constexpr UINT APPEND_INTERVAL_MS = 16; // a display frame
    DWORD m_dwLastAppend = 0;                      // GetTickCount of the last append

    // The progress is read by a timer on the window's thread, never pushed by the worker,
    // so a fast job never waits for it.
    static constexpr UINT_PTR PROGRESS_TIMER = 3;
    static constexpr UINT PROGRESS_INTERVAL_MS = 250;
    static constexpr int BAR_RANGE = 1000; // the bar's steps: tenths of a percent
    HWND m_hWndBar = nullptr;
    bool m_bMarquee = false;
    DWORD m_dwStarted = 0;          // GetTickCount when the job started
    std::string m_strProgressText;  // the line as shown, to redraw only what changed
    std::unique_ptr<CTaskbarProgress> m_pTaskbar;

    static constexpr UINT_PTR CLOSE_RETRY_TIMER = 1;
    static constexpr UINT CLOSE_RETRY_MS = 10;
};
