#pragma once

// How this system spells paths: the separator the engine joins folder levels with, and
// the names that a path can spell at all.

#ifdef _WIN32

constexpr char FOLDER_SEPARATOR = '\\';

// Windows lists only names its paths spell.
inline bool IsNameUsableInPath(const char*) { return true; }

#else

// Log lines then read as the user typed the paths.
constexpr char FOLDER_SEPARATOR = '/';

// False for a name that a path of the Linux layer reads as another one: holding a "\"
// ("a\b" is two levels) or ending in a dot or blank ("a." is "a").
bool IsNameUsableInPath(const char* name);

#endif
