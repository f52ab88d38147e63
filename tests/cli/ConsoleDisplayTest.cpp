#include "cli/CConsoleDisplay.h"

#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace
{

// A temporary stream a test reads back.
struct CapturedStream
{
    FILE* file = std::tmpfile();
    ~CapturedStream() { std::fclose(file); }
    std::string Contents() const
    {
        std::fflush(file);
        std::rewind(file);
        std::string contents;
        for (int c; (c = std::fgetc(file)) != EOF;)
            contents.push_back(static_cast<char>(c));
        return contents;
    }
};

TEST(ConsoleDisplay, LogTextsGoOutUnchangedAndEraseTheProgressLineFirst)
{
    CapturedStream log, progress;
    ASSERT_NE(log.file, nullptr);
    ASSERT_NE(progress.file, nullptr);
    CConsoleDisplay display(log.file, progress.file);
    display.ShowLogText("Processing 'C:\\in\\100%s %08X.ovx'...\n"); // not a format
    display.DrawProgress(3 * 1024 * 1024, 2.0);
    display.DrawProgress(1000, 1.0); // shorter: blanks cover the rest of the longer line
    display.ShowLogText("Processing 'next.ovx'...\n");
    display.DrawProgress(5000, 0.0); // no rate before any time has passed
    EXPECT_FALSE(display.WaitFinished(0));
    display.ShowLogText("\n*** Finished ***");
    display.ShowFinished(2);
    EXPECT_TRUE(display.WaitFinished(0));
    display.DrawProgress(6000, 1.0); // no redraw once finished
    display.ClearProgress();

    EXPECT_EQ(progress.Contents(), "\rfile 1, 3.0 MiB, 1.5 MiB/s" "\rfile 1, 1000 B, 1000 B/s  " +
                                       ("\r" + std::string(26, ' ') + "\r") + "\rfile 2, 4.9 KiB" +
                                       ("\r" + std::string(15, ' ') + "\r"));
    EXPECT_EQ(log.Contents(), "Processing 'C:\\in\\100%s %08X.ovx'...\nProcessing 'next.ovx'...\n\n*** Finished ***\n"
                              "Finished - 2 file(s) extracted\n");
}

// The exit status rests on this: every file the engine began was extracted, and no
// failure was reported.
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
        {{"Processing 'a.ovx'...\n", "Processing 'b.ovx'...\n"}, 1, false}, // a copy failure logs nothing
        // Counts that agree: only the text marks the failure.
        {{"Failed to create 'out\\'. Reason : [800700B7]\n"}, 0, false},
        {{"    'out\\a' already exists.\n"}, 0, false},
        {{"Oops ! Exception raised !\n"}, 0, false},
        // Failure words inside a file name are not failure texts.
        {{"Processing 'Failed to open.ovx'...\n", "Processing 'x' already exists.\n.ovx'...\n"}, 2, true},
    };
    for (const auto& test : cases)
    {
        CapturedStream log;
        CConsoleDisplay display(log.file, nullptr);
        for (const char* text : test.texts)
            display.ShowLogText(text);
        display.ShowFinished(test.nExtracted);
        EXPECT_EQ(display.AllFilesExtracted(), test.bAll) << (test.texts.empty() ? "" : test.texts.back());
    }
}

TEST(ConsoleDisplay, ByteCountsForPeople)
{
    EXPECT_EQ(FormatByteCount(1023), "1023 B");
    EXPECT_EQ(FormatByteCount(1024), "1.0 KiB");
    EXPECT_EQ(FormatByteCount(3.0 * (1 << 30)), "3.0 GiB");
    EXPECT_EQ(FormatByteCount(2048.0 * (1ull << 40)), "2048.0 TiB"); // the largest unit
}

} // namespace
