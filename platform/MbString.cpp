#include "platform/MbString.h"

#include "platform/Kernel32.h"

#ifdef _WIN32

// The C runtime's multibyte routines follow the system's ANSI code page.
const char* MbsFindNext(const char* text, char c)
{
    return reinterpret_cast<const char*>(_mbschr(reinterpret_cast<const unsigned char*>(text), static_cast<unsigned char>(c)));
}

const char* MbsFindLast(const char* text, char c)
{
    return reinterpret_cast<const char*>(_mbsrchr(reinterpret_cast<const unsigned char*>(text), static_cast<unsigned char>(c)));
}

int MbsCompareNoCase(const char* a, const char* b)
{
    return _mbsicmp(reinterpret_cast<const unsigned char*>(a), reinterpret_cast<const unsigned char*>(b));
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
