#include "base/SecureWipe.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <string.h>
#endif

void SecureWipe(void* pMemory, size_t nBytes)
{
    if (pMemory == nullptr || nBytes == 0)
        return;
#ifdef _WIN32
    SecureZeroMemory(pMemory, nBytes);
#else
    explicit_bzero(pMemory, nBytes);
#endif
}

void SecureWipe(std::string& text)
{
    // Growing within the capacity moves nothing; it makes the whole buffer addressable.
    text.resize(text.capacity());
    SecureWipe(&text[0], text.size());
    text.clear();
}
