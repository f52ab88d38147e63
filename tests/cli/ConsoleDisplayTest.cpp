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

// Progress with `bytes` done and the totals still being counted.
JobProgress Done(UINT64 bytes)
{
    JobProgress progress;
    progress.nBytesDone = bytes;
    return progress;
}

TEST(ConsoleDisplay, LogTextsGoOutUnchangedAndEraseTheProgressLineFirst)
{
    CapturedStream log, progress;
    ASSERT_NE(log.file, nullptr);
    ASSERT_NE(progress.file, nullptr);
    CConsoleDisplay display(log.file, progress.file);
    display.ShowLogText("Processing 'C:\\in\\100%s %08X.ovx'...\n"); // not a format
    display.DrawProgress(Done(3 * 1024 * 1024), 2.0);
    display.DrawProgress(Done(1000), 1.0); // shorter: blanks cover the rest of the longer line
    const std::string source = "a.ovx", destination = "a";
    display.ShowFileResult({source, destination, FILE_EXTRACTED, RESULT_OK}); // the next file is the second
    display.ShowLogText("Processing 'next.ovx'...\n");
    display.DrawProgress(Done(5000), 0.0); // no rate before any time has passed
    EXPECT_FALSE(display.WaitFinished(0));
    display.ShowLogText("\n*** Finished ***");
    display.ShowFileResult({source, destination, FILE_EXTRACTED, RESULT_OK});
    display.ShowFinished(2);
    EXPECT_TRUE(display.WaitFinished(0));
    display.DrawProgress(Done(6000), 1.0); // no redraw once finished
    display.ClearProgress();

    EXPECT_EQ(progress.Contents(), "\rfile 1, 3.0 MiB, 1.5 MiB/s" "\rfile 1, 1000 B, 1000 B/s  " +
                                       ("\r" + std::string(26, ' ') + "\r") + "\rfile 2, 4.9 KiB" +
                                       ("\r" + std::string(15, ' ') + "\r"));
    EXPECT_EQ(log.Contents(), "Processing 'C:\\in\\100%s %08X.ovx'...\nProcessing 'next.ovx'...\n\n*** Finished ***\n"
                              "Finished - 2 file(s) extracted\n");
}

// The exit status and the count rest on the file results alone, never on log wording.
TEST(ConsoleDisplay, CountsAndAllExtractedComeFromTheResults)
{
    const std::string source = "in/a.ovx", destination = "out/a";
    const struct
    {
        std::vector<FileOutcome> outcomes;
        const char* logText;
        UINT nExtracted;
        bool bAll;
    } cases[] = {
        {{}, "", 0, true},
        {{FILE_EXTRACTED, FILE_EXTRACTED}, "Failed to open 'x'. Reason : [80070002]\n", 2, true},
        {{FILE_EXTRACTED, FILE_EXISTS}, "", 1, false},
        {{FILE_FAILED, FILE_EXTRACTED}, "", 1, false},
    };
    for (const auto& test : cases)
    {
        CapturedStream log;
        CConsoleDisplay display(log.file, nullptr);
        display.ShowLogText(test.logText);
        for (FileOutcome outcome : test.outcomes)
            display.ShowFileResult({source, destination, outcome, outcome == FILE_EXTRACTED ? RESULT_OK : RESULT_FAIL});
        display.ShowFinished(99); // the job's own count is not what the console shows
        EXPECT_EQ(display.AllFilesExtracted(), test.bAll) << test.outcomes.size();
        EXPECT_EQ(log.Contents(),
                  test.logText + ("\nFinished - " + std::to_string(test.nExtracted) + " file(s) extracted\n"));
    }
}

// Once the census has counted, the line names the total, the share and the time left.
TEST(ConsoleDisplay, ProgressLineGainsTotalPercentAndTimeLeftOnceCounted)
{
    CapturedStream progress;
    ASSERT_NE(progress.file, nullptr);
    CConsoleDisplay display(nullptr, progress.file);
    JobProgress counted;
    counted.nFilesDone = 2;
    counted.nBytesDone = 10 << 20;
    counted.nFilesTotal = 8;
    counted.nBytesTotal = 40 << 20;
    counted.bCounted = true;
    display.DrawProgress(counted, 2.0);
    EXPECT_EQ(progress.Contents(), "\rfile 1 of 8, 10.0 MiB of 40.0 MiB (25%), 5.0 MiB/s, about 6.0 s left");
    // After the last result no file is in progress: the count stops at the total.
    EXPECT_EQ(FormatProgressLine(9, {8, 40 << 20, 8, 40 << 20, true}, 8.0),
              "file 8 of 8, 40.0 MiB of 40.0 MiB (100%), 5.0 MiB/s, about 0.0 s left");
}

TEST(ConsoleDisplay, ByteCountsForPeople)
{
    EXPECT_EQ(FormatByteCount(1023), "1023 B");
    EXPECT_EQ(FormatByteCount(1024), "1.0 KiB");
    EXPECT_EQ(FormatByteCount(3.0 * (1 << 30)), "3.0 GiB");
    EXPECT_EQ(FormatByteCount(2048.0 * (1ull << 40)), "2048.0 TiB"); // the largest unit
}

} // namespace

// A name cannot forge log lines or send terminal controls; the log's own line ends stay.
TEST(ConsoleDisplay, ControlCharactersInNamesAreShownEscaped)
{
    const std::pair<std::string, std::string> texts[] = {
        {"Processing 'a\nFinished - 9 file(s) extracted\n.ovx'...\n",
         "Processing 'a\\x0AFinished - 9 file(s) extracted\\x0A.ovx'...\n"},
        {"Processing '\x1b[2J\r\t\x7f.ovx'...\n", "Processing '\\x1B[2J\\x0D\\x09\\x7F.ovx'...\n"},
        {"\n*** Finished ***", "\n*** Finished ***"},
        {"Processing 'caf\xc3\xa9.ovx'...\n", "Processing 'caf\xc3\xa9.ovx'...\n"}, // other bytes unchanged
    };
    for (const auto& [text, shown] : texts)
    {
        CapturedStream log;
        CConsoleDisplay display(log.file, nullptr);
        display.ShowLogText(text.c_str());
        EXPECT_EQ(log.Contents(), shown);
    }
    EXPECT_EQ(EscapeControlCharacters("in/a\n.ovx", false), "in/a\\x0A.ovx");
}
