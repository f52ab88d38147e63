#pragma once

// The console or terminal that ovx-extract talks to: a prompt without echo, whether
// standard error or output is a terminal, standard output without line-end translation,
// and raw writes to standard output. One
// implementation per system: platform/windows/Console.cpp, platform/linux/Console.cpp.

#include <cstddef>
#include <memory>
#include <string>

#include "base/Result.h"

// The terminal (POSIX: /dev/tty) or the console (Windows: CONIN$ and CONOUT$), open
// with echo off for as long as the object lives. The destructor restores the echo and
// the console mode, moves to a new line and closes the terminal, on every path; a stop
// signal (Ctrl+C) in between restores them too and ends the program with status 130.
// One at a time per process.
class CNoEchoConsole
{
public:
    CNoEchoConsole();
    ~CNoEchoConsole();

    CNoEchoConsole(const CNoEchoConsole&) = delete;
    CNoEchoConsole& operator=(const CNoEchoConsole&) = delete;

    // False when there is no terminal or console to ask on; nothing else works then.
    bool IsOpen() const { return m_pState != nullptr; }

    void Write(const char* text);

    // Reads up to and including a line end. `line` gets what came before it, at most
    // maxLength characters (the rest of a longer line is read and dropped), as bytes in
    // the ANSI code page: POSIX keeps the bytes typed, Windows converts what was typed.
    // False when the input ended before a line end (Ctrl+D, Ctrl+Z, a failed read).
    bool ReadLine(std::string* line, std::size_t maxLength);

private:
    struct State;
    std::unique_ptr<State> m_pState;
};

bool IsStandardErrorTerminal();
bool IsStandardOutputTerminal();

// Keeps the process from leaving a core dump (and from being traced by other processes
// of the user), so that a password or key held in memory never reaches a dump file.
// For the rest of the process's life. Linux only: Windows has no such per-process
// switch, and does nothing here.
void ForbidCoreDumps();

// Windows would turn every "\n" written to standard output into "\r\n"; the log's
// texts are written unchanged on every system. Standard error too, where it takes the log.
void UseBinaryStandardOutput();
void UseBinaryStandardError();

// Writes to the standard output handle itself, past the C library's buffer, so that a
// failure (a closed pipe, a full disk) is known at once. Returns 0 when all `count`
// bytes went out, else the system's error as a result code; `written` (may be null)
// tells how many did. Nothing else may write to standard output through stdio meanwhile.
HRESULT WriteStandardOutput(const void* data, UINT64 count, UINT64* written);

// While it lives, a console that standard output or standard error writes to shows the
// log's bytes as UTF-8 when that is the process's code page (Windows): the console's
// output code page is set to UTF-8 and restored by the destructor, or by
// RestoreConsoleOutputCodePage on a path that ends the program at once. Output that goes
// to a file or a pipe is written unchanged; on Linux nothing changes. One at a time per
// process.
class CConsoleOutputCodePage
{
public:
    CConsoleOutputCodePage();
    ~CConsoleOutputCodePage();

    CConsoleOutputCodePage(const CConsoleOutputCodePage&) = delete;
    CConsoleOutputCodePage& operator=(const CConsoleOutputCodePage&) = delete;
};

void RestoreConsoleOutputCodePage();

#ifdef _WIN32
// What was typed at the console (UTF-16) as bytes in the system's ANSI code page, the
// bytes in which the window keys the cipher with its password.
std::string ConsoleTextToAnsi(const std::wstring& text);
#endif
