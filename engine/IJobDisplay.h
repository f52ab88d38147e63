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

// One result per source file the job considered, after that file's log texts. A source
// folder whose files the job could not reach (its destination folder could not be
// created, it could not be listed, or an exception abandoned the rest of the job) is
// reported as one failed result too, with the folder as its source.
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

    // The job runs: title "Extracting...", Stop enabled, Close disabled.
    virtual void ShowRunning() = 0;

    // The job finished: title "Finished - %u file(s) extracted" with the count,
    // Stop disabled, Close enabled.
    virtual void ShowFinished(UINT nExtracted) = 0;
};
