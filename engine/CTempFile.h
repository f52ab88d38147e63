#pragma once

// The output of one file while it is being decoded: a new file beside the destination,
// named "<destination>.~ovxpart<n>" (never a ".ovx" name, so a walk never picks it up).
// Only a complete output replaces the destination, in one step; anything else removes
// the temporary file, so a failed or stopped extraction leaves the destination exactly
// as it was.

#include <string>

#include "engine/CFileHandle.h"

class CTempFile
{
public:
    CTempFile() = default;
    ~CTempFile() { Discard(); }

    CTempFile(const CTempFile&) = delete;
    CTempFile& operator=(const CTempFile&) = delete;

    // Creates the temporary file for `destination` for writing, exclusively: a name
    // already taken moves on to the next n. Returns 0 or the creation's result code.
    HRESULT Create(const std::string& destination);

    HANDLE Get() const { return m_file.Get(); }
    const std::string& Path() const { return m_strPath; }

    // Closes the file and moves it onto `destination` (replacing an existing file when
    // bReplace is set). On failure the temporary file is removed and the code returned.
    HRESULT Commit(const std::string& destination, bool bReplace);

    // Closes and deletes the temporary file, if there is one.
    void Discard();

private:
    // Names tried before giving up; only other runs' leftovers take names.
    static constexpr unsigned MAX_ATTEMPTS = 1000;

    CFileHandle m_file;
    std::string m_strPath;
};
