#pragma once

// A folder tree whose names lie outside code pages 1252 and 932 (Chinese, Ukrainian,
// accented Latin, Greek, an emoji of four UTF-8 bytes), for a Directory to Directory job
// of a front end. Files are made and listed through the system's UTF-16 calls, so what
// they hold does not depend on the test program's own code page. Windows only.

#ifdef _WIN32

#include <string>
#include <vector>

#include "base/Types.h"

// "pässwörd" as the window and ovx-extract read it, and its key: its bytes in code page
// 1252, as every earlier build keyed it on a Western system.
inline const char UNICODE_TREE_PASSWORD[] = "p\xC3\xA4ssw\xC3\xB6rd";
inline const std::string UNICODE_TREE_KEY = "p\xE4ssw\xF6rd";

struct UNICODE_TREE_FILE
{
    std::string source; // UTF-8, relative to the source folder, "\" between levels
    std::string output; // the same for the output under the destination
    std::vector<BYTE> plain;
};

// The tree's .ovx files, keyed with `key`, and a file that is no .ovx, written below
// `sourceFolder` (an ASCII path ending in "\"). Returns the .ovx files.
std::vector<UNICODE_TREE_FILE> WriteUnicodeTree(const std::string& sourceFolder, const std::string& key);

// Everything below `folder`, sorted, as UTF-8 relative paths with "\" between levels,
// folders ending in "\".
std::vector<std::string> ListFolderUtf8(const std::string& folder);

// The contents of the file at `path` (UTF-8).
std::vector<BYTE> ReadFileUtf8(const std::string& path);

#endif
