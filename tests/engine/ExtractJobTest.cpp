#include <string>

#include "tests/engine/EngineTestSupport.h"

namespace
{

using Kind = RecordingDisplay::Kind;

TEST(ExtractJobRecord, NormalisesFolderPathsOnly)
{
    RecordingDisplay display;
    KeyedCipher cipher;
    CExtractJob singleFile(cipher.Get(), "C:\\in\\a.ovx/", "D:\\out/", 1, 0, &display);
    EXPECT_EQ(singleFile.m_strSource, "C:\\in\\a.ovx/"); // exactly as typed
    EXPECT_EQ(singleFile.m_strDestination, "D:\\out\\");
    EXPECT_EQ(singleFile.m_nState, JOB_RUNNING);
    EXPECT_EQ(singleFile.m_nExtracted, 0u);

    CExtractJob folders(cipher.Get(), "C:\\in//", "", 0, 1, &display);
    EXPECT_EQ(folders.m_strSource, "C:\\in\\");
    EXPECT_EQ(folders.m_strDestination, "\\");
    EXPECT_EQ(folders.m_bSingleFile, 0);
    EXPECT_EQ(folders.m_bOverwrite, 1);
    EXPECT_TRUE(display.Events().empty());
}

TEST(ExtractJobRecord, AppendLogFormatsAndCutsAt1023)
{
    RecordingDisplay display;
    CExtractJob job(nullptr, "", "", 0, 0, &display);
    job.AppendLog("Failed to open '%s'. Reason : [%08X]\n", "x", 0x80070002u);
    job.AppendLog("%u file(s)", 3u);
    job.AppendLog("%s", std::string(2000, 'a').c_str());
    job.AppendLog("%s", std::string(1023, 'b').c_str());

    std::vector<std::string> texts = display.LogTexts();
    ASSERT_EQ(texts.size(), 4u);
    EXPECT_EQ(texts[0], "Failed to open 'x'. Reason : [80070002]\n");
    EXPECT_EQ(texts[1], "3 file(s)");
    EXPECT_EQ(texts[2], std::string(1023, 'a'));
    EXPECT_EQ(texts[3], std::string(1023, 'b'));
}

TEST(ExtractJobState, StopNeverReplacesFinished)
{
    RecordingDisplay display;
    CExtractJob job(nullptr, "", "", 0, 0, &display);

    job.SetJobState(JOB_STOP_REQUESTED);
    EXPECT_EQ(job.m_nState, JOB_STOP_REQUESTED);
    job.SetJobState(JOB_STOP_REQUESTED);
    EXPECT_EQ(job.m_nState, JOB_STOP_REQUESTED);

    job.SetJobState(JOB_FINISHED);
    EXPECT_EQ(job.m_nState, JOB_FINISHED);
    job.SetJobState(JOB_STOP_REQUESTED);
    EXPECT_EQ(job.m_nState, JOB_FINISHED);
    EXPECT_EQ(display.Events().size(), 1u); // only the finish was shown
}

TEST(ExtractJobState, RunningResetsTheCountAndShowsIt)
{
    RecordingDisplay display;
    CExtractJob job(nullptr, "", "", 0, 0, &display);
    job.SetJobState(JOB_STOP_REQUESTED);
    job.m_nExtracted = 5;

    job.SetJobState(JOB_RUNNING);
    EXPECT_EQ(job.m_nState, JOB_RUNNING);
    EXPECT_EQ(job.m_nExtracted, 0u);
    ASSERT_EQ(display.Events().size(), 1u);
    EXPECT_EQ(display.Events()[0].kind, Kind::Running);
}

TEST(ExtractJobState, FinishShowsTheCountBeforeTheStateChanges)
{
    RecordingDisplay display;
    CExtractJob job(nullptr, "", "", 0, 0, &display);
    job.SetJobState(JOB_STOP_REQUESTED);
    job.m_nExtracted = 7;

    LONG stateInsideFinish = -1;
    display.onFinished = [&](UINT) { stateInsideFinish = job.m_nState; };
    job.SetJobState(JOB_FINISHED);

    EXPECT_EQ(stateInsideFinish, JOB_STOP_REQUESTED);
    EXPECT_EQ(job.m_nState, JOB_FINISHED);
    EXPECT_EQ(display.FinishedCount(), 7u);
}

} // namespace
