#include "engine/CExtractJob.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

#include "decode/CChunkDecoder.h"
#include "decode/CRecordDecoder.h"
#include "engine/CFileCopier.h"
#include "engine/CFileStream.h"
#include "engine/CFindHandle.h"
#include "engine/CNullWriteStream.h"
#include "engine/CTempFile.h"
#include "engine/FolderPath.h"
#include "engine/FoundName.h"
#include "engine/LastError.h"
#include "engine/WalkRules.h"
#include "platform/MbString.h"
#include "platform/PathSyntax.h"

namespace
{

JobSettings Normalized(JobSettings settings)
{
    if (!settings.bSingleFile)
        settings.strSource = NormalizeFolderPath(settings.strSource);
    for (JobSource& source : settings.moreSources)
        if (!source.bSingleFile)
            source.strPath = NormalizeFolderPath(source.strPath);
    settings.strDestination = NormalizeFolderPath(settings.strDestination);
    return settings;
}

// Runs `step` and drops whatever it throws: for the steps that must not keep the job
// from finishing.
template <class Step> void IgnoringExceptions(Step step)
{
    try
    {
        step();
    }
    catch (...)
    {
    }
}

// The decoder that accepts the source: the record layout is tried first, the chunk
// layout only when the record decoder refuses. Null when both refuse, with their codes.
struct DecoderChoice
{
    CUnitDecoder* pDecoder;
    HRESULT hrRecord;
    HRESULT hrChunk;
};

DecoderChoice ChooseDecoder(CRecordDecoder& record, CChunkDecoder& chunk, IInputStream* pSource, IDecryptor* pDecryptor)
{
    const HRESULT hrRecord = record.Init(pSource, pDecryptor);
    if (hrRecord == RESULT_OK)
        return {&record, hrRecord, RESULT_OK};
    const HRESULT hrChunk = chunk.Init(pSource, pDecryptor);
    if (hrChunk == RESULT_OK)
        return {&chunk, hrRecord, hrChunk};
    return {nullptr, hrRecord, hrChunk};
}

// A log text formatted printf-style into `text`, without allocating; one longer than
// MAX_LOG_TEXT is cut after its last whole character.
#if defined(__GNUC__)
__attribute__((format(printf, 2, 0)))
#endif
void FormatLogText(char (&text)[MAX_LOG_TEXT + 1], const char* format, va_list args)
{
    const int length = std::vsnprintf(text, sizeof(text), format, args);
    if (length < 0)
        text[0] = '\0';
    else if (length > MAX_LOG_TEXT)
        text[MbsWholeLength(text, MAX_LOG_TEXT)] = '\0';
}

// `name` as it can stand in a log text with nOther other bytes: whole when the text
// fits in MAX_LOG_TEXT, else its start and its end with "..." between, both cut on
// whole characters.
std::string FitName(const std::string& name, size_t nOther)
{
    const size_t nMax = MAX_LOG_TEXT;
    if (name.size() + nOther <= nMax)
        return name;
    const size_t nKept = nMax > nOther + 3 ? nMax - nOther - 3 : 0;
    const size_t nStart = MbsWholeLength(name.c_str(), nKept / 2);
    // The end starts on the first character boundary at or after the bytes it may take.
    size_t nEndAt = name.size() - (nKept - nKept / 2);
    while (nEndAt < name.size() && MbsWholeLength(name.c_str(), nEndAt) != nEndAt)
        ++nEndAt;
    return name.substr(0, nStart) + "..." + name.substr(nEndAt);
}

// A log text naming `name` between `before` and the formatted rest, fitted by FitName so
// that it always ends with its reason and line end.
#if defined(__GNUC__)
__attribute__((format(printf, 3, 0)))
#endif
std::string FormatNaming(const std::string& before, const std::string& name, const char* format, va_list args)
{
    char after[MAX_LOG_TEXT + 1];
    if (std::vsnprintf(after, sizeof(after), format, args) < 0)
        after[0] = '\0';
    const std::string text = before + FitName(name, before.size() + std::strlen(after)) + after;
    return text.substr(0, MbsWholeLength(text.c_str(), std::min<size_t>(text.size(), MAX_LOG_TEXT)));
}

// A log text of one file, formatted as AppendLog does and held until the file's turn.
#if defined(__GNUC__)
__attribute__((format(printf, 2, 3)))
#endif
void HoldLog(FileWork& work, const char* format, ...)
{
    char text[MAX_LOG_TEXT + 1];
    va_list args;
    va_start(args, format);
    FormatLogText(text, format, args);
    va_end(args);
    work.logTexts.emplace_back(text);
}

// A log text of one file, formatted as AppendLogNaming does and held until the
// file's turn.
#if defined(__GNUC__)
__attribute__((format(printf, 4, 5)))
#endif
void HoldLogNaming(FileWork& work, const std::string& before, const std::string& name, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::string text = FormatNaming(before, name, format, args);
    va_end(args);
    work.logTexts.push_back(std::move(text));
}

// Files larger than this are decoded by the walk itself, split into batches over the
// pool: alone on a thread they would keep the others waiting for their turn.
constexpr UINT64 SPLIT_FILE_BYTES = 4 << 20;
// The look-ahead of a folder job: files in flight per decoding thread, and source bytes.
constexpr std::size_t FILES_IN_FLIGHT_PER_THREAD = 4;
constexpr UINT64 BYTES_IN_FLIGHT = 32 << 20;

DWORD WINAPI ExtractThreadProc(LPVOID pJob)
{
    static_cast<CExtractJob*>(pJob)->Run();
    return 0;
}

} // namespace

