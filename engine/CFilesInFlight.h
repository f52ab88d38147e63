#pragma once

// The files of a folder job being decoded apart from its walk, oldest first. The walk
// posts each file to the decoding threads and takes the files back in walk order, so
// that their log texts, results and outputs come out as with one thread, however the
// decoding finishes. The look-ahead is bounded in files and in source bytes.

#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "engine/CDecodePool.h"
#include "engine/CTempFile.h"

// One file's decoding, kept until its turn: its log texts, its output not yet moved onto
// the destination, and how it ended.
struct FileWork
{
    std::string strSource;
    std::string strDestination; // empty when verifying
    UINT64 nSourceBytes = 0;
    std::vector<std::string> logTexts;
    CTempFile temp;
    HRESULT hr = RESULT_OK;
    const std::string* pUnopened = nullptr; // the path that would not open, for its one log line
    std::exception_ptr thrown;              // what the decoding threw, thrown again at its turn
    bool bTracksProgress = false;           // decoded alone on the worker: its bytes show as they come
    bool bDecoded = false;                  // under the queue's lock
};

class CFilesInFlight
{
public:
    // `decode` runs on any of the pool's threads, the caller's included (bOnCaller: the
    // walk's own thread, for a file added with bHere); what it throws is kept in the
    // file's `thrown`.
    CFilesInFlight(CDecodePool& pool, std::function<void(FileWork&, bool bOnCaller)> decode, std::size_t maxFiles, UINT64 maxBytes);
    // Waits for every file posted (decoding queued ones meanwhile), then drops them all,
    // their temporary files with them.
    ~CFilesInFlight();

    CFilesInFlight(const CFilesInFlight&) = delete;
    CFilesInFlight& operator=(const CFilesInFlight&) = delete;

    bool IsEmpty() const { return m_files.empty(); }
    // Whether a file of `nBytes` must wait for the oldest to go. One file always fits.
    bool IsFull(UINT64 nBytes) const;
    // Whether a file in flight decodes into `path` (a folder's path may end in a
    // separator), compared without regard to case: a name the walk is about to use
    // must wait for it, as with one thread the earlier file would be done.
    bool Writes(const std::string& path) const;

    // Puts the file last in line and queues its decoding; with `bHere`, decodes it on
    // the calling thread at once instead (its decoding may then use the pool itself).
    // May throw std::bad_alloc, with nothing queued.
    void Add(std::unique_ptr<FileWork> work, bool bHere);

    // The oldest file once decoded, or null when there is none. TakeOldest decodes
    // queued files while it waits; TakeOldestIfDecoded never waits.
    std::unique_ptr<FileWork> TakeOldest();
    std::unique_ptr<FileWork> TakeOldestIfDecoded();

private:
    void Decode(FileWork& work, bool bOnCaller);
    std::unique_ptr<FileWork> PopOldest();

    CDecodePool& m_pool;
    const std::function<void(FileWork&, bool bOnCaller)> m_decode;
    const std::size_t m_nMaxFiles;
    const UINT64 m_nMaxBytes;
    std::deque<std::unique_ptr<FileWork>> m_files; // the walk's thread only
    UINT64 m_nBytes = 0;
    std::mutex m_mutex;
    std::condition_variable m_decoded;
    std::size_t m_nPending = 0; // queued and not yet decoded
};
