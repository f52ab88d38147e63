#include "cli/Password.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "base/SecureWipe.h"
#include "cli/Terminal.h"
#include "platform/SystemCodePage.h"

namespace
{

// Reading stops after this many bytes of the first line: enough to tell a usable
// password from a too long one without reading a large file whole.
constexpr size_t MAX_LINE_READ = 4096;

void RemoveLineEnd(std::string* line)
{
    if (!line->empty() && line->back() == '\n')
        line->pop_back();
    if (!line->empty() && line->back() == '\r')
        line->pop_back();
}

} // namespace

bool ReadPasswordFile(const std::string& path, std::string* password, std::string* error)
{
    password->clear();
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr)
    {
        *error = "cannot read the password file '" + path + "': " + std::strerror(errno);
        return false;
    }
    int c = 0;
    while (password->size() < MAX_LINE_READ && (c = std::fgetc(file)) != EOF)
    {
        password->push_back(static_cast<char>(c));
        if (c == '\n')
            break;
    }
    const bool bFailed = std::ferror(file) != 0;
    std::fclose(file);
    if (bFailed)
    {
        WipeString(password);
        *error = "cannot read the password file '" + path + "'";
        return false;
    }
    RemoveLineEnd(password);
    return true;
}

std::string CheckPassword(const std::string& password, const char* source)
{
    if (password.empty())
        return std::string("the password from ") + source + " is empty";
    if (password.size() > BLOWFISH_MAX_KEY_LENGTH)
        return std::string("the password from ") + source + " is longer than " +
               std::to_string(BLOWFISH_MAX_KEY_LENGTH) + " bytes";
    return std::string();
}

bool ObtainPassword(const std::string& passwordFile, std::string* password, std::string* error)
{
    const char* source = nullptr;
    if (!passwordFile.empty())
    {
        if (!ReadPasswordFile(passwordFile, password, error))
            return false;
        source = "the password file";
    }
    else if (GetEnvironmentBytes(PASSWORD_VARIABLE, password))
    {
        source = PASSWORD_VARIABLE;
    }
    else
    {
        switch (PromptWithoutEcho("Password: ", password))
        {
        case PROMPT_OK:
            break;
        case PROMPT_NO_TERMINAL:
            *error = "no password: no terminal to ask on; use --password-file FILE or set OVX_PASSWORD";
            return false;
        case PROMPT_CANCELLED:
            WipeString(password);
            *error = "no password: the input ended before a line was entered";
            return false;
        }
        source = "the terminal";
    }

    *error = CheckPassword(*password, source);
    if (error->empty())
        return true;
    WipeString(password);
    return false;
}

void WipeString(std::string* text)
{
    SecureWipe(*text);
}
