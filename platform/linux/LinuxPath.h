#pragma once

// Turning a Win32 path into the path the Linux system calls take.

#include <string>

// "\" becomes "/", and names are trimmed as Windows trims them: the last component
// loses all its trailing dots and blanks ("notes. " names "notes"), a folder component
// one trailing dot ("sub.\x" is "sub/x"). Components made only of dots and blanks
// ("." and "..") stay as they are.
std::string ToLinuxPath(const char* path);

// The folder that holds `path` ("." for a bare name, "/" for a name in the root).
std::string ParentFolderOf(const std::string& linuxPath);
