#include "cli/Password.h"

#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/TempFolder.h"

namespace
{

// Sets or removes an environment variable for the life of the object.
class ScopedVariable
{
public:
    ScopedVariable(const char* name, const char* value) : m_name(name)
    {
        if (const char* previous = std::getenv(name))
        {
            m_previous = previous;
            m_bHadValue = true;
        }
        Set(value);
    }
    ~ScopedVariable() { Set(m_bHadValue ? m_previous.c_str() : nullptr); }

private:
    void Set(const char* value)
    {
#ifdef _WIN32
        _putenv_s(m_name, value != nullptr ? value : ""); // "" removes it on Windows
#else
        if (value != nullptr)
            setenv(m_name, value, 1);
        else
            unsetenv(m_name);
#endif
    }

    const char* m_name;
    std::string m_previous;
    bool m_bHadValue = false;
};

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
        {"", ""},
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

TEST(Password, MissingFileIsAnErrorNamingIt)
{
    TempFolder folder;
    const std::string path = ToHostPath(folder.PathOf("none.txt"));
    std::string password, error;
    EXPECT_FALSE(ReadPasswordFile(path, &password, &error));
    EXPECT_NE(error.find(path), std::string::npos) << error;
}

TEST(Password, OnlyOneTo56BytesAreUsable)
{
    EXPECT_EQ(CheckPassword("x", "test"), "");
    EXPECT_EQ(CheckPassword(std::string(56, 'x'), "test"), "");
    EXPECT_EQ(CheckPassword(std::string(57, 'x'), "test"), "the password from test is longer than 56 bytes");
    EXPECT_EQ(CheckPassword("", "test"), "the password from test is empty");
}

TEST(Password, FileComesBeforeTheEnvironment)
{
    TempFolder folder;
    const std::string path = ToHostPath(folder.PathOf("password.txt"));
    WriteFileText(path, "from file\r\n");
    ScopedVariable variable(PASSWORD_VARIABLE, "from environment");

    std::string password, error;
    ASSERT_TRUE(ObtainPassword(path, &password, &error)) << error;
    EXPECT_EQ(password, "from file");
    ASSERT_TRUE(ObtainPassword("", &password, &error)) << error;
    EXPECT_EQ(password, "from environment");
}

TEST(Password, UnusablePasswordsAreRefusedAndWiped)
{
    TempFolder folder;
    const std::string path = ToHostPath(folder.PathOf("password.txt"));
    WriteFileText(path, std::string(57, 'k') + "\n");
    ScopedVariable variable(PASSWORD_VARIABLE, "fine");

    std::string password, error;
    EXPECT_FALSE(ObtainPassword(path, &password, &error));
    EXPECT_TRUE(password.empty());
    EXPECT_EQ(error, "the password from the password file is longer than 56 bytes");

    EXPECT_FALSE(ObtainPassword(ToHostPath(folder.PathOf("none.txt")), &password, &error));
    EXPECT_NE(error.find("cannot read the password file"), std::string::npos) << error;
}

TEST(Password, WipeClearsTheBytes)
{
    std::string text = "a password";
    const char* bytes = text.data();
    WipeString(&text);
    EXPECT_TRUE(text.empty());
    EXPECT_EQ(bytes[0], '\0');
    EXPECT_EQ(bytes[9], '\0');
}

} // namespace
