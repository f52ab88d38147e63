#pragma once

// The job's display on a console: log texts go unchanged to the log stream (standard
// output) as they are reported, the finish adds a line end and the line
// "Finished - N file(s) extracted", and an optional progress line is redrawn in place
// on a second stream (standard error on a terminal). The counts come from the job's
// file results, never from the wording of its log.
//
// The worker reports; the main thread waits for the finish and redraws the progress
// line. A log text first erases a drawn progress line, so the two never mix on one
// terminal. The main thread never waits for a report being printed: it skips that
// redraw instead, so it stays free to pass on a stop request.
//
// A test report (--test) shows one line per file instead of the log: "'<source>': OK",
// or the source and the failure texts the job logged for it; then
// "Tested - N file(s) OK, M failed".

#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <string>

#include "engine/IJobDisplay.h"
#include "engine/JobProgress.h"

class CConsoleDisplay : public IJobDisplay
{
public:
    // `pProgress` may be null: no progress line. bTestReport: the test report.
    CConsoleDisplay(FILE* pLog, FILE* pProgress, bool bTestReport = false);

    CConsoleDisplay(const CConsoleDisplay&) = delete;
    CConsoleDisplay& operator=(const CConsoleDisplay&) = delete;

    void ShowLogText(const char* text) override;
    void ShowFileResult(const FileResult& result) override;
    void ShowRunning() override;
    void ShowFinished(UINT nExtracted) override;

    // Main thread. True once the finish has been shown; waits at most `milliseconds`.
    bool WaitFinished(int milliseconds);
    // Redraws the progress line with the job's progress and the seconds since the
    // start; does nothing while a report is being printed.
    void DrawProgress(const JobProgress& progress, double seconds);
    void ClearProgress();

    // After the finish: true when every result the job reported was an extracted file.
    bool AllFilesExtracted();

private:
    void EraseProgressLocked();

    FILE* m_pLog;
    FILE* m_pProgress;
    const bool m_bTestReport;
    std::string m_strFileTexts; // test report: the texts logged since the last result
    std::mutex m_mutex;
    std::condition_variable m_finished;
    bool m_bFinished = false;
    UINT m_nResults = 0;         // files (and unread folders) with a result
    UINT m_nExtracted = 0;       // results of extracted files
    size_t m_nProgressWidth = 0; // characters of the drawn progress line; 0: none drawn
};

// `text` with every control character (bytes 1 to 31 and 127) shown as "\xNN", so that a
// file name cannot forge log lines or drive the terminal. With bKeepOuterLineEnds the
// line ends at its start and end stay: those are the log's own; names sit inside.
std::string EscapeControlCharacters(const std::string& text, bool bKeepOuterLineEnds);

// "file 3, 12.4 MiB, 85.2 MiB/s": the file the job works on (counted from 1), the
// bytes done, and the average rate; once the totals are known
// "file 3 of 10, 12.4 of 40.0 MiB (31%), 85.2 MiB/s, about 1.2 s left".
std::string FormatProgressLine(UINT nFile, const JobProgress& progress, double seconds);
