#pragma once

// Path rules of the engine: folder-path normalisation, destination names, the ".ovx"
// match and the creation of destination folders. Paths are byte strings in the ANSI
// code page, searched multibyte-aware (a trail byte never counts as "\", "/" or ".").
// Both "\" and "/" separate levels; the engine joins levels with the system's own
// FOLDER_SEPARATOR ("\" on Windows, "/" on Linux).

#include <string>

#include "base/Types.h"

// Strips every trailing "\" and "/", then appends one FOLDER_SEPARATOR. An empty path
// becomes the separator alone.
std::string NormalizeFolderPath(const std::string& path);

// The file a source decodes into: destinationFolder followed by the source's file
// name less everything from its last dot on. The file name starts after the last
// "\" or "/"; a source without a dot in its file name gives the folder itself.
std::string GetDestinationName(const std::string& source, const std::string& destinationFolder);

// The folder part of a path: everything up to and including its last "\" or "/"; empty
// for a bare name.
std::string GetFolderOf(const std::string& path);

// True for a file name whose text from its last dot on is ".ovx", in any case.
bool IsOvxFileName(const char* name);

// True when both paths (of folders or files) name the same one by their spelling: each made
// absolute from the current folder with its "." and ".." levels resolved as the system
// does, then compared without regard to case, with "/" and "\" as the same separator
// and doubled separators ignored. Links are not resolved.
bool IsSamePath(const std::string& a, const std::string& b);

// What a path names, by one GetFileAttributesA: a file, a folder, or nothing that the
// system would say (the last error then tells why).
enum PathKind
{
    PATH_NONE,
    PATH_FILE,
    PATH_FOLDER,
};
PathKind GetPathKind(const char* path);

// Creates every missing level of a folder path from the top down (a drive "X:\" or a
// network share "\\server\share" is the first level). Returns 0 when the whole path now
// exists as folders, else the result code of the Win32 error: 87 for an empty path, a
// path starting with a single "\" or a bare "\\server", 183 when a file is in the way.
HRESULT CreateFolderPath(const std::string& path);

// 0 when the path is an existing folder, 3 when it is missing or a file, 87 for a
// null or empty path, otherwise the error GetFileAttributesA reported.
DWORD GetFolderStatus(const char* path);
