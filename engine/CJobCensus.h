#pragma once

// Counts, beside the worker, the files a job will take up and their stored bytes, by the
// walk's own rules (ClassifyWalkEntry), into the job's status: the totals that make its
// progress a share. It only lists folders (File to File: sizes the one file); what the
// job logs, decodes and reports never depends on it, and a tree that changes meanwhile
// only makes the totals an estimate. A count that stopped early leaves them unknown.

#include <atomic>
#include <string>
#include <thread>

#include "engine/CJobStatus.h"
#include "engine/JobSettings.h"

class CJobCensus
{
public:
    // Both are borrowed and must outlive the census.
    CJobCensus(const JobSettings& settings, CJobStatus& status);
    ~CJobCensus() { Stop(); }

    CJobCensus(const CJobCensus&) = delete;
    CJobCensus& operator=(const CJobCensus&) = delete;

    // Counts on a thread of its own. May throw std::system_error (no thread): the
    // totals then stay unknown.
    void Start();
    // Waits for the count's end; a stopped job ends it at its next entry.
    void Wait();
    // Ends a count still going and joins its thread.
    void Stop();
    // Counts on the calling thread until done, the job stops or Stop is called. Throws
    // nothing.
    void Run();

private:
    bool IsStopping() const { return m_bStop.load(std::memory_order_relaxed) || !m_status.IsRunning(); }
    // False when the count stopped early.
    bool CountSource(const std::string& source, bool bSingleFile);
    bool CountFolder(const std::string& folder);

    const JobSettings& m_settings;
    CJobStatus& m_status;
    std::atomic<bool> m_bStop{false};
    std::thread m_thread;
};
