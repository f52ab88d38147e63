#pragma once

// Multibyte-aware searches and comparison of byte strings in the system's ANSI code
// page: a trail byte of a double-byte character never matches a single character.

// The first (MbsFindNext) or last (MbsFindLast) occurrence of `c` in `text`, or null.
const char* MbsFindNext(const char* text, char c);
const char* MbsFindLast(const char* text, char c);

// Case-insensitive comparison: <0, 0 or >0 as for strcmp.
int MbsCompareNoCase(const char* a, const char* b);
