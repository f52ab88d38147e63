#include "cli/Terminal.h"

#include "platform/Console.h"

namespace
{

// Longest line kept; the rest of a longer line is read and dropped, and the line is
// marked too long by keeping one byte more than any usable password.
constexpr size_t MAX_PROMPT_LINE = 1024;

} // namespace

PromptResult PromptWithoutEcho(const char* prompt, std::string* line)
{
    line->clear();
    CNoEchoConsole console;
    if (!console.IsOpen())
        return PROMPT_NO_TERMINAL;
    console.Write(prompt);
    if (!console.ReadLine(line, MAX_PROMPT_LINE))
        return PROMPT_CANCELLED;
    if (!line->empty() && line->back() == '\r')
        line->pop_back();
    return PROMPT_OK;
}
