#include "engine/CFilesInFlight.h"

#include "platform/MbString.h"

CFilesInFlight::CFilesInFlight(CDecodePool& pool, std::function<void(FileWork&, bool bOnCaller)> decode, std::size_t maxFiles,
                               UINT64 maxBytes)
    : m_pool(pool), m_decode(std::move(decode)), m_nMaxFiles(maxFiles), m_nMaxBytes(maxBytes)
{
}

CFilesInFlight::~CFilesInFlight()
{
    for (;;)
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_nPending == 0)
                break;
        }
        if (!m_pool.RunAnyQueuedTask())
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_decoded.wait(lock, [this] { return m_nPending == 0; });
            break;
        }
    }
}

bool CFilesInFlight::IsFull(UINT64 nBytes) const
{
    return !m_files.empty() && (m_files.size() >= m_nMaxFiles || m_nBytes + nBytes > m_nMaxBytes);
}

bool CFilesInFlight::Writes(const std::string& path) const
{
    std::string file = path;
    while (!file.empty() && (file.back() == '\\' || file.back() == '/'))
        file.pop_back();
    for (const std::unique_ptr<FileWork>& work : m_files)
        if (!work->strDestination.empty() && MbsCompareNoCase(work->strDestination.c_str(), file.c_str()) == 0)
            return true;
    return false;
}

void CFilesInFlight::Decode(FileWork& work, bool bOnCaller)
{
    try
    {
        m_decode(work, bOnCaller);
    }
    catch (...)
    {
        work.thrown = std::current_exception();
    }
    // Notifies under the lock: the owner may go the moment it sees nothing pending.
    std::lock_guard<std::mutex> lock(m_mutex);
    work.bDecoded = true;
    --m_nPending;
    m_decoded.notify_all();
}

void CFilesInFlight::Add(std::unique_ptr<FileWork> work, bool bHere)
{
    FileWork* pWork = work.get();
    m_files.push_back(std::move(work));
    m_nBytes += pWork->nSourceBytes;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        ++m_nPending;
    }
    if (!bHere)
    {
        try
        {
            m_pool.PostFile([this, pWork] { Decode(*pWork, false); });
            return;
        }
        catch (const std::bad_alloc&)
        {
            // No room to queue it: decode it here.
        }
    }
    Decode(*pWork, bHere);
}

std::unique_ptr<FileWork> CFilesInFlight::PopOldest()
{
    std::unique_ptr<FileWork> work = std::move(m_files.front());
    m_files.pop_front();
    m_nBytes -= work->nSourceBytes;
    return work;
}

std::unique_ptr<FileWork> CFilesInFlight::TakeOldestIfDecoded()
{
    if (m_files.empty())
        return nullptr;
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_files.front()->bDecoded ? PopOldest() : nullptr;
}

std::unique_ptr<FileWork> CFilesInFlight::TakeOldest()
{
    if (m_files.empty())
        return nullptr;
    const FileWork& oldest = *m_files.front();
    for (;;)
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (oldest.bDecoded)
                break;
        }
        if (!m_pool.RunAnyQueuedTask())
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_decoded.wait(lock, [&oldest] { return oldest.bDecoded; });
            break;
        }
    }
    return PopOldest();
}
