#include "cli/StopSignal.h"

#ifdef _WIN32

#include <atomic>

#include "platform/Kernel32.h"

namespace
{

std::atomic<int> g_nRequests{0};
HANDLE g_hJobOver = nullptr;

// How long closing the console waits for the job; the system ends the program after
// about five seconds in any case.
constexpr DWORD CLOSE_WAIT_MS = 4500;

BOOL WINAPI OnConsoleControl(DWORD type)
{
    switch (type)
    {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
        if (g_nRequests.fetch_add(1) > 0)
            ExitProcess(130);
        return TRUE;
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
        g_nRequests.fetch_add(1);
        if (g_hJobOver != nullptr)
            WaitForSingleObject(g_hJobOver, CLOSE_WAIT_MS);
        return TRUE;
    default:
        return FALSE;
    }
}

} // namespace

void InstallStopSignal()
{
    g_hJobOver = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    SetConsoleCtrlHandler(OnConsoleControl, TRUE);
}

bool IsStopRequested() { return g_nRequests.load() > 0; }

void NotifyJobOver()
{
    if (g_hJobOver != nullptr)
        SetEvent(g_hJobOver);
}

#else

#include <csignal>
#include <unistd.h>

namespace
{

volatile std::sig_atomic_t g_bRequested = 0;

void OnStopSignal(int)
{
    if (g_bRequested)
        _exit(130);
    g_bRequested = 1;
}

} // namespace

void InstallStopSignal()
{
    struct sigaction action = {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART; // writes to the output are not cut short by a signal
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);

    struct sigaction ignore = {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGPIPE, &ignore, nullptr);
}

bool IsStopRequested() { return g_bRequested != 0; }

void NotifyJobOver() {}

#endif
