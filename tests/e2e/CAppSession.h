#pragma once

// One run of the real program, driven from outside as a user would: start it, fill in
// the main dialog, press Extract, watch and stop the progress window, close it all.
// Every step waits with a time limit; a step that fails returns false and leaves a
// description of what it waited for in Error().

#include <string>

#include "tests/e2e/CAppProcess.h"

struct JOB_SETTINGS
{
    std::string password;
    bool bDirectoryMode = false;
    std::string source;
    std::string destination;
    bool bOverwrite = false; // applied in Directory to Directory mode only, where the box is enabled
};

class CAppSession
{
public:
    explicit CAppSession(std::string exePath) : m_strExePath(std::move(exePath)) {}

    // Starts the program and waits until its main dialog is visible.
    bool Start();
    HWND MainDialog() const { return m_hWndMain; }

    // Chooses the mode, then types the texts and sets the Overwrite box.
    bool Fill(const JOB_SETTINGS& settings);

    // Presses Extract and waits for the progress window to show.
    bool PressExtract();
    HWND ProgressWindow() const { return m_hWndProgress; }

    // Waits until the progress window's title starts with `prefix`; `title` gets the
    // last title read, also on a time-out.
    bool WaitForTitle(const std::string& prefix, DWORD timeoutMs, std::string& title);
    std::string Log() const;

    bool PressStop();
    // Presses Close in the progress window and waits until the main dialog is usable again.
    bool CloseProgress();
    // Presses Close in the main dialog and waits for the process to end.
    bool Close(DWORD& exitCode);

    const std::string& Error() const { return m_strError; }

private:
    bool Fail(const std::string& what);

    std::string m_strExePath;
    CAppProcess m_process;
    HWND m_hWndMain = nullptr;
    HWND m_hWndProgress = nullptr;
    std::string m_strError;
};
