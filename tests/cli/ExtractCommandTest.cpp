// ovx-extract end to end: the built program run on files made by the test encoder.

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cli/Options.h"
#include "tests/cli/ChildProcess.h"
#include "tests/support/OvxEncoder.h"
#include "tests/support/TempFolder.h"

#ifndef _WIN32
#include <csignal>
#include <fstream>

#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>
#endif

namespace
{

const std::string PASSWORD = "correct horse";

std::string Processing(const std::string& source) { return "Processing '" + source + "'...\n"; }

std::string Finished(unsigned nExtracted)
{
    return "\n*** Finished ***\nFinished - " + std::to_string(nExtracted) + " file(s) extracted\n";
}

TEST(ExtractCommand, FileToFileDecodesIntoTheDestinationFolder)
{
    TempFolder folder;
    const std::string password56(56, 'p'); // the longest usable password is used whole
    const std::vector<BYTE> plain = MakePlaintext(5000);
    const std::string source = folder.PathOf("in/report.txt.ovx");
    WriteFileBytes(source, EncodeRecordFormat(plain, password56));

    const ChildResult result = RunExtract({source, folder.PathOf("out/new")}, password56.c_str());
    EXPECT_EQ(result.nStatus, 0) << result.strErrors;
    EXPECT_EQ(result.strOutput, Processing(source) + Finished(1));
    EXPECT_EQ(result.strErrors, ""); // standard error is no terminal: no progress line
    EXPECT_EQ(ListFolder(folder.PathOf("out")), (std::vector<std::string>{"new/", "new/report.txt"}));
    EXPECT_EQ(ReadFileBytes(folder.PathOf("out/new/report.txt")), plain);
}

TEST(ExtractCommand, DirectoryToDirectoryMirrorsTheTreeAndSkipsExistingOutputs)
{
    TempFolder folder;
    const std::vector<BYTE> first = MakePlaintext(3000, 1), second = MakePlaintext(777, 2);
    WriteFileBytes(folder.PathOf("in/a.ovx"), EncodeRecordFormat(first, PASSWORD));
    WriteFileBytes(folder.PathOf("in/sub/b.bin.OVX"), EncodeChunkFormat(second, PASSWORD));
    WriteFileText(folder.PathOf("in/notes.txt"), "not encoded");
    MakeFolders(folder.PathOf("in/empty"));
    const std::string passwordFile = ToHostPath(folder.PathOf("password.txt"));
    WriteFileText(passwordFile, PASSWORD + "\r\nsecond line\r\n");
    std::vector<std::string> arguments = {"--password-file", passwordFile, folder.PathOf("in"), folder.PathOf("out")};

    // The password file wins over OVX_PASSWORD.
    ChildResult result = RunExtract(arguments, "wrong");
    EXPECT_EQ(result.nStatus, 0) << result.strErrors;
    // The walk's order is the file system's.
    const std::string a = Processing(folder.PathOf("in/a.ovx")), b = Processing(folder.PathOf("in/sub/b.bin.OVX"));
    EXPECT_TRUE(result.strOutput == a + b + Finished(2) || result.strOutput == b + a + Finished(2))
        << result.strOutput;
    EXPECT_EQ(ListFolder(folder.PathOf("out")), (std::vector<std::string>{"a", "empty/", "sub/", "sub/b.bin"}));
    EXPECT_EQ(ReadFileBytes(folder.PathOf("out/a")), first);
    EXPECT_EQ(ReadFileBytes(folder.PathOf("out/sub/b.bin")), second);

    // Existing outputs are skipped (status 1) unless --overwrite.
    WriteFileText(folder.PathOf("out/a"), "older");
    result = RunExtract(arguments, nullptr);
    EXPECT_EQ(result.nStatus, 1);
    EXPECT_NE(result.strOutput.find(a + "    '" + folder.PathOf("out/a") + "' already exists.\n"), std::string::npos)
        << result.strOutput;
    EXPECT_EQ(result.strOutput.substr(result.strOutput.size() - Finished(0).size()), Finished(0));
    EXPECT_EQ(ReadFileText(folder.PathOf("out/a")), "older");

    arguments.insert(arguments.begin(), "--overwrite");
    result = RunExtract(arguments, nullptr);
    EXPECT_EQ(result.nStatus, 0);
    EXPECT_EQ(ReadFileBytes(folder.PathOf("out/a")), first);
}

TEST(ExtractCommand, UsageErrorsAndRefusedPasswordsTouchNoFile)
{
    TempFolder folder;
    const std::string source = folder.PathOf("in/x.ovx");
    WriteFileBytes(source, EncodeRecordFormat(MakePlaintext(100), PASSWORD));
    const std::string emptyFile = ToHostPath(folder.PathOf("empty.txt"));
    WriteFileText(emptyFile, "\r\n");
    const std::string tooLong(57, 'k'), out = folder.PathOf("out");
    const struct
    {
        std::vector<std::string> arguments;
        const char* password; // OVX_PASSWORD; null: not set
        const char* reason;
    } cases[] = {
        {{source, out}, tooLong.c_str(), "the password from OVX_PASSWORD is longer than 56 bytes"},
        {{"--password-file", emptyFile, source, out}, PASSWORD.c_str(), "the password from the password file is empty"},
        {{"--password-file", ToHostPath(folder.PathOf("none")), source, out}, nullptr, "cannot read the password file"},
        {{source, out}, nullptr, "no password: no terminal to ask on"},
        {{folder.PathOf("missing.ovx"), out}, PASSWORD.c_str(), "cannot find the source"},
        {{source}, PASSWORD.c_str(), "missing DESTINATION"},
#ifndef _WIN32
        {{source, out}, "", "the password from OVX_PASSWORD is empty"},
#endif
    };
    for (const auto& test : cases)
    {
        const ChildResult result = RunExtract(test.arguments, test.password);
        EXPECT_EQ(result.nStatus, 2) << test.reason;
        EXPECT_EQ(result.strOutput, "");
        EXPECT_NE(result.strErrors.find(test.reason), std::string::npos) << result.strErrors;
        EXPECT_FALSE(PathExists(out)) << test.reason;
    }
}

TEST(ExtractCommand, HelpGoesToStandardOutputWithBareLineFeeds)
{
    const ChildResult result = RunExtract({"--help"}, nullptr);
    EXPECT_EQ(result.nStatus, 0);
    EXPECT_EQ(result.strOutput, GetHelpText());
}

#ifndef _WIN32

// Appends what the terminal shows until it contains `text`; false when nothing more comes within `timeoutMs`.
bool ReadTerminalUntil(int master, const std::string& text, std::string* shown, int timeoutMs)
{
    while (shown->find(text) == std::string::npos)
    {
        struct pollfd wait = {master, POLLIN, 0};
        char buffer[256];
        ssize_t got = 0;
        if (poll(&wait, 1, timeoutMs) <= 0 || (got = read(master, buffer, sizeof buffer)) <= 0)
            return false;
        shown->append(buffer, static_cast<size_t>(got));
    }
    return true;
}

TEST(ExtractCommand, PromptsOnTheTerminalWithoutEcho)
{
    TempFolder folder;
    const std::string password = "  typed at the prompt ";
    const std::vector<BYTE> plain = MakePlaintext(2000);
    const std::string source = folder.PathOf("in/a.ovx");
    WriteFileBytes(source, EncodeRecordFormat(plain, password));

    int master = -1, slave = -1;
    ASSERT_EQ(openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
    ChildProcess child({source, folder.PathOf("out")}, nullptr, slave);
    std::string shown;
    ASSERT_TRUE(ReadTerminalUntil(master, "Password: ", &shown, 30000)) << shown;
    const std::string typed = password + "\n";
    ASSERT_EQ(write(master, typed.data(), typed.size()), static_cast<ssize_t>(typed.size()));

    const ChildResult result = child.Wait(30000);
    EXPECT_EQ(result.nStatus, 0) << result.strErrors;
    EXPECT_EQ(result.strOutput, Processing(source) + Finished(1));
    EXPECT_EQ(ReadFileBytes(folder.PathOf("out/a")), plain);
    ReadTerminalUntil(master, "\n", &shown, 1000); // the line end written after the input
    EXPECT_EQ(shown, "Password: \r\n"); // the typed password never shows
    struct termios settings;
    ASSERT_EQ(tcgetattr(slave, &settings), 0);
    EXPECT_NE(settings.c_lflag & ECHO, 0u) << "echo was not restored";
    close(master);
    close(slave);
}

// A name that no path can spell here is named in the log and fails the run like a file.
TEST(ExtractCommand, UnspellableNameIsLoggedAndTheStatusIs1)
{
    TempFolder folder;
    const std::vector<BYTE> plain = MakePlaintext(100);
    WriteFileBytes(folder.PathOf("in/a.ovx"), EncodeRecordFormat(plain, PASSWORD));
    std::ofstream(ToHostPath(folder.PathOf("in/")) + "odd\\name.ovx") << "x";

    const ChildResult result = RunExtract({folder.PathOf("in"), folder.PathOf("out")}, PASSWORD.c_str());
    EXPECT_EQ(result.nStatus, 1);
    EXPECT_NE(result.strOutput.find("Failed to use the name 'odd\\name.ovx' in '" + folder.PathOf("in/") +
                                    "' as a path. Reason : [8007007B]\n"),
              std::string::npos)
        << result.strOutput;
    EXPECT_TRUE(result.strOutput.ends_with(Finished(1))) << result.strOutput;
    EXPECT_EQ(ReadFileBytes(folder.PathOf("out/a")), plain);
}

// Ctrl+C, a closed terminal (SIGHUP, which the shell passes on again) and SIGTERM stop
// the job alike.
TEST(ExtractCommand, StopSignalInTheMiddleOfALargeFileLeavesNothingBehind)
{
    TempFolder folder;
    RecordFormatOptions options;
    options.payloadUnit = 65536;
    const std::string source = folder.PathOf("in/large.bin.ovx");
    // Large enough that the decoding outlasts the signals by far (it runs at over 1 GB/s).
    WriteFileBytes(source, EncodeRecordFormat(MakePlaintext(256u << 20), PASSWORD, options));
    const std::vector<int> signals[] = {{SIGINT}, {SIGHUP, SIGHUP}, {SIGTERM, SIGTERM}};
    for (const std::vector<int>& sent : signals)
    {
        SCOPED_TRACE(sent.front());
        const std::string destination = folder.PathOf("out" + std::to_string(sent.front()));
        ChildProcess child({source, destination}, PASSWORD.c_str());
        ASSERT_TRUE(child.WaitForOutput("Processing '", 30000));
        for (int number : sent)
            child.Signal(number);

        const ChildResult result = child.Wait(60000);
        EXPECT_EQ(result.nStatus, 1) << result.strErrors;
        EXPECT_EQ(result.strOutput, Processing(source) + Finished(0));
        // No partial output and no temporary file; the destination folder itself stays.
        EXPECT_TRUE(PathExists(destination));
        EXPECT_EQ(ListFolder(destination), std::vector<std::string>{});
    }
}

// --stdout into a pipe whose reader checks the bytes: a whole file, and a file damaged
// in its 301st record, whose 300 records before the damage come out, and nothing more.
TEST(ExtractCommand, StandardOutputIntoAPipe)
{
    TempFolder folder;
    RecordFormatOptions damaged;
    damaged.payloadUnit = 1000;
    damaged.wrongCrcRecord = 300;
    const std::vector<BYTE> plain = MakePlaintext(3u << 20);
    const std::string good = folder.PathOf("good.bin.ovx"), bad = folder.PathOf("bad.bin.ovx");
    WriteFileBytes(good, EncodeRecordFormat(plain, PASSWORD));
    WriteFileBytes(bad, EncodeRecordFormat(plain, PASSWORD, damaged));
    const std::string errors = ToHostPath(folder.PathOf("errors.txt"));
    setenv("OVX_PASSWORD", PASSWORD.c_str(), 1);
    for (const char* threads : {"1", "4"})
        for (const std::string& source : {good, bad})
        {
            SCOPED_TRACE(source + ", threads " + threads);
            const std::string command = std::string(OVX_EXTRACT_EXE) + " --threads " + threads + " -c '" +
                                        ToHostPath(source) + "' 2>'" + errors + "'";
            FILE* pipe = popen(command.c_str(), "r");
            ASSERT_NE(pipe, nullptr);
            std::vector<BYTE> got;
            BYTE buffer[65536];
            for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) != 0;)
                got.insert(got.end(), buffer, buffer + n);
            const int status = pclose(pipe);
            const bool bGood = source == good;
            EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, bGood ? 0 : 1);
            const std::vector<BYTE> expected(plain.begin(), plain.begin() + (bGood ? plain.size() : 300 * 1000));
            EXPECT_TRUE(got == expected) << got.size() << " bytes instead of " << expected.size();
            if (!bGood)
            {
                EXPECT_NE(ReadFileText(errors).find("Failed to extract '" + source + "'. Reason : [A0040907]"),
                          std::string::npos)
                    << ReadFileText(errors);
            }
        }
    EXPECT_EQ(ListFolder(folder.Folder()), (std::vector<std::string>{"bad.bin.ovx", "errors.txt", "good.bin.ovx"}));
}

