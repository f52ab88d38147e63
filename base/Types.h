#pragma once

// The integer types of the system's interfaces, under their Win32 names so that
// every layer speaks the same vocabulary. Each has the width and the very type
// that <windows.h> gives it, so both headers may be included together.

#include <type_traits>

typedef unsigned char BYTE;
typedef unsigned int UINT;
typedef unsigned int UINT32;
typedef unsigned long long UINT64;
typedef long long INT64;

// 32 bits on every host: `unsigned long` where long is 32-bit (Windows), else `unsigned int`.
typedef std::conditional<sizeof(unsigned long) == 4, unsigned long, unsigned int>::type DWORD;
typedef std::conditional<sizeof(long) == 4, long, int>::type LONG;

// A 32-bit status in the layout of the platform's HRESULT: 0 is success, negative is failure.
typedef LONG HRESULT;

static_assert(sizeof(DWORD) == 4 && sizeof(LONG) == 4 && sizeof(UINT64) == 8, "Win32 integer widths");
