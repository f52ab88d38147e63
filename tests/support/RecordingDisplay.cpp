#include "tests/support/RecordingDisplay.h"

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
