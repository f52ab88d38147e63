#pragma once

// One extraction job: its settings, its run state, its reporting, and the engine
// operations that carry it out on the worker thread. It knows nothing of windows;
// whatever shows the job implements IJobDisplay.

#include <atomic>
#include <cstdarg>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>

#include "decode/Cipher.h"
#include "decode/Streams.h"
#include "engine/CDecodePool.h"
#include "engine/IJobDisplay.h"
#include "platform/Kernel32.h"

// Creates a thread that runs pfnStart(pParam) at once: its handle, or null with the last
// error set. CreateWorkerThread is CreateThread with default security and stack size.
typedef std::function<HANDLE(LPTHREAD_START_ROUTINE pfnStart, LPVOID pParam)> ThreadStarter;
HANDLE CreateWorkerThread(LPTHREAD_START_ROUTINE pfnStart, LPVOID pParam);

constexpr LONG JOB_RUNNING = 0;        // the worker works
constexpr LONG JOB_STOP_REQUESTED = 1; // the user asked to stop; the engine winds up at its next check
constexpr LONG JOB_FINISHED = 2;       // the worker has finished; its last action

class CUnitDecoder;

// The longest formatted log text, in bytes; longer output is cut after its last whole character.
constexpr int MAX_LOG_TEXT = 1023;

class CExtractJob
{
public:
    // Copies the settings; the destination is always normalised to end in one folder
    // separator, the source only in Directory to Directory mode (bSingleFile zero).
    CExtractJob(IDecryptor* pDecryptor, const std::string& strSource, const std::string& strDestination,
                BYTE bSingleFile, BYTE bOverwrite, IJobDisplay* pDisplay);

    virtual ~CExtractJob() = default;

    CExtractJob(const CExtractJob&) = delete;
    CExtractJob& operator=(const CExtractJob&) = delete;

    // Reporting. AppendLog formats printf-style (%s, %08X, %u) and returns when the
    // text has been shown. SetJobState: JOB_RUNNING resets the count and shows the
    // running state; JOB_STOP_REQUESTED never replaces JOB_FINISHED; JOB_FINISHED
    // shows the finish first and changes the state last, because the front end may
    // destroy the job as soon as it reads JOB_FINISHED.
#if defined(__GNUC__)
    __attribute__((format(printf, 2, 3)))
#endif
    void AppendLog(const char* format, ...);
    void AppendLogV(const char* format, va_list args);
    void SetJobState(LONG nState);

    // Starts the worker thread of a job not yet started. The job is set running (state
    // and count, shown on the display) before the thread exists, so the worker never
    // sees a stale state; the thread's handle is closed at once, as nothing ever waits
    // for the worker: it ends by itself after its finish report. Whoever started the
    // job keeps it alive until it reads JOB_FINISHED. Returns 0, or the failure to
    // create the thread as a result code (the job then never finishes).
    HRESULT StartWorker(const ThreadStarter& startThread = CreateWorkerThread);

    // Engine operations, worker thread only.
    //
    // ExtractFile decodes one file into destinationFolder through a temporary file
    // beside the destination; only a complete output replaces the destination, so a
    // refused, failed or stopped file leaves the destination as it was and no file
    // behind. ExtractFolder walks a source folder depth first and mirrors it; it does
    // not follow directory links and does not enter the job's destination folder when
    // that lies inside the source tree. EnsureFolder creates a folder path, logging a
    // failure. RunJob is the worker's whole body and ends with SetJobState(JOB_FINISHED).
    // Each file's outcome, and each source folder left unread, is also reported as a
    // FileResult.
    HRESULT ExtractFile(std::string source, std::string destinationFolder);
    HRESULT ExtractFolder(std::string sourceFolder, std::string destinationFolder);
    HRESULT EnsureFolder(std::string path);
    void RunJob();

    // The copy loop's piece size.
    static constexpr std::size_t COPY_BUFFER_SIZE = 0x10000;
    // Files whose units are stored in more bytes than this decode on the worker alone:
    // batches of them would not stay within a few MiB per thread. So do files of one unit.
    static constexpr UINT64 MAX_POOLED_UNIT = 0x100000;