HANDLE CreateWorkerThread(LPTHREAD_START_ROUTINE pfnStart, LPVOID pParam)
{
    return CreateThread(nullptr, 0, pfnStart, pParam, 0, nullptr);
}

CExtractJob::CExtractJob(const JobSettings& settings, IJobDisplay* pDisplay)
    : m_settings(Normalized(settings)),
      m_pDisplay(pDisplay),
      m_bSingleFile(m_settings.bSingleFile),
      m_census(m_settings, m_status)
{
}

void CExtractJob::AppendLog(const char* format, ...)
{
    char text[MAX_LOG_TEXT + 1];
    va_list args;
    va_start(args, format);
    FormatLogText(text, format, args);
    va_end(args);
    m_pDisplay->ShowLogText(text);
}

void CExtractJob::AppendLogNaming(const std::string& before, const std::string& name, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    const std::string text = FormatNaming(before, name, format, args);
    va_end(args);
    m_pDisplay->ShowLogText(text.c_str());
}

void CExtractJob::SetJobState(LONG nState)
{
    switch (nState)
    {
    case JOB_RUNNING:
        m_status.Start();
        m_pDisplay->ShowRunning();
        break;
    case JOB_STOP_REQUESTED:
        m_status.RequestStop();
        break;
    case JOB_FINISHED:
        // The front end may destroy the job as soon as it reads JOB_FINISHED, so the
        // count is shown first and the state change is the very last touch of `this`.
        // A display that throws must not keep the job from finishing.
        IgnoringExceptions([this] { m_pDisplay->ShowFinished(m_status.Extracted()); });
        m_status.Finish();
        break;
    default:
        break;
    }
}

HRESULT CExtractJob::StartWorker(const ThreadStarter& startThread)
{
    SetJobState(JOB_RUNNING);
    HANDLE hThread = startThread(ExtractThreadProc, this);
    if (hThread == nullptr)
        return FailureFromLastError();
    m_hWorker = hThread;
    return RESULT_OK;
}

bool CExtractJob::WaitForWorkerEnd(DWORD ms)
{
    return m_hWorker == nullptr || WaitForSingleObject(m_hWorker, ms) == WAIT_OBJECT_0;
}

CExtractJob::~CExtractJob()
{
    // Closing the handle neither waits for the worker nor ends it.
    if (m_hWorker != nullptr)
        CloseHandle(m_hWorker);
}

void CExtractJob::Run()
{
    // The totals are counted beside the work; without them the job runs all the same.
    IgnoringExceptions([this] { m_census.Start(); });
    RunSource(m_settings.strSource, m_settings.bSingleFile);
    for (const JobSource& source : m_settings.moreSources)
    {
        if (!IsRunning())
            break;
        RunSource(source.strPath, source.bSingleFile);
    }

    // The pool's and the census's threads are joined before the finish: the job may go
    // right after it. The census walks what the worker walked, less the decoding, so
    // it has counted by now or soon, and the finish has its totals.
    IgnoringExceptions([this] { m_pPool.reset(); });
    IgnoringExceptions([this] { m_census.Wait(); });
    // The finish must happen on every path, or the front end could never close.
    IgnoringExceptions([this] { AppendLog("\n*** Finished ***"); });
    SetJobState(JOB_FINISHED);
}

