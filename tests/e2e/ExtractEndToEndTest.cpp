// The real program started as its own process and driven through its windows as a
// user would, on files made by the test-only encoder. A step that fails throws, which
// fails the test with what it waited for.

#include <gtest/gtest.h>

#include "app/resource.h"
#include "tests/e2e/CAppSession.h"
#include "tests/e2e/LargeOvxFile.h"
#include "tests/support/OvxEncoder.h"
#include "tests/support/TempFolder.h"
#include "tests/support/UnicodeTree.h"

#include <commctrl.h> // after <windows.h>

namespace
{
constexpr DWORD JOB_TIMEOUT_MS = 10000;
const char PASSWORD[] = "Open Sesame 42";
const char FINISHED_LINE[] = "\r\n*** Finished ***";

std::string Processing(const std::string& source)
{
    return "Processing '" + source + "'...\r\n";
}

// Every test ends with Close in the main dialog, which must end the program with 1.
class ExtractEndToEnd : public testing::Test
{
protected:
    void SetUp() override { m_session.Start(); }

    void TearDown() override
    {
        if (HasFatalFailure())
            return; // the session ends the process by force
        EXPECT_EQ(m_session.Close(), 1u);
    }

    // Runs one job to its end, closes the progress window and returns title and log.
    std::pair<std::string, std::string> RunJob(const JOB_SETTINGS& settings)
    {
        m_session.Fill(settings);
        m_session.PressExtract();
        std::pair<std::string, std::string> outcome = {m_session.WaitForTitle("Finished", JOB_TIMEOUT_MS),
                                                       m_session.Log()};
        m_session.CloseProgress();
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
    const std::string record = m_folder.PathOf("in/a.ovx"), chunk = m_folder.PathOf("in/report.txt.ovx");
    WriteFileBytes(record, EncodeRecordFormat(recordPlain, PASSWORD, recordOptions));
    WriteFileBytes(chunk, EncodeChunkFormat(chunkPlain, PASSWORD, chunkOptions));

    // A destination that does not exist yet, typed without its backslash; then with it.
    // The second job's fresh window no longer shows the first job's log.
    using OUTCOME = std::pair<std::string, std::string>;
    EXPECT_EQ(RunJob({PASSWORD, false, record, m_folder.PathOf("out"), false}),
              OUTCOME("Finished - 1 file(s) extracted", Processing(record) + FINISHED_LINE));
    EXPECT_EQ(RunJob({PASSWORD, false, chunk, m_folder.PathOf("out\\"), false}),
              OUTCOME("Finished - 1 file(s) extracted", Processing(chunk) + FINISHED_LINE));
    EXPECT_EQ(ReadFileBytes(m_folder.PathOf("out/a")), recordPlain);
    EXPECT_EQ(ReadFileBytes(m_folder.PathOf("out/report.txt")), chunkPlain);
    EXPECT_EQ(ListFolder(m_folder.PathOf("out")), (std::vector<std::string>{"a", "report.txt"}));
}

TEST_F(ExtractEndToEnd, DirectoryToDirectoryMirrorsTheTreeAndHonoursOverwrite)
{
    const std::vector<BYTE> a = MakePlaintext(70000, 3), c = MakePlaintext(131072, 5);
    WriteFileBytes(m_folder.PathOf("in/a.ovx"), EncodeRecordFormat(a, PASSWORD));
    WriteFileBytes(m_folder.PathOf("in/B.OVX"), EncodeChunkFormat({}, PASSWORD));
    WriteFileText(m_folder.PathOf("in/notes.txt"), "not encoded, not touched");
    WriteFileBytes(m_folder.PathOf("in/sub/c.txt.ovx"), EncodeRecordFormat(c, PASSWORD));
    MakeFolders(m_folder.PathOf("in/sub/empty"));
    const std::string source = m_folder.PathOf("in"), destination = m_folder.PathOf("out");
    const std::vector<std::string> tree = {"B", "a", "sub/", "sub/c.txt", "sub/empty/"};

    EXPECT_EQ(RunJob({PASSWORD, true, source, destination, false}).first, "Finished - 3 file(s) extracted");
    EXPECT_EQ(ListFolder(destination), tree);
    EXPECT_EQ(ReadFileBytes(m_folder.PathOf("out/a")), a);
    EXPECT_EQ(ReadFileBytes(m_folder.PathOf("out/sub/c.txt")), c);

    // The Overwrite box reaches the job: without it every file is kept, with it replaced.
    WriteFileText(m_folder.PathOf("out/a"), "kept");
    EXPECT_EQ(RunJob({PASSWORD, true, source, destination, false}).first, "Finished - 0 file(s) extracted");
    EXPECT_EQ(ReadFileText(m_folder.PathOf("out/a")), "kept");
    EXPECT_EQ(RunJob({PASSWORD, true, source, destination, true}).first, "Finished - 3 file(s) extracted");
    EXPECT_EQ(ReadFileBytes(m_folder.PathOf("out/a")), a);
    EXPECT_EQ(ListFolder(destination), tree);
}

// Names outside the system's code page, in files and folders, and a password keyed in it.
TEST_F(ExtractEndToEnd, DirectoryJobExtractsUnicodeNamesAndShowsThem)
{
    const std::string source = m_folder.PathOf("in\\"), destination = m_folder.PathOf("out\\");
    const std::vector<UNICODE_TREE_FILE> files = WriteUnicodeTree(source, UNICODE_TREE_KEY);

    const auto [title, log] = RunJob({UNICODE_TREE_PASSWORD, true, source, destination, false});
    EXPECT_EQ(title, "Finished - 4 file(s) extracted") << log;
    for (const UNICODE_TREE_FILE& file : files)
    {
        EXPECT_NE(log.find(Processing(source + file.source)), std::string::npos) << file.source << "\n" << log;
        EXPECT_EQ(ReadFileUtf8(destination + file.output), file.plain) << file.output;
    }
    EXPECT_EQ(ListFolderUtf8(destination).size(), files.size() + 2); // and the two folders
}

TEST_F(ExtractEndToEnd, WrongPasswordIsReportedAndWritesNothing)
{
    const std::string source = m_folder.PathOf("in/a.ovx");
    WriteFileBytes(source, EncodeRecordFormat(MakePlaintext(5000), PASSWORD));

    const auto [title, log] = RunJob({"open sesame 42", false, source, m_folder.PathOf("out"), false});
    EXPECT_EQ(title, "Finished - 0 file(s) extracted");
    // The record decoder refuses at the header or at the first record, depending on what
    // the wrong key makes of it; the chunk decoder at the length, which is not whole blocks.
    const std::string failure = Processing(source) + "Failed to initilize decoders. Reasons : [";
    EXPECT_TRUE(log == failure + "A0040906]/[A0040901]\r\n" + FINISHED_LINE ||
                log == failure + "A0040907]/[A0040901]\r\n" + FINISHED_LINE)
        << log;
    EXPECT_EQ(ListFolder(m_folder.PathOf("out")), std::vector<std::string>{});
}

// The bar moves through the middle while a 256 MiB file decodes and its line names the
// counts; at the finish it is full, and the title and log are those of any job.
TEST_F(ExtractEndToEnd, ProgressBarMovesWithinALargeFileAndIsFullAtTheFinish)
{
    const std::string source = m_folder.PathOf("in/large.ovx");
    WriteLargeChunkFile(source, 256ull << 20, PASSWORD);

    m_session.Fill({PASSWORD, false, source, m_folder.PathOf("out"), false});
    m_session.PressExtract();
    const HWND hWndBar = GetDlgItem(m_session.ProgressWindow(), IDC_PROGRESS_BAR);
    const auto position = [hWndBar] { return static_cast<int>(SendMessageA(hWndBar, PBM_GETPOS, 0, 0)); };
    const int nRange = static_cast<int>(SendMessageA(hWndBar, PBM_GETRANGE, FALSE, 0));
    ASSERT_GT(nRange, 0);
    std::string midText;
    EXPECT_TRUE(WaitUntil(
        [&] {
            const int nPosition = position();
            midText = m_session.ProgressText();
            return nPosition >= nRange / 100 && nPosition <= nRange * 99 / 100;
        },
        JOB_TIMEOUT_MS));
    EXPECT_EQ(midText.rfind("0 of 1 file, ", 0), 0u) << midText;

    EXPECT_EQ(m_session.WaitForTitle("Finished", JOB_TIMEOUT_MS), "Finished - 1 file(s) extracted");
    EXPECT_EQ(m_session.Log(), Processing(source) + FINISHED_LINE);
    EXPECT_EQ(position(), nRange);
    const std::string finishText = m_session.ProgressText();
    EXPECT_EQ(finishText.rfind("1 file, 256.0 MiB in ", 0), 0u) << finishText;
    m_session.CloseProgress();
}

TEST_F(ExtractEndToEnd, StopDuringALargeFileLeavesNothingBehind)
{
    // 1 GiB takes about ten seconds under Wine; a smaller file may finish before the Stop arrives.
    const std::string source = m_folder.PathOf("in/large.ovx");
    WriteLargeChunkFile(source, 1ull << 30, PASSWORD);

    m_session.Fill({PASSWORD, false, source, m_folder.PathOf("out"), false});
    m_session.PressExtract();
    m_session.WaitForTitle("Extracting...", JOB_TIMEOUT_MS);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(m_session.ProgressWindow(), IDC_CLOSE)));
    m_session.PressStop();
    EXPECT_EQ(m_session.WaitForTitle("Finished", JOB_TIMEOUT_MS), "Finished - 0 file(s) extracted");
    EXPECT_EQ(m_session.Log(), Processing(source) + FINISHED_LINE);
    m_session.CloseProgress();
    EXPECT_EQ(ListFolder(m_folder.PathOf("out")), std::vector<std::string>{});
}
