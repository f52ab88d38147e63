// ovx-extract end to end: the built program run as a child process on files made by
// the test encoder.

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/cli/ChildProcess.h"
#include "tests/support/OvxEncoder.h"
#include "tests/support/TempFolder.h"

namespace
{

const std::string PASSWORD = "correct horse";

std::string FinishedTail(unsigned nExtracted)
{
    return "\n*** Finished ***\nFinished - " + std::to_string(nExtracted) + " file(s) extracted\n";
}

std::string Processing(const std::string& source) { return "Processing '" + source + "'...\n"; }

ChildResult Extract(std::vector<std::string> arguments, const std::vector<std::string>& environment = {})
{
    arguments.insert(arguments.begin(), OVX_EXTRACT_EXE);
    return RunChild(arguments, environment);
}

std::string PasswordVariable(const std::string& value) { return "OVX_PASSWORD=" + value; }

// The output's lines, sorted: a directory walk reports files in the file system's order.
std::vector<std::string> SortedLines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    lines.push_back(text.substr(start));
    std::sort(lines.begin(), lines.end());
    return lines;
}

TEST(ExtractCommand, FileToFileDecodesIntoTheDestinationFolder)
{
    TempFolder folder;
    const std::vector<BYTE> plain = MakePlaintext(5000);
    const std::string source = folder.PathOf("in/report.txt.ovx");
    WriteFileBytes(source, EncodeRecordFormat(plain, PASSWORD));
    const std::string destination = folder.PathOf("out/new");

    const ChildResult result = Extract({source, destination}, {PasswordVariable(PASSWORD)});
    EXPECT_EQ(result.nStatus, 0) << result.strErrors;
    EXPECT_EQ(result.strOutput, Processing(source) + FinishedTail(1));
    EXPECT_EQ(result.strErrors, ""); // standard error is no terminal: no progress line
    EXPECT_EQ(ReadFileBytes(folder.PathOf("out/new/report.txt")), plain);
    EXPECT_EQ(ListFolder(folder.PathOf("out")), (std::vector<std::string>{"new/", "new/report.txt"}));
}

TEST(ExtractCommand, DirectoryToDirectoryMirrorsTheTree)
{
    TempFolder folder;
    const std::vector<BYTE> first = MakePlaintext(3000, 1), second = MakePlaintext(777, 2);
    WriteFileBytes(folder.PathOf("in/a.ovx"), EncodeRecordFormat(first, PASSWORD));
    WriteFileBytes(folder.PathOf("in/sub/b.bin.OVX"), EncodeChunkFormat(second, PASSWORD));
    WriteFileText(folder.PathOf("in/notes.txt"), "not encoded");
    MakeFolders(folder.PathOf("in/empty"));
    const std::string passwordFile = ToHostPath(folder.PathOf("password.txt"));
    WriteFileText(passwordFile, PASSWORD + "\r\nsecond line\r\n");

    const ChildResult result =
        Extract({"--password-file", passwordFile, folder.PathOf("in"), folder.PathOf("out")});
    EXPECT_EQ(result.nStatus, 0) << result.strErrors;
    // The engine joins the normalised source folder ("...\in\") and the names.
    const std::string root = folder.PathOf("in") + "\\";
    EXPECT_EQ(SortedLines(result.strOutput),
              SortedLines(Processing(root + "a.ovx") + Processing(root + "sub\\b.bin.OVX") + FinishedTail(2)));
    EXPECT_EQ(result.strOutput.substr(result.strOutput.size() - FinishedTail(2).size()), FinishedTail(2));
    EXPECT_EQ(ListFolder(folder.PathOf("out")),
              (std::vector<std::string>{"a", "empty/", "sub/", "sub/b.bin"}));
    EXPECT_EQ(ReadFileBytes(folder.PathOf("out/a")), first);
    EXPECT_EQ(ReadFileBytes(folder.PathOf("out/sub/b.bin")), second);
}

TEST(ExtractCommand, ExitStatusOneWhenAFileFailsOrIsSkipped)
{
    TempFolder folder;
    const std::vector<BYTE> plain = MakePlaintext(1000);
    const std::string source = folder.PathOf("in/a.ovx");
    WriteFileBytes(source, EncodeRecordFormat(plain, PASSWORD));
    const std::string variable = PasswordVariable(PASSWORD);

    // A wrong password: neither decoder accepts the file.
    ChildResult result = Extract({source, folder.PathOf("wrong")}, {PasswordVariable("Correct horse")});
    EXPECT_EQ(result.nStatus, 1);
    EXPECT_EQ(result.strOutput.find(Processing(source) + "Failed to initilize decoders. Reasons : ["), 0u)
        << result.strOutput;

    // A record damaged past the first: the copy fails without a log text.
    RecordFormatOptions damaged;
    damaged.damage.flipOffsets = {900};
    const std::string damagedSource = folder.PathOf("damaged/d.ovx");
    WriteFileBytes(damagedSource, EncodeRecordFormat(plain, PASSWORD, damaged));
    result = Extract({damagedSource, folder.PathOf("damaged-out")}, {variable});
    EXPECT_EQ(result.nStatus, 1);
    EXPECT_EQ(result.strOutput, Processing(damagedSource) + FinishedTail(0));
    EXPECT_FALSE(PathExists(folder.PathOf("damaged-out/d")));

    // Directory to Directory with the output already there: skipped unless --overwrite.
    WriteFileText(folder.PathOf("out/a"), "older");
    result = Extract({folder.PathOf("in"), folder.PathOf("out")}, {variable});
    EXPECT_EQ(result.nStatus, 1);
    EXPECT_EQ(result.strOutput, Processing(folder.PathOf("in") + "\\a.ovx") + "    '" + folder.PathOf("out") +
                                    "\\a' already exists.\n" + FinishedTail(0));
    EXPECT_EQ(ReadFileText(folder.PathOf("out/a")), "older");

    result = Extract({"--overwrite", folder.PathOf("in"), folder.PathOf("out")}, {variable});
    EXPECT_EQ(result.nStatus, 0);
    EXPECT_EQ(ReadFileBytes(folder.PathOf("out/a")), plain);
}