void CExtractJob::RunSource(const std::string& source, bool bSingleFile)
{
    const std::string& destination = m_settings.strDestination;
    m_bSingleFile = bSingleFile;
    try
    {
        if (!bSingleFile)
            ExtractSourceFolder(source, destination);
        else if (m_settings.pOutput != nullptr)
            ExtractFile(source, std::string());
        else
        {
            HRESULT hr = EnsureFolder(destination);
            if (hr == RESULT_OK)
                ExtractFile(source, destination);
            else
                ReportResult(source, GetDestinationName(source, destination), hr);
        }
    }
    catch (...)
    {
        // Whatever work was left of this source is abandoned, reported as one failure
        // of the source; the job goes on.
        IgnoringExceptions([this] { AppendLog("Oops ! Exception raised !\n"); });
        IgnoringExceptions([&] { ReportResult(source, destination, RESULT_FAIL); });
    }
}

void CExtractJob::ExtractSourceFolder(const std::string& source, const std::string& destination)
{
    CDecodePool* pPool = DecodePool();
    if (pPool == nullptr)
    {
        ExtractFolder(source, destination);
        return;
    }
    // The files in flight go before the pool; on a throw, with their outputs.
    CFilesInFlight inFlight(
        *pPool, [this](FileWork& work, bool bOnWalk) { DecodeFile(work, bOnWalk); },
        FILES_IN_FLIGHT_PER_THREAD * m_settings.nDecodeThreads, BYTES_IN_FLIGHT);
    m_pInFlight = &inFlight;
    struct Detach
    {
        CFilesInFlight*& p;
        ~Detach() { p = nullptr; }
    } detach{m_pInFlight};
    ExtractFolder(source, destination);
    ReleaseFiles(true);
}

HRESULT CExtractJob::ReportResult(const std::string& source, const std::string& destination, HRESULT hr)
{
    const FileOutcome outcome = hr == RESULT_OK ? FILE_EXTRACTED : hr == EXTRACT_E_EXISTS ? FILE_EXISTS : FILE_FAILED;
    if (outcome == FILE_EXTRACTED)
        m_status.CountExtracted();
    m_pDisplay->ShowFileResult({source, destination, outcome, hr});
    return hr;
}

HRESULT CExtractJob::ExtractFolder(const std::string& sourceFolder, const std::string& destinationFolder)
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
        ReleaseFiles(true);
        const HRESULT hr = ResultFromWin32(ERROR_FILENAME_EXCED_RANGE);
        const std::string shown = GetFoundNameStart(entry);
        AppendLogNaming("Failed to use the name '" + shown + "' in '", sourceFolder, "' as a path. Reason : [%08X]\n",
                        static_cast<UINT>(hr));
        return ReportResult(sourceFolder + shown, std::string(), hr);
    }

    const char* name = entry.cFileName;
    switch (ClassifyWalkEntry(sourceFolder, entry, m_settings.strDestination))
    {
    case WALK_UNUSABLE_NAME:
    {
        // Named in the log and failed, never walked or decoded.
        ReleaseFiles(true);
        const HRESULT hr = ResultFromWin32(ERROR_INVALID_NAME);
        AppendLogNaming(std::string("Failed to use the name '") + name + "' in '", sourceFolder,
                        "' as a path. Reason : [%08X]\n", static_cast<UINT>(hr));
        return ReportResult(sourceFolder + name, std::string(), hr);
    }
    case WALK_FOLDER:
    {
        const std::string child = std::string(name) + FOLDER_SEPARATOR;
        // An earlier file of the same name decides what the folder finds.
        if (!WaitForName(destinationFolder + child))
            return EXTRACT_E_STOPPED;
        return ExtractFolder(sourceFolder + child, destinationFolder + child);
    }
    case WALK_FILE:
        if (m_pInFlight != nullptr)
            return QueueFile(sourceFolder + name, destinationFolder,
                             (static_cast<UINT64>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow);
        return ExtractFile(sourceFolder + name, destinationFolder);
    case WALK_SKIP:
        break;
    }
    return RESULT_OK;
}

