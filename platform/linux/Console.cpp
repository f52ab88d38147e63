// The terminal on POSIX systems: /dev/tty for the prompt, its settings restored by the
// guard or, on a signal, by the handler.

#include "platform/Console.h"

#include <cerrno>
#include <csignal>
#include <cstring>

#include <fcntl.h>
#include <sys/prctl.h>
#include <termios.h>
#include <unistd.h>

#include "platform/linux/LinuxErrors.h"

namespace
{

constexpr int PROMPT_SIGNALS[] = {SIGINT, SIGTERM, SIGHUP};
constexpr int PROMPT_SIGNAL_COUNT = sizeof(PROMPT_SIGNALS) / sizeof(PROMPT_SIGNALS[0]);

// The terminal whose echo is off, and its settings before, for the signal handler.
int g_nTerminal = -1;
struct termios g_savedSettings;

void RestoreAndExit(int)
{
    tcsetattr(g_nTerminal, TCSAFLUSH, &g_savedSettings);
    const char newLine = '\n';
    [[maybe_unused]] ssize_t ignored = write(g_nTerminal, &newLine, 1);
    _exit(130);
}

} // namespace

struct CNoEchoConsole::State
{
    int terminal = -1;
    struct termios settings;
    struct sigaction previous[PROMPT_SIGNAL_COUNT];
};

CNoEchoConsole::CNoEchoConsole()
{
    auto state = std::make_unique<State>();
    state->terminal = open("/dev/tty", O_RDWR | O_CLOEXEC);
    if (state->terminal < 0)
        return;
    if (tcgetattr(state->terminal, &state->settings) != 0)
    {
        close(state->terminal);
        return;
    }

    // A signal while the echo is off must not leave the terminal without echo.
    g_nTerminal = state->terminal;
    g_savedSettings = state->settings;
    struct sigaction restore = {};
    restore.sa_handler = RestoreAndExit;
    sigemptyset(&restore.sa_mask);
    for (int i = 0; i < PROMPT_SIGNAL_COUNT; ++i)
        sigaction(PROMPT_SIGNALS[i], &restore, &state->previous[i]);

    // Echo goes off before anything is shown, so nothing typed in answer is ever
    // echoed; what was typed ahead of the prompt is dropped.
    struct termios quiet = state->settings;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    tcsetattr(state->terminal, TCSAFLUSH, &quiet);
    m_pState = std::move(state);
}

CNoEchoConsole::~CNoEchoConsole()
{
    if (!m_pState)
        return;
    tcsetattr(m_pState->terminal, TCSAFLUSH, &m_pState->settings);
    Write("\n");
    for (int i = 0; i < PROMPT_SIGNAL_COUNT; ++i)
        sigaction(PROMPT_SIGNALS[i], &m_pState->previous[i], nullptr);
    g_nTerminal = -1;
    close(m_pState->terminal);
}

void CNoEchoConsole::Write(const char* text)
{
    [[maybe_unused]] ssize_t ignored = write(m_pState->terminal, text, std::strlen(text));
}

bool CNoEchoConsole::ReadLine(std::string* line, std::size_t maxLength)
{
    line->clear();
    for (;;)
    {
        char c = 0;
        ssize_t got = read(m_pState->terminal, &c, 1);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        if (c == '\n')
            return true;
        if (line->size() < maxLength)
            line->push_back(c);
    }
}

void ForbidCoreDumps()
{
    prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
}

bool IsStandardErrorTerminal()
{
    return isatty(STDERR_FILENO) != 0;
}

bool IsStandardOutputTerminal()
{
    return isatty(STDOUT_FILENO) != 0;
}

HRESULT WriteStandardOutput(const void* data, UINT64 count, UINT64* written)
{
    UINT64 done = 0;
    HRESULT hr = RESULT_OK;
    while (done < count)
    {
        const ssize_t put = write(STDOUT_FILENO, static_cast<const char*>(data) + done, count - done);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
        {
            hr = ResultFromWin32(put < 0 ? Win32ErrorFromErrno(errno) : ERROR_WRITE_FAULT);
            break;
        }
        done += static_cast<UINT64>(put);
    }
    if (written != nullptr)
        *written = done;
    return hr;
}

void UseBinaryStandardOutput()
{
}

void UseBinaryStandardError()
{
}

CConsoleOutputCodePage::CConsoleOutputCodePage() = default;
CConsoleOutputCodePage::~CConsoleOutputCodePage() = default;
void RestoreConsoleOutputCodePage() {}
