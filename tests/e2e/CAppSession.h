#pragma once

// One run of the real program, started as its own process and driven from outside
// through messages alone, as a user would. Every step waits with a time limit; a step
// that fails throws std::runtime_error saying what it waited for. A process still
// running when the session goes is ended by force.

#include <functional>
#include <string>

#include <windows.h>

// Polls `condition` every 10 ms; false when it still fails after `timeoutMs`.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs);

struct JOB_SETTINGS
{
    std::string password;
    bool bDirectoryMode = false;
    std::string source;
    std::string destination;
    bool bOverwrite = false; // Directory to Directory mode only, where the box is enabled
};

class CAppSession
{
public:
    explicit CAppSession(std::string exePath) : m_strExePath(std::move(exePath)) {}
    ~CAppSession();

    CAppSession(const CAppSession&) = delete;
    CAppSession& operator=(const CAppSession&) = delete;

    void Start(); // returns once the main dialog is visible
    void Fill(const JOB_SETTINGS& settings);
    void PressExtract(); // returns once the progress window shows
    // Waits until the progress title starts with `prefix`; returns the whole title.
    std::string WaitForTitle(const std::string& prefix, DWORD timeoutMs);
    std::string ProgressText() const; // the line below the progress bar
    std::string Log() const;
    void PressStop();
    void CloseProgress(); // returns once the main dialog is usable again
    DWORD Close();        // Close in the main dialog; returns the exit code once the process ended

    HWND MainDialog() const { return m_hWndMain; }
    HWND ProgressWindow() const { return m_hWndProgress; }

private:
    std::string m_strExePath;
    HANDLE m_hProcess = nullptr;
    HWND m_hWndMain = nullptr;
    HWND m_hWndProgress = nullptr;
};
