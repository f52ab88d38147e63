#pragma once

// Text whose bytes must not depend on the process's own code page. The key is the
// password's bytes in the system's ANSI code page, the one programs get that do not
// choose their own; the programs choose UTF-8 for names, so the password is read as
// UTF-16 and converted here (Windows). On Linux text is kept as it comes.

#include <string>

#ifdef _WIN32
#include "platform/Kernel32.h"

// The system's ANSI code page: the registry's Nls\CodePage\ACP, which is what GetACP
// gives a program without a code page of its own (also where the system itself runs in
// UTF-8); else, and always under Wine, the ANSI code page of the system's default
// locale; else the process's.
UINT GetSystemAnsiCodePage();

// `text` in the system's ANSI code page, converted as an ANSI window converts what is
// typed into its edits (best fit, "?" for what the code page cannot spell).
std::string WideToSystemAnsi(const std::wstring& text);
#endif

// The value of the environment variable `name` as the key's bytes (see above). False
// when it is not set.
bool GetEnvironmentBytes(const char* name, std::string* value);
