#include "engine/CTempFile.h"
#include "engine/LastError.h"

HRESULT CTempFile::Create(const std::string& destination)
{
    Discard();
    DWORD error = ERROR_FILE_EXISTS;
    for (unsigned n = 0; n < MAX_ATTEMPTS; ++n)
    {
        std::string path = destination + ".~ovxpart" + std::to_string(n);
        HANDLE hFile = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (hFile != INVALID_HANDLE_VALUE)
        {
            m_file.Attach(hFile);
            m_strPath = path;
            return RESULT_OK;
        }
        error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS)
            break;
    }
    return error != ERROR_SUCCESS ? ResultFromWin32(error) : RESULT_FAIL;
}

HRESULT CTempFile::Commit(const std::string& destination, bool bReplace)
{
    // A close can be the first place a write-behind failure shows; then the data is
    // not all on disk.
    HRESULT hr = m_file.Close();
    if (hr == RESULT_OK && !MoveFileExA(m_strPath.c_str(), destination.c_str(), bReplace ? MOVEFILE_REPLACE_EXISTING : 0))
        hr = FailureFromLastError();
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
    m_file.Close();
    if (!m_strPath.empty())
        DeleteFileA(m_strPath.c_str());
    m_strPath.clear();
}
