#include "tests/support/RecordingDisplay.h"

void RecordingDisplay::ShowLogText(const char* text)
{
    std::string copy = text;
    Record({Kind::Log, copy, 0});
    if (onLogText)
        onLogText(copy);
}

void RecordingDisplay::ShowRunning()
{
    Record({Kind::Running, {}, 0});
}

void RecordingDisplay::ShowFinished(UINT nExtracted)
{
    // The hook runs before the event is published, so a waiting test sees the
    // finish only once the hook's checks are done.
    if (onFinished)
        onFinished(nExtracted);
    Record({Kind::Finished, {}, nExtracted});
}

void RecordingDisplay::Record(Event event)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    bool finished = event.kind == Kind::Finished;
    m_events.push_back(std::move(event));
    if (finished)
        m_finished.notify_all();
}

std::vector<RecordingDisplay::Event> RecordingDisplay::Events() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_events;
}

std::vector<std::string> RecordingDisplay::LogTexts() const
{
    std::vector<std::string> texts;
    for (const Event& event : Events())
        if (event.kind == Kind::Log)
            texts.push_back(event.text);
    return texts;
}

std::string RecordingDisplay::LogText() const
{
    std::string joined;
    for (const std::string& text : LogTexts())
        joined += text;
    return joined;
}

bool RecordingDisplay::IsFinished() const
{
    for (const Event& event : Events())
        if (event.kind == Kind::Finished)
            return true;
    return false;
}

UINT RecordingDisplay::FinishedCount() const
{
    UINT count = 0;
    for (const Event& event : Events())
        if (event.kind == Kind::Finished)
            count = event.count;
    return count;
}

bool RecordingDisplay::WaitFinished(std::chrono::milliseconds timeout) const
{
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_finished.wait_for(lock, timeout, [this] {
        for (const Event& event : m_events)
            if (event.kind == Kind::Finished)
                return true;
        return false;
    });
}
