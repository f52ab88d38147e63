#pragma once

// Stop requests from outside: Ctrl+C, the terminal or console going away, the system
// ending the session. The handler only records the request; the main thread polls it
// and asks the job to stop, since a job cannot be touched from a signal handler; the
// file in progress is then removed as on Stop.
//
// POSIX: SIGINT, SIGTERM and SIGHUP (SIGPIPE is ignored, so a closed output pipe cannot
// kill the program mid-file). Windows: Ctrl+C and Ctrl+Break, and the console's close,
// logoff and shutdown events, after which the system ends the program as soon as the
// handler returns: the handler waits for the job to wind up first, within the system's
// time limit. A second Ctrl+C (or Ctrl+Break) ends the program at once with status 130;
// repeats of the others do not.

void InstallStopSignal();

bool IsStopRequested();

// The job is over: a handler waiting for it may return.
void NotifyJobOver();
