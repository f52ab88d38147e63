// SIGINT and SIGTERM as stop requests; SIGPIPE ignored.

#include "platform/StopSignal.h"

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
