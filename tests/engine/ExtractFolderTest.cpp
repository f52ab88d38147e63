#include <algorithm>
#include <string>
#include <vector>

#include "tests/engine/EngineTestSupport.h"

namespace
{

class ExtractFolderTest : public EngineTest
{
protected:
    std::vector<BYTE> WriteOvx(const std::string& path, size_t size = 300)
    {
        std::vector<BYTE> plain = MakePlaintext(size, static_cast<UINT32>(path.size()));
        WriteFileBytes(path, EncodeRecordFormat(plain, TEST_PASSWORD));
        return plain;
    }

    // Runs a Directory to Directory job to its end on this thread.
    std::unique_ptr<CExtractJob> RunFolderJob(const std::string& source, const std::string& destination,
                                              BYTE bOverwrite = 0)
    {
        auto job = MakeJob(source, destination, 0, bOverwrite);
        job->RunJob();
        EXPECT_EQ(job->m_nState, JOB_FINISHED);
        EXPECT_EQ(Logs().back(), FINISHED_TEXT);
        return job;
    }

    std::vector<std::string> SortedProcessingTexts() const
    {
        std::vector<std::string> texts;
        for (const std::string& text : Logs())
            if (text.rfind("Processing '", 0) == 0)
                texts.push_back(text);
        std::sort(texts.begin(), texts.end());
        return texts;
    }
};

TEST_F(ExtractFolderTest, MirrorsTheTreeAndDecodesOvxFilesOnly)
{
    std::vector<BYTE> a = WriteOvx(In("a.ovx"));
    std::vector<BYTE> b = WriteOvx(In("B.OVX"));
    std::vector<BYTE> c = WriteOvx(In("c.Ovx"));
    WriteOvx(In("x.ovx.bak"));
    WriteOvx(In("x.ovxa"));
    WriteOvx(In("noext"));
    std::vector<BYTE> d = WriteOvx(In("sub\\d.ovx"));
    std::vector<BYTE> e = WriteOvx(In("sub\\deeper\\e.ovx"), 70000);
    std::vector<BYTE> f = WriteOvx(In("dir.ovx\\f.ovx"));
    MakeFolders(In("empty\\inner"));

    auto job = RunFolderJob(In(), Out());

    EXPECT_EQ(ListFolder(Out()), (std::vector<std::string>{"B", "a", "c", "dir.ovx/", "dir.ovx/f", "empty/", "empty/inner/",
                                                           "sub/", "sub/d", "sub/deeper/", "sub/deeper/e"}));
    EXPECT_EQ(ReadFileBytes(Out("a")), a);
    EXPECT_EQ(ReadFileBytes(Out("B")), b);
    EXPECT_EQ(ReadFileBytes(Out("c")), c);
    EXPECT_EQ(ReadFileBytes(Out("sub\\d")), d);
    EXPECT_EQ(ReadFileBytes(Out("sub\\deeper\\e")), e);
    EXPECT_EQ(ReadFileBytes(Out("dir.ovx\\f")), f);
    EXPECT_EQ(job->m_nExtracted, 6u);
    EXPECT_EQ(m_display.FinishedCount(), 6u);
    EXPECT_EQ(SortedProcessingTexts(),
              (std::vector<std::string>{ProcessingText(In("B.OVX")), ProcessingText(In("a.ovx")),
                                        ProcessingText(In("c.Ovx")), ProcessingText(In("dir.ovx\\f.ovx")),
                                        ProcessingText(In("sub\\d.ovx")), ProcessingText(In("sub\\deeper\\e.ovx"))}));
    EXPECT_EQ(Logs().size(), 7u); // nothing but the six files and the finish
}

TEST_F(ExtractFolderTest, MissingSourceFolderStillCreatesTheDestination)
{
    auto job = RunFolderJob(In("missing"), Out("new\\deeper"));
    EXPECT_EQ(Logs(), std::vector<std::string>{FINISHED_TEXT});
    EXPECT_EQ(m_display.FinishedCount(), 0u);
    EXPECT_EQ(ListFolder(Out()), (std::vector<std::string>{"new/", "new/deeper/"}));
}

TEST_F(ExtractFolderTest, FileInTheWaySkipsThatSubtreeOnly)
{
    WriteOvx(In("blocked\\a.ovx"));
    WriteOvx(In("blocked\\deeper\\b.ovx"));
    std::vector<BYTE> c = WriteOvx(In("open\\c.ovx"));
    WriteFileText(Out("blocked"), "a file");

    auto job = RunFolderJob(In(), Out());
    std::vector<std::string> logs = Logs();
    EXPECT_NE(std::find(logs.begin(), logs.end(), CreateFailedText(Out("blocked\\"), "800700B7")), logs.end());
    EXPECT_EQ(SortedProcessingTexts(), std::vector<std::string>{ProcessingText(In("open\\c.ovx"))});
    EXPECT_EQ(logs.size(), 3u);
    EXPECT_EQ(ReadFileBytes(Out("open\\c")), c);
    EXPECT_EQ(ReadFileText(Out("blocked")), "a file");
    EXPECT_EQ(job->m_nExtracted, 1u);
}

TEST_F(ExtractFolderTest, DestinationInsideTheSourceIsNotWalked)
{
    std::vector<BYTE> a = WriteOvx(In("a.ovx"));
    std::vector<BYTE> old = WriteOvx(In("out\\old.ovx")); // an earlier job's input left there

    auto job = RunFolderJob(In(), In("out"));
    EXPECT_EQ(ListFolder(In()), (std::vector<std::string>{"a.ovx", "out/", "out/a", "out/old.ovx"}));
    EXPECT_EQ(Logs(), (std::vector<std::string>{ProcessingText(In("a.ovx")), FINISHED_TEXT}));
    EXPECT_EQ(ReadFileBytes(In("out\\a")), a);
}

TEST_F(ExtractFolderTest, DestinationEqualToTheSourceStillWorks)
{
    std::vector<BYTE> a = WriteOvx(In("a.ovx"));
    std::vector<BYTE> b = WriteOvx(In("sub\\b.ovx"));

    auto job = RunFolderJob(In(), In());
    EXPECT_EQ(ListFolder(In()), (std::vector<std::string>{"a", "a.ovx", "sub/", "sub/b", "sub/b.ovx"}));
    EXPECT_EQ(ReadFileBytes(In("sub\\b")), b);
    EXPECT_EQ(job->m_nExtracted, 2u);
}

TEST_F(ExtractFolderTest, DirectoryLinksAreNotFollowed)
{
    std::vector<BYTE> a = WriteOvx(In("a.ovx"));
    MakeFolders(In("sub"));
    if (!MakeSymbolicLink(In(), In("sub\\loop")))
        GTEST_SKIP() << "symbolic links cannot be made here";

    auto job = RunFolderJob(In(), Out());
    EXPECT_EQ(ListFolder(Out()), (std::vector<std::string>{"a", "sub/"}));
    EXPECT_EQ(job->m_nExtracted, 1u);
}

TEST_F(ExtractFolderTest, StopEndsEveryLevelAtOnce)
{
    for (const char* name : {"a.ovx", "b.ovx", "one\\c.ovx", "one\\d.ovx", "one\\two\\e.ovx", "one\\two\\f.ovx", "g.ovx"})
        WriteOvx(In(name));
    auto job = MakeJob(In(), Out(), 0);
    int processed = 0;
    m_display.onLogText = [&](const std::string& text) {
        if (text.rfind("Processing '", 0) == 0 && ++processed == 2)
            job->SetJobState(JOB_STOP_REQUESTED);
    };

    job->RunJob();
    // The second file was cut short before its first read; nothing else was looked at.
    EXPECT_EQ(processed, 2);
    EXPECT_EQ(Logs().size(), 3u);
    EXPECT_EQ(Logs().back(), FINISHED_TEXT);
    EXPECT_EQ(job->m_nExtracted, 1u);
    EXPECT_EQ(m_display.FinishedCount(), 1u);
    size_t files = 0;
    for (const std::string& entry : ListFolder(Out()))
        if (entry.back() != '/')
            ++files;
    EXPECT_EQ(files, 1u);
}

} // namespace
