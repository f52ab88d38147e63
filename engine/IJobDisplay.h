#pragma once

// What a front end shows of a running job. The job calls these from whichever
// thread reports (log texts, file results and the finish come from the worker); an
// implementation carries each call out on its own thread and returns only when it is
// done, so the display follows the order of the reports.

#include <string>

#include "base/Result.h"

// What became of one thing the job was to extract.
enum FileOutcome
{
    FILE_EXTRACTED, // decoded completely into the destination
    FILE_EXISTS,    // skipped: the destination exists and may not be replaced
    FILE_FAILED,    // not extracted; the result code says why
};

// One result per source file the job considered, after that file's log texts. Work the
// job could not get to is one failed result too: a source folder whose destination
// folder could not be created or which could not be listed (the folders as source and
// destination), an entry whose name no path can spell (no destination), and the rest
// of a job that an exception abandoned (the job's source and destination).
struct FileResult
{
    const std::string& strSource;
    const std::string& strDestination; // empty when there is none to name
    FileOutcome outcome;
    HRESULT hr; // RESULT_OK, EXTRACT_E_EXISTS, or the failure
};

class IJobDisplay
{
public:
    virtual ~IJobDisplay() = default;

    // One formatted log text (at most 1,023 characters) with its own "\n" line ends.
    virtual void ShowLogText(const char* text) = 0;

    // The outcome of one file, as data; the log texts stay the people's account of it.
    virtual void ShowFileResult(const FileResult& result) = 0;

    // The job is running: it can be stopped, and it is not finished.
    virtual void ShowRunning() = 0;

    // The job has finished, with nExtracted files extracted (or, verifying, passed);
    // nothing more will be reported.
    virtual void ShowFinished(UINT nExtracted) = 0;
};
