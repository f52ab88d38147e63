#pragma once

// The output of one file while it is being decoded: a new file in the destination's
// folder named "<8 hex digits>.~ovxpart", as short whatever the destination's length,
// never a ".ovx" name (so a walk never picks it up) and marked as this program's by its
// ending. Only a complete output replaces the destination, in one step; anything else
// removes the temporary file, so a failed or stopped extraction leaves the destination
// exactly as it was.

#include <string>

#include "engine/CFileStream.h"

class CTempFile
{
public:
    CTempFile() = default;
    ~CTempFile() { Discard(); }

    CTempFile(const CTempFile&) = delete;
    CTempFile& operator=(const CTempFile&) = delete;

    // Creates the temporary file for `destination` for writing, exclusively. Names are
    // tried in turn from a random one (`nFirst` when given) until one is free, so any
    // number of names left by killed runs is passed over; only when all 2^32 names are
    // taken does it give up. A destination too long for the system to name is refused
    // (206) before anything is created. Returns 0 or the creation's result code.
    HRESULT Create(const std::string& destination);
    HRESULT Create(const std::string& destination, UINT32 nFirst);

    // The file name of temporary file n: "0001F2A3.~ovxpart".
    static std::string NameOf(UINT32 n);

    // Whether Create made a file that is neither committed nor discarded yet.
    bool IsCreated() const { return !m_strPath.empty(); }

    // Where the decoded bytes go, until Commit or Discard.
    IWriteStream& Stream() { return m_stream; }

    // Closes the file and moves it onto `destination` (replacing an existing file when
    // bReplace is set). A file that replaces another is flushed to disk first and moved
    // with write-through. On failure the temporary file is removed and the code returned.
    // A move that took place but could not be confirmed on disk returns 0, with the
    // failure's code in *phrUnconfirmed (0 otherwise).
    HRESULT Commit(const std::string& destination, bool bReplace, HRESULT* phrUnconfirmed = nullptr);

    // Closes and deletes the temporary file, if there is one.
    void Discard();

private:
    CFileStream m_stream;
    std::string m_strPath;
};
