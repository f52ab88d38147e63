// ovx-extract.exe in UTF-8: names outside the system's ANSI code page, and passwords
// keyed in the system's code page as before. Windows (under Wine) only.

#ifdef _WIN32

#include <algorithm>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/SystemCodePage.h"
#include "tests/cli/ChildProcess.h"
#include "tests/support/OvxEncoder.h"
#include "tests/support/TempFolder.h"
#include "tests/support/UnicodeTree.h"

namespace
{

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);)
        lines.push_back(line);
    return lines;
}

TEST(UnicodeNames, DirectoryJobExtractsEveryFileUnderItsExactName)
{
    ASSERT_EQ(GetACP(), static_cast<UINT>(CP_UTF8)) << "the manifest's code page did not take";
    TempFolder folder;
    const std::string source = folder.PathOf("in\\"), destination = folder.PathOf("out\\");
    const std::vector<UNICODE_TREE_FILE> files = WriteUnicodeTree(source, UNICODE_TREE_KEY);

    const ChildResult result = RunExtract({folder.PathOf("in"), folder.PathOf("out")}, UNICODE_TREE_PASSWORD);
    EXPECT_EQ(result.nStatus, 0) << result.strOutput << result.strErrors;
    std::vector<std::string> expected = {"", "*** Finished ***", "Finished - 4 file(s) extracted"};
    std::vector<std::string> outputs = {"\xE5\xAD\x90\xE7\x9B\xAE\xE5\xBD\x95\\", "\xD0\x97\xD0\xB2\xD1\x96\xD1\x82\\"};
    for (const UNICODE_TREE_FILE& file : files)
    {
        expected.push_back("Processing '" + source + file.source + "'...");
        outputs.push_back(file.output);
        EXPECT_EQ(ReadFileUtf8(destination + file.output), file.plain) << file.output;
    }
    std::vector<std::string> logged = Lines(result.strOutput);
    std::sort(expected.begin(), expected.end());
    std::sort(logged.begin(), logged.end()); // the walk's order is the file system's
    EXPECT_EQ(logged, expected);
    std::sort(outputs.begin(), outputs.end());
    EXPECT_EQ(ListFolderUtf8(destination), outputs);
}

// The key is the password's bytes in the system's ANSI code page, as in every earlier
// build, whatever the process's own code page: the row of the system's code page (1252
// unless OVX_TEST_SYSTEM_CODE_PAGE says otherwise) keys in process and opens a file
// through OVX_PASSWORD.
TEST(SystemCodePage, PasswordKeysWithTheSystemCodePageBytes)
{
    const struct
    {
        UINT codePage;
        const char* password; // UTF-8
        std::string key;
    } cases[] = {
        {1252, UNICODE_TREE_PASSWORD, UNICODE_TREE_KEY},
        {1252, "\xE2\x82\xAC 5 \xE5\xA0\xB1", "\x80 5 ?"}, // "€ 5 報": 報 has no byte in 1252
        {932, "\xE3\x83\x91\xE3\x82\xB9\xE3\x83\xAF\xE3\x83\xBC\xE3\x83\x89", "\x83\x70\x83\x58\x83\x8F\x81\x5B\x83\x68"},
        {932, "\xE8\xA1\xA8\xE7\xA4\xBA", "\x95\x5C\x8E\xA6"}, // 表示: a trail byte that is "\"
    };
    const char* expected = std::getenv("OVX_TEST_SYSTEM_CODE_PAGE");
    const UINT codePage = expected != nullptr ? static_cast<UINT>(std::atoi(expected)) : 1252;
    ASSERT_EQ(GetSystemAnsiCodePage(), codePage);
    TempFolder folder;
    int rows = 0;
    for (const auto& c : cases)
    {
        if (c.codePage != codePage)
            continue;
        SCOPED_TRACE(c.password);
        ++rows;
        const int length = MultiByteToWideChar(CP_UTF8, 0, c.password, -1, nullptr, 0);
        std::wstring wide(static_cast<size_t>(length), L'\0');
        MultiByteToWideChar(CP_UTF8, 0, c.password, -1, wide.data(), length);
        wide.pop_back();
        EXPECT_EQ(WideToSystemAnsi(wide), c.key);

        const std::vector<BYTE> plain = MakePlaintext(2000, static_cast<UINT32>(rows));
        const std::string source = folder.PathOf("in\\" + std::to_string(rows) + ".ovx");
        WriteFileBytes(source, EncodeRecordFormat(plain, c.key));
        const ChildResult result = RunExtract({source, folder.PathOf("out")}, c.password);
        EXPECT_EQ(result.nStatus, 0) << result.strOutput << result.strErrors;
        EXPECT_EQ(ReadFileBytes(folder.PathOf("out\\" + std::to_string(rows))), plain);
    }
    EXPECT_EQ(rows, 2);
}

} // namespace

#endif