    // The run state is read with acquire: a front end that sees JOB_FINISHED sees every
    // other write of the worker too, the worker's release of it being its last touch.
    bool IsRunning() const
    {
        return m_nState.load(std::memory_order_acquire) == JOB_RUNNING;
    }
    bool IsFinished() const
    {
        return m_nState.load(std::memory_order_acquire) == JOB_FINISHED;
    }

    // The job record.
    IDecryptor* m_pDecryptor;
    std::string m_strSource;
    std::string m_strDestination;
    BYTE m_bOverwrite;
    BYTE m_bSingleFile;
    // Nonzero: every file is decoded and checked completely and nothing is written (no
    // folder, no temporary file, no output); a file that passes counts as extracted.
    // The per-file "Processing" text is left out: the front end reports each result.
    BYTE m_bVerifyOnly = 0;
    // Threads decoding each file. 1: the worker decodes alone, a piece at a time. More:
    // a pool of one fewer threads, started at the job's first file of several units and
    // kept until its finish, decrypts and checks the units while the worker reads and
    // writes, and the worker decodes too whenever it has nothing to read or write.
    // Outputs, log texts, counts and codes are the same either way. The pool uses the
    // job's decryptor from several threads at once (its processing calls change nothing).
    UINT m_nDecodeThreads = 1;
    std::atomic<LONG> m_nState;
    UINT m_nExtracted;

    // Decoded bytes written so far in this job, for progress displays that poll it.
    std::atomic<UINT64> m_nBytesDone{0};

    // The first folder listing of the walk that failed (0 when none did). The log says
    // nothing of it, as the window shows none; a console front end can say why its
    // failed result came.
    HRESULT m_hrWalkFailure = RESULT_OK;

protected:
    // The copy loop's buffer for one file; null when it cannot be had.
    virtual std::unique_ptr<BYTE[]> AllocateCopyBuffer(std::size_t size);

    // What the decoders read: the opened source file. Tests put a faulty stream in its place.
    virtual IInputStream* SourceStream(IInputStream* pFile)
    {
        return pFile;
    }

    // Writes one decoded piece to the output, as WriteFile does. Tests make it fail.
    virtual BOOL WriteOutput(HANDLE hOutput, const BYTE* data, DWORD size, DWORD* written)
    {
        return WriteFile(hOutput, data, size, written, nullptr);
    }

private:
    HRESULT DecodeFile(const std::string& source, const std::string& destination, const std::string*& pUnopened);
    HRESULT ExtractEntry(const std::string& sourceFolder, const std::string& destinationFolder,
                         const WIN32_FIND_DATAA& entry);
    // Writes everything pDecoder delivers to hOutput, or nowhere when hOutput is null.
    HRESULT CopyDecodedData(IReadStream* pDecoder, HANDLE hOutput);
    // The same on the pool: pSource is what pDecoder was initialised on.
    HRESULT CopyDecodedUnits(const CUnitDecoder& decoder, IInputStream* pSource, HANDLE hOutput);
    // Both copies' output: `size` bytes to hOutput (or only counted when it is null),
    // in pieces of COPY_BUFFER_SIZE, a stop honoured before each piece.
    HRESULT WriteDecoded(HANDLE hOutput, const BYTE* data, UINT64 size);
    // The pool, started now if the job asks for one and has none yet; null for none.
    CDecodePool* DecodePool();
    bool CanDecodeOnPool(const CUnitDecoder& decoder);
    HRESULT NoteWalkFailure(const std::string& sourceFolder, const std::string& destinationFolder, HRESULT hr);

    // Shows what became of `source` (extracted for 0, skipped for EXTRACT_E_EXISTS,
    // failed otherwise), counting an extracted file; returns hr.
    HRESULT ReportResult(const std::string& source, const std::string& destination, HRESULT hr);

    IJobDisplay* m_pDisplay;
    std::unique_ptr<CDecodePool> m_pPool;
};

// Thread entry of the worker: runs RunJob on the CExtractJob it is given, returns 0.
DWORD WINAPI ExtractThreadProc(LPVOID pJob);
