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
    void ShowFileResult(const FileResult& result) override;
    void ShowRunning() override;
    void ShowFinished(UINT nExtracted) override;

    // Called on the reporting thread, outside the lock; onFinished before the finish is recorded.
    std::function<void(const std::string& text)> onLogText;
    std::function<void(UINT nExtracted)> onFinished;

    // Everything shown, in order: log texts as they are, ResultEvent(...), RUNNING,
    // FinishedEvent(count).
    std::vector<std::string> Events() const;
    std::vector<std::string> LogTexts() const;
    std::vector<std::string> Results() const; // the ResultEvents alone
    UINT FinishedCount() const;               // of the last ShowFinished; 0 without one

    static inline const std::string RUNNING = "<running>";
    static std::string FinishedEvent(UINT nExtracted);
    // "<failed 80070002 source -> destination>"; "extracted" and "exists" for the others.
    static std::string ResultEvent(FileOutcome outcome, HRESULT hr, const std::string& source,
                                   const std::string& destination);

private:
    mutable std::mutex m_mutex;
    std::vector<std::string> m_events;
    std::vector<std::string> m_logTexts;
    std::vector<std::string> m_results;
    UINT m_nFinished = 0;
};
