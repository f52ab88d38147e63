#pragma once

// An IJobDisplay for tests: records every log text and state change in order, from
// any thread, and lets a test react to reports as they happen (for instance request
// a stop when a given file starts, or look at the job inside ShowFinished).

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "engine/IJobDisplay.h"

class RecordingDisplay : public IJobDisplay
{
public:
    enum class Kind
    {
        Log,
        Running,
        Finished
    };

    struct Event
    {
        Kind kind;
        std::string text; // Log only
        UINT count;       // Finished only
    };

    void ShowLogText(const char* text) override;
    void ShowRunning() override;
    void ShowFinished(UINT nExtracted) override;

    // Called on the reporting thread, after the event was recorded and outside the lock.
    std::function<void(const std::string& text)> onLogText;
    std::function<void(UINT nExtracted)> onFinished;

    std::vector<Event> Events() const;
    std::vector<std::string> LogTexts() const; // the log texts alone, in order
    std::string LogText() const;               // the log texts joined
    bool IsFinished() const;
    UINT FinishedCount() const; // the count of the last ShowFinished

    // Waits until ShowFinished has been called; false on timeout.
    bool WaitFinished(std::chrono::milliseconds timeout) const;

private:
    void Record(Event event);

    mutable std::mutex m_mutex;
    mutable std::condition_variable m_finished;
    std::vector<Event> m_events;
};
