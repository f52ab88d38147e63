#ifdef _WIN32

#include "tests/support/UnicodeTree.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <windows.h>

#include "tests/support/OvxEncoder.h"

namespace
{

namespace fs = std::filesystem;

std::wstring Wide(const std::string& utf8)
{
    std::wstring wide(utf8.size(), L'\0');
    wide.resize(static_cast<size_t>(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                                                        wide.data(), static_cast<int>(wide.size()))));
    return wide;
}

std::string Utf8(const std::wstring& wide)
{
    std::string utf8(wide.size() * 3, '\0');
    utf8.resize(static_cast<size_t>(WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                                        utf8.data(), static_cast<int>(utf8.size()), nullptr, nullptr)));
    return utf8;
}

void WriteWide(const fs::path& path, const std::vector<BYTE>& bytes)
{
    fs::create_directories(path.parent_path());
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

} // namespace

std::vector<UNICODE_TREE_FILE> WriteUnicodeTree(const std::string& sourceFolder, const std::string& key)
{
    std::vector<UNICODE_TREE_FILE> files = {
        {"\xE6\x8A\xA5\xE5\x91\x8A.txt.ovx", "\xE6\x8A\xA5\xE5\x91\x8A.txt", MakePlaintext(3000, 1)}, // 报告
        {"\xD0\x97\xD0\xB2\xD1\x96\xD1\x82\\r\xC3\xA9sum\xC3\xA9.OVX", "\xD0\x97\xD0\xB2\xD1\x96\xD1\x82\\r\xC3\xA9sum\xC3\xA9",
         MakePlaintext(70000, 2)},                                                                 // Звіт\résumé
        {"\xF0\x9F\x98\x80 party.bin.ovx", "\xF0\x9F\x98\x80 party.bin", MakePlaintext(10, 3)}, // 😀
        {"\xE5\xAD\x90\xE7\x9B\xAE\xE5\xBD\x95\\\xCE\x95\xCE\xBB\xCE\xBB\xCE\xB7\xCE\xBD\xCE\xB9\xCE\xBA\xCE\xAC.ovx",
         "\xE5\xAD\x90\xE7\x9B\xAE\xE5\xBD\x95\\\xCE\x95\xCE\xBB\xCE\xBB\xCE\xB7\xCE\xBD\xCE\xB9\xCE\xBA\xCE\xAC",
         MakePlaintext(500, 4)}, // 子目录\Ελληνικά
    };
    for (size_t i = 0; i < files.size(); ++i)
        WriteWide(Wide(sourceFolder + files[i].source), i % 2 == 0 ? EncodeRecordFormat(files[i].plain, key)
                                                                   : EncodeChunkFormat(files[i].plain, key));
    WriteWide(Wide(sourceFolder + "\xE8\xAF\xB4\xE6\x98\x8E.txt"), MakePlaintext(20)); // 说明.txt: not an .ovx
    return files;
}

std::vector<std::string> ListFolderUtf8(const std::string& folder)
{
    std::vector<std::string> entries;
    const fs::path root(Wide(folder));
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root))
        entries.push_back(Utf8(fs::relative(entry.path(), root).wstring() + (entry.is_directory() ? L"\\" : L"")));
    std::sort(entries.begin(), entries.end());
    return entries;
}

std::vector<BYTE> ReadFileUtf8(const std::string& path)
{
    std::ifstream file(fs::path(Wide(path)), std::ios::binary);
    return std::vector<BYTE>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

#endif
