#include "platform/SystemCodePage.h"

#include <cstdlib>
#include <vector>

namespace
{

// A code page number written in decimal text; 0 when there is none.
UINT ParseCodePage(const char* text)
{
    char* end = nullptr;
    const unsigned long value = std::strtoul(text, &end, 10);
    return end != text && *end == '\0' && value > 0 && value < 65536 ? static_cast<UINT>(value) : 0;
}

UINT ReadRegistryCodePage()
{
    HKEY hKey = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\Nls\\CodePage", 0, KEY_QUERY_VALUE,
                      &hKey) != ERROR_SUCCESS)
        return 0;
    char text[16] = {};
    DWORD type = 0, size = sizeof(text) - 1; // room for a terminating NUL the value may lack
    const LONG status = RegQueryValueExA(hKey, "ACP", nullptr, &type, reinterpret_cast<BYTE*>(text), &size);
    RegCloseKey(hKey);
    return status == ERROR_SUCCESS && type == REG_SZ ? ParseCodePage(text) : 0;
}

UINT ReadLocaleCodePage()
{
    char text[16] = {};
    if (GetLocaleInfoA(LOCALE_SYSTEM_DEFAULT, LOCALE_IDEFAULTANSICODEPAGE, text, sizeof(text)) == 0)
        return 0;
    return ParseCodePage(text);
}

// Wine takes the code page from the Unix locale and writes the registry's value from a
// program's own code page: after UTF-8 programs it can hold 65001 while programs
// without the setting still get the locale's code page.
bool IsWine()
{
    const HMODULE hNtdll = GetModuleHandleA("ntdll.dll");
    return hNtdll != nullptr && GetProcAddress(hNtdll, "wine_get_version") != nullptr;
}

// A code page the system can convert with.
bool IsUsable(UINT codePage)
{
    CPINFO info;
    return codePage != 0 && GetCPInfo(codePage, &info) != 0;
}

} // namespace

UINT GetSystemAnsiCodePage()
{
    static const UINT codePage = [] {
        for (UINT candidate : {IsWine() ? 0 : ReadRegistryCodePage(), ReadLocaleCodePage()})
            if (IsUsable(candidate))
                return candidate;
        return GetACP();
    }();
    return codePage;
}

std::string WideToSystemAnsi(const std::wstring& text)
{
    if (text.empty())
        return std::string();
    const UINT codePage = GetSystemAnsiCodePage();
    const int length = static_cast<int>(text.size());
    const int size = WideCharToMultiByte(codePage, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    std::string ansi(static_cast<size_t>(size > 0 ? size : 0), '\0');
    if (size > 0)
        WideCharToMultiByte(codePage, 0, text.data(), length, ansi.data(), size, nullptr, nullptr);
    return ansi;
}

bool GetEnvironmentBytes(const char* name, std::string* value)
{
    const std::wstring wideName(name, name + std::char_traits<char>::length(name)); // ASCII names
    std::vector<wchar_t> buffer(64);
    for (;;)
    {
        SetLastError(ERROR_SUCCESS);
        const DWORD length = GetEnvironmentVariableW(wideName.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0 && GetLastError() == ERROR_ENVVAR_NOT_FOUND)
            return false;
        if (length < buffer.size())
        {
            *value = WideToSystemAnsi(std::wstring(buffer.data(), length));
            for (wchar_t& c : buffer)
                *static_cast<volatile wchar_t*>(&c) = 0;
            return true;
        }
        buffer.assign(length, L'\0');
    }
}
