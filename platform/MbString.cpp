#include "platform/MbString.h"

#include "platform/Kernel32.h"

#include <string>

namespace
{

// The length of text[0, length) less an unfinished UTF-8 sequence at its end.
std::size_t Utf8WholeLength(const char* text, std::size_t length)
{
    std::size_t start = length;
    while (start > 0 && length - start < 4 && (static_cast<unsigned char>(text[start - 1]) & 0xC0) == 0x80)
        --start; // continuation bytes
    if (start == 0)
        return length;
    const unsigned char lead = static_cast<unsigned char>(text[start - 1]);
    const std::size_t needed = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    return needed > length - (start - 1) ? start - 1 : length;
}

} // namespace

#ifdef _WIN32

// The C runtime's multibyte routines follow the process's ANSI code page; UTF-8 has no
// lead bytes for them, and needs none: no byte of a UTF-8 sequence is ASCII.
const char* MbsFindNext(const char* text, char c)
{
    return reinterpret_cast<const char*>(_mbschr(reinterpret_cast<const unsigned char*>(text), static_cast<unsigned char>(c)));
}

const char* MbsFindLast(const char* text, char c)
{
    return reinterpret_cast<const char*>(_mbsrchr(reinterpret_cast<const unsigned char*>(text), static_cast<unsigned char>(c)));
}

namespace
{

std::wstring ToWide(const char* text)
{
    const int size = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(size > 0 ? size : 1), L'\0');
    if (size > 0)
        MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), size);
    wide.pop_back(); // the terminating NUL
    return wide;
}

} // namespace

// The C runtime's folding knows no letter beyond ASCII in UTF-8; the system's ordinal
// comparison folds as the file system does, in every code page.
int MbsCompareNoCase(const char* a, const char* b)
{
    const std::wstring wideA = ToWide(a), wideB = ToWide(b);
    const int order = CompareStringOrdinal(wideA.data(), static_cast<int>(wideA.size()), wideB.data(),
                                           static_cast<int>(wideB.size()), TRUE);
    return order != 0 ? order - CSTR_EQUAL
                      : _mbsicmp(reinterpret_cast<const unsigned char*>(a), reinterpret_cast<const unsigned char*>(b));
}

std::size_t MbsWholeLength(const char* text, std::size_t length)
{
    if (GetACP() == CP_UTF8)
        return Utf8WholeLength(text, length);
    // A double-byte code page: walk from the start, as only it tells lead from trail bytes.
    std::size_t whole = 0;
    while (whole < length)
    {
        const std::size_t step = IsDBCSLeadByte(static_cast<BYTE>(text[whole])) ? 2 : 1;
        if (whole + step > length)
            break;
        whole += step;
    }
    return whole;
}

#else

// Single-byte code page: every byte is a character; case folding is ASCII's.
const char* MbsFindNext(const char* text, char c)
{
    for (; *text != '\0'; ++text)
        if (*text == c)
            return text;
    return nullptr;
}

const char* MbsFindLast(const char* text, char c)
{
    const char* found = nullptr;
    for (; *text != '\0'; ++text)
        if (*text == c)
            found = text;
    return found;
}

std::size_t MbsWholeLength(const char* text, std::size_t length)
{
    return Utf8WholeLength(text, length);
}

int MbsCompareNoCase(const char* a, const char* b)
{
    auto fold = [](unsigned char ch) { return (ch >= 'A' && ch <= 'Z') ? ch + ('a' - 'A') : ch; };
    for (;; ++a, ++b)
    {
        int d = fold(static_cast<unsigned char>(*a)) - fold(static_cast<unsigned char>(*b));
        if (d != 0 || *a == '\0')
            return d;
    }
}

#endif
