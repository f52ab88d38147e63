#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "tests/engine/EngineTestSupport.h"

namespace
{

// prefix, i, suffix: appended (GCC 12 warns falsely on "literal" + string at -O3).
std::string Numbered(const char* prefix, int i, const char* suffix = "")
{
    std::string name = prefix;
    name += std::to_string(i);
    name += suffix;
    return name;
}

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

// Trees where files finish out of order (a large file before small ones, a failing file
// among them, two sources of one destination): everything shown and written is what
// one thread shows and writes, in the same order.
TEST_F(ExtractFolderTest, SeveralFilesInFlightShowWhatOneThreadShows)
{
    WriteOvx(In("a\\big.ovx"), 512 << 10);
    for (int i = 0; i < 12; ++i)
        WriteOvx(In(Numbered("a\\s", i, ".ovx")), 300 + 4000 * i);
    WriteFileText(In("a\\s5.ovx"), "not an image");
    RecordFormatOptions damaged;
    damaged.wrongCrcRecord = 3;
    WriteFileBytes(In("a\\s7.ovx"), EncodeRecordFormat(MakePlaintext(5000), TEST_PASSWORD, damaged));
#ifndef _WIN32
    WriteOvx(In("b\\x.ovx"), 2000); // two sources, one destination
    WriteOvx(In("b\\x.OVX"), 3000);
#endif
    WriteOvx(In("c.ovx"), 4000); // a file and a folder of one name
    WriteOvx(In("c\\d.ovx"));
    WriteFileText(Out("a\\s3"), "there before");

    const struct
    {
        const char* name;
        bool overwrite;
        bool verify;
    } cases[] = {{"keep", false, false}, {"overwrite", true, false}, {"verify", false, true}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        // Both runs write into out\, so that their reports name the same paths.
        auto run = [&](UINT threads) {
            std::filesystem::remove_all(ToHostPath(Out()));
            WriteFileText(Out("a\\s3"), "there before");
            JobSettings settings = TestSettings(&m_cipher, In(), Out(), false, c.overwrite, c.verify);
            settings.nDecodeThreads = threads;
            m_display = std::make_unique<RecordingDisplay>();
            CExtractJob job(settings, m_display.get());
            job.Run();
            std::vector<std::string> seen = m_display->Events();
            for (const std::string& entry : ListFolder(Out()))
            {
                const std::vector<BYTE> bytes = entry.back() == '/' ? std::vector<BYTE>() : ReadFileBytes(Out(entry));
                std::string line = entry;
                line += ' ';
                line += std::to_string(bytes.size());
                line += ' ';
                line += std::to_string(BitwiseCrc32(bytes.data(), bytes.size()));
                seen.push_back(line);
            }
            return seen;
        };
        const std::vector<std::string> one = run(1);
        EXPECT_EQ(run(TestDecodeThreads()), one);
    }
}

// Outputs and results of a tree stopped at moments spread over the job: each file is
// complete and reported extracted, or absent; no temporary file is left.
TEST_F(ExtractFolderTest, StopAtAnyMomentKeepsOnlyFilesReported)
{
    std::vector<std::vector<BYTE>> plains;
    for (int i = 0; i < 24; ++i)
        plains.push_back(WriteOvx(In(Numbered("f", i, ".ovx")), i == 3 ? (1 << 20) : 20000 + 3000 * i));
    std::mt19937 random(21);
    for (int run = 0; run < 10; ++run)
    {
        SCOPED_TRACE(Numbered("run ", run));
        std::filesystem::remove_all(ToHostPath(Out()));
        auto job = MakeJob(In(), Out(), false);
        ASSERT_EQ(job->StartWorker(), RESULT_OK);
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 40000));
        job->SetJobState(JOB_STOP_REQUESTED);
        while (!job->IsFinished())
            std::this_thread::sleep_for(std::chrono::microseconds(200));

        const std::vector<std::string> results = Results();
        std::vector<std::string> reported;
        for (int i = 0; i < 24; ++i)
        {
            const std::string name = Numbered("f", i);
            if (std::find(results.begin(), results.end(),
                          Result(FILE_EXTRACTED, RESULT_OK, In(name + ".ovx"), Out(name))) != results.end())
            {
                reported.push_back(name);
                EXPECT_EQ(ReadFileBytes(Out(name)), plains[i]) << name;
            }
        }
        std::sort(reported.begin(), reported.end());
        EXPECT_EQ(ListFolder(Out()), reported);
        EXPECT_EQ(job->Status().Extracted(), reported.size());
    }
}

// A failed allocation of the walk's thread, at allocations spread over a job with files
// in flight: the job finishes, every output is complete and reported, none left half.
TEST_F(ExtractFolderTest, AllocationFailureWithFilesInFlight)
{
    std::vector<std::vector<BYTE>> plains;
    for (int i = 0; i < 4; ++i)
        plains.push_back(WriteOvx(In(Numbered("f", i, ".ovx")), 5000 + 9000 * i));
    FailNthAllocation(0);
    RunFolderJob(In(), Out());
    // Spread over the whole job: every allocation of it would take minutes under the sanitizers.
    const long count = FailNthAllocation(0);
    for (long n = 1; n <= count; n += 1 + count / 80)
    {
        SCOPED_TRACE(Numbered("allocation ", static_cast<int>(n)));
        std::filesystem::remove_all(ToHostPath(Out()));
        auto job = MakeJob(In(), Out(), false);
        FailNthAllocation(n);
        job->Run();
        FailNthAllocation(0);
        ASSERT_TRUE(job->IsFinished());
        const std::vector<std::string> outputs =
            std::filesystem::exists(ToHostPath(Out())) ? ListFolder(Out()) : std::vector<std::string>();
        EXPECT_EQ(outputs.size(), job->Status().Extracted());
        for (const std::string& name : outputs)
            EXPECT_EQ(ReadFileBytes(Out(name)), plains[std::stoi(name.substr(1))]) << name;
    }
}

} // namespace
