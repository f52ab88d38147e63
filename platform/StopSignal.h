#pragma once

// Ctrl+C as a stop request. The handler only records the request; the main thread
// polls it and asks the job to stop, since a job cannot be touched from a signal
// handler. A second request ends the program at once with status 130. Caught: SIGINT
// and SIGTERM on POSIX systems (SIGPIPE is ignored, so a closed output pipe cannot
// kill the program mid-file); Ctrl+C, Ctrl+Break and closing the console on Windows.

void InstallStopSignal();

bool IsStopRequested();

// The job is over. On Windows, closing the console waits (briefly) for this, so that
// the file in progress is removed before the system ends the program.
void NotifyJobOver();
