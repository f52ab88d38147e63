// The console on Windows: CONIN$ and CONOUT$ for the prompt, read as UTF-16 and handed
// on in the ANSI code page; the input's mode restored by the guard or, on Ctrl+C, by
// the control handler.

#include "platform/Console.h"

#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <io.h>

#include "platform/Kernel32.h"

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

HANDLE OpenConsole(const char* name)
{
    return CreateFileA(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                       0, nullptr);
}

} // namespace

struct CNoEchoConsole::State
{
    HANDLE hInput = INVALID_HANDLE_VALUE;
    HANDLE hOutput = INVALID_HANDLE_VALUE;
    DWORD nMode = 0;
};

CNoEchoConsole::CNoEchoConsole()
{
    auto state = std::make_unique<State>();
    state->hInput = OpenConsole("CONIN$");
    state->hOutput = OpenConsole("CONOUT$");
    if (state->hInput == INVALID_HANDLE_VALUE || state->hOutput == INVALID_HANDLE_VALUE ||
        !GetConsoleMode(state->hInput, &state->nMode))
    {
        if (state->hInput != INVALID_HANDLE_VALUE)
            CloseHandle(state->hInput);
        if (state->hOutput != INVALID_HANDLE_VALUE)
            CloseHandle(state->hOutput);
        return;
    }

    // Line input stays on (Ctrl+C still arrives as a console control event); only echo goes.
    g_hPromptInput = state->hInput;
    g_nPromptMode = state->nMode;
    SetConsoleCtrlHandler(RestoreAndExit, TRUE);
    SetConsoleMode(state->hInput, (state->nMode & ~static_cast<DWORD>(ENABLE_ECHO_INPUT)) | ENABLE_LINE_INPUT |
                                      ENABLE_PROCESSED_INPUT);
    m_pState = std::move(state);
}

CNoEchoConsole::~CNoEchoConsole()
{
    if (!m_pState)
        return;
    SetConsoleMode(m_pState->hInput, m_pState->nMode);
    SetConsoleCtrlHandler(RestoreAndExit, FALSE);
    Write("\r\n");
    CloseHandle(m_pState->hInput);
    CloseHandle(m_pState->hOutput);
}

void CNoEchoConsole::Write(const char* text)
{
    DWORD written = 0;
    WriteConsoleA(m_pState->hOutput, text, static_cast<DWORD>(std::strlen(text)), &written, nullptr);
}

bool CNoEchoConsole::ReadLine(std::string* line, std::size_t maxLength)
{
    line->clear();
    // Read as UTF-16: the console's own code page is an OEM one, but the window keys
    // the cipher with the password's bytes in the ANSI code page.
    std::wstring wide;
    wide.reserve(maxLength); // no copies of a partial password left behind by growth
    bool bLine = false;
    for (;;)
    {
        wchar_t c = 0;
        DWORD got = 0;
        if (!ReadConsoleW(m_pState->hInput, &c, 1, &got, nullptr) || got == 0 || c == 0x1A) // 0x1A: Ctrl+Z
            break;
        if (c == L'\n')
        {
            bLine = true;
            break;
        }
        if (wide.size() < maxLength)
            wide.push_back(c);
    }
    if (bLine)
        *line = ConsoleTextToAnsi(wide);
    for (wchar_t& c : wide)
        *static_cast<volatile wchar_t*>(&c) = 0;
    return bLine;
}

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

void ForbidCoreDumps() {}

bool IsStandardErrorTerminal()
{
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

void UseBinaryStandardOutput()
{
    _setmode(_fileno(stdout), _O_BINARY);
}
