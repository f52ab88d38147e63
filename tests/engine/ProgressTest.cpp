// The job's progress: its census counts what the walk takes up, the worker's figures meet
// the totals at the end, and the one definition of share, time left and the window's line.

#include "engine/CJobCensus.h"
#include "tests/engine/EngineTestSupport.h"

namespace
{

class ProgressTest : public EngineTest
{
protected:
    UINT64 WriteOvx(const std::string& path, size_t size)
    {
        const std::vector<BYTE> image = EncodeRecordFormat(MakePlaintext(size, 7), TEST_PASSWORD);
        WriteFileBytes(path, image);
        return image.size();
    }
};

// A tree with a folder link, the destination inside the source (with an .ovx in it) and
// files not named .ovx: the census counts exactly the files and bytes the job takes up,
// and the worker's figures reach those totals.
TEST_F(ProgressTest, CensusCountsWhatTheJobProcesses)
{
    const UINT64 nLarge = WriteOvx(In("sub\\b.OVX"), 200000);
    const UINT64 nBytes = WriteOvx(In("a.ovx"), 300) + nLarge + WriteOvx(In("sub\\deeper\\c.ovx"), 10);
    WriteOvx(In("x.ovx.bak"), 50);
    WriteOvx(In("noext"), 50);
    WriteOvx(In("out\\old.ovx"), 50);
    const bool bLink = MakeSymbolicLink(In(), In("sub\\loop"));

    const struct
    {
        std::string source;
        bool bSingleFile;
        UINT nFiles;
        UINT64 nBytes;
    } cases[] = {
        {In(), false, 3, nBytes},
        {In("sub\\b.OVX"), true, 1, nLarge},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.source);
        auto job = MakeJob(c.source, In("out"), c.bSingleFile, true);
        job->Run();
        const JobProgress progress = job->Status().Progress();
        EXPECT_TRUE(progress.bCounted);
        EXPECT_EQ(progress.nFilesTotal, c.nFiles);
        EXPECT_EQ(progress.nBytesTotal, c.nBytes);
        EXPECT_EQ(progress.nFilesDone, c.nFiles);
        EXPECT_EQ(progress.nBytesDone, c.nBytes);
        EXPECT_EQ(job->Status().Extracted(), c.nFiles);
    }
    if (!bLink)
        GTEST_SKIP() << "symbolic links cannot be made here";
}

// A stop ends the count as it ends the walk; the totals then stay unknown.
TEST_F(ProgressTest, StopEndsTheCensusAndTheJob)
{
    for (const char* name : {"a.ovx", "one\\b.ovx", "one\\two\\c.ovx"})
        WriteOvx(In(name), 300);
    auto job = MakeJob(In(), Out(), false);
    CJobStatus status;
    status.RequestStop();
    CJobCensus census(job->Settings(), status);
    census.Run();
    EXPECT_FALSE(status.Progress().bCounted);
    EXPECT_EQ(status.Progress().nFilesTotal, 0u);

    m_display->onLogText = [&](const std::string&) { job->SetJobState(JOB_STOP_REQUESTED); };
    job->Run(); // returns: the census's thread ended too
    EXPECT_EQ(job->Status().State(), JOB_FINISHED);
    EXPECT_LE(job->Status().Progress().nFilesDone, 1u);
}

TEST(JobProgress, ShareTimeLeftAndTheWindowsLine)
{
    const struct
    {
        JobProgress progress;
        double seconds;
        double fraction;
        const char* text;
    } cases[] = {
        {{2, 3 << 20, 5, 1 << 20, false}, 2.0, -1.0, "2 files, 3.0 MiB done, counting..., 1.5 MiB/s"},
        {{1204, 1288490189, 3000, 4294967296, true}, 6.0, 0.3, "1,204 of 3,000 files, 1.2 of 4.0 GiB, 204.8 MiB/s, about 14 s left"},
        {{1, 0, 4, 0, true}, 1.0, 0.25, "1 of 4 files, 0 of 0 B, 0 B/s, about 3.0 s left"},     // empty files: by files
        {{9, 900, 8, 800, true}, 0.2, 1.0, "9 of 8 files, 900 of 800 B, 4.4 KiB/s"},           // a tree that grew; too early to guess
        {{0, 38587596, 1, 1073741848, true}, 1.0, 0.036, "0 of 1 file, 36.8 MiB of 1.0 GiB, 36.8 MiB/s, about 27 s left"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.text);
        EXPECT_NEAR(ProgressFraction(c.progress), c.fraction, 1e-3);
        EXPECT_EQ(FormatProgressText(c.progress, c.seconds), c.text);
    }
    EXPECT_EQ(FormatFinishText({3000, 5u << 20, 3000, 5u << 20, true}, 125.0), "3,000 files, 5.0 MiB in 2 min 05 s (41.0 KiB/s)");
    EXPECT_EQ(FormatDuration(3725.0), "1 h 02 min");
}

} // namespace
