#include "engine/CJobCensus.h"

#include "engine/CFileStream.h"
#include "engine/CFindHandle.h"
#include "engine/WalkRules.h"
#include "platform/PathSyntax.h"

CJobCensus::CJobCensus(const JobSettings& settings, CJobStatus& status) : m_settings(settings), m_status(status)
{
}

void CJobCensus::Start()
{
    m_bStop = false;
    m_thread = std::thread([this] { Run(); });
}

void CJobCensus::Wait()
{
    if (m_thread.joinable())
        m_thread.join();
}

void CJobCensus::Stop()
{
    m_bStop = true;
    Wait();
}

void CJobCensus::Run()
{
    try
    {
        bool bDone = CountSource(m_settings.strSource, m_settings.bSingleFile);
        for (const JobSource& source : m_settings.moreSources)
            bDone = bDone && CountSource(source.strPath, source.bSingleFile);
        if (bDone)
            m_status.FinishCount();
    }
    catch (...)
    {
        // Out of memory: the totals stay unknown, the job goes on.
    }
}

bool CJobCensus::CountSource(const std::string& source, bool bSingleFile)
{
    if (!bSingleFile)
        return CountFolder(source);
    // The job takes up the one file whatever its name; one that cannot be opened counts
    // with no bytes, as the worker counts it.
    CFileStream file;
    UINT64 nBytes = 0;
    HANDLE hFile =
        CreateFileA(source.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (hFile != INVALID_HANDLE_VALUE)
    {
        file.Attach(hFile);
        if (file.GetSize(&nBytes) != RESULT_OK)
            nBytes = 0;
    }
    m_status.AddToTotals(1, nBytes);
    return true;
}

bool CJobCensus::CountFolder(const std::string& folder)
{
    WIN32_FIND_DATAA entry;
    CFindHandle search;
    search.Attach(FindFirstFileA((folder + "*").c_str(), &entry));
    if (search.IsEmpty())
        return true; // the walk reports such a folder; nothing in it is counted
    do
    {
        if (IsStopping())
            return false;
        switch (ClassifyWalkEntry(folder, entry, m_settings.strDestination))
        {
        case WALK_FOLDER:
            if (!CountFolder(folder + entry.cFileName + FOLDER_SEPARATOR))
                return false;
            break;
        case WALK_FILE:
            m_status.AddToTotals(1, (static_cast<UINT64>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow);
            break;
        case WALK_SKIP:
        case WALK_UNUSABLE_NAME:
            break;
        }
    } while (FindNextFileA(search.Get(), &entry));
    return true;
}
