#include "cli/CConsoleDisplay.h"

#include <algorithm>
#include <chrono>
#include <cmath>

std::string EscapeControlCharacters(const std::string& text, bool bKeepOuterLineEnds)
{
    size_t first = 0, last = text.size();
    if (bKeepOuterLineEnds)
    {
        while (first < last && text[first] == '\n')
            ++first;
        while (last > first && text[last - 1] == '\n')
            --last;
    }
    std::string shown = text.substr(0, first);
    for (size_t i = first; i < last; ++i)
    {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c < 0x20 || c == 0x7F)
        {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
            shown += escaped;
        }
        else
        {
            shown += text[i];
        }
    }
    return shown + text.substr(last);
}

namespace
{
// Log texts as one line: line ends become blanks, with none at either end.
std::string OneLine(const std::string& texts)
{
    std::string line;
    for (char c : texts)
        if (c != '\n' || (!line.empty() && line.back() != ' '))
            line += c == '\n' ? ' ' : c;
    while (!line.empty() && line.back() == ' ')
        line.pop_back();
    return line;
}
} // namespace

std::string FormatProgressLine(UINT nFile, const JobProgress& progress, double seconds)
{
    const double bytesDone = static_cast<double>(progress.nBytesDone);
    std::string line;
    const double fraction = ProgressFraction(progress);
    if (fraction < 0.0)
        line = "file " + std::to_string(nFile) + ", " + FormatByteCount(bytesDone);
    else
    {
        // After the last file there is none in progress: the count stops at the total,
        // unless the tree grew while it was counted.
        const UINT nTotal = std::max(progress.nFilesTotal, progress.nFilesDone);
        line = "file " + std::to_string(std::min(nFile, nTotal)) + " of " + std::to_string(nTotal) + ", " +
                FormatByteCount(bytesDone) + " of " + FormatByteCount(static_cast<double>(progress.nBytesTotal)) +
                " (" + std::to_string(static_cast<int>(std::floor(fraction * 100.0))) + "%)";
    }
    if (seconds > 0.0)
        line += ", " + FormatByteCount(ProgressRate(progress, seconds)) + "/s";
    const double left = SecondsLeft(progress, seconds);
    if (left >= 0.0)
        line += ", about " + FormatDuration(left) + " left";
    return line;
}

CConsoleDisplay::CConsoleDisplay(FILE* pLog, FILE* pProgress, bool bTestReport)
    : m_pLog(pLog), m_pProgress(pProgress), m_bTestReport(bTestReport)
{
}

void CConsoleDisplay::ShowLogText(const char* text)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_bTestReport)
    {
        m_strFileTexts += EscapeControlCharacters(text, true); // for the file's one line
        return;
    }
    EraseProgressLocked();
    std::fputs(EscapeControlCharacters(text, true).c_str(), m_pLog);
    // Each text shows when it is reported, as in the window, also through a pipe.
    std::fflush(m_pLog);
}

void CConsoleDisplay::ShowFileResult(const FileResult& result)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    ++m_nResults;
    if (result.outcome == FILE_EXTRACTED)
        ++m_nExtracted;
    if (!m_bTestReport)
        return;

    EraseProgressLocked();
    const std::string source = EscapeControlCharacters(result.strSource, false);
    if (result.outcome == FILE_EXTRACTED)
        std::fprintf(m_pLog, "'%s': OK\n", source.c_str());
    else if (const std::string texts = OneLine(m_strFileTexts); !texts.empty())
        std::fprintf(m_pLog, "'%s': %s\n", source.c_str(), texts.c_str());
    else
        std::fprintf(m_pLog, "'%s': Failed. Reason : [%08X]\n", source.c_str(), static_cast<UINT>(result.hr));
    std::fflush(m_pLog);
    m_strFileTexts.clear();
}

void CConsoleDisplay::ShowRunning() {}

// The count shown is that of the extracted results, which the job's own count equals.
void CConsoleDisplay::ShowFinished(UINT)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        EraseProgressLocked();
        if (m_bTestReport)
            std::fprintf(m_pLog, "Tested - %u file(s) OK, %u failed\n", m_nExtracted, m_nResults - m_nExtracted);
        else // the job's last log text ends without a line end
            std::fprintf(m_pLog, "\nFinished - %u file(s) extracted\n", m_nExtracted);
        std::fflush(m_pLog);
        m_bFinished = true;
    }
    m_finished.notify_all();
}

bool CConsoleDisplay::WaitFinished(int milliseconds)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_finished.wait_for(lock, std::chrono::milliseconds(milliseconds), [this] { return m_bFinished; });
}

void CConsoleDisplay::DrawProgress(const JobProgress& progress, double seconds)
{
    if (m_pProgress == nullptr)
        return;
    std::unique_lock<std::mutex> lock(m_mutex, std::try_to_lock);
    if (!lock.owns_lock() || m_bFinished)
        return;
    // The file in progress follows those with a result.
    const std::string line = FormatProgressLine(m_nResults + 1, progress, seconds);
    // Blanks over whatever is left of a longer line drawn before.
    const size_t padding = m_nProgressWidth > line.size() ? m_nProgressWidth - line.size() : 0;
    std::fprintf(m_pProgress, "\r%s%*s", line.c_str(), static_cast<int>(padding), "");
    std::fflush(m_pProgress);
    m_nProgressWidth = line.size() + padding;
}

void CConsoleDisplay::ClearProgress()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    EraseProgressLocked();
}

void CConsoleDisplay::EraseProgressLocked()
{
    if (m_pProgress == nullptr || m_nProgressWidth == 0)
        return;
    std::fprintf(m_pProgress, "\r%*s\r", static_cast<int>(m_nProgressWidth), "");
    std::fflush(m_pProgress);
    m_nProgressWidth = 0;
}

bool CConsoleDisplay::AllFilesExtracted()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_bFinished && m_nResults == m_nExtracted;
}
