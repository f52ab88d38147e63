#pragma once

// Wiping secrets (passwords, key schedules) with writes the compiler may not drop as
// dead stores, so that they do not linger in freed memory.

#include <cstddef>
#include <string>

void SecureWipe(void* pMemory, size_t nBytes);

// Wipes the string's whole buffer (its capacity, where longer text may have stood) and
// leaves it empty.
void SecureWipe(std::string& text);

// Wipes a string when the scope ends, on every way out of it (exceptions included).
class CWipeOnExit
{
public:
    explicit CWipeOnExit(std::string& text) : m_text(text) {}
    ~CWipeOnExit() { SecureWipe(m_text); }

    CWipeOnExit(const CWipeOnExit&) = delete;
    CWipeOnExit& operator=(const CWipeOnExit&) = delete;

private:
    std::string& m_text;
};