HRESULT CExtractJob::NoteWalkFailure(const std::string& sourceFolder, const std::string& destinationFolder, HRESULT hr)
{
    ReleaseFiles(true);
    m_status.NoteWalkFailure(hr);
    return ReportResult(sourceFolder, destinationFolder, hr);
}

HRESULT CExtractJob::EnsureFolder(const std::string& path)
{
    if (m_settings.bVerifyOnly || (!path.empty() && GetPathKind(path.c_str()) == PATH_FOLDER))
        return RESULT_OK;
    HRESULT hr = CreateFolderPath(path);
    if (hr != RESULT_OK)
    {
        ReleaseFiles(true); // their texts come first, as with one thread
        AppendLogNaming("Failed to create '", path, "'. Reason : [%08X]\n", static_cast<UINT>(hr));
    }
    return hr;
}

HRESULT CExtractJob::ExtractFile(const std::string& source, const std::string& destinationFolder)
{
    if (!m_settings.bVerifyOnly)
        AppendLogNaming("Processing '", source, "'...\n");
    FileWork work;
    work.strSource = source;
    if (!m_settings.bVerifyOnly && m_settings.pOutput == nullptr)
        work.strDestination = GetDestinationName(source, destinationFolder);
    work.bTracksProgress = true;
    m_status.BeginFile();
    DecodeFile(work, true);
    m_status.EndFile();
    return FinishFile(work, false);
}

HRESULT CExtractJob::QueueFile(const std::string& source, const std::string& destinationFolder, UINT64 nBytes)
{
    auto work = std::make_unique<FileWork>();
    work->strSource = source;
    if (!m_settings.bVerifyOnly)
        work->strDestination = GetDestinationName(source, destinationFolder);
    work->nSourceBytes = nBytes;

    ReleaseFiles(false);
    while (IsRunning() && m_pInFlight->IsFull(nBytes))
        FinishFile(*m_pInFlight->TakeOldest(), true);
    if (!WaitForName(work->strDestination))
        return EXTRACT_E_STOPPED;
    m_pInFlight->Add(std::move(work), nBytes > SPLIT_FILE_BYTES);
    return RESULT_OK;
}

bool CExtractJob::WaitForName(const std::string& path)
{
    while (IsRunning() && m_pInFlight != nullptr && m_pInFlight->Writes(path))
        FinishFile(*m_pInFlight->TakeOldest(), true);
    return IsRunning();
}

void CExtractJob::ReleaseFiles(bool bAll)
{
    if (m_pInFlight == nullptr)
        return;
    while (IsRunning() && !m_pInFlight->IsEmpty())
    {
        std::unique_ptr<FileWork> work = bAll ? m_pInFlight->TakeOldest() : m_pInFlight->TakeOldestIfDecoded();
        if (work == nullptr)
            return;
        FinishFile(*work, true);
    }
}

HRESULT CExtractJob::FinishFile(FileWork& work, bool bHeld)
{
    if (bHeld)
    {
        // A file in flight counts in the progress once its turn has come, whole.
        m_status.BeginFile();
        m_status.SetFileSize(work.nSourceBytes);
        m_status.EndFile();
        if (!m_settings.bVerifyOnly)
        {
            // Its first text as one thread shows it before decoding; a stop from then on
            // cuts the file short there, as it would have cut the decoding.
            AppendLogNaming("Processing '", work.strSource, "'...\n");
            if (!IsRunning() && work.hr == RESULT_OK && !work.thrown)
                return ReportResult(work.strSource, work.strDestination, RESULT_FAIL);
        }
    }
    for (const std::string& text : work.logTexts)
        m_pDisplay->ShowLogText(text.c_str());
    if (work.thrown)
        std::rethrow_exception(work.thrown);

    HRESULT hr = work.hr;
    HRESULT hrUnconfirmed = RESULT_OK;
    if (hr == RESULT_OK && work.temp.IsCreated())
    {
        hr = work.temp.Commit(work.strDestination, m_bSingleFile || m_settings.bOverwrite, &hrUnconfirmed);
        if (hr != RESULT_OK)
            work.pUnopened = &work.strDestination;
    }
    if (work.pUnopened != nullptr)
        AppendLogNaming("Failed to open '", *work.pUnopened, "'. Reason : [%08X]\n", static_cast<UINT>(hr));
    // The output is complete and in place: extracted, with a word on its durability.
    else if (hr == RESULT_OK && hrUnconfirmed != RESULT_OK)
        AppendLogNaming("    Warning: '", work.strDestination,
                        "' is complete, but it could not be confirmed on disk. Reason : [%08X]\n",
                        static_cast<UINT>(hrUnconfirmed));
    return ReportResult(work.strSource, work.strDestination, hr);
}

