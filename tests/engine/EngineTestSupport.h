#pragma once

// Shared ground of the engine tests: a temporary folder with in\ and out\, a cipher a
// test can make fail, throw or act at a given call, a job whose copy buffer can be
// refused, and a recording display.

#include <atomic>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "decode/CBlowfish.h"
#include "engine/CExtractJob.h"
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

// The job's cipher keyed as the program keys it; before every decryption `beforeDecrypt`
// sees the call number (from 1) and may act, throw, or return a failure code instead.
// Decryptions may come from several threads at once (a job's decoding pool).
class HookedCipher : public CBlowfish
{
public:
    HookedCipher()
    {
        const UINT32 iv[2] = {OVX_JOB_IV_LEFT, OVX_JOB_IV_RIGHT};
        EXPECT_EQ(SetKey(reinterpret_cast<const BYTE*>(TEST_PASSWORD.data()), static_cast<UINT>(TEST_PASSWORD.size()), iv),
                  RESULT_OK);
        EXPECT_EQ(SetMode(CIPHER_MODE_CBC), RESULT_OK);
    }

    std::function<HRESULT(int call)> beforeDecrypt;
    std::atomic<int> calls{0};

    HRESULT Decrypt(const void* input, void* output, UINT length) override
    {
        HRESULT hr = Before();
        return hr != RESULT_OK ? hr : CBlowfish::Decrypt(input, output, length);
    }
    HRESULT DecryptInPlace(void* buffer, UINT length) override
    {
        HRESULT hr = Before();
        return hr != RESULT_OK ? hr : CBlowfish::DecryptInPlace(buffer, length);
    }

private:
    HRESULT Before()
    {
        const int call = ++calls;
        return beforeDecrypt ? beforeDecrypt(call) : RESULT_OK;
    }
};

// A job whose copy buffer a test can refuse, whose source it can replace by a stream,
// and whose output writes it can make fail as on a full disk.
class TestJob : public CExtractJob
{
public:
    using CExtractJob::CExtractJob;
    bool bRefuseCopyBuffer = false;
    IInputStream* pSource = nullptr; // read instead of the source file when set
    UINT64 nDiskFullAt = ~0ull;      // the output offset from which writes fail

protected:
    std::unique_ptr<BYTE[]> AllocateCopyBuffer(std::size_t size) override
    {
        return bRefuseCopyBuffer ? nullptr : CExtractJob::AllocateCopyBuffer(size);
    }
    IInputStream* SourceStream(IInputStream* pFile) override { return pSource != nullptr ? pSource : pFile; }
    BOOL WriteOutput(HANDLE hOutput, const BYTE* data, DWORD size, DWORD* written) override
    {
        if (m_nWritten >= nDiskFullAt)
        {
            SetLastError(ERROR_DISK_FULL);
            return FALSE;
        }
        m_nWritten += size;
        return CExtractJob::WriteOutput(hOutput, data, size, written);
    }

private:
    UINT64 m_nWritten = 0;
};

class EngineTest : public ::testing::Test
{
protected:
    std::string In(const std::string& relative = "") const { return m_temp.PathOf("in\\" + relative); }
    std::string Out(const std::string& relative = "") const { return m_temp.PathOf("out\\" + relative); }

    // A job decrypting with m_cipher (unhooked again) and reporting to a fresh m_display.
    std::unique_ptr<TestJob> MakeJob(const std::string& source, const std::string& destination, BYTE bSingleFile,
                                     BYTE bOverwrite = 0)
    {
        m_cipher.beforeDecrypt = nullptr;
        m_cipher.calls = 0;
        m_display = std::make_unique<RecordingDisplay>();
        auto job = std::make_unique<TestJob>(&m_cipher, source, destination, bSingleFile, bOverwrite, m_display.get());
        job->m_nDecodeThreads = TestDecodeThreads();
        return job;
    }

    std::vector<std::string> Logs() const { return m_display->LogTexts(); }
    std::vector<std::string> Results() const { return m_display->Results(); }
    static std::string Result(FileOutcome outcome, HRESULT hr, const std::string& source,
                              const std::string& destination)
    {
        return RecordingDisplay::ResultEvent(outcome, hr, source, destination);
    }

    TempFolder m_temp;
    HookedCipher m_cipher;
    std::unique_ptr<RecordingDisplay> m_display;
};
