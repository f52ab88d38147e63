#include <cstring>

#include "engine/CExtractJob.h"
#include "engine/CFindHandle.h"
#include "engine/FolderPath.h"
#include "engine/FoundName.h"
#include "engine/LastError.h"
#include "platform/PathSyntax.h"

HRESULT CExtractJob::ExtractFolder(std::string sourceFolder, std::string destinationFolder)
{
    // Every destination level exists before anything in it is looked at, so empty
    // source folders are mirrored too.
    HRESULT hr = EnsureFolder(destinationFolder);
    if (hr != RESULT_OK)
        return ReportResult(sourceFolder, destinationFolder, hr);

    WIN32_FIND_DATAA entry;
    MarkFoundName(&entry);
    CFindHandle search;
    std::string pattern = sourceFolder + "*";
    search.Attach(FindFirstFileA(pattern.c_str(), &entry));
    if (search.IsEmpty())
        return NoteWalkFailure(sourceFolder, destinationFolder, FailureFromLastError());

    for (;;)
    {
        if (!IsRunning())
        {
            hr = EXTRACT_E_STOPPED;
            break;
        }
        // Only a stop ends the walk; any other result was logged where it happened.
        if (ExtractEntry(sourceFolder, destinationFolder, entry) == EXTRACT_E_STOPPED)
        {
            hr = EXTRACT_E_STOPPED;
            break;
        }
        MarkFoundName(&entry);
        if (!FindNextFileA(search.Get(), &entry))
        {
            hr = FailureFromLastError(); // RESULT_NO_MORE_FILES after the last entry
            if (IsNameOverflow(hr))
            {
                // The search has moved past a name that did not fit: refused as a cut one.
                MarkFoundNameCut(&entry);
                continue;
            }
            if (hr != RESULT_NO_MORE_FILES)
                NoteWalkFailure(sourceFolder, destinationFolder, hr);
            break;
        }
    }
    search.Close();
    return hr;
}

HRESULT CExtractJob::ExtractEntry(const std::string& sourceFolder, const std::string& destinationFolder,
                                  const WIN32_FIND_DATAA& entry)
{
    // A name cut to fit the search's buffer could name another entry: named as far as
    // it is known, it fails.
    if (!IsFoundNameWhole(entry))
    {
        const HRESULT hr = ResultFromWin32(ERROR_FILENAME_EXCED_RANGE);
        const std::string shown = GetFoundNameStart(entry);
        AppendLog("Failed to use the name '%s' in '%s' as a path. Reason : [%08X]\n", shown.c_str(),
                  sourceFolder.c_str(), static_cast<UINT>(hr));
        return ReportResult(sourceFolder + shown, std::string(), hr);
    }

    const char* name = entry.cFileName;
    if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0)
        return RESULT_OK;

    // Joined to its folder such a name would lead to another entry, even out of the
    // folder ("..\..\x"): it is named in the log and fails, never walked or decoded.
    if (!IsNameUsableInPath(name))
    {
        const HRESULT hr = ResultFromWin32(ERROR_INVALID_NAME);
        AppendLog("Failed to use the name '%s' in '%s' as a path. Reason : [%08X]\n", name, sourceFolder.c_str(),
                  static_cast<UINT>(hr));
        return ReportResult(sourceFolder + name, std::string(), hr);
    }

    if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
    {
        // Directory links (junctions, symbolic links) are not followed: one that
        // leads back up the tree would make the walk endless.
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
            return RESULT_OK;
        std::string child = std::string(name) + FOLDER_SEPARATOR;
        std::string childSource = sourceFolder + child;
        // A destination inside the source tree holds this job's output: not input.
        if (IsSamePath(childSource, m_strDestination))
            return RESULT_OK;
        return ExtractFolder(childSource, destinationFolder + child);
    }

    if (!IsOvxFileName(name))
        return RESULT_OK;
    return ExtractFile(sourceFolder + name, destinationFolder);
}

HRESULT CExtractJob::NoteWalkFailure(const std::string& sourceFolder, const std::string& destinationFolder, HRESULT hr)
{
    if (m_hrWalkFailure == RESULT_OK)
        m_hrWalkFailure = hr;
    return ReportResult(sourceFolder, destinationFolder, hr);
}

HRESULT CExtractJob::EnsureFolder(std::string path)
{
    if (m_bVerifyOnly != 0 || (!path.empty() && GetPathKind(path.c_str()) == PATH_FOLDER))
        return RESULT_OK;
    HRESULT hr = ResultFromWin32(CreateFolderPath(path));
    if (hr != RESULT_OK)
        AppendLog("Failed to create '%s'. Reason : [%08X]\n", path.c_str(), static_cast<UINT>(hr));
    return hr;
}
