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
    CExtractJob singleFile(TestSettings(nullptr, "C:\\in\\a.ovx/", "D:\\out/", true), &display);
    EXPECT_EQ(singleFile.Settings().strSource, "C:\\in\\a.ovx/");
    EXPECT_EQ(singleFile.Settings().strDestination, "D:\\out" + SEPARATOR);
    CExtractJob folders(TestSettings(nullptr, "C:\\in//", "", false, true), &display);
    EXPECT_EQ(folders.Settings().strSource, "C:\\in" + SEPARATOR);
    EXPECT_EQ(folders.Settings().strDestination, SEPARATOR);
}

TEST(ExtractJobRecord, AppendLogFormatsAndCutsAt1023)
{
    RecordingDisplay display;
    CExtractJob job(TestSettings(nullptr, "", "", false), &display);
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
        CExtractJob utf8Job(TestSettings(nullptr, "", "", false), &utf8);
        utf8Job.AppendLog("%s", c.text.c_str());
        EXPECT_EQ(utf8.LogTexts(), std::vector<std::string>{c.logged}) << c.text.size();
    }
}

// Running resets the count; a stop replaces only a running job; the finish shows the
// count before the state changes, as the job may be destroyed right after.
TEST(ExtractJobState, Transitions)
{
    CJobStatus status;
    status.RequestStop();
    EXPECT_EQ(status.State(), JOB_STOP_REQUESTED);
    status.CountExtracted();
    status.Start();
    EXPECT_EQ(status.State(), JOB_RUNNING);
    EXPECT_EQ(status.Extracted(), 0u);

    RecordingDisplay display;
    CExtractJob job(TestSettings(nullptr, "", "", false), &display);
    job.SetJobState(JOB_STOP_REQUESTED);
    LONG stateInsideFinish = -1;
    display.onFinished = [&](UINT) { stateInsideFinish = job.Status().State(); };
    job.SetJobState(JOB_FINISHED);
    EXPECT_EQ(stateInsideFinish, JOB_STOP_REQUESTED);
    job.SetJobState(JOB_STOP_REQUESTED);
    EXPECT_TRUE(job.IsFinished());
    EXPECT_EQ(display.Events(), std::vector<std::string>{RecordingDisplay::FinishedEvent(0)});
}

} // namespace
