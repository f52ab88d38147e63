#pragma once

// Multibyte-aware searches and comparison of byte strings in the process's ANSI code
// page (UTF-8 where the manifest's setting takes, else the system's): a trail byte of a
// double-byte character never matches a single character.

#include <cstddef>

// The first (MbsFindNext) or last (MbsFindLast) occurrence of `c` in `text`, or null.
const char* MbsFindNext(const char* text, char c);
const char* MbsFindLast(const char* text, char c);

// Case-insensitive comparison: <0, 0 or >0 as for strcmp. On Windows characters are
// folded as the file system folds names ("É" is "é" in UTF-8 too); on Linux ASCII only.
int MbsCompareNoCase(const char* a, const char* b);

// The length of the longest start of `text`'s first `length` bytes that ends on a whole
// character: a text cut there never ends in the first bytes of a character. On Linux
// the bytes are taken as UTF-8.
std::size_t MbsWholeLength(const char* text, std::size_t length);
