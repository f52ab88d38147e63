#pragma once

// The real program started as a child process, as the shell would start it: no
// arguments, its own process, ended by force only if a test leaves it running.

#include <string>

#include <windows.h>

class CAppProcess
{
public:
    CAppProcess() = default;
    ~CAppProcess();

    CAppProcess(const CAppProcess&) = delete;
    CAppProcess& operator=(const CAppProcess&) = delete;

    // Starts `exePath`; false (with the system's error code in `error`) when it cannot.
    bool Start(const std::string& exePath, DWORD& error);

    DWORD ProcessId() const { return m_dwProcessId; }

    // Waits up to `timeoutMs` for the process to end; true with its exit code when it did.
    bool WaitForExit(DWORD timeoutMs, DWORD& exitCode);

private:
    HANDLE m_hProcess = nullptr;
    DWORD m_dwProcessId = 0;
};
