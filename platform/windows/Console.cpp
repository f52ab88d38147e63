// The console on Windows: CONIN$ and CONOUT$ for the prompt, read as UTF-16 and handed
// on in the ANSI code page; the input's mode restored by the guard or, on Ctrl+C, by
// the control handler.

#include "platform/Console.h"

#include <atomic>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <io.h>

#include "platform/Kernel32.h"
#include "platform/SystemCodePage.h"

namespace
{

// The console's output code page before CConsoleOutputCodePage changed it; 0 when unchanged.
std::atomic<UINT> g_nSavedOutputCodePage{0};

// The console input whose echo is off, and its mode before, for the control handler.
HANDLE g_hPromptInput = INVALID_HANDLE_VALUE;
DWORD g_nPromptMode = 0;

BOOL WINAPI RestoreAndExit(DWORD)
{
    SetConsoleMode(g_hPromptInput, g_nPromptMode);
    RestoreConsoleOutputCodePage();
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
    // the cipher with the password's bytes in the system's ANSI code page.
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
    return WideToSystemAnsi(text);
}

void ForbidCoreDumps() {}

bool IsStandardErrorTerminal()
{
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

bool IsStandardOutputTerminal()
{
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) != 0;
}

void UseBinaryStandardOutput()
{
    _setmode(_fileno(stdout), _O_BINARY);
}

void UseBinaryStandardError()
{
    _setmode(_fileno(stderr), _O_BINARY);
}

HRESULT WriteStandardOutput(const void* data, UINT64 count, UINT64* written)
{
    const HANDLE hOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    UINT64 done = 0;
    HRESULT hr = RESULT_OK;
    while (done < count)
    {
        // WriteFile takes 32-bit counts.
        const DWORD piece = static_cast<DWORD>(count - done < 0x40000000 ? count - done : 0x40000000);
        DWORD put = 0;
        if (!WriteFile(hOutput, static_cast<const char*>(data) + done, piece, &put, nullptr) || put == 0)
        {
            const DWORD error = GetLastError();
            hr = ResultFromWin32(error != 0 ? error : ERROR_WRITE_FAULT);
            break;
        }
        done += put;
    }
    if (written != nullptr)
        *written = done;
    return hr;
}

CConsoleOutputCodePage::CConsoleOutputCodePage()
{
    DWORD mode = 0;
    const bool bConsole = GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) != 0 ||
                          GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
    if (!bConsole || GetACP() != CP_UTF8)
        return;
    const UINT saved = GetConsoleOutputCP();
    if (saved != CP_UTF8 && SetConsoleOutputCP(CP_UTF8))
        g_nSavedOutputCodePage = saved;
}

CConsoleOutputCodePage::~CConsoleOutputCodePage()
{
    RestoreConsoleOutputCodePage();
}

void RestoreConsoleOutputCodePage()
{
    const UINT saved = g_nSavedOutputCodePage.exchange(0);
    if (saved != 0)
        SetConsoleOutputCP(saved);
}