// ExtractFile's work after its first log line, up to the output's move into place. A
// file that would not open is named in `pUnopened`, for one "Failed to open" line.
void CExtractJob::DecodeFile(FileWork& work, bool bMaySplit)
{
    const std::string& source = work.strSource;
    const std::string& destination = work.strDestination;
    HRESULT& hr = work.hr;
    auto openFailed = [&work](const std::string& path, HRESULT hrOpen) {
        work.pUnopened = &path;
        work.hr = hrOpen;
    };
    const bool bVerifyOnly = m_settings.bVerifyOnly;

    // Directory to Directory keeps existing files unless told to replace them;
    // File to File always replaces.
    if (!destination.empty() && !m_bSingleFile && !m_settings.bOverwrite && !bVerifyOnly &&
        GetPathKind(destination.c_str()) == PATH_FILE)
    {
        HoldLogNaming(work, "    '", destination, "' already exists.\n");
        hr = EXTRACT_E_EXISTS;
        return;
    }

    CFileStream input;
    HANDLE hSource = CreateFileA(source.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (hSource == INVALID_HANDLE_VALUE)
        return openFailed(source, FailureFromLastError());
    input.Attach(hSource);
    UINT64 nStoredBytes = 0;
    if (work.bTracksProgress && input.GetSize(&nStoredBytes) == RESULT_OK)
        m_status.SetFileSize(nStoredBytes);

    CNullWriteStream nowhere;
    IWriteStream* pOutput = &nowhere;
    if (m_settings.pOutput != nullptr)
        pOutput = m_settings.pOutput;
    else if (!bVerifyOnly)
    {
        // A destination name that is a folder (a source without a dot, a file named
        // ".ovx") cannot be written, nor can the source itself (a source "x." decoded
        // into its own folder is "x" to the system): refuse them as creating them
        // would have been refused, before any decoding.
        const bool bFolder = GetPathKind(destination.c_str()) == PATH_FOLDER;
        if (bFolder || IsSamePath(source, destination))
            return openFailed(destination, ResultFromWin32(bFolder ? ERROR_ACCESS_DENIED : ERROR_SHARING_VIOLATION));

        const HRESULT hrCreate = work.temp.Create(destination);
        if (hrCreate != RESULT_OK)
            return openFailed(destination, hrCreate);
        pOutput = &work.temp.Stream();
    }

    CRecordDecoder recordDecoder;
    CChunkDecoder chunkDecoder;
    const DecoderChoice choice = ChooseDecoder(recordDecoder, chunkDecoder, &input, m_settings.pDecryptor);
    if (choice.pDecoder == nullptr)
    {
        HoldLog(work, "Failed to initilize decoders. Reasons : [%08X]/[%08X]\n", static_cast<UINT>(choice.hrRecord),
                static_cast<UINT>(choice.hrChunk));
        hr = choice.hrRecord;
        return;
    }

    // A failure once decoding began names the file; a stop stays silent.
    CFileCopier copier(*choice.pDecoder, &input, pOutput, !bVerifyOnly, m_status);
    hr = copier.Copy(bMaySplit && CFileCopier::SuitsPool(*choice.pDecoder) ? DecodePool() : nullptr);
    if (hr != RESULT_OK && IsRunning())
        HoldLogNaming(work, "Failed to extract '", source, "'. Reason : [%08X]\n", static_cast<UINT>(hr));
}

CDecodePool* CExtractJob::DecodePool()
{
    if (m_pPool == nullptr && m_settings.nDecodeThreads > 1)
    {
        try
        {
            m_pPool = std::make_unique<CDecodePool>(m_settings.nDecodeThreads - 1);
        }
        catch (const std::bad_alloc&)
        {
        }
        // A pool that got no thread at all leaves the work to the worker.
        if (m_pPool != nullptr && m_pPool->Size() == 0)
            m_pPool.reset();
    }
    return m_pPool.get();
}
