#pragma once

// The run state and the counts of one job. The worker and its decoding threads write
// them; a front end polls them from its own thread.

#include <atomic>
#include <mutex>

#include "base/Result.h"
#include "engine/JobProgress.h"

constexpr LONG JOB_RUNNING = 0;        // the worker works
constexpr LONG JOB_STOP_REQUESTED = 1; // the user asked to stop; the engine winds up at its next check
constexpr LONG JOB_FINISHED = 2;       // the worker has finished; its last action

class CJobStatus
{
public:
    // The state is read with acquire: whoever sees JOB_FINISHED sees every other write
    // of the worker too, the worker's release of it being its last touch of the job.
    LONG State() const { return m_nState.load(std::memory_order_acquire); }
    bool IsRunning() const { return State() == JOB_RUNNING; }
    bool IsFinished() const { return State() == JOB_FINISHED; }

    // Running, with no file counted yet.
    void Start()
    {
        m_nState.store(JOB_RUNNING);
        m_nExtracted = 0;
    }
    // Only a running job can be asked to stop; a finished one stays finished.
    void RequestStop()
    {
        LONG running = JOB_RUNNING;
        m_nState.compare_exchange_strong(running, JOB_STOP_REQUESTED);
    }
    void Finish() { m_nState.store(JOB_FINISHED, std::memory_order_release); }

    // Files extracted (or, verifying, passed); read it once the job has finished.
    UINT Extracted() const { return m_nExtracted; }
    void CountExtracted() { ++m_nExtracted; }

    // Decoded bytes written so far, for progress displays that poll it.
    UINT64 BytesDone() const { return m_nBytesDone.load(); }
    void AddBytesDone(UINT64 nBytes) { m_nBytesDone += nBytes; }

    // The first folder listing of the walk that failed (0 when none did). The log says
    // nothing of it, as the window shows none; a console front end can say why its
    // failed result came. Read it once the job has finished.
    HRESULT WalkFailure() const { return m_hrWalkFailure; }
    void NoteWalkFailure(HRESULT hr)
    {
        if (m_hrWalkFailure == RESULT_OK)
            m_hrWalkFailure = hr;
    }

    // Progress, for displays that poll it from their own thread. The worker brackets
    // each file it takes up with BeginFile and EndFile and gives the file's stored size
    // once it has opened it: the output written meanwhile advances the file's share, up
    // to that size, which EndFile then counts whole. The census adds to the totals and
    // says when it has counted everything.
    JobProgress Progress() const
    {
        std::lock_guard<std::mutex> lock(m_progressMutex);
        JobProgress progress = m_progress;
        const UINT64 nWritten = BytesDone() - m_nFileStart;
        progress.nBytesDone += nWritten < m_nFileSize ? nWritten : m_nFileSize;
        return progress;
    }
    void BeginFile()
    {
        std::lock_guard<std::mutex> lock(m_progressMutex);
        m_nFileStart = BytesDone();
        m_nFileSize = 0;
    }
    void SetFileSize(UINT64 nStoredBytes)
    {
        std::lock_guard<std::mutex> lock(m_progressMutex);
        m_nFileSize = nStoredBytes;
    }
    void EndFile()
    {
        std::lock_guard<std::mutex> lock(m_progressMutex);
        ++m_progress.nFilesDone;
        m_progress.nBytesDone += m_nFileSize;
        m_nFileSize = 0;
    }
    void AddToTotals(UINT nFiles, UINT64 nBytes)
    {
        std::lock_guard<std::mutex> lock(m_progressMutex);
        m_progress.nFilesTotal += nFiles;
        m_progress.nBytesTotal += nBytes;
    }
    void FinishCount()
    {
        std::lock_guard<std::mutex> lock(m_progressMutex);
        m_progress.bCounted = true;
    }

private:
    std::atomic<LONG> m_nState{JOB_RUNNING};
    std::atomic<UINT64> m_nBytesDone{0};
    UINT m_nExtracted = 0;
    HRESULT m_hrWalkFailure = RESULT_OK;

    // The file boundaries and the census's additions against a display's look.
    mutable std::mutex m_progressMutex;
    JobProgress m_progress;   // files done and their stored bytes; the totals
    UINT64 m_nFileStart = 0;  // BytesDone when the file in progress began
    UINT64 m_nFileSize = 0;   // its stored size; 0 until known, and between files
};