#endif

} // namespace

TEST(ExtractCommand, TestModeChecksEveryFileAndWritesNothing)
{
    TempFolder folder;
    const std::vector<BYTE> plain = MakePlaintext(1000);
    std::vector<BYTE> truncated = EncodeChunkFormat(plain, PASSWORD);
    truncated.resize(truncated.size() - 8);
    const struct
    {
        const char* name;
        std::vector<BYTE> image; // written as <name>/f.ovx
        const char* line;        // what follows "'<source>': "
    } files[] = {
        {"good", EncodeRecordFormat(plain, PASSWORD), "OK"},
        {"password", EncodeRecordFormat(plain, "other password"), "Failed to initilize decoders. Reasons : ["},
        {"record", EncodeRecordFormat(plain, PASSWORD, {.wrongCrcRecord = 4}), "Failed to extract '"},
        {"chunk", truncated, "Failed to initilize decoders. Reasons : ["},
    };
    for (const auto& file : files)
        WriteFileBytes(folder.PathOf(std::string("in/") + file.name + "/f.ovx"), file.image);
    const std::vector<std::string> before = ListFolder(folder.Folder());

    // Each file alone, then the tree with all of them.
    for (const auto& file : files)
    {
        const std::string source = folder.PathOf(std::string("in/") + file.name + "/f.ovx");
        const ChildResult result = RunExtract({"--test", source}, PASSWORD.c_str());
        const bool bOk = std::string(file.line) == "OK";
        EXPECT_EQ(result.nStatus, bOk ? 0 : 1) << file.name;
        const std::string summary = bOk ? "Tested - 1 file(s) OK, 0 failed\n" : "Tested - 0 file(s) OK, 1 failed\n";
        EXPECT_EQ(result.strOutput.rfind("'" + source + "': " + file.line, 0), 0u) << result.strOutput;
        EXPECT_EQ(std::count(result.strOutput.begin(), result.strOutput.end(), '\n'), 2) << result.strOutput;
        EXPECT_EQ(result.strOutput.substr(result.strOutput.find('\n') + 1), summary) << result.strOutput;
    }
    const ChildResult tree = RunExtract({"--test", "-q", folder.PathOf("in")}, PASSWORD.c_str());
    EXPECT_EQ(tree.nStatus, 1);
    EXPECT_NE(tree.strOutput.find("Tested - 1 file(s) OK, 3 failed\n"), std::string::npos) << tree.strOutput;
    EXPECT_EQ(ListFolder(folder.Folder()), before) << "nothing written anywhere";
}

