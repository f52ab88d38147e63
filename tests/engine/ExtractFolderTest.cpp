#include <algorithm>
#include <filesystem>
#include <fstream>
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
    std::unique_ptr<CExtractJob> RunFolderJob(const std::string& source, const std::string& destination)
    {
        auto job = MakeJob(source, destination, 0);
        job->Run();
        EXPECT_EQ(job->Status().State(), JOB_FINISHED);
        EXPECT_EQ(Logs().back(), FINISHED_TEXT);
        EXPECT_EQ(m_display->FinishedCount(), job->Status().Extracted());
        return job;
    }

    // The log texts in sorted order: the walk's order is the file system's.
    std::vector<std::string> SortedLogs() const
    {
        std::vector<std::string> texts = Logs();
        std::sort(texts.begin(), texts.end());
        return texts;
    }
};

TEST_F(ExtractFolderTest, MirrorsTheTreeAndDecodesOvxFilesOnly)
{
    std::vector<std::string> decoded = {"a.ovx", "B.OVX", "c.Ovx", "sub\\d.ovx", "sub\\deeper\\e.ovx", "dir.ovx\\f.ovx"};
    std::vector<std::vector<BYTE>> plains;
    for (const std::string& name : decoded)
        plains.push_back(WriteOvx(In(name), name == "sub\\deeper\\e.ovx" ? 70000 : 300));
    for (const char* name : {"x.ovx.bak", "x.ovxa", "noext"})
        WriteOvx(In(name));
    MakeFolders(In("empty\\inner"));

    auto job = RunFolderJob(In(), Out());

    EXPECT_EQ(ListFolder(Out()), (std::vector<std::string>{"B", "a", "c", "dir.ovx/", "dir.ovx/f", "empty/", "empty/inner/",
                                                           "sub/", "sub/d", "sub/deeper/", "sub/deeper/e"}));
    std::vector<std::string> expectedLogs = {FINISHED_TEXT};
    for (size_t i = 0; i < decoded.size(); ++i)
    {
        EXPECT_EQ(ReadFileBytes(Out(decoded[i].substr(0, decoded[i].size() - 4))), plains[i]) << decoded[i];
        expectedLogs.push_back(ProcessingText(In(decoded[i])));
    }
    std::sort(expectedLogs.begin(), expectedLogs.end());
    EXPECT_EQ(SortedLogs(), expectedLogs);
    EXPECT_EQ(job->Status().Extracted(), 6u);
    EXPECT_EQ(job->Status().WalkFailure(), RESULT_OK);
}

TEST_F(ExtractFolderTest, MissingSourceFolderStillCreatesTheDestination)
{
    auto job = RunFolderJob(In("missing"), Out("new\\deeper"));
    EXPECT_EQ(Logs(), std::vector<std::string>{FINISHED_TEXT});
    EXPECT_EQ(Results(), std::vector<std::string>{Result(FILE_FAILED, ResultFromWin32(ERROR_PATH_NOT_FOUND),
                                                         In("missing\\"), Out("new\\deeper\\"))});
    EXPECT_EQ(ListFolder(Out()), (std::vector<std::string>{"new/", "new/deeper/"}));
    // Nothing is logged, but the job knows its walk did not list the source.
    EXPECT_EQ(job->Status().WalkFailure(), ResultFromWin32(ERROR_PATH_NOT_FOUND));
}

TEST_F(ExtractFolderTest, FileInTheWaySkipsThatSubtreeOnly)
{
    WriteOvx(In("blocked\\a.ovx"));
    WriteOvx(In("blocked\\deeper\\b.ovx"));
    std::vector<BYTE> c = WriteOvx(In("open\\c.ovx"));
    WriteFileText(Out("blocked"), "a file");

    auto job = RunFolderJob(In(), Out());
    EXPECT_EQ(SortedLogs(), (std::vector<std::string>{FINISHED_TEXT, FailedText("create", Out("blocked\\"), "800700B7"),
                                                      ProcessingText(In("open\\c.ovx"))}));
    std::vector<std::string> results = Results();
    std::sort(results.begin(), results.end());
    EXPECT_EQ(results, (std::vector<std::string>{Result(FILE_EXTRACTED, RESULT_OK, In("open\\c.ovx"), Out("open\\c")),
                                                 Result(FILE_FAILED, ResultFromWin32(ERROR_ALREADY_EXISTS),
                                                        In("blocked\\"), Out("blocked\\"))}));
    EXPECT_EQ(ReadFileBytes(Out("open\\c")), c);
    EXPECT_EQ(ReadFileText(Out("blocked")), "a file");
    EXPECT_EQ(job->Status().Extracted(), 1u);
}

