// SIGINT, SIGTERM and SIGHUP as stop requests; SIGPIPE ignored.

#include "platform/StopSignal.h"

#include <atomic>
#include <csignal>
#include <unistd.h>

namespace
{

// Any thread may take the signal: a lock-free atomic, not a volatile flag, carries the
// request from that thread's handler to the thread that watches it.
std::atomic<int> g_bRequested{0};
static_assert(std::atomic<int>::is_always_lock_free, "a signal handler may only use lock-free atomics");

// Ctrl+C: the second one ends the program at once.
void OnInterrupt(int)
{
    if (g_bRequested)
        _exit(130);
    g_bRequested = 1;
}

// The end of the session (SIGHUP: the terminal went away) or the system's request
// (SIGTERM) often comes twice, from the kernel and again from the shell: never a reason
// to leave the file in progress behind.
void OnEndRequest(int)
{
    g_bRequested = 1;
}

void Catch(int number, void (*handler)(int))
{
    struct sigaction action = {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART; // writes to the output are not cut short by a signal
    sigaction(number, &action, nullptr);
}

} // namespace

void InstallStopSignal()
{
    Catch(SIGINT, OnInterrupt);
    Catch(SIGTERM, OnEndRequest);
    Catch(SIGHUP, OnEndRequest);
    Catch(SIGPIPE, SIG_IGN);
}

bool IsStopRequested()
{
    return g_bRequested != 0;
}

void NotifyJobOver() {}
