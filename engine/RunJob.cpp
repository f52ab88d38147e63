#include "engine/CExtractJob.h"

void CExtractJob::RunJob()
{
    try
    {
        if (m_bSingleFile != 0)
        {
            if (EnsureFolder(m_strDestination) == RESULT_OK)
                ExtractFile(m_strSource, m_strDestination);
        }
        else
        {
            ExtractFolder(m_strSource, m_strDestination);
        }
    }
    catch (...)
    {
        // Whatever work was left is abandoned; the job still finishes normally.
        try
        {
            AppendLog("Oops ! Exception raised !\n");
        }
        catch (...)
        {
        }
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