// The job's destination inside the source holds its output, not input; a destination
// equal to the source is still walked.
TEST_F(ExtractFolderTest, DestinationInsideTheSourceIsNotWalked)
{
    const std::vector<std::string> insideListing = {"a.ovx", "out/", "out/a", "out/old.ovx"};
    const struct
    {
        std::string destination;
        bool relative; // given relative to the source folder, the current folder then
        std::vector<std::string> listing;
    } cases[] = {
        {"out", false, insideListing},
        {".\\out/", false, insideListing},
        {"out", true, insideListing},
        {"..\\in\\out", true, insideListing},
        {"", false, {"a", "a.ovx", "out/", "out/old", "out/old.ovx"}},
    };
    const std::filesystem::path previous = std::filesystem::current_path();
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.destination + (c.relative ? " (relative)" : ""));
        TempFolder temp;
        std::string source = temp.PathOf("in\\");
        WriteOvx(source + "a.ovx");
        WriteOvx(source + "out\\old.ovx"); // an earlier job's input left there

        if (c.relative)
            std::filesystem::current_path(ToHostPath(source));
        RunFolderJob(source, c.relative ? c.destination : source + c.destination);
        std::filesystem::current_path(previous);
        EXPECT_EQ(ListFolder(source), c.listing);
    }
}

// Log lines show the paths as the user typed them, levels joined with the system's own
// separator.
TEST_F(ExtractFolderTest, LogLinesJoinLevelsWithTheSystemsSeparator)
{
    WriteOvx(In("sub\\a.ovx"));
    MakeFolders(In("blocked"));
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(ToHostPath(m_temp.Folder()));
    for (const char* source : {"in", "in/", "in\\"})
    {
        SCOPED_TRACE(source);
        std::filesystem::remove_all("out");
        WriteFileText(Out("blocked"), "a file");
        RunFolderJob(source, "out");
        EXPECT_EQ(SortedLogs(),
                  (std::vector<std::string>{FINISHED_TEXT,
                                            FailedText("create", "out" + SEPARATOR + "blocked" + SEPARATOR, "800700B7"),
                                            ProcessingText("in" + SEPARATOR + "sub" + SEPARATOR + "a.ovx")}));
    }
    std::filesystem::current_path(previous);
}

#ifndef _WIN32
// Names that no path here can spell are never joined to their folder: each is named in
// the log and fails, and the rest of the walk goes on.
TEST_F(ExtractFolderTest, UnspellableNamesAreLoggedAndFail)
{
    const std::vector<BYTE> plain = WriteOvx(In("d.ovx"));
    const std::string host = ToHostPath(In());
    std::ofstream(host + "a\\b.ovx") << "x";
    WriteOvx(host + "sub./c.ovx");

    auto job = RunFolderJob(In(), Out());
    const std::string code = "8007007B";
    auto failedName = [&](const std::string& name) {
        return "Failed to use the name '" + name + "' in '" + In() + "' as a path. Reason : [" + code + "]\n";
    };
    EXPECT_EQ(SortedLogs(), (std::vector<std::string>{FINISHED_TEXT, failedName("a\\b.ovx"), failedName("sub."),
                                                      ProcessingText(In("d.ovx"))}));
    std::vector<std::string> results = Results();
    std::sort(results.begin(), results.end());
    const HRESULT hr = ResultFromWin32(ERROR_INVALID_NAME);
    EXPECT_EQ(results, (std::vector<std::string>{Result(FILE_EXTRACTED, RESULT_OK, In("d.ovx"), Out("d")),
                                                 Result(FILE_FAILED, hr, In() + "a\\b.ovx", ""),
                                                 Result(FILE_FAILED, hr, In() + "sub.", "")}));
    EXPECT_EQ(ListFolder(Out()), std::vector<std::string>{"d"});
    EXPECT_EQ(ReadFileBytes(Out("d")), plain);
}
#endif

TEST_F(ExtractFolderTest, DirectoryLinksAreNotFollowed)
{
    WriteOvx(In("a.ovx"));
    MakeFolders(In("sub"));
    if (!MakeSymbolicLink(In(), In("sub\\loop")))
        GTEST_SKIP() << "symbolic links cannot be made here";

    RunFolderJob(In(), Out());
    EXPECT_EQ(ListFolder(Out()), (std::vector<std::string>{"a", "sub/"}));
}

TEST_F(ExtractFolderTest, StopEndsEveryLevelAtOnce)
{
    for (const char* name : {"a.ovx", "b.ovx", "one\\c.ovx", "one\\d.ovx", "one\\two\\e.ovx", "one\\two\\f.ovx", "g.ovx"})
        WriteOvx(In(name));
    auto job = MakeJob(In(), Out(), 0);
    int processed = 0;
    m_display->onLogText = [&](const std::string& text) {
        if (text.rfind("Processing '", 0) == 0 && ++processed == 2)
            job->SetJobState(JOB_STOP_REQUESTED);
    };

    job->Run();
    // The second file was cut short before its first read; nothing else was looked at.
    EXPECT_EQ(Logs().size(), 3u);
    EXPECT_EQ(Logs().back(), FINISHED_TEXT);
    EXPECT_EQ(m_display->FinishedCount(), 1u);
    std::vector<std::string> output = ListFolder(Out());
    EXPECT_EQ(std::count_if(output.begin(), output.end(), [](const std::string& e) { return e.back() != '/'; }), 1);
}

} // namespace
