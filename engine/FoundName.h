#pragma once

// The name a directory search hands over in WIN32_FIND_DATAA, checked for fitting its
// MAX_PATH bytes. In UTF-8 a name of 255 characters can take up to 765 bytes; the
// system then either fails the call (ERROR_MORE_DATA, ERROR_FILENAME_EXCED_RANGE) or
// hands over the name cut short, without its terminating NUL. Such a name must never
// be used: cut, it could name another file.
//
// Notes: mark the entry before every FindFirstFileA and FindNextFileA, so that a cut
// name cannot borrow a NUL left there by an earlier, shorter one.

#include <string>

#include "platform/Kernel32.h"

// Fills the name with "?", which no file name contains and no multibyte character ends in.
void MarkFoundName(WIN32_FIND_DATAA* entry);

// Makes the entry's name count as cut, for a search that failed because it did not fit.
void MarkFoundNameCut(WIN32_FIND_DATAA* entry);

// True when the search wrote the whole name, its NUL included.
bool IsFoundNameWhole(const WIN32_FIND_DATAA& entry);

// True for the errors of a search whose name did not fit.
bool IsNameOverflow(HRESULT hr);

// What can be shown of a name that did not fit: its whole characters before the first
// "?" (the mark) or NUL, then "...".
std::string GetFoundNameStart(const WIN32_FIND_DATAA& entry);
