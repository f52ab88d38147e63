// ovx-extract: decodes .ovx files from the command line with the same engine, and the
// same log, as the window.

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "base/SecureWipe.h"
#include "cli/CConsoleDisplay.h"
#include "cli/Options.h"
#include "cli/Password.h"
#include "cli/CStandardOutputStream.h"
#include "decode/CBlowfish.h"
#include "engine/CExtractJob.h"
#include "engine/FolderPath.h"
#include "engine/JobCipher.h"
#include "platform/Console.h"
#include "platform/StopSignal.h"

namespace
{

constexpr int EXIT_ALL_EXTRACTED = 0;
constexpr int EXIT_NOT_ALL_EXTRACTED = 1;
constexpr int EXIT_USAGE = 2;

// How often the main thread looks for a stop request and redraws the progress line.
constexpr int POLL_MS = 50;
// The longest wait for the worker's thread to end once its job has finished.
constexpr DWORD WORKER_END_WAIT_MS = 5000;

int Fail(int status, const std::string& message)
{
    std::fprintf(stderr, "ovx-extract: %s\n", message.c_str());
    return status;
}

int UsageError(const std::string& message)
{
    std::fprintf(stderr, "ovx-extract: %s\nTry 'ovx-extract --help'.\n", message.c_str());
    return EXIT_USAGE;
}

// Runs the job on its worker thread while this thread passes on a stop request and
// keeps the progress line current. Returns the exit status.
int WatchJob(CExtractJob* pJob, CConsoleDisplay* pDisplay)
{
    const auto start = std::chrono::steady_clock::now();
    if (pJob->StartWorker() != RESULT_OK)
        return Fail(EXIT_NOT_ALL_EXTRACTED, "cannot start the worker thread");

    bool bStopPassedOn = false;
    while (!pDisplay->WaitFinished(POLL_MS))
    {
        if (!bStopPassedOn && IsStopRequested())
        {
            pJob->SetJobState(JOB_STOP_REQUESTED);
            bStopPassedOn = true;
        }
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        pDisplay->DrawProgress(pJob->Status().Progress(), elapsed.count());
    }
    // The finish shows just before the worker's last touch of the job, its state change.
    while (!pJob->IsFinished())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    // The program exits next: not while the worker's thread is still ending.
    pJob->WaitForWorkerEnd(WORKER_END_WAIT_MS);
    pDisplay->ClearProgress();
    NotifyJobOver();

    // The window's log says nothing of a folder that could not be listed; its failed
    // result decides the status, and this says why.
    const HRESULT hrWalk = pJob->Status().WalkFailure();
    if (hrWalk != RESULT_OK)
        std::fprintf(stderr, "ovx-extract: a source folder could not be listed. Reason : [%08X]\n",
                     static_cast<UINT>(hrWalk));
    if (IsStopRequested() || !pDisplay->AllFilesExtracted())
        return EXIT_NOT_ALL_EXTRACTED;
    return EXIT_ALL_EXTRACTED;
}

// The sources to handle, in the order given, each once (by IsSamePath) and with the
// mode its kind decides, as the mode buttons do in the window. A source that does not
// exist is reported and left out; `pMissing` tells whether one was.
std::vector<JobSource> FindSources(const std::vector<std::string>& given, bool* pMissing)
{
    std::vector<JobSource> found;
    *pMissing = false;
    for (const std::string& path : given)
    {
        bool bDuplicate = false;
        for (const JobSource& source : found)
            bDuplicate = bDuplicate || IsSamePath(source.strPath, path);
        if (bDuplicate)
            continue;
        const PathKind kind = GetPathKind(path.c_str());
        if (kind == PATH_NONE)
        {
            Fail(EXIT_NOT_ALL_EXTRACTED, "cannot find the source '" + path + "'");
            *pMissing = true;
            continue;
        }
        found.push_back({path, kind != PATH_FOLDER});
    }
    return found;
}

} // namespace

int main(int argc, char** argv)
{
    UseBinaryStandardOutput();
    const CConsoleOutputCodePage consoleCodePage;

    COptions options;
    std::string error;
    switch (ParseOptions(argc, argv, &options, &error))
    {
    case OPTIONS_HELP:
        std::fputs(GetHelpText(), stdout);
        return EXIT_ALL_EXTRACTED;
    case OPTIONS_VERSION:
        std::fputs(GetVersionText(), stdout);
        return EXIT_ALL_EXTRACTED;
    case OPTIONS_ERROR:
        return UsageError(error);
    case OPTIONS_RUN:
        break;
    }

    bool bMissing = false;
    std::vector<JobSource> sources = FindSources(options.m_sources, &bMissing);
    if (sources.empty())
        return Fail(EXIT_USAGE, "no SOURCE was found; nothing was extracted");
    if (options.m_bStdout)
    {
        if (IsStandardOutputTerminal())
            return Fail(EXIT_USAGE, "--stdout writes the decoded bytes, and standard output is a terminal; "
                                    "redirect it to a file or a pipe");
        if (!sources.front().bSingleFile)
            return Fail(EXIT_USAGE, "--stdout decodes one file, and '" + sources.front().strPath + "' is a folder");
    }

    // From here on the process holds the password or its key schedule: no core dump.
    ForbidCoreDumps();
    CBlowfish cipher;
    HRESULT hrKey;
    {
        std::string password;
        CWipeOnExit wipePassword(password);
        if (!ObtainPassword(options.m_strPasswordFile, &password, &error))
            return Fail(EXIT_USAGE, error + "; nothing was extracted");
        hrKey = KeyJobCipher(cipher, password);
    }
    if (hrKey != RESULT_OK)
        return Fail(EXIT_USAGE, "the password cannot be used as a key; nothing was extracted");

    InstallStopSignal();
    // With --stdout the decoded bytes own standard output; the log goes to standard error.
    FILE* pLog = options.m_bStdout ? stderr : stdout;
    if (options.m_bStdout)
        UseBinaryStandardError();
    CConsoleDisplay display(pLog, !options.m_bQuiet && IsStandardErrorTerminal() ? stderr : nullptr,
                            options.m_bTest);
    CStandardOutputStream standardOutput;
    JobSettings settings;
    settings.pDecryptor = &cipher;
    settings.strSource = sources.front().strPath;
    settings.bSingleFile = sources.front().bSingleFile;
    settings.moreSources.assign(sources.begin() + 1, sources.end());
    settings.strDestination = options.m_strDestination;
    settings.bOverwrite = options.m_bOverwrite != 0;
    settings.bVerifyOnly = options.m_bTest;
    settings.pOutput = options.m_bStdout ? &standardOutput : nullptr;
    settings.nDecodeThreads = options.m_nThreads != 0 ? options.m_nThreads : CountProcessors();
    CExtractJob job(settings, &display);
    const int status = WatchJob(&job, &display);
    return status == EXIT_ALL_EXTRACTED && bMissing ? EXIT_NOT_ALL_EXTRACTED : status;
}
