#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/CExtractJob.h"
#include "tests/engine/EngineTestSupport.h"
#include "tests/support/RecordingDisplay.h"

namespace
{

TEST(ExtractJobRecord, NormalisesTheDestinationAlwaysAndTheSourceOnlyAsAFolder)
{
    RecordingDisplay display;
    CExtractJob singleFile(nullptr, "C:\\in\\a.ovx/", "D:\\out/", 1, 0, &display);
    EXPECT_EQ(singleFile.m_strSource, "C:\\in\\a.ovx/");
    EXPECT_EQ(singleFile.m_strDestination, "D:\\out" + SEPARATOR);
    CExtractJob folders(nullptr, "C:\\in//", "", 0, 1, &display);
    EXPECT_EQ(folders.m_strSource, "C:\\in" + SEPARATOR);
    EXPECT_EQ(folders.m_strDestination, SEPARATOR);
}

TEST(ExtractJobRecord, AppendLogFormatsAndCutsAt1023)
{
    RecordingDisplay display;
    CExtractJob job(nullptr, "", "", 0, 0, &display);
    job.AppendLog("Failed to open '%s'. Reason : [%08X]\n", "x", 0x80070002u);
    job.AppendLog("%s", std::string(2000, 'a').c_str());
    job.AppendLog("%s", std::string(1023, 'b').c_str());
    EXPECT_EQ(display.LogTexts(), (std::vector<std::string>{"Failed to open 'x'. Reason : [80070002]\n",
                                                            std::string(1023, 'a'), std::string(1023, 'b')}));

    // UTF-8 (the programs' code page): a character that does not fit whole goes whole.
    const std::string euro = "\xE2\x82\xAC", emoji = "\xF0\x9F\x98\x80";
    const struct
    {
        std::string text;
        std::string logged;
    } cases[] = {
        {std::string(1020, 'c') + euro, std::string(1020, 'c') + euro},
        {std::string(1021, 'c') + euro, std::string(1021, 'c')},
        {std::string(1022, 'c') + euro, std::string(1022, 'c')},
        {std::string(1020, 'c') + emoji, std::string(1020, 'c')},
        {std::string(1019, 'c') + emoji + "d", std::string(1019, 'c') + emoji},
    };
    for (const auto& c : cases)
    {
        RecordingDisplay utf8;
        CExtractJob utf8Job(nullptr, "", "", 0, 0, &utf8);
        utf8Job.AppendLog("%s", c.text.c_str());
        EXPECT_EQ(utf8.LogTexts(), std::vector<std::string>{c.logged}) << c.text.size();
    }
}

// Running resets the count and shows it; a stop replaces only a running job; the finish
// shows the count before the state changes, as the job may be destroyed right after.
TEST(ExtractJobState, Transitions)
{
    RecordingDisplay display;
    CExtractJob job(nullptr, "", "", 0, 0, &display);
    job.SetJobState(JOB_STOP_REQUESTED);
    EXPECT_EQ(job.m_nState, JOB_STOP_REQUESTED);
    job.m_nExtracted = 5;
    job.SetJobState(JOB_RUNNING);
    EXPECT_EQ(job.m_nState, JOB_RUNNING);
    EXPECT_EQ(job.m_nExtracted, 0u);

    job.SetJobState(JOB_STOP_REQUESTED);
    job.m_nExtracted = 7;
    LONG stateInsideFinish = -1;
    display.onFinished = [&](UINT) { stateInsideFinish = job.m_nState; };
    job.SetJobState(JOB_FINISHED);
    EXPECT_EQ(stateInsideFinish, JOB_STOP_REQUESTED);
    job.SetJobState(JOB_STOP_REQUESTED);
    EXPECT_EQ(job.m_nState, JOB_FINISHED);
    EXPECT_EQ(display.Events(), (std::vector<std::string>{RecordingDisplay::RUNNING, RecordingDisplay::FinishedEvent(7)}));
}

} // namespace
