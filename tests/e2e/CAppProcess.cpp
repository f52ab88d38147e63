#include "tests/e2e/CAppProcess.h"

CAppProcess::~CAppProcess()
{
    if (m_hProcess == nullptr)
        return;
    // A test that failed half-way must not leave a window behind for the next one.
    if (WaitForSingleObject(m_hProcess, 0) == WAIT_TIMEOUT)
    {
        TerminateProcess(m_hProcess, 0xDEAD);
        WaitForSingleObject(m_hProcess, 5000);
    }
    CloseHandle(m_hProcess);
}

bool CAppProcess::Start(const std::string& exePath, DWORD& error)
{
    std::string commandLine = "\"" + exePath + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(exePath.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
    {
        error = GetLastError();
        return false;
    }
    CloseHandle(process.hThread);
    m_hProcess = process.hProcess;
    m_dwProcessId = process.dwProcessId;
    error = 0;
    return true;
}

bool CAppProcess::WaitForExit(DWORD timeoutMs, DWORD& exitCode)
{
    if (m_hProcess == nullptr || WaitForSingleObject(m_hProcess, timeoutMs) != WAIT_OBJECT_0)
        return false;
    return GetExitCodeProcess(m_hProcess, &exitCode) != 0;
}
