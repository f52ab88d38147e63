#pragma once

// Turning a Win32 path into the path the Linux system calls take.

#include <string>

// "\" becomes "/"; every path component loses its trailing dots and blanks as under
// Windows ("notes." and "notes " name "notes"), except components made only of dots
// and blanks ("." and ".."), which stay as they are.
std::string ToLinuxPath(const char* path);

// The folder that holds `path` ("." for a bare name, "/" for a name in the root).
std::string ParentFolderOf(const std::string& linuxPath);
