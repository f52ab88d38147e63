#include "cli/Terminal.h"

#include <cstdio>
#include <cstring>
#include <string>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>

#include "platform/Kernel32.h"
#else
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>
#endif

namespace
{

// Longest line kept; the rest of a longer line is read and dropped, and the line is
// marked too long by keeping one byte more than any usable password.
constexpr size_t MAX_PROMPT_LINE = 1024;

template <class Text> void AppendLimited(Text* line, typename Text::value_type c)
{
    if (line->size() < MAX_PROMPT_LINE)
        line->push_back(c);
}

} // namespace

#ifdef _WIN32

namespace
{

// The console input whose echo is off, and its mode before, for the control handler.
HANDLE g_hPromptInput = INVALID_HANDLE_VALUE;
DWORD g_nPromptMode = 0;

BOOL WINAPI RestoreAndExit(DWORD)
{
    SetConsoleMode(g_hPromptInput, g_nPromptMode);
    ExitProcess(130);
    return TRUE;
}

} // namespace

std::string ConsoleTextToAnsi(const std::wstring& text)
{
    if (text.empty())
        return std::string();
    const int length = static_cast<int>(text.size());
    // Flags 0: the conversion an ANSI window applies to what is typed into its edits.
    const int size = WideCharToMultiByte(CP_ACP, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    std::string ansi(static_cast<size_t>(size > 0 ? size : 0), '\0');
    if (size > 0)
        WideCharToMultiByte(CP_ACP, 0, text.data(), length, ansi.data(), size, nullptr, nullptr);
    return ansi;
}

PromptResult PromptWithoutEcho(const char* prompt, std::string* line)
{
    line->clear();
    HANDLE hInput = CreateFileA("CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    HANDLE hOutput = CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, 0, nullptr);
    DWORD mode = 0;
    if (hInput == INVALID_HANDLE_VALUE || hOutput == INVALID_HANDLE_VALUE || !GetConsoleMode(hInput, &mode))
    {
        if (hInput != INVALID_HANDLE_VALUE)
            CloseHandle(hInput);
        if (hOutput != INVALID_HANDLE_VALUE)
            CloseHandle(hOutput);
        return PROMPT_NO_TERMINAL;
    }

    DWORD written = 0;
    WriteConsoleA(hOutput, prompt, static_cast<DWORD>(strlen(prompt)), &written, nullptr);
    // Line input stays on (Ctrl+C still arrives as a console control event); only echo goes.
    g_hPromptInput = hInput;
    g_nPromptMode = mode;
    SetConsoleCtrlHandler(RestoreAndExit, TRUE);
    SetConsoleMode(hInput, (mode & ~static_cast<DWORD>(ENABLE_ECHO_INPUT)) | ENABLE_LINE_INPUT |
                               ENABLE_PROCESSED_INPUT);

    // Read as UTF-16: the console's own code page is an OEM one, but the window keys
    // the cipher with the password's bytes in the ANSI code page.
    std::wstring wide;
    wide.reserve(MAX_PROMPT_LINE); // no copies of a partial password left behind by growth
    PromptResult result = PROMPT_CANCELLED;
    for (;;)
    {
        wchar_t c = 0;
        DWORD got = 0;
        if (!ReadConsoleW(hInput, &c, 1, &got, nullptr) || got == 0 || c == 0x1A) // 0x1A: Ctrl+Z
            break;
        if (c == L'\n')
        {
            result = PROMPT_OK;
            break;
        }
        AppendLimited(&wide, c);
    }
    if (result == PROMPT_OK && !wide.empty() && wide.back() == L'\r')
        wide.pop_back();
    if (result == PROMPT_OK)
        *line = ConsoleTextToAnsi(wide);
    for (wchar_t& c : wide)
        *static_cast<volatile wchar_t*>(&c) = 0;

    SetConsoleMode(hInput, mode);
    SetConsoleCtrlHandler(RestoreAndExit, FALSE);
    WriteConsoleA(hOutput, "\r\n", 2, &written, nullptr);
    CloseHandle(hInput);
    CloseHandle(hOutput);
    return result;
}

bool IsStandardErrorTerminal()
{
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

void UseBinaryStandardOutput()
{
    _setmode(_fileno(stdout), _O_BINARY);
}

#else

namespace
{

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

PromptResult PromptWithoutEcho(const char* prompt, std::string* line)
{
    line->clear();
    int terminal = open("/dev/tty", O_RDWR | O_CLOEXEC);
    if (terminal < 0)
        return PROMPT_NO_TERMINAL;
    struct termios settings;
    if (tcgetattr(terminal, &settings) != 0)
    {
        close(terminal);
        return PROMPT_NO_TERMINAL;
    }

    // A signal while the echo is off must not leave the terminal without echo.
    g_nTerminal = terminal;
    g_savedSettings = settings;
    struct sigaction restore = {};
    restore.sa_handler = RestoreAndExit;
    sigemptyset(&restore.sa_mask);
    struct sigaction previous[3];
    const int signals[3] = {SIGINT, SIGTERM, SIGHUP};
    for (int i = 0; i < 3; ++i)
        sigaction(signals[i], &restore, &previous[i]);

    // Echo goes off before the prompt shows, so nothing typed in answer is ever echoed;
    // what was typed ahead of the prompt is dropped.
    struct termios quiet = settings;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    tcsetattr(terminal, TCSAFLUSH, &quiet);
    [[maybe_unused]] ssize_t ignored = write(terminal, prompt, strlen(prompt));

    PromptResult result = PROMPT_CANCELLED;
    for (;;)
    {
        char c = 0;
        ssize_t got = read(terminal, &c, 1);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        if (c == '\n')
        {
            result = PROMPT_OK;
            break;
        }
        AppendLimited(line, c);
    }
    if (result == PROMPT_OK && !line->empty() && line->back() == '\r')
        line->pop_back();

    tcsetattr(terminal, TCSAFLUSH, &settings);
    ignored = write(terminal, "\n", 1);
    for (int i = 0; i < 3; ++i)
        sigaction(signals[i], &previous[i], nullptr);
    g_nTerminal = -1;
    close(terminal);
    return result;
}

bool IsStandardErrorTerminal()
{
    return isatty(STDERR_FILENO) != 0;
}

void UseBinaryStandardOutput()
{
}

#endif
