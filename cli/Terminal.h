#pragma once

// The password prompt of ovx-extract, on the terminal or console without echo.

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
