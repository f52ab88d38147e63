#include "engine/CTempFile.h"

#include <chrono>
#include <cstdio>
#include <random>

#include "engine/FolderPath.h"
#include "engine/LastError.h"

namespace
{

// Where a run starts naming: runs into one folder, at the same time or after a killed
// one, start far apart.
UINT32 DrawFirstName()
{
    try
    {
        return std::random_device()();
    }
    catch (...)
    {
        return static_cast<UINT32>(std::chrono::steady_clock::now().time_since_epoch().count());
    }
}

} // namespace

std::string CTempFile::NameOf(UINT32 n)
{
    char hex[9];
    std::snprintf(hex, sizeof hex, "%08X", static_cast<unsigned>(n));
    return std::string(hex) + ".~ovxpart";
}

HRESULT CTempFile::Create(const std::string& destination)
{
    return Create(destination, DrawFirstName());
}

HRESULT CTempFile::Create(const std::string& destination, UINT32 nFirst)
{
    Discard();
    // A destination too long for the system to name would fail only at the final move,
    // after all the decoding, or (where the move takes longer names than the other
    // calls) become a file that no later look at the destination sees: refused first.
    if (GetFileAttributesA(destination.c_str()) == INVALID_FILE_ATTRIBUTES &&
        GetLastError() == ERROR_FILENAME_EXCED_RANGE)
        return ResultFromWin32(ERROR_FILENAME_EXCED_RANGE);
    const std::string folder = GetFolderOf(destination);
    UINT32 n = nFirst;
    do
    {
        std::string path = folder + NameOf(n);
        HANDLE hFile = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (hFile != INVALID_HANDLE_VALUE)
        {
            m_stream.Attach(hFile);
            m_strPath = std::move(path);
            return RESULT_OK;
        }
        const DWORD error = GetLastError();
        // Windows refuses a name that a folder holds as access denied: taken all the same.
        const bool bTaken = error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS ||
                            (error == ERROR_ACCESS_DENIED && GetPathKind(path.c_str()) == PATH_FOLDER);
        if (!bTaken)
            return error != ERROR_SUCCESS ? ResultFromWin32(error) : RESULT_FAIL;
    } while (++n != nFirst);
    return ResultFromWin32(ERROR_FILE_EXISTS);
}

HRESULT CTempFile::Commit(const std::string& destination, bool bReplace, HRESULT* phrUnconfirmed)
{
    if (phrUnconfirmed != nullptr)
        *phrUnconfirmed = RESULT_OK;
    // Replacing a file is made durable: the data is on disk before the move, and the
    // move before the return, so that a power loss leaves the old file or the new one,
    // whole. A new file replaces nothing and is spared the wait.
    const bool bDurable = bReplace && GetPathKind(destination.c_str()) == PATH_FILE;
    HRESULT hr = bDurable && !FlushFileBuffers(m_stream.Get()) ? FailureFromLastError() : RESULT_OK;
    // A close can be the first place a write-behind failure shows; then the data is
    // not all on disk.
    const HRESULT hrClose = m_stream.Close();
    if (hr == RESULT_OK)
        hr = hrClose;
    const DWORD flags = (bReplace ? MOVEFILE_REPLACE_EXISTING : 0) | (bDurable ? MOVEFILE_WRITE_THROUGH : 0);
    if (hr == RESULT_OK && !MoveFileExA(m_strPath.c_str(), destination.c_str(), flags))
    {
        hr = FailureFromLastError();
        // A write-through move can fail after the move itself, in making it durable:
        // then the complete output is in place, only not known to be on disk.
        if (bDurable && GetPathKind(m_strPath.c_str()) == PATH_NONE && GetPathKind(destination.c_str()) == PATH_FILE)
        {
            if (phrUnconfirmed != nullptr)
                *phrUnconfirmed = hr;
            hr = RESULT_OK;
        }
    }
    if (hr != RESULT_OK)
    {
        Discard();
        return hr;
    }
    m_strPath.clear();
    return RESULT_OK;
}

void CTempFile::Discard()
{
    m_stream.Close();
    if (!m_strPath.empty())
        DeleteFileA(m_strPath.c_str());
    m_strPath.clear();
}
