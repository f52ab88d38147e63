#pragma once

// Shared ground of the engine tests: the job's cipher keyed as the program keys it, a
// decryptor that lets a test fail, throw or act at a given call, and a fixture with a
// temporary folder and a recording display.

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

// CBlowfish keyed with a password and the job's fixed initial vector, in CBC mode.
class KeyedCipher
{
public:
    explicit KeyedCipher(const std::string& password = TEST_PASSWORD)
    {
        const UINT32 iv[2] = {OVX_JOB_IV_LEFT, OVX_JOB_IV_RIGHT};
        EXPECT_EQ(m_cipher.SetKey(reinterpret_cast<const BYTE*>(password.data()), static_cast<UINT>(password.size()), iv),
                  RESULT_OK);
        EXPECT_EQ(static_cast<IBlockCipher&>(static_cast<IDecryptor&>(m_cipher)).SetMode(CIPHER_MODE_CBC), RESULT_OK);
    }

    IDecryptor* Get() { return &m_cipher; }

private:
    CBlowfish m_cipher;
};

// Forwards to another decryptor; before every decryption `beforeDecrypt` sees the call
// number (from 1) and may act, throw, or return a failure code instead.
class HookedDecryptor : public IDecryptor
{
public:
    explicit HookedDecryptor(IDecryptor* pInner) : m_pInner(pInner) {}

    std::function<HRESULT(int call)> beforeDecrypt;
    int calls = 0;

    UINT GetBlockSize() override { return m_pInner->GetBlockSize(); }
    HRESULT GetMode(int* mode) override { return m_pInner->GetMode(mode); }
    HRESULT SetMode(int mode) override { return m_pInner->SetMode(mode); }
    HRESULT Reset() override { return m_pInner->Reset(); }

    HRESULT Decrypt(const void* input, void* output, UINT length) override
    {
        HRESULT hr = Before();
        return hr != RESULT_OK ? hr : m_pInner->Decrypt(input, output, length);
    }

    HRESULT DecryptInPlace(void* buffer, UINT length) override
    {
        HRESULT hr = Before();
        return hr != RESULT_OK ? hr : m_pInner->DecryptInPlace(buffer, length);
    }

private:
    HRESULT Before()
    {
        ++calls;
        return beforeDecrypt ? beforeDecrypt(calls) : RESULT_OK;
    }

    IDecryptor* m_pInner;
};

class EngineTest : public ::testing::Test
{
protected:
    std::string In(const std::string& relative = "") const { return m_temp.PathOf("in\\" + relative); }
    std::string Out(const std::string& relative = "") const { return m_temp.PathOf("out\\" + relative); }

    // A job over in\ and out\ (or the given paths) with the recording display.
    std::unique_ptr<CExtractJob> MakeJob(const std::string& source, const std::string& destination, BYTE bSingleFile,
                                         BYTE bOverwrite = 0, IDecryptor* pDecryptor = nullptr)
    {
        return std::make_unique<CExtractJob>(pDecryptor != nullptr ? pDecryptor : m_cipher.Get(), source, destination,
                                             bSingleFile, bOverwrite, &m_display);
    }

    std::vector<std::string> Logs() const { return m_display.LogTexts(); }

    TempFolder m_temp;
    KeyedCipher m_cipher;
    RecordingDisplay m_display;
};

// "Processing '<path>'...\n" and the other log texts, built the way the engine words them.
inline std::string ProcessingText(const std::string& path) { return "Processing '" + path + "'...\n"; }
inline std::string ExistsText(const std::string& path) { return "    '" + path + "' already exists.\n"; }
inline std::string OpenFailedText(const std::string& path, const char* code)
{
    return "Failed to open '" + path + "'. Reason : [" + code + "]\n";
}
inline std::string CreateFailedText(const std::string& path, const char* code)
{
    return "Failed to create '" + path + "'. Reason : [" + code + "]\n";
}
inline const std::string FINISHED_TEXT = "\n*** Finished ***";
