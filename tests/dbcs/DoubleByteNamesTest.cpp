#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/engine/EngineTestSupport.h"

namespace
{

namespace fs = std::filesystem;

// Two characters that end in the byte of "\" in code page 932, as the engine and the
// system's Unicode calls spell them.
const std::string SO = "\x83\x5C", HYOU = "\x95\x5C";
const std::wstring WSO = L"\u30BD", WHYOU = L"\u8868";

// The files are made and looked at by their Unicode names, not through the engine's ANSI
// calls; the temporary folder's own path is ASCII.
fs::path Wide(const std::string& folder, const std::wstring& relative)
{
    return fs::path(std::wstring(folder.begin(), folder.end()) + relative);
}

std::vector<BYTE> ReadWide(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::vector<BYTE>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// Everything below `folder`, sorted, folders ending in "\".
std::vector<std::wstring> ListWide(const std::string& folder)
{
    std::vector<std::wstring> entries;
    const fs::path root(folder);
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root))
        entries.push_back(fs::relative(entry.path(), root).wstring() + (entry.is_directory() ? L"\\" : L""));
    std::sort(entries.begin(), entries.end());
    return entries;
}

// A Directory to Directory job whose source and destination folders, folders below them
// and files all end in such a character: the walk finds the files, matches them as
// .ovx and mirrors them under the same names, never splitting a character at its
// second byte.
TEST(DoubleByteNames, FolderJobMirrorsNamesEndingInTheByteOfABackslash)
{
    ASSERT_EQ(GetACP(), 932u) << "the code page did not take: the test needs Wine run with LC_ALL=ja_JP.UTF-8 "
                                 "and that locale on the host (LOCPATH)";
    TempFolder temp;
    const std::vector<BYTE> plain = MakePlaintext(300);
    const std::vector<BYTE> image = EncodeRecordFormat(plain, TEST_PASSWORD);
    for (const std::wstring& name : {WSO + L".ovx", WSO + WHYOU + L"\\" + WHYOU + L".OVX", WHYOU + L".txt"})
    {
        const fs::path path = Wide(temp.PathOf("in\\"), WHYOU + L"\\" + name);
        fs::create_directories(path.parent_path());
        std::ofstream file(path, std::ios::binary);
        file.write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
    }
    // Both folders are given without a final separator: each ends in the byte 5C.
    const std::string source = temp.PathOf("in\\" + HYOU), destination = temp.PathOf("out\\" + SO);
    FaultCipher cipher(TEST_PASSWORD);
    RecordingDisplay display;
    CExtractJob job(TestSettings(&cipher, source, destination, false), &display);

    job.Run();

    const std::wstring decoded[] = {WSO + L"\\" + WSO, WSO + L"\\" + WSO + WHYOU + L"\\" + WHYOU};
    EXPECT_EQ(ListWide(temp.PathOf("out")),
              (std::vector<std::wstring>{WSO + L"\\", decoded[0], WSO + L"\\" + WSO + WHYOU + L"\\", decoded[1]}));
    for (const std::wstring& name : decoded)
        EXPECT_EQ(ReadWide(Wide(temp.PathOf("out\\"), name)), plain);
    std::vector<std::string> logs = display.LogTexts();
    std::sort(logs.begin(), logs.end());
    EXPECT_EQ(logs, (std::vector<std::string>{FINISHED_TEXT, ProcessingText(source + "\\" + SO + ".ovx"),
                                              ProcessingText(source + "\\" + SO + HYOU + "\\" + HYOU + ".OVX")}));
    EXPECT_EQ(job.Status().Extracted(), 2u);
    EXPECT_EQ(job.Status().WalkFailure(), RESULT_OK);
}

} // namespace
