#pragma once

// Runs a program as a child process for end-to-end tests: its standard output and
// error captured through pipes, standard input empty, no terminal or console of its
// own (so it cannot prompt), and this process's environment less OVX_PASSWORD plus the
// given "NAME=value" entries. On POSIX systems a test may give the child a pseudo-
// terminal (the slave's descriptor) as its controlling terminal instead.

#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class ChildProcess
{
public:
    ChildProcess(const std::vector<std::string>& arguments, const std::vector<std::string>& environment,
                 int terminal = -1);
    ~ChildProcess(); // ends a child still running

    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Started() const { return m_bStarted; }

    // Waits until standard output contains `text`; false on timeout or when the child's
    // output ended without it.
    bool WaitForOutput(const std::string& text, int timeoutMs);

    // POSIX: sends SIGINT.
    void Interrupt();

    // Waits for the end and returns the exit status (POSIX: 128 + signal when a signal
    // ended it); -1 after `timeoutMs`, when the child is ended by force.
    int Wait(int timeoutMs);

    std::string Output();
    std::string Errors();

private:
    void ReadPipe(std::intptr_t pipe, std::string* sink);

    bool m_bStarted = false;
    bool m_bWaited = false;
    int m_nStatus = -1;
    std::intptr_t m_process = 0; // POSIX: the pid; Windows: the process handle
    std::thread m_outputReader;
    std::thread m_errorReader;
    std::mutex m_mutex;
    std::string m_strOutput;
    std::string m_strErrors;
    bool m_bOutputEnded = false;
};

struct ChildResult
{
    int nStatus;
    std::string strOutput;
    std::string strErrors;
};

// Runs the program to its end (at most 60 s).
ChildResult RunChild(const std::vector<std::string>& arguments, const std::vector<std::string>& environment = {});
