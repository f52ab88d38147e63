#pragma once

// One extraction job: its settings (read-only), its run state and counts, its reporting,
// and the walk that carries it out on the worker thread. With one thread the worker
// decodes one file at a time; with a pool, a folder's files decode several at once and
// are reported, and their outputs moved into place, in walk order (CFilesInFlight). It
// knows nothing of windows; whatever shows the job implements IJobDisplay.

#include <cstdarg>
#include <functional>
#include <memory>
#include <string>

#include "engine/CDecodePool.h"
#include "engine/CFilesInFlight.h"
#include "engine/CJobCensus.h"
#include "engine/CJobStatus.h"
#include "engine/IJobDisplay.h"
#include "engine/JobSettings.h"
#include "platform/Kernel32.h"

// Creates a thread that runs pfnStart(pParam) at once: its handle, or null with the last
// error set. CreateWorkerThread is CreateThread with default security and stack size.
typedef std::function<HANDLE(LPTHREAD_START_ROUTINE pfnStart, LPVOID pParam)> ThreadStarter;
HANDLE CreateWorkerThread(LPTHREAD_START_ROUTINE pfnStart, LPVOID pParam);

// The longest formatted log text, in bytes; longer output is cut after its last whole character.
constexpr int MAX_LOG_TEXT = 1023;

class CExtractJob
{
public:
    // Takes the settings with the destination normalised to end in one folder separator,
    // and the source too in Directory to Directory mode.
    CExtractJob(const JobSettings& settings, IJobDisplay* pDisplay);

    CExtractJob(const CExtractJob&) = delete;
    CExtractJob& operator=(const CExtractJob&) = delete;

    const JobSettings& Settings() const { return m_settings; }
    const CJobStatus& Status() const { return m_status; }
    bool IsRunning() const { return m_status.IsRunning(); }
    bool IsFinished() const { return m_status.IsFinished(); }

    // Reporting. AppendLog formats printf-style (%s, %08X, %u) and returns when the
    // text has been shown. SetJobState: JOB_RUNNING resets the count and shows the
    // running state; JOB_STOP_REQUESTED never replaces JOB_FINISHED; JOB_FINISHED
    // shows the finish first and changes the state last, because the front end may
    // destroy the job as soon as it reads JOB_FINISHED.
#if defined(__GNUC__)
    __attribute__((format(printf, 2, 3)))
#endif
    void AppendLog(const char* format, ...);
    // A log text naming a path: `before`, the name, then `format` formatted. A text that
    // would pass MAX_LOG_TEXT gets the name shortened instead (its start and end with
    // "..." between), so that it still ends with its reason and its line end.
#if defined(__GNUC__)
    __attribute__((format(printf, 4, 5)))
#endif
    void AppendLogNaming(const std::string& before, const std::string& name, const char* format, ...);
    void SetJobState(LONG nState);

    // Starts the worker thread of a job not yet started. The job is set running (state
    // and count, shown on the display) before the thread exists, so the worker never
    // sees a stale state. Nothing needs to wait for the worker: it ends by itself after
    // its finish report. Whoever started the job keeps it alive until it reads
    // JOB_FINISHED. Returns 0, or the failure to create the thread as a result code
    // (the job then never finishes).
    HRESULT StartWorker(const ThreadStarter& startThread = CreateWorkerThread);
    // After JOB_FINISHED: waits up to `ms` for the worker's thread to have ended, for a
    // program about to exit (an exit racing a thread's own end can crash the process,
    // as seen under Wine). True when it has ended or none was started.
    bool WaitForWorkerEnd(DWORD ms);

    ~CExtractJob();

    // Worker thread only.
    //
    // ExtractFile decodes one file into destinationFolder through a temporary file
    // beside the destination; only a complete output replaces the destination, so a
    // refused, failed or stopped file leaves the destination as it was and no file
    // behind. ExtractFolder walks a source folder depth first and mirrors it; it does
    // not follow directory links and does not enter the job's destination folder when
    // that lies inside the source tree. EnsureFolder creates a folder path, logging a
    // failure. Run is the worker's whole body: each source in turn, in its own mode, then
    // SetJobState(JOB_FINISHED).
    // Each file's outcome, and each source folder left unread, is also reported as a
    // FileResult.
    HRESULT ExtractFile(const std::string& source, const std::string& destinationFolder);
    HRESULT ExtractFolder(const std::string& sourceFolder, const std::string& destinationFolder);
    HRESULT EnsureFolder(const std::string& path);
    void Run();

private:
    // One source of the job, File to File or Directory to Directory; an exception
    // abandons the rest of it as one failed result.
    void RunSource(const std::string& source, bool bSingleFile);
    // A Directory to Directory source: its files one at a time, or several in flight
    // on the pool.
    void ExtractSourceFolder(const std::string& source, const std::string& destination);
    // Decodes work's source into its temporary file (nowhere when verifying), keeping
    // its log texts in it; the pool may help when bMaySplit. Any thread.
    void DecodeFile(FileWork& work, bool bMaySplit);
    // Moves a decoded file's output into place and shows its log texts and result;
    // bHeld: a file in flight, whose first text was held too.
    HRESULT FinishFile(FileWork& work, bool bHeld);
    // A folder's file given to the files in flight, once the look-ahead has room and no
    // file in flight decodes into the same name.
    HRESULT QueueFile(const std::string& source, const std::string& destinationFolder, UINT64 nBytes);
    // Shows the files in flight whose turn has come, in walk order: those already
    // decoded, or with bAll every one (waiting for them). Stops at a stop request.
    void ReleaseFiles(bool bAll);
    // Shows the files in flight up to the last that decodes into `path`. False on a stop.
    bool WaitForName(const std::string& path);
    HRESULT ExtractEntry(const std::string& sourceFolder, const std::string& destinationFolder,
                         const WIN32_FIND_DATAA& entry);
    // The pool, started now if the job asks for one and has none yet; null for none.
    CDecodePool* DecodePool();
    HRESULT NoteWalkFailure(const std::string& sourceFolder, const std::string& destinationFolder, HRESULT hr);

    // Shows what became of `source` (extracted for 0, skipped for EXTRACT_E_EXISTS,
    // failed otherwise), counting an extracted file; returns hr.
    HRESULT ReportResult(const std::string& source, const std::string& destination, HRESULT hr);

    const JobSettings m_settings;
    CJobStatus m_status;
    IJobDisplay* m_pDisplay;
    std::unique_ptr<CDecodePool> m_pPool;
    HANDLE m_hWorker = nullptr; // kept only to wait for the thread's end; never used to stop it
    // The mode of the source in hand (worker only): File to File always replaces its
    // output, Directory to Directory only when told to.
    bool m_bSingleFile;
    CFilesInFlight* m_pInFlight = nullptr; // during a folder's walk on a pool
    CJobCensus m_census; // counts the totals beside the worker, from Run's start to its finish
};
