#pragma once

// Runs the built ovx-extract as a child process: standard input empty, standard output
// and error written to files, OVX_PASSWORD set to `password` (removed when null), and no
// terminal or console of its own, so it cannot prompt, unless a POSIX test passes the
// slave descriptor of a pseudo-terminal as `terminal`.

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/TempFolder.h"

struct ChildResult
{
    int nStatus; // -1: ended by force after the timeout; POSIX: 128 + signal when one ended it
    std::string strOutput;
    std::string strErrors;
};

class ChildProcess
{
public:
    ChildProcess(const std::vector<std::string>& arguments, const char* password, int terminal = -1);
    ~ChildProcess() { End(0); }

    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Waits for the end (at most `timeoutMs`, then ends it by force).
    ChildResult Wait(int timeoutMs);
#ifndef _WIN32
    // Waits until standard output contains `text`; false after `timeoutMs`.
    bool WaitForOutput(const std::string& text, int timeoutMs);
    void Signal(int number);
#endif

private:
    void End(int timeoutMs);

    TempFolder m_logs;
    std::intptr_t m_process = 0; // POSIX: the pid; Windows: the process handle
    int m_nStatus = -1;
};

// Runs ovx-extract to its end (at most 60 s).
ChildResult RunExtract(const std::vector<std::string>& arguments, const char* password);
