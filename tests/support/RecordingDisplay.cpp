#include "tests/support/RecordingDisplay.h"

#include <cstdio>

void RecordingDisplay::ShowLogText(const char* text)
{
    std::string copy = text;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_events.push_back(copy);
        m_logTexts.push_back(copy);
    }
    if (onLogText)
        onLogText(copy);
}

void RecordingDisplay::ShowFileResult(const FileResult& result)
{
    std::string event = ResultEvent(result.outcome, result.hr, result.strSource, result.strDestination);
    std::lock_guard<std::mutex> lock(m_mutex);
    m_events.push_back(event);
    m_results.push_back(event);
}

void RecordingDisplay::ShowRunning()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_events.push_back(RUNNING);
}

void RecordingDisplay::ShowFinished(UINT nExtracted)
{
    if (onFinished)
        onFinished(nExtracted);
    std::lock_guard<std::mutex> lock(m_mutex);
    m_events.push_back(FinishedEvent(nExtracted));
    m_nFinished = nExtracted;
}

std::vector<std::string> RecordingDisplay::Events() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_events;
}

std::vector<std::string> RecordingDisplay::LogTexts() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_logTexts;
}

std::vector<std::string> RecordingDisplay::Results() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_results;
}

UINT RecordingDisplay::FinishedCount() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_nFinished;
}

std::string RecordingDisplay::FinishedEvent(UINT nExtracted)
{
    std::string event = "<finished ";
    event += std::to_string(nExtracted);
    event += '>';
    return event;
}

std::string RecordingDisplay::ResultEvent(FileOutcome outcome, HRESULT hr, const std::string& source,
                                          const std::string& destination)
{
    static const char* const words[] = {"extracted", "exists", "failed"};
    char code[9];
    std::snprintf(code, sizeof(code), "%08X", static_cast<UINT>(hr));
    return std::string("<") + words[outcome] + " " + code + " " + source + " -> " + destination + ">";
}
