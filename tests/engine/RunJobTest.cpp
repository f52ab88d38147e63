#include <atomic>
#include <chrono>
#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "tests/engine/EngineTestSupport.h"

namespace
{

using RunJobTest = EngineTest;

TEST_F(RunJobTest, FileToFileCreatesTheDestinationFolderOrOnlyReportsIt)
{
    std::vector<BYTE> plain = MakePlaintext(1000);
    WriteFileBytes(In("a.ovx"), EncodeChunkFormat(plain, TEST_PASSWORD));
    WriteFileText(m_temp.PathOf("blocker"), "x");
    const std::string blocked = m_temp.PathOf("blocker\\deeper");
    const struct
    {
        std::string destination;
        std::vector<std::string> events;
    } cases[] = {
        {Out("new\\deeper"),
         {ProcessingText(In("a.ovx")),
          RecordingDisplay::ResultEvent(FILE_EXTRACTED, RESULT_OK, In("a.ovx"), Out("new\\deeper\\a")), FINISHED_TEXT,
          RecordingDisplay::FinishedEvent(1)}},
        {blocked,
         {FailedText("create", blocked + SEPARATOR, "800700B7"),
          RecordingDisplay::ResultEvent(FILE_FAILED, ResultFromWin32(ERROR_ALREADY_EXISTS), In("a.ovx"),
                                        blocked + SEPARATOR + "a"),
          FINISHED_TEXT, RecordingDisplay::FinishedEvent(0)}},
    };
    for (const auto& c : cases)
    {
        auto job = MakeJob(In("a.ovx"), c.destination, 1);
        job->Run();
        EXPECT_EQ(m_display->Events(), c.events);
        EXPECT_EQ(job->Status().State(), JOB_FINISHED);
    }
    EXPECT_EQ(ReadFileBytes(Out("new\\deeper\\a")), plain);
}

TEST_F(RunJobTest, ExceptionBelowTheJobIsReportedAndTheJobFinishes)
{
    WriteFileBytes(In("a.ovx"), EncodeRecordFormat(MakePlaintext(300000), TEST_PASSWORD));
    for (BYTE bSingleFile : {BYTE{1}, BYTE{0}})
    {
        SCOPED_TRACE(bSingleFile ? "file to file" : "directory to directory");
        auto job = MakeJob(bSingleFile ? In("a.ovx") : In(), Out(), bSingleFile, 1);
        m_cipher.beforeDecrypt = [](int call) -> HRESULT {
            if (call == 50) // in the middle of the copy
                throw std::runtime_error("decryptor failed");
            return RESULT_OK;
        };

        job->Run();
        // The abandoned rest of the job is one failure of its source.
        const std::string abandoned = RecordingDisplay::ResultEvent(FILE_FAILED, RESULT_FAIL, job->Settings().strSource, Out());
        EXPECT_EQ(m_display->Events(),
                  (std::vector<std::string>{ProcessingText(In("a.ovx")), "Oops ! Exception raised !\n", abandoned,
                                            FINISHED_TEXT, RecordingDisplay::FinishedEvent(0)}));
        EXPECT_EQ(job->Status().State(), JOB_FINISHED);
        EXPECT_TRUE(ListFolder(Out()).empty()); // the partial output went with the exception
    }
}

// The worker started on its own thread, stopped from another one while it copies; the
// front end destroys the job the moment it reads JOB_FINISHED.
TEST_F(RunJobTest, WorkerThreadStopsOnRequestFromAnotherThread)
{
    const UINT fileCount = 6;
    for (UINT i = 0; i < fileCount; ++i)
    {
        std::string name = std::to_string(i); // appended: GCC 12 warns falsely on "literal" + string at -O3
        name += ".ovx";
        WriteFileBytes(In(name), EncodeRecordFormat(MakePlaintext(200000, i), TEST_PASSWORD));
    }
    auto job = MakeJob(In(), Out(), 0);
    std::atomic<bool> copying{false};
    m_cipher.beforeDecrypt = [&](int call) {
        if (call >= 25 && job->IsRunning()) // slowly, until the stop arrives
        {
            copying = true;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return RESULT_OK;
    };
    // A stale state is reset, and shown, before the thread exists.
    job->SetJobState(JOB_STOP_REQUESTED);
    auto startThread = [&](LPTHREAD_START_ROUTINE pfnStart, LPVOID pParam) {
        EXPECT_EQ(job->Status().State(), JOB_RUNNING);
        EXPECT_EQ(m_display->Events(), std::vector<std::string>{RecordingDisplay::RUNNING});
        return CreateWorkerThread(pfnStart, pParam);
    };
    ASSERT_EQ(job->StartWorker(startThread), RESULT_OK);

    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!copying && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    job->SetJobState(JOB_STOP_REQUESTED);
    while (job->Status().State() != JOB_FINISHED && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_EQ(job->Status().State(), JOB_FINISHED);
    EXPECT_TRUE(job->WaitForWorkerEnd(60000)); // what a program about to exit waits for
    UINT extracted = job->Status().Extracted();
    job.reset();

    EXPECT_LT(extracted, fileCount);
    EXPECT_EQ(m_display->FinishedCount(), extracted);
    EXPECT_EQ(m_display->Events().front(), RecordingDisplay::RUNNING);
    EXPECT_EQ(m_display->LogTexts().back(), FINISHED_TEXT);
    EXPECT_EQ(ListFolder(Out()).size(), extracted); // complete files only, no partial one
}

// Stops at moments spread over a whole job: each run leaves either the complete output,
// counted, or no file at all, and a stop is never logged as a failure.
TEST_F(RunJobTest, StopAtAnyMomentLeavesTheCompleteFileOrNone)
{
    const std::vector<BYTE> plain = MakePlaintext(3 << 20, 5);
    WriteFileBytes(In("a.ovx"), EncodeRecordFormat(plain, TEST_PASSWORD));
    using std::chrono::microseconds;
    auto runFor = [&](microseconds stopAfter) { // negative: no stop
        auto job = MakeJob(In("a.ovx"), Out(), 1);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(job->StartWorker(), RESULT_OK);
        if (stopAfter.count() >= 0)
        {
            std::this_thread::sleep_for(stopAfter);
            job->SetJobState(JOB_STOP_REQUESTED);
        }
        while (!job->IsFinished())
            std::this_thread::sleep_for(microseconds(200));
        const auto took = std::chrono::duration_cast<microseconds>(std::chrono::steady_clock::now() - start);
        return std::make_pair(took, job->Status().Extracted());
    };
    const microseconds whole = runFor(microseconds(-1)).first;
    std::mt19937 random(7);
    for (int run = 0; run < 12; ++run)
    {
        std::filesystem::remove_all(ToHostPath(Out()));
        const UINT extracted = runFor(microseconds(random() % (whole.count() * 3 / 2 + 1))).second;
        SCOPED_TRACE("run " + std::to_string(run) + ", extracted " + std::to_string(extracted));
        EXPECT_EQ(ListFolder(Out()), extracted == 1 ? std::vector<std::string>{"a"} : std::vector<std::string>{});
        if (extracted == 1)
        {
            EXPECT_EQ(ReadFileBytes(Out("a")), plain);
        }
        EXPECT_EQ(Logs(), (std::vector<std::string>{ProcessingText(In("a.ovx")), FINISHED_TEXT}));
    }
}

} // namespace
