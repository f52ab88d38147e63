#pragma once

// A fresh, empty folder under the system's temporary folder, removed with everything in
// it when the object goes away; plus helpers to write, read and list files.
//
// Paths come in the engine's form, levels joined with the system's FOLDER_SEPARATOR
// ("\" on Windows, "/" on Linux), as the engine joins them in its log lines. Every
// helper accepts both separators and throws std::runtime_error when the file system
// refuses.

#include <string>
#include <vector>

#include "base/Types.h"

class TempFolder
{
public:
    TempFolder();
    ~TempFolder();

    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // The folder itself, ending in one separator.
    const std::string& Folder() const { return m_strFolder; }

    // A path below the folder; "\" and "/" in `relative` become the separator. Nothing
    // is created.
    std::string PathOf(const std::string& relative) const;

private:
    std::string m_strFolder;
};

// `path` with every "\" turned into the host's separator, for the C++ library.
std::string ToHostPath(const std::string& path);

// Creates (or replaces) a file holding exactly `bytes`, creating missing parent folders.
void WriteFileBytes(const std::string& path, const std::vector<BYTE>& bytes);
void WriteFileText(const std::string& path, const std::string& text);

// A file's whole contents.
std::vector<BYTE> ReadFileBytes(const std::string& path);
std::string ReadFileText(const std::string& path);

// Creates a folder and its missing parents.
void MakeFolders(const std::string& path);

bool PathExists(const std::string& path);

// Everything below `folder`, recursively, as sorted relative paths with "/" separators;
// folders end in "/": {"a/", "a/b.txt", "c"}.
std::vector<std::string> ListFolder(const std::string& folder);

// A symbolic link at `link` to `target`; false where the system or the user may not make one.
bool MakeSymbolicLink(const std::string& target, const std::string& link);
