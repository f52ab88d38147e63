#pragma once

// Shared ground of the engine tests: a temporary folder with in\ and out\, a cipher a
// test can make fail, throw or act at a given call, and a recording display.

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/CExtractJob.h"
#include "tests/support/FaultCipher.h"
#include "tests/support/OvxEncoder.h"
#include "tests/support/RecordingDisplay.h"
#include "tests/support/TempFolder.h"

inline const std::string TEST_PASSWORD = "correct horse";

// The engine tests replace the allocation functions (AllocationFailure.cpp): the n-th
// allocation (from 1) of the calling thread from now on fails once, with std::bad_alloc
// (0: none fails). Returns how many allocations the thread made since the last call.
long FailNthAllocation(long n);

// The separator that the system's users type, spelled out: the engine joins levels with it.
#ifdef _WIN32
inline const std::string SEPARATOR = "\\";
#else
inline const std::string SEPARATOR = "/";
#endif
inline const std::string FINISHED_TEXT = "\n*** Finished ***";

inline std::string ProcessingText(const std::string& path) { return "Processing '" + path + "'...\n"; }
inline std::string FailedText(const char* verb, const std::string& path, const char* code)
{
    return std::string("Failed to ") + verb + " '" + path + "'. Reason : [" + code + "]\n";
}

// The threads each test job decodes with: 1 (the worker alone) unless the environment
// variable OVX_TEST_DECODE_THREADS says more, so that every engine case runs both ways.
inline UINT TestDecodeThreads()
{
    const char* value = std::getenv("OVX_TEST_DECODE_THREADS");
    const int threads = value != nullptr ? std::atoi(value) : 1;
    return threads > 1 ? static_cast<UINT>(threads) : 1;
}

inline JobSettings TestSettings(IDecryptor* pDecryptor, const std::string& source, const std::string& destination,
                                bool bSingleFile, bool bOverwrite = false, bool bVerifyOnly = false)
{
    JobSettings settings;
    settings.pDecryptor = pDecryptor;
    settings.strSource = source;
    settings.strDestination = destination;
    settings.bSingleFile = bSingleFile;
    settings.bOverwrite = bOverwrite;
    settings.bVerifyOnly = bVerifyOnly;
    settings.nDecodeThreads = TestDecodeThreads();
    return settings;
}

class EngineTest : public ::testing::Test
{
protected:
    std::string In(const std::string& relative = "") const { return m_temp.PathOf("in\\" + relative); }
    std::string Out(const std::string& relative = "") const { return m_temp.PathOf("out\\" + relative); }

    // A job decrypting with m_cipher (unhooked again) and reporting to a fresh m_display.
    std::unique_ptr<CExtractJob> MakeJob(const std::string& source, const std::string& destination, bool bSingleFile,
                                         bool bOverwrite = false, bool bVerifyOnly = false)
    {
        m_cipher.beforeDecrypt = nullptr;
        m_cipher.calls = 0;
        m_display = std::make_unique<RecordingDisplay>();
        return std::make_unique<CExtractJob>(TestSettings(&m_cipher, source, destination, bSingleFile, bOverwrite,
                                                          bVerifyOnly),
                                             m_display.get());
    }

    std::vector<std::string> Logs() const { return m_display->LogTexts(); }
    std::vector<std::string> Results() const { return m_display->Results(); }
    static std::string Result(FileOutcome outcome, HRESULT hr, const std::string& source,
                              const std::string& destination)
    {
        return RecordingDisplay::ResultEvent(outcome, hr, source, destination);
    }

    TempFolder m_temp;
    FaultCipher m_cipher{TEST_PASSWORD};
    std::unique_ptr<RecordingDisplay> m_display;
};
