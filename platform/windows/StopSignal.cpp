// Ctrl+C, Ctrl+Break and the console's close, logoff and shutdown events as stop
// requests, through a console control handler.

#include "platform/StopSignal.h"

#include <atomic>

#include "platform/Console.h"
#include "platform/Kernel32.h"

namespace
{

std::atomic<int> g_nRequests{0};
HANDLE g_hJobOver = nullptr;

// How long a close, logoff or shutdown waits for the job; the system ends the program
// after about five seconds in any case (the shortest of its limits, the close's).
constexpr DWORD CLOSE_WAIT_MS = 4500;

BOOL WINAPI OnConsoleControl(DWORD type)
{
    switch (type)
    {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
        if (g_nRequests.fetch_add(1) > 0)
        {
            RestoreConsoleOutputCodePage();
            ExitProcess(130);
        }
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
