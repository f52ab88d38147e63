#include "engine/CExtractJob.h"

#include "engine/FolderPath.h"
#include "engine/LastError.h"

void CExtractJob::RunJob()
{
    try
    {
        if (m_bSingleFile != 0)
        {
            HRESULT hr = EnsureFolder(m_strDestination);
            if (hr == RESULT_OK)
                ExtractFile(m_strSource, m_strDestination);
            else
                ReportResult(m_strSource, GetDestinationName(m_strSource, m_strDestination), hr);
        }
        else
        {
            ExtractFolder(m_strSource, m_strDestination);
        }
    }
    catch (...)
    {
        // Whatever work was left is abandoned, reported as one failure of the job's
        // source; the job still finishes normally.
        try
        {
            AppendLog("Oops ! Exception raised !\n");
        }
        catch (...)
        {
        }
        try
        {
            ReportResult(m_strSource, m_strDestination, RESULT_FAIL);
        }
        catch (...)
        {
        }
    }

    // The pool's threads are joined before the finish: the job may go right after it.
    try
    {
        m_pPool.reset();
    }
    catch (...)
    {
    }

    // The finish must happen on every path, or the front end could never close.
    try
    {
        AppendLog("\n*** Finished ***");
    }
    catch (...)
    {
    }
    SetJobState(JOB_FINISHED);
}

DWORD WINAPI ExtractThreadProc(LPVOID pJob)
{
    static_cast<CExtractJob*>(pJob)->RunJob();
    return 0;
}

HANDLE CreateWorkerThread(LPTHREAD_START_ROUTINE pfnStart, LPVOID pParam)
{
    return CreateThread(nullptr, 0, pfnStart, pParam, 0, nullptr);
}

HRESULT CExtractJob::StartWorker(const ThreadStarter& startThread)
{
    SetJobState(JOB_RUNNING);
    HANDLE hThread = startThread(ExtractThreadProc, this);
    if (hThread == nullptr)
        return FailureFromLastError();
    // The worker is never joined: it ends by itself after its finish report.
    CloseHandle(hThread);
    return RESULT_OK;
}
