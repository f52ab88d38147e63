#pragma once

// The few things ovx-extract needs from the terminal or console, each with a POSIX and
// a Windows way: asking for a line without echo, knowing whether standard error is a
// terminal, and keeping "\n" as "\n" on standard output.

#include <string>

enum PromptResult
{
    PROMPT_OK,          // a line was read (its line end removed)
    PROMPT_NO_TERMINAL, // there is no terminal or console to ask on
    PROMPT_CANCELLED,   // the input ended before a line end (Ctrl+D, Ctrl+Z)
};

// Writes `prompt` to the terminal (POSIX: /dev/tty; Windows: the console), reads one
// line from it with echo off, restores the echo and moves to a new line. Ctrl+C while
// asking restores the echo and ends the program with status 130.
PromptResult PromptWithoutEcho(const char* prompt, std::string* line);

#ifdef _WIN32
// What was typed at the console (UTF-16) as bytes in the ANSI code page, the code page
// in which the window reads its password.
std::string ConsoleTextToAnsi(const std::wstring& text);
#endif

bool IsStandardErrorTerminal();

// Windows would turn every "\n" written to standard output into "\r\n"; the log's
// texts are written unchanged on every system.
void UseBinaryStandardOutput();
