#pragma once

// What a front end shows of a running job. The job calls these from whichever
// thread reports (log texts and the finish come from the worker); an implementation
// carries each call out on its own thread and returns only when it is done, so the
// display follows the order of the reports.

#include "base/Types.h"

class IJobDisplay
{
public:
    virtual ~IJobDisplay() = default;

    // One formatted log text (at most 1,023 characters) with its own "\n" line ends.
    virtual void ShowLogText(const char* text) = 0;

    // The job runs: title "Extracting...", Stop enabled, Close disabled.
    virtual void ShowRunning() = 0;

    // The job finished: title "Finished - %u file(s) extracted" with the count,
    // Stop disabled, Close enabled.
    virtual void ShowFinished(UINT nExtracted) = 0;
};
