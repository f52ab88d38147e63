#pragma once

// An IJobDisplay for tests: records what a job shows, in order and from any thread, and
// lets a test act as reports arrive (request a stop, look at the job inside the finish).

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "engine/IJobDisplay.h"

class RecordingDisplay : public IJobDisplay
{
public:
    void ShowLogText(const char* text) override;
    void ShowRunning() override;
    void ShowFinished(UINT nExtracted) override;

    // Called on the reporting thread, outside the lock; onFinished before the finish is recorded.
    std::function<void(const std::string& text)> onLogText;
    std::function<void(UINT nExtracted)> onFinished;

    // Everything shown, in order: log texts as they are, RUNNING, FinishedEvent(count).
    std::vector<std::string> Events() const;
    std::vector<std::string> LogTexts() const;
    UINT FinishedCount() const; // of the last ShowFinished; 0 without one

    static inline const std::string RUNNING = "<running>";
    static std::string FinishedEvent(UINT nExtracted);

private:
    mutable std::mutex m_mutex;
    std::vector<std::string> m_events;
    std::vector<std::string> m_logTexts;
    UINT m_nFinished = 0;
};
