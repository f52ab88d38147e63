#pragma once

// The kernel32 subset the engine uses: files, folders, directory search, last error,
// interlocked operations and multibyte-aware string routines. On Windows these are the
// system's own; elsewhere platform/linux provides them with the same names, constants
// and error numbers. This is the only place in the tree that looks at the OS.

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <mbstring.h>
#else
#include "platform/linux/Kernel32Linux.h"
#endif

#include "base/Result.h"

// The calling thread's last error as a result code: 0x80070000 | (e & 0xFFFF) for e > 0.
inline HRESULT HResultFromLastError() { return ResultFromWin32(GetLastError()); }
