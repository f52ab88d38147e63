#include <new>

#include "decode/CChunkDecoder.h"
#include "decode/CRecordDecoder.h"
#include "engine/CExtractJob.h"
#include "engine/CFileStream.h"
#include "engine/CTempFile.h"
#include "engine/FolderPath.h"
#include "engine/LastError.h"

namespace
{

bool IsExistingFile(const std::string& path)
{
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool IsExistingFolder(const std::string& path)
{
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

} // namespace

HRESULT CExtractJob::ExtractFile(std::string source, std::string destinationFolder)
{
    AppendLog("Processing '%s'...\n", source.c_str());
    const std::string destination = GetDestinationName(source, destinationFolder);

    // Directory to Directory keeps existing files unless told to replace them;
    // File to File always replaces.
    if (!destination.empty() && m_bSingleFile == 0 && m_bOverwrite == 0 && IsExistingFile(destination))
    {
        AppendLog("    '%s' already exists.\n", destination.c_str());
        return EXTRACT_E_EXISTS;
    }

    CFileStream input;
    HANDLE hSource = CreateFileA(source.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (hSource == INVALID_HANDLE_VALUE)
    {
        HRESULT hr = FailureFromLastError();
        AppendLog("Failed to open '%s'. Reason : [%08X]\n", source.c_str(), static_cast<UINT>(hr));
        return hr;
    }
    input.Attach(hSource);

    // A destination name that is a folder (a source without a dot, a file named
    // ".ovx") cannot be written, nor can the source itself (a source "x." decoded into
    // its own folder is "x" to the system): refuse them as creating them would have
    // been refused, before any decoding.
    const bool bFolder = IsExistingFolder(destination);
    if (bFolder || IsSamePath(source, destination))
    {
        HRESULT hr = ResultFromWin32(bFolder ? ERROR_ACCESS_DENIED : ERROR_SHARING_VIOLATION);
        AppendLog("Failed to open '%s'. Reason : [%08X]\n", destination.c_str(), static_cast<UINT>(hr));
        return hr;
    }

    CTempFile output;
    HRESULT hr = output.Create(destination);
    if (hr != RESULT_OK)
    {
        AppendLog("Failed to open '%s'. Reason : [%08X]\n", destination.c_str(), static_cast<UINT>(hr));
        return hr;
    }

    // The record layout is tried first; the chunk layout only when it is refused.
    CRecordDecoder recordDecoder;
    CChunkDecoder chunkDecoder;
    IReadStream* pDecoder = &recordDecoder;
    HRESULT hrRecord = recordDecoder.Init(&input, m_pDecryptor);
    if (hrRecord != RESULT_OK)
    {
        HRESULT hrChunk = chunkDecoder.Init(&input, m_pDecryptor);
        if (hrChunk != RESULT_OK)
        {
            AppendLog("Failed to initilize decoders. Reasons : [%08X]/[%08X]\n", static_cast<UINT>(hrRecord),
                      static_cast<UINT>(hrChunk));
            return hrRecord;
        }
        pDecoder = &chunkDecoder;
    }

    // Copy-loop failures are not logged: they show in the count.
    hr = CopyDecodedData(pDecoder, output.Get());
    if (hr != RESULT_OK)
        return hr;

    hr = output.Commit(destination, m_bSingleFile != 0 || m_bOverwrite != 0);
    if (hr != RESULT_OK)
    {
        AppendLog("Failed to open '%s'. Reason : [%08X]\n", destination.c_str(), static_cast<UINT>(hr));
        return hr;
    }
    ++m_nExtracted;
    return RESULT_OK;
}

HRESULT CExtractJob::CopyDecodedData(IReadStream* pDecoder, HANDLE hOutput)
{
    std::unique_ptr<BYTE[]> buffer = AllocateCopyBuffer(COPY_BUFFER_SIZE);
    if (!buffer)
        return RESULT_OUT_OF_MEMORY;

    for (;;)
    {
        // A stop request is honoured before every read, the first one included.
        if (m_nState != JOB_RUNNING)
            return RESULT_FAIL;

        UINT64 got = 0;
        HRESULT hrRead = pDecoder->Read(buffer.get(), COPY_BUFFER_SIZE, &got);
        if (got > COPY_BUFFER_SIZE)
            return RESULT_INVALID_ARG;

        // The bytes delivered are written whatever the read returned: the last piece
        // comes with the end-of-data code.
        DWORD written = 0;
        if (!WriteFile(hOutput, buffer.get(), static_cast<DWORD>(got), &written, nullptr))
            return FailureFromLastError();
        m_nBytesDone += written;
        if (written != got)
            return RESULT_FAIL;

        if (hrRead != RESULT_OK)
            return hrRead == RESULT_END_OF_DATA ? RESULT_OK : hrRead;
    }
}

std::unique_ptr<BYTE[]> CExtractJob::AllocateCopyBuffer(std::size_t size)
{
    return std::unique_ptr<BYTE[]>(new (std::nothrow) BYTE[size]);
}
