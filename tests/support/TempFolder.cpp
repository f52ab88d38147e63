#include "tests/support/TempFolder.h"

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <system_error>

#include "platform/PathSyntax.h"

namespace fs = std::filesystem;

namespace
{

std::string Replace(std::string text, char from, char to)
{
    std::replace(text.begin(), text.end(), from, to);
    return text;
}

fs::path HostPath(const std::string& path) { return fs::path(ToHostPath(path)); }

} // namespace

std::string ToHostPath(const std::string& path)
{
#ifdef _WIN32
    return path;
#else
    return Replace(path, '\\', '/');
#endif
}

TempFolder::TempFolder()
{
    static std::atomic<unsigned> s_nCounter{0};
    std::random_device random;
    fs::path base = fs::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt)
    {
        fs::path candidate = base / ("ovx-" + std::to_string(random() % 1000000u) + "-" + std::to_string(s_nCounter++));
        std::error_code error;
        if (fs::create_directory(candidate, error))
        {
            std::string text = candidate.string();
            m_strFolder = (text.back() == '\\' || text.back() == '/') ? text : text + FOLDER_SEPARATOR;
            return;
        }
    }
    throw std::runtime_error("cannot create a temporary folder under " + base.string());
}

TempFolder::~TempFolder()
{
    // Read-only files (and folders without write permission) would survive remove_all.
    fs::path root = HostPath(m_strFolder);
    std::error_code error;
    std::error_code ignored;
    fs::permissions(root, fs::perms::owner_all, fs::perm_options::add, ignored);
    for (fs::recursive_directory_iterator it(root, fs::directory_options::skip_permission_denied, error), end;
         !error && it != end; it.increment(error))
        if (!it->is_symlink(ignored))
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(root, ignored);
}

std::string TempFolder::PathOf(const std::string& relative) const
{
    return m_strFolder + Replace(Replace(relative, '/', FOLDER_SEPARATOR), '\\', FOLDER_SEPARATOR);
}

void WriteFileBytes(const std::string& path, const std::vector<BYTE>& bytes)
{
    fs::path host = HostPath(path);
    std::error_code error;
    fs::create_directories(host.parent_path(), error);
    std::ofstream file(host, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (!file)
        throw std::runtime_error("cannot write " + path);
}

void WriteFileText(const std::string& path, const std::string& text)
{
    WriteFileBytes(path, std::vector<BYTE>(text.begin(), text.end()));
}

std::vector<BYTE> ReadFileBytes(const std::string& path)
{
    std::ifstream file(HostPath(path), std::ios::binary);
    if (!file)
        throw std::runtime_error("cannot read " + path);
    return std::vector<BYTE>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::string ReadFileText(const std::string& path)
{
    std::vector<BYTE> bytes = ReadFileBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

void MakeFolders(const std::string& path)
{
    std::error_code error;
    fs::create_directories(HostPath(path), error);
    if (error)
        throw std::runtime_error("cannot create " + path + ": " + error.message());
}

bool PathExists(const std::string& path)
{
    std::error_code error;
    return fs::exists(fs::symlink_status(HostPath(path), error));
}

std::vector<std::string> ListFolder(const std::string& folder)
{
    std::vector<std::string> entries;
    fs::path root = HostPath(folder);
    std::error_code error;
    for (fs::recursive_directory_iterator it(root, error), end; !error && it != end; it.increment(error))
    {
        std::string relative = Replace(fs::relative(it->path(), root).string(), '\\', '/');
        std::error_code ignored;
        if (it->is_directory(ignored) && !it->is_symlink(ignored))
            relative += '/';
        entries.push_back(relative);
    }
    if (error)
        throw std::runtime_error("cannot list " + folder + ": " + error.message());
    std::sort(entries.begin(), entries.end());
    return entries;
}

bool MakeSymbolicLink(const std::string& target, const std::string& link)
{
    std::error_code error;
    if (fs::is_directory(HostPath(target), error))
        fs::create_directory_symlink(HostPath(target), HostPath(link), error);
    else
        fs::create_symlink(HostPath(target), HostPath(link), error);
    return !error;
}
