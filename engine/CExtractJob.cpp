#include "engine/CExtractJob.h"

#include <cstdio>

#include "engine/FolderPath.h"
#include "platform/MbString.h"

CExtractJob::CExtractJob(IDecryptor* pDecryptor, const std::string& strSource, const std::string& strDestination,
                         BYTE bSingleFile, BYTE bOverwrite, IJobDisplay* pDisplay)
    : m_pDecryptor(pDecryptor),
      m_strSource(bSingleFile != 0 ? strSource : NormalizeFolderPath(strSource)),
      m_strDestination(NormalizeFolderPath(strDestination)),
      m_bOverwrite(bOverwrite),
      m_bSingleFile(bSingleFile),
      m_nState(JOB_RUNNING),
      m_nExtracted(0),
      m_pDisplay(pDisplay)
{
}

void CExtractJob::AppendLog(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    AppendLogV(format, args);
    va_end(args);
}

void CExtractJob::AppendLogV(const char* format, va_list args)
{
    char text[MAX_LOG_TEXT + 1];
    const int length = std::vsnprintf(text, sizeof(text), format, args);
    if (length < 0)
        text[0] = '\0';
    else if (length > MAX_LOG_TEXT) // cut short: never in the middle of a character
        text[MbsWholeLength(text, MAX_LOG_TEXT)] = '\0';
    m_pDisplay->ShowLogText(text);
}

void CExtractJob::SetJobState(LONG nState)
{
    switch (nState)
    {
    case JOB_RUNNING:
        m_nState.store(JOB_RUNNING);
        m_nExtracted = 0;
        m_pDisplay->ShowRunning();
        break;
    case JOB_STOP_REQUESTED:
    {
        // Only a running job can be asked to stop; a finished one stays finished.
        LONG running = JOB_RUNNING;
        m_nState.compare_exchange_strong(running, JOB_STOP_REQUESTED);
        break;
    }
    case JOB_FINISHED:
    {
        // The front end may destroy the job as soon as it reads JOB_FINISHED, so the
        // count is shown first and the exchange is the very last touch of `this`.
        // A display that throws must not keep the job from finishing.
        try
        {
            m_pDisplay->ShowFinished(m_nExtracted);
        }
        catch (...)
        {
        }
        m_nState.store(JOB_FINISHED, std::memory_order_release);
        break;
    }
    default:
        break;
    }
}

HRESULT CExtractJob::ReportResult(const std::string& source, const std::string& destination, HRESULT hr)
{
    const FileOutcome outcome = hr == RESULT_OK ? FILE_EXTRACTED : hr == EXTRACT_E_EXISTS ? FILE_EXISTS : FILE_FAILED;
    if (outcome == FILE_EXTRACTED)
        ++m_nExtracted;
    m_pDisplay->ShowFileResult({source, destination, outcome, hr});
    return hr;
}
