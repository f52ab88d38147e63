#pragma once

#include <string>

#include <windows.h>

// The password typed into `hWndEdit` as the key's bytes: its text in the system's ANSI
// code page, whatever the process's own code page is (UTF-8 where the manifest's
// setting takes), so that a password keys the cipher as it did before that setting.
std::string GetPasswordBytes(HWND hWndEdit);
