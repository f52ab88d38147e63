#include "platform/Console.h"

#include <string>

#include <gtest/gtest.h>

#ifdef _WIN32
#include "platform/Kernel32.h"
#include "platform/SystemCodePage.h"
#endif

namespace
{

#ifdef _WIN32

// A password typed at the console must give the key the window gives: its bytes in the
// system's ANSI code page (also where the program runs in UTF-8), not in the console's
// OEM code page (where 'é' is 0x82, not 0xE9).
TEST(Console, ConsoleTextBecomesAnsiBytes)
{
    if (GetSystemAnsiCodePage() != 1252)
        GTEST_SKIP() << "the expected bytes are those of code page 1252";
    const struct
    {
        std::wstring typed;
        std::string ansi;
    } cases[] = {
        {L"", ""},
        {L"  plain ascii ", "  plain ascii "},
        {L"caf\u00E9 \u00FC\u00DF \u20AC", "caf\xE9 \xFC\xDF \x80"},
    };
    for (const auto& test : cases)
        EXPECT_EQ(ConsoleTextToAnsi(test.typed), test.ansi);
}

#endif

} // namespace
