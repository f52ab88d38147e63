#include "platform/SystemCodePage.h"

#include <cstdlib>

bool GetEnvironmentBytes(const char* name, std::string* value)
{
    const char* text = std::getenv(name);
    if (text == nullptr)
        return false;
    *value = text;
    return true;
}
