#include "cli/CConsoleDisplay.h"

#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace
{

// A temporary stream whose contents a test can read back.
class CapturedStream
{
public:
    CapturedStream() : m_pFile(std::tmpfile()) {}
    ~CapturedStream()
    {
        if (m_pFile != nullptr)
            std::fclose(m_pFile);
    }
    FILE* File() const { return m_pFile; }
    std::string Contents() const
    {
        std::fflush(m_pFile);
        std::rewind(m_pFile);
        std::string contents;
        for (int c; (c = std::fgetc(m_pFile)) != EOF;)
            contents.push_back(static_cast<char>(c));
        return contents;
    }

private:
    FILE* m_pFile;
};

TEST(ConsoleDisplay, LogTextsUnchangedThenTheFinishedLine)
{
    CapturedStream log;
    ASSERT_NE(log.File(), nullptr);
    CConsoleDisplay display(log.File(), nullptr);
    display.ShowRunning();
    display.ShowLogText("Processing 'C:\\in\\a.ovx'...\n");
    display.ShowLogText("text without line end, 100%s %08X");
    display.ShowLogText("\n*** Finished ***");
    EXPECT_FALSE(display.WaitFinished(0));
    display.ShowFinished(1);
    EXPECT_TRUE(display.WaitFinished(0));
    EXPECT_EQ(log.Contents(), "Processing 'C:\\in\\a.ovx'...\ntext without line end, 100%s %08X\n*** Finished ***\n"
                              "Finished - 1 file(s) extracted\n");
}

// The exit status rests on this: every file the engine began was extracted, and no
// failure was reported (the engine logs nothing for a copy loop that failed).
TEST(ConsoleDisplay, AllFilesExtractedOnlyWhenEveryProcessedFileCounts)
{
    const struct
    {
        std::vector<const char*> texts;
        UINT nExtracted;
        bool bAll;
    } cases[] = {
        {{}, 0, true},
        {{"Processing 'a.ovx'...\n"}, 1, true},
        {{"Processing 'a.ovx'...\n", "Processing 'b.ovx'...\n"}, 2, true},
        {{"Processing 'a.ovx'...\n", "Processing 'b.ovx'...\n"}, 1, false}, // a silent copy failure or stop
        {{"Processing 'a.ovx'...\n", "Failed to initilize decoders. Reasons : [A0040905]/[A0040901]\n"}, 0, false},
        {{"Processing 'a.ovx'...\n", "Failed to open 'a.ovx'. Reason : [80070002]\n"}, 0, false},
        {{"Failed to create 'out\\'. Reason : [800700B7]\n"}, 0, false},
        {{"Processing 'a.ovx'...\n", "    'out\\a' already exists.\n"}, 0, false},
        {{"Oops ! Exception raised !\n"}, 0, false},
        // Failure words inside a file name are not failure texts.
        {{"Processing 'Failed to open.ovx'...\n", "Processing 'x' already exists.\n.ovx'...\n"}, 2, true},
    };
    for (const auto& test : cases)
    {
        CapturedStream log;
        CConsoleDisplay display(log.File(), nullptr);
        for (const char* text : test.texts)
            display.ShowLogText(text);
        display.ShowLogText("\n*** Finished ***");
        display.ShowFinished(test.nExtracted);
        EXPECT_EQ(display.AllFilesExtracted(), test.bAll) << (test.texts.empty() ? "" : test.texts.back());
        EXPECT_EQ(display.GetExtracted(), test.nExtracted);
    }
}

TEST(ConsoleDisplay, ProgressLineIsErasedBeforeEveryLogText)
{
    CapturedStream log, progress;
    CConsoleDisplay display(log.File(), progress.File());
    display.ShowLogText("Processing 'big.ovx'...\n");
    display.DrawProgress(3 * 1024 * 1024, 2.0);
    const std::string line = "file 1, 3.0 MiB, 1.5 MiB/s";
    EXPECT_EQ(progress.Contents(), "\r" + line);

    display.DrawProgress(1000, 1.0); // shorter: blanks cover the rest of the longer line
    const std::string shorter = "file 1, 1000 B, 1000 B/s";
    const std::string blanks(line.size() - shorter.size(), ' ');
    EXPECT_EQ(progress.Contents(), "\r" + line + "\r" + shorter + blanks);

    display.ShowLogText("Processing 'next.ovx'...\n");
    std::string erase(line.size() + 2, ' ');
    erase.front() = erase.back() = '\r';
    EXPECT_EQ(progress.Contents(), "\r" + line + "\r" + shorter + blanks + erase);

    // Nothing more to erase, and no redraw once the job has finished.
    display.ShowLogText("\n*** Finished ***");
    display.ShowFinished(2);
    display.DrawProgress(5000, 1.0);
    display.ClearProgress();
    EXPECT_EQ(progress.Contents(), "\r" + line + "\r" + shorter + blanks + erase);
    EXPECT_EQ(log.Contents(), "Processing 'big.ovx'...\nProcessing 'next.ovx'...\n\n*** Finished ***\n"
                              "Finished - 2 file(s) extracted\n");
}

TEST(ConsoleDisplay, ByteCountsForPeople)
{
    const struct
    {
        double bytes;
        const char* text;
    } cases[] = {
        {0, "0 B"},
        {1023, "1023 B"},
        {1024, "1.0 KiB"},
        {1536.0 * 1024, "1.5 MiB"},
        {3.0 * 1024 * 1024 * 1024, "3.0 GiB"},
        {2048.0 * 1024 * 1024 * 1024 * 1024, "2048.0 TiB"},
    };
    for (const auto& test : cases)
        EXPECT_EQ(FormatByteCount(test.bytes), test.text);
    EXPECT_EQ(FormatProgressLine(4, 2048, 0.0), "file 4, 2.0 KiB"); // no rate before any time has passed
}

} // namespace
