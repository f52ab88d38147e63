#include "app/PasswordBytes.h"

#include "platform/SystemCodePage.h"

std::string GetPasswordBytes(HWND hWndEdit)
{
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(hWndEdit)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(hWndEdit, text.data(), static_cast<int>(text.size()))));
    std::string bytes = WideToSystemAnsi(text);
    for (wchar_t& c : text)
        *static_cast<volatile wchar_t*>(&c) = 0;
    return bytes;
}
