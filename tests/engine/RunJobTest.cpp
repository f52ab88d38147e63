#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "tests/engine/EngineTestSupport.h"

namespace
{

// "f<i>.ovx", built by appending (GCC 12 warns falsely on "literal" + string at -O3).
std::string NumberedName(int i)
{
    std::string name = "f";
    name += std::to_string(i);
    name += ".ovx";
    return name;
}

using Kind = RecordingDisplay::Kind;

class RunJobTest : public EngineTest
{
};

TEST_F(RunJobTest, FileToFileLogsProcessingThenFinished)
{
    std::vector<BYTE> plain = MakePlaintext(1000);
    WriteFileBytes(In("a.ovx"), EncodeChunkFormat(plain, TEST_PASSWORD));
    auto job = MakeJob(In("a.ovx"), Out("new\\deeper"), 1);

    job->RunJob();
    std::vector<RecordingDisplay::Event> events = m_display.Events();
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].text, ProcessingText(In("a.ovx")));
    EXPECT_EQ(events[1].text, FINISHED_TEXT);
    EXPECT_EQ(events[2].kind, Kind::Finished);
    EXPECT_EQ(events[2].count, 1u);
    EXPECT_EQ(job->m_nState, JOB_FINISHED);
    EXPECT_EQ(ReadFileBytes(Out("new\\deeper\\a")), plain);
}

TEST_F(RunJobTest, FileToFileWithoutADestinationFolderOnlyReportsIt)
{
    WriteFileBytes(In("a.ovx"), EncodeChunkFormat(MakePlaintext(10), TEST_PASSWORD));
    WriteFileText(m_temp.PathOf("blocker"), "x");
    std::string destination = m_temp.PathOf("blocker\\deeper");
    auto job = MakeJob(In("a.ovx"), destination, 1);

    job->RunJob();
    EXPECT_EQ(Logs(), (std::vector<std::string>{CreateFailedText(destination + "\\", "800700B7"), FINISHED_TEXT}));
    EXPECT_EQ(m_display.FinishedCount(), 0u);
    EXPECT_EQ(job->m_nState, JOB_FINISHED);
}

TEST_F(RunJobTest, ExceptionBelowTheJobIsReportedAndTheJobFinishes)
{
    for (BYTE bSingleFile : {BYTE{1}, BYTE{0}})
    {
        SCOPED_TRACE(bSingleFile ? "file to file" : "directory to directory");
        WriteFileBytes(In("a.ovx"), EncodeRecordFormat(MakePlaintext(300000), TEST_PASSWORD));
        HookedDecryptor decryptor(m_cipher.Get());
        decryptor.beforeDecrypt = [](int call) -> HRESULT {
            if (call == 100) // in the middle of the copy
                throw std::runtime_error("decryptor failed");
            return RESULT_OK;
        };
        RecordingDisplay display;
        CExtractJob job(&decryptor, bSingleFile ? In("a.ovx") : In(), Out(), bSingleFile, 1, &display);

        job.RunJob();
        EXPECT_EQ(display.LogTexts(), (std::vector<std::string>{ProcessingText(In("a.ovx")),
                                                                "Oops ! Exception raised !\n", FINISHED_TEXT}));
        EXPECT_EQ(display.FinishedCount(), 0u);
        EXPECT_EQ(job.m_nState, JOB_FINISHED);
        EXPECT_TRUE(ListFolder(Out()).empty()); // the partial output went with the exception
    }
}

// The worker on its own thread, stopped from another one while it copies; the front
// end destroys the job the moment it reads JOB_FINISHED.
TEST_F(RunJobTest, WorkerThreadStopsOnRequestFromAnotherThread)
{
    const int fileCount = 6;
    for (int i = 0; i < fileCount; ++i)
        WriteFileBytes(In(NumberedName(i)), EncodeRecordFormat(MakePlaintext(200000, i), TEST_PASSWORD));

    std::mutex mutex;
    std::condition_variable started;
    bool copying = false;
    HookedDecryptor decryptor(m_cipher.Get());
    decryptor.beforeDecrypt = [&](int call) {
        if (call == 50)
        {
            {
                std::lock_guard<std::mutex> lock(mutex);
                copying = true;
            }
            started.notify_all();
            // Keep the copy going slowly until the stop arrives.
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return RESULT_OK;
    };
    auto job = MakeJob(In(), Out(), 0, 0, &decryptor);
    job->SetJobState(JOB_RUNNING);

    std::thread worker(ExtractThreadProc, static_cast<LPVOID>(job.get()));
    {
        std::unique_lock<std::mutex> lock(mutex);
        ASSERT_TRUE(started.wait_for(lock, std::chrono::seconds(60), [&] { return copying; }));
    }
    job->SetJobState(JOB_STOP_REQUESTED);
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (job->m_nState != JOB_FINISHED && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_EQ(job->m_nState, JOB_FINISHED);
    UINT extracted = job->m_nExtracted;
    job.reset();
    worker.join();

    EXPECT_LT(extracted, static_cast<UINT>(fileCount));
    EXPECT_EQ(m_display.FinishedCount(), extracted);
    EXPECT_EQ(m_display.Events().front().kind, Kind::Running);
    EXPECT_EQ(m_display.LogTexts().back(), FINISHED_TEXT);
    EXPECT_EQ(ListFolder(Out()).size(), extracted); // complete files only, no partial one
}

} // namespace
