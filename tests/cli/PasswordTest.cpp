#include "cli/Password.h"

#include <string>

#include <gtest/gtest.h>

#include "tests/support/TempFolder.h"

namespace
{

TEST(Password, FileGivesItsFirstLineWithoutTheLineEnd)
{
    const struct
    {
        std::string contents;
        std::string password;
    } cases[] = {
        {"secret\n", "secret"},
        {"secret\r\n", "secret"},
        {"secret", "secret"},
        {"first\nsecond\n", "first"},
        {"  blanks are kept \t\n", "  blanks are kept \t"},
        {"inner\rreturn\n", "inner\rreturn"},
        {std::string("nul\0byte\n", 9), std::string("nul\0byte", 8)},
        {"\n", ""},
    };
    TempFolder folder;
    for (const auto& test : cases)
    {
        const std::string path = folder.PathOf("password.txt");
        WriteFileText(path, test.contents);
        std::string password = "stale";
        std::string error;
        ASSERT_TRUE(ReadPasswordFile(ToHostPath(path), &password, &error)) << error;
        EXPECT_EQ(password, test.password);
    }
}

} // namespace
