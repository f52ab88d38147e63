// The real program, started as its own process and driven through its windows as a
// user would, on files made by the test-only encoder.

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "app/resource.h"
#include "tests/e2e/CAppSession.h"
#include "tests/e2e/LargeOvxFile.h"
#include "tests/support/OvxEncoder.h"
#include "tests/support/TempFolder.h"

namespace
{
constexpr DWORD JOB_TIMEOUT_MS = 10000;
constexpr DWORD EXIT_CODE_AFTER_CLOSE = 1;

const char PASSWORD[] = "Open Sesame 42";
const char FINISHED_LINE[] = "\r\n*** Finished ***";

std::string Processing(const std::string& source) { return "Processing '" + source + "'...\r\n"; }

// The log's lines up to the finish line, sorted: a folder's entries come in the file
// system's order, which is not fixed.
std::vector<std::string> SortedLines(std::string log)
{
    std::vector<std::string> lines;
    std::istringstream stream(log);
    for (std::string line; std::getline(stream, line);)
        lines.push_back(line + "\n");
    std::sort(lines.begin(), lines.end());
    return lines;
}

class ExtractEndToEnd : public testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_session.Start()) << m_session.Error(); }

    void TearDown() override
    {
        if (HasFatalFailure())
            return; // the session's process is ended by force
        DWORD exitCode = 0;
        ASSERT_TRUE(m_session.Close(exitCode)) << m_session.Error();
        EXPECT_EQ(exitCode, EXIT_CODE_AFTER_CLOSE);
    }

    struct JOB_OUTCOME
    {
        std::string title;
        std::string log;
    };

    // Runs one job to its end and closes the progress window.
    JOB_OUTCOME RunJob(const JOB_SETTINGS& settings)
    {
        JOB_OUTCOME outcome;
        EXPECT_TRUE(m_session.Fill(settings) && m_session.PressExtract() &&
                    m_session.WaitForTitle("Finished", JOB_TIMEOUT_MS, outcome.title))
            << m_session.Error();
        outcome.log = m_session.Log();
        EXPECT_TRUE(m_session.CloseProgress()) << m_session.Error();
        return outcome;
    }

    CAppSession m_session{OVX_APP_EXE};
    TempFolder m_folder;
};
} // namespace

TEST_F(ExtractEndToEnd, FileToFileDecodesBothLayoutsOneJobAfterTheOther)
{
    const std::vector<BYTE> recordPlain = MakePlaintext(200000, 1);
    const std::vector<BYTE> chunkPlain = MakePlaintext(150001, 2);
    RecordFormatOptions recordOptions;
    recordOptions.payloadUnit = 4000;
    ChunkFormatOptions chunkOptions;
    chunkOptions.chunkSize = 70000; // not a multiple of the 64 KiB copy buffer
    WriteFileBytes(m_folder.PathOf("in/a.ovx"), EncodeRecordFormat(recordPlain, PASSWORD, recordOptions));
    WriteFileBytes(m_folder.PathOf("in/report.txt.ovx"), EncodeChunkFormat(chunkPlain, PASSWORD, chunkOptions));

    // The destination folder does not exist yet and is typed without its backslash.
    JOB_OUTCOME first = RunJob({PASSWORD, false, m_folder.PathOf("in/a.ovx"), m_folder.PathOf("out"), false});
    EXPECT_EQ(first.title, "Finished - 1 file(s) extracted");
    EXPECT_EQ(first.log, Processing(m_folder.PathOf("in/a.ovx")) + FINISHED_LINE);
    EXPECT_EQ(ReadFileBytes(m_folder.PathOf("out/a")), recordPlain);

    // A second job gets a fresh window: the first job's log is gone.
    JOB_OUTCOME second =
        RunJob({PASSWORD, false, m_folder.PathOf("in/report.txt.ovx"), m_folder.PathOf("out\\"), false});
    EXPECT_EQ(second.title, "Finished - 1 file(s) extracted");
    EXPECT_EQ(second.log, Processing(m_folder.PathOf("in/report.txt.ovx")) + FINISHED_LINE);
    EXPECT_EQ(ReadFileBytes(m_folder.PathOf("out/report.txt")), chunkPlain);
    EXPECT_EQ(ListFolder(m_folder.PathOf("out")), (std::vector<std::string>{"a", "report.txt"}));
}

