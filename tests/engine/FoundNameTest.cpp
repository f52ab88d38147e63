#include <algorithm>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "engine/FoundName.h"
#include "engine/LastError.h"

namespace
{

const std::string BAO = "\xE6\x8A\xA5"; // 报, three bytes in UTF-8

std::string Repeat(const std::string& text, int times)
{
    std::string result;
    for (int i = 0; i < times; ++i)
        result += text;
    return result;
}

// A search's name as the system hands it over: `written` bytes over the mark, with or
// without the NUL it writes after a name that fits.
WIN32_FIND_DATAA Found(const std::string& written)
{
    WIN32_FIND_DATAA entry;
    MarkFoundName(&entry);
    std::memcpy(entry.cFileName, written.data(), std::min(written.size(), sizeof(entry.cFileName)));
    return entry;
}

// A UTF-8 name longer than the 260 bytes of WIN32_FIND_DATAA is never taken for a
// shorter one: cut at the buffer's end or before a character that did not fit, it
// counts as cut and shows its whole characters only.
TEST(FoundName, NamesCutToFitTheBufferAreNeverTakenWhole)
{
    const struct
    {
        const char* what;
        std::string written;
        bool whole;
        std::string shown; // for a cut name
    } cases[] = {
        {"fits", BAO + ".ovx" + std::string(1, '\0'), true, ""},
        {"259 bytes and its NUL", std::string(259, 'n') + std::string(1, '\0'), true, ""},
        {"cut at the end, in a character", Repeat(BAO, 87), false, Repeat(BAO, 86) + "..."},
        {"cut before a character", Repeat(BAO, 85), false, Repeat(BAO, 85) + "..."},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        const WIN32_FIND_DATAA entry = Found(c.written);
        EXPECT_EQ(IsFoundNameWhole(entry), c.whole);
        if (!c.whole)
        {
            EXPECT_EQ(GetFoundNameStart(entry), c.shown);
        }
    }

    // A search that failed for the length may have left a NUL after what it wrote.
    WIN32_FIND_DATAA failed = Found(Repeat(BAO, 40) + std::string(1, '\0'));
    MarkFoundNameCut(&failed);
    EXPECT_FALSE(IsFoundNameWhole(failed));
    EXPECT_EQ(GetFoundNameStart(failed), Repeat(BAO, 40) + "...");
    EXPECT_TRUE(IsNameOverflow(ResultFromWin32(ERROR_MORE_DATA)));
    EXPECT_TRUE(IsNameOverflow(ResultFromWin32(ERROR_FILENAME_EXCED_RANGE)));
    EXPECT_FALSE(IsNameOverflow(ResultFromWin32(ERROR_NO_MORE_FILES)));
}

} // namespace