// Several sources, --test over several, and --stdout's refusals: the status, the log, the
// outputs, and that nothing is written where nothing should be.
TEST(ExtractCommand, SeveralSourcesAndStandardOutput)
{
    TempFolder folder;
    const std::vector<BYTE> a = MakePlaintext(3000, 1), b = MakePlaintext(700, 2), c = MakePlaintext(500, 3),
                            other = MakePlaintext(900, 4);
    const std::string fileA = folder.PathOf("in/a.txt.ovx"), tree = folder.PathOf("in/tree"),
                      fileB = folder.PathOf("in/tree/b.ovx"), fileC = folder.PathOf("in/tree/sub/c.ovx"),
                      otherB = folder.PathOf("in/one/b.ovx"), missing = folder.PathOf("in/missing.ovx");
    WriteFileBytes(fileA, EncodeRecordFormat(a, PASSWORD));
    WriteFileBytes(fileB, EncodeChunkFormat(b, PASSWORD));
    WriteFileBytes(fileC, EncodeRecordFormat(c, PASSWORD));
    WriteFileBytes(otherB, EncodeRecordFormat(other, PASSWORD)); // decodes to the same name as fileB
    const std::string sameA = folder.PathOf("in/tree/../a.txt.ovx"); // fileA spelled otherwise
    const std::string bOfTree = Processing(fileB) + Processing(fileC), cOfTree = Processing(fileC) + Processing(fileB);
    const struct
    {
        const char* name;
        std::vector<std::string> arguments; // "OUT" stands for this case's own destination
        int nStatus;
        std::vector<std::string> outputs; // the log, each a way the walk's order can give it
        std::string errors;               // a part of standard error
        std::vector<std::string> written; // below the destination; empty: it must not exist
        const std::vector<BYTE>* pB;      // what OUT/b holds
    } cases[] = {
        {"several, a missing one and a duplicate",
         {fileA, missing, tree, sameA, "OUT"},
         1,
         {Processing(fileA) + bOfTree + Finished(3), Processing(fileA) + cOfTree + Finished(3)},
         "cannot find the source '",
         {"a.txt", "b", "sub/", "sub/c"},
         &b},
        // The same output name: the folder's mode keeps what the file wrote before it...
        {"file then folder", {otherB, tree, "OUT"}, 1, {}, "", {"b", "sub/", "sub/c"}, &other},
        // ...and the file's mode replaces what the folder wrote.
        {"folder then file", {tree, otherB, "OUT"}, 0, {}, "", {"b", "sub/", "sub/c"}, &other},
        {"--test over several",
         {"--test", fileA, missing, otherB},
         1,
         {"'" + fileA + "': OK\n'" + otherB + "': OK\nTested - 2 file(s) OK, 0 failed\n"},
         "cannot find the source '",
         {},
         nullptr},
        {"nothing found", {missing, "OUT"}, 2, {""}, "no SOURCE was found", {}, nullptr},
        // The log as usual, on standard error.
        {"--stdout", {"-c", fileA}, 0, {std::string(a.begin(), a.end())}, Processing(fileA) + Finished(1), {}, nullptr},
        {"--stdout of a folder", {"--stdout", tree}, 2, {""}, "is a folder", {}, nullptr},
        {"--stdout with a destination", {"-c", fileA, "OUT"}, 2, {""}, "no DESTINATION", {}, nullptr},
    };
    int nCase = 0;
    for (const auto& test : cases)
    {
        SCOPED_TRACE(test.name);
        const std::string out = folder.PathOf("out" + std::to_string(nCase++));
        std::vector<std::string> arguments = test.arguments;
        std::replace(arguments.begin(), arguments.end(), std::string("OUT"), out);
        const std::vector<std::string> before = ListFolder(folder.Folder());
        const ChildResult result = RunExtract(arguments, PASSWORD.c_str());
        EXPECT_EQ(result.nStatus, test.nStatus) << result.strErrors;
        if (!test.outputs.empty())
        {
            EXPECT_NE(std::find(test.outputs.begin(), test.outputs.end(), result.strOutput), test.outputs.end())
                << result.strOutput;
        }
        EXPECT_NE(result.strErrors.find(test.errors), std::string::npos) << result.strErrors;
        if (test.written.empty())
        {
            EXPECT_EQ(ListFolder(folder.Folder()), before) << "nothing written anywhere";
            continue;
        }
        EXPECT_EQ(ListFolder(out), test.written);
        EXPECT_EQ(ReadFileBytes(out + "/b"), *test.pB);
        if (PathExists(out + "/a.txt"))
        {
            EXPECT_EQ(ReadFileBytes(out + "/a.txt"), a);
        }
        EXPECT_EQ(ReadFileBytes(out + "/sub/c"), c);
    }
}