TEST_F(ExtractEndToEnd, DirectoryToDirectoryMirrorsTheTreeAndHonoursOverwrite)
{
    const std::vector<BYTE> a = MakePlaintext(70000, 3);
    const std::vector<BYTE> b = MakePlaintext(0, 4); // an empty file is still a file
    const std::vector<BYTE> c = MakePlaintext(131072, 5);
    WriteFileBytes(m_folder.PathOf("in/a.ovx"), EncodeRecordFormat(a, PASSWORD));
    WriteFileBytes(m_folder.PathOf("in/B.OVX"), EncodeChunkFormat(b, PASSWORD));
    WriteFileText(m_folder.PathOf("in/notes.txt"), "not encoded, not touched");
    WriteFileBytes(m_folder.PathOf("in/sub/c.txt.ovx"), EncodeRecordFormat(c, PASSWORD));
    MakeFolders(m_folder.PathOf("in/sub/empty"));
    const std::string source = m_folder.PathOf("in");
    const std::string destination = m_folder.PathOf("out");
    const std::vector<std::string> processed = {Processing(source + "\\B.OVX"), Processing(source + "\\a.ovx"),
                                                Processing(source + "\\sub\\c.txt.ovx")};
    const std::vector<std::string> tree = {"B", "a", "sub/", "sub/c.txt", "sub/empty/"};

    JOB_OUTCOME first = RunJob({PASSWORD, true, source, destination, false});
    EXPECT_EQ(first.title, "Finished - 3 file(s) extracted");
    ASSERT_TRUE(first.log.ends_with(std::string("\r\n") + FINISHED_LINE)) << first.log;
    EXPECT_EQ(SortedLines(first.log.substr(0, first.log.size() - sizeof(FINISHED_LINE) + 1)), processed);
    EXPECT_EQ(ListFolder(destination), tree);
    EXPECT_EQ(ReadFileBytes(m_folder.PathOf("out/a")), a);
    EXPECT_EQ(ReadFileBytes(m_folder.PathOf("out/B")), b);
    EXPECT_EQ(ReadFileBytes(m_folder.PathOf("out/sub/c.txt")), c);

    // Again without Overwrite: every file is reported and left alone.
    WriteFileText(m_folder.PathOf("out/a"), "kept");
    JOB_OUTCOME second = RunJob({PASSWORD, true, source, destination, false});
    EXPECT_EQ(second.title, "Finished - 0 file(s) extracted");
    for (const char* name : {"a", "B", "sub\\c.txt"})
        EXPECT_NE(second.log.find("    '" + destination + "\\" + name + "' already exists.\r\n"), std::string::npos)
            << name << " in:\n" << second.log;
    EXPECT_EQ(ReadFileText(m_folder.PathOf("out/a")), "kept");

    // And with it: all are replaced.
    JOB_OUTCOME third = RunJob({PASSWORD, true, source, destination, true});
    EXPECT_EQ(third.title, "Finished - 3 file(s) extracted") << third.log;
    EXPECT_EQ(ReadFileBytes(m_folder.PathOf("out/a")), a);
    EXPECT_EQ(ListFolder(destination), tree);
}

TEST_F(ExtractEndToEnd, WrongPasswordIsReportedAndWritesNothing)
{
    const std::string source = m_folder.PathOf("in/a.ovx");
    WriteFileBytes(source, EncodeRecordFormat(MakePlaintext(5000), PASSWORD));

    JOB_OUTCOME outcome = RunJob({"open sesame 42", false, source, m_folder.PathOf("out"), false});
    EXPECT_EQ(outcome.title, "Finished - 0 file(s) extracted");
    // The record decoder refuses at the header or at the first record, depending on what
    // the wrong key makes of it; the chunk decoder at the length, which is not whole blocks.
    const std::string failure = "Failed to initilize decoders. Reasons : [";
    const std::string expected[] = {
        Processing(source) + failure + "A0040906]/[A0040901]\r\n" + FINISHED_LINE,
        Processing(source) + failure + "A0040907]/[A0040901]\r\n" + FINISHED_LINE,
    };
    EXPECT_TRUE(outcome.log == expected[0] || outcome.log == expected[1]) << outcome.log;
    EXPECT_EQ(ListFolder(m_folder.PathOf("out")), std::vector<std::string>{});
}

TEST_F(ExtractEndToEnd, StopDuringALargeFileLeavesNothingBehind)
{
    // 1 GiB takes about ten seconds to extract under Wine; 64 MiB only a third of a second,
    // too close to the time a Stop takes to arrive.
    const std::string source = m_folder.PathOf("in/large.ovx");
    WriteLargeChunkFile(source, 1ull << 30, PASSWORD);

    std::string title;
    ASSERT_TRUE(m_session.Fill({PASSWORD, false, source, m_folder.PathOf("out"), false}) &&
                m_session.PressExtract() && m_session.WaitForTitle("Extracting...", JOB_TIMEOUT_MS, title))
        << m_session.Error();
    // Close is refused while the job runs; Stop is the way out.
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(m_session.ProgressWindow(), IDC_CLOSE)));
    ASSERT_TRUE(m_session.PressStop()) << m_session.Error();
    ASSERT_TRUE(m_session.WaitForTitle("Finished", JOB_TIMEOUT_MS, title)) << m_session.Error();
    EXPECT_EQ(title, "Finished - 0 file(s) extracted");
    EXPECT_EQ(m_session.Log(), Processing(source) + FINISHED_LINE);
    ASSERT_TRUE(m_session.CloseProgress()) << m_session.Error();
    EXPECT_EQ(ListFolder(m_folder.PathOf("out")), std::vector<std::string>{});
}