TEST(ExtractCommand, PasswordFileComesBeforeTheEnvironment)
{
    TempFolder folder;
    const std::vector<BYTE> plain = MakePlaintext(64);
    const std::string password56(56, 'p'); // the longest usable password is used whole
    const std::string source = folder.PathOf("in/x.ovx");
    WriteFileBytes(source, EncodeChunkFormat(plain, password56));
    const std::string passwordFile = ToHostPath(folder.PathOf("password.txt"));
    WriteFileText(passwordFile, password56 + "\n");

    ChildResult result = Extract({"--password-file=" + passwordFile, source, folder.PathOf("one")},
                                 {PasswordVariable("wrong")});
    EXPECT_EQ(result.nStatus, 0) << result.strOutput << result.strErrors;
    EXPECT_EQ(ReadFileBytes(folder.PathOf("one/x")), plain);

    result = Extract({source, folder.PathOf("two")}, {PasswordVariable(password56)});
    EXPECT_EQ(result.nStatus, 0) << result.strOutput << result.strErrors;
    EXPECT_EQ(ReadFileBytes(folder.PathOf("two/x")), plain);
}

TEST(ExtractCommand, RefusedPasswordTouchesNoFile)
{
    TempFolder folder;
    const std::string source = folder.PathOf("in/x.ovx");
    WriteFileBytes(source, EncodeRecordFormat(MakePlaintext(100), PASSWORD));
    const std::string tooLong(57, 'k');
    const std::string emptyFile = ToHostPath(folder.PathOf("empty.txt"));
    const std::string longFile = ToHostPath(folder.PathOf("long.txt"));
    WriteFileText(emptyFile, "\r\n");
    WriteFileText(longFile, tooLong);

    const struct
    {
        std::vector<std::string> options;
        std::vector<std::string> environment;
        const char* reason;
    } cases[] = {
        {{}, {PasswordVariable(tooLong)}, "the password from OVX_PASSWORD is longer than 56 bytes"},
        {{"--password-file", emptyFile}, {PasswordVariable(PASSWORD)}, "the password from the password file is empty"},
        {{"--password-file", longFile}, {}, "the password from the password file is longer than 56 bytes"},
        {{"--password-file", ToHostPath(folder.PathOf("none.txt"))}, {}, "cannot read the password file"},
        // No password file, no OVX_PASSWORD, and no terminal to ask on.
        {{}, {}, "no password: no terminal to ask on"},
#ifndef _WIN32
        {{}, {PasswordVariable("")}, "the password from OVX_PASSWORD is empty"},
#endif
    };
    for (const auto& test : cases)
    {
        std::vector<std::string> arguments = test.options;
        arguments.push_back(source);
        arguments.push_back(folder.PathOf("out"));
        const ChildResult result = Extract(arguments, test.environment);
        EXPECT_EQ(result.nStatus, 2) << test.reason;
        EXPECT_EQ(result.strOutput, "");
        EXPECT_NE(result.strErrors.find(test.reason), std::string::npos) << result.strErrors;
        EXPECT_FALSE(PathExists(folder.PathOf("out"))) << test.reason;
    }
}

TEST(ExtractCommand, UsageErrorsAndInformation)
{
    TempFolder folder;
    const std::string variable = PasswordVariable(PASSWORD);
    const struct
    {
        std::vector<std::string> arguments;
        const char* reason;
    } cases[] = {
        {{}, "missing SOURCE and DESTINATION"},
        {{"--password", PASSWORD, folder.PathOf("in"), folder.PathOf("out")}, "no --password option"},
        {{folder.PathOf("missing.ovx"), folder.PathOf("out")}, "cannot find the source"},
    };
    for (const auto& test : cases)
    {
        const ChildResult result = Extract(test.arguments, {variable});
        EXPECT_EQ(result.nStatus, 2) << test.reason;
        EXPECT_EQ(result.strOutput, "");
        EXPECT_NE(result.strErrors.find(test.reason), std::string::npos) << result.strErrors;
        EXPECT_FALSE(PathExists(folder.PathOf("out")));
    }

    ChildResult result = Extract({"--version"});
    EXPECT_EQ(result.nStatus, 0);
    EXPECT_EQ(result.strOutput, "ovx-extract 1.0.0\n");
    result = Extract({"--help"});
    EXPECT_EQ(result.nStatus, 0);
    EXPECT_EQ(result.strOutput.find("Usage: ovx-extract [options] SOURCE DESTINATION\n"), 0u);
    EXPECT_EQ(result.strOutput.find('\r'), std::string::npos); // "\n" line ends on every system
}

} // namespace
