#include <algorithm>
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

// The decoder that accepts the source: the record layout is tried first, the chunk
// layout only when the record decoder refuses. Null when both refuse, with their codes.
struct DecoderChoice
{
    CUnitDecoder* pDecoder;
    HRESULT hrRecord;
    HRESULT hrChunk;
};

DecoderChoice ChooseDecoder(CRecordDecoder& record, CChunkDecoder& chunk, IInputStream* pSource, IDecryptor* pDecryptor)
{
    const HRESULT hrRecord = record.Init(pSource, pDecryptor);
    if (hrRecord == RESULT_OK)
        return {&record, hrRecord, RESULT_OK};
    const HRESULT hrChunk = chunk.Init(pSource, pDecryptor);
    if (hrChunk == RESULT_OK)
        return {&chunk, hrRecord, hrChunk};
    return {nullptr, hrRecord, hrChunk};
}

} // namespace

HRESULT CExtractJob::ExtractFile(std::string source, std::string destinationFolder)
{
    if (m_bVerifyOnly == 0)
        AppendLog("Processing '%s'...\n", source.c_str());
    const std::string destination = m_bVerifyOnly != 0 ? std::string() : GetDestinationName(source, destinationFolder);

    const std::string* pUnopened = nullptr;
    HRESULT hr = DecodeFile(source, destination, pUnopened);
    if (pUnopened != nullptr)
        AppendLog("Failed to open '%s'. Reason : [%08X]\n", pUnopened->c_str(), static_cast<UINT>(hr));
    return ReportResult(source, destination, hr);
}

// ExtractFile's work after its first log line. A file that would not open is named in
// `pUnopened`, for the caller's one "Failed to open" line.
HRESULT CExtractJob::DecodeFile(const std::string& source, const std::string& destination,
                                const std::string*& pUnopened)
{
    auto openFailed = [&pUnopened](const std::string& path, HRESULT hr) {
        pUnopened = &path;
        return hr;
    };

    // Directory to Directory keeps existing files unless told to replace them;
    // File to File always replaces.
    if (!destination.empty() && m_bSingleFile == 0 && m_bOverwrite == 0 && m_bVerifyOnly == 0 &&
        GetPathKind(destination.c_str()) == PATH_FILE)
    {
        AppendLog("    '%s' already exists.\n", destination.c_str());
        return EXTRACT_E_EXISTS;
    }

    CFileStream input;
    HANDLE hSource = CreateFileA(source.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (hSource == INVALID_HANDLE_VALUE)
        return openFailed(source, FailureFromLastError());
    input.Attach(hSource);

    CTempFile output;
    if (m_bVerifyOnly == 0)
    {
        // A destination name that is a folder (a source without a dot, a file named
        // ".ovx") cannot be written, nor can the source itself (a source "x." decoded
        // into its own folder is "x" to the system): refuse them as creating them
        // would have been refused, before any decoding.
        const bool bFolder = GetPathKind(destination.c_str()) == PATH_FOLDER;
        if (bFolder || IsSamePath(source, destination))
            return openFailed(destination, ResultFromWin32(bFolder ? ERROR_ACCESS_DENIED : ERROR_SHARING_VIOLATION));

        const HRESULT hr = output.Create(destination);
        if (hr != RESULT_OK)
            return openFailed(destination, hr);
    }

    CRecordDecoder recordDecoder;
    CChunkDecoder chunkDecoder;
    IInputStream* pSource = SourceStream(&input);
    const DecoderChoice choice = ChooseDecoder(recordDecoder, chunkDecoder, pSource, m_pDecryptor);
    if (choice.pDecoder == nullptr)
    {
        AppendLog("Failed to initilize decoders. Reasons : [%08X]/[%08X]\n", static_cast<UINT>(choice.hrRecord),
                  static_cast<UINT>(choice.hrChunk));
        return choice.hrRecord;
    }

    // A failure once decoding began names the file; a stop stays silent.
    HANDLE hOutput = m_bVerifyOnly != 0 ? nullptr : output.Get();
    HRESULT hr = CanDecodeOnPool(*choice.pDecoder) ? CopyDecodedUnits(*choice.pDecoder, pSource, hOutput)
                                                   : CopyDecodedData(choice.pDecoder, hOutput);
    if (hr != RESULT_OK)
    {
        if (IsRunning())
            AppendLog("Failed to extract '%s'. Reason : [%08X]\n", source.c_str(), static_cast<UINT>(hr));
        return hr;
    }
    if (m_bVerifyOnly != 0)
        return RESULT_OK;

    hr = output.Commit(destination, m_bSingleFile != 0 || m_bOverwrite != 0);
    return hr != RESULT_OK ? openFailed(destination, hr) : RESULT_OK;
}

HRESULT CExtractJob::CopyDecodedData(IReadStream* pDecoder, HANDLE hOutput)
{
    std::unique_ptr<BYTE[]> buffer = AllocateCopyBuffer(COPY_BUFFER_SIZE);
    if (!buffer)
        return RESULT_OUT_OF_MEMORY;

    for (;;)
    {
        // A stop request is honoured before every read, the first one included.
        if (!IsRunning())
            return RESULT_FAIL;

        UINT64 got = 0;
        HRESULT hrRead = pDecoder->Read(buffer.get(), COPY_BUFFER_SIZE, &got);
        if (got > COPY_BUFFER_SIZE)
            return RESULT_INVALID_ARG;

        // The bytes delivered are written whatever the read returned: the last piece
        // comes with the end-of-data code.
        const HRESULT hrWrite = WriteDecoded(hOutput, buffer.get(), got);
        if (hrWrite != RESULT_OK)
            return hrWrite;

        if (hrRead != RESULT_OK)
            return hrRead == RESULT_END_OF_DATA ? RESULT_OK : hrRead;
    }
}

// Writes `size` bytes in pieces of the copy loop's size, honouring a stop before each.
HRESULT CExtractJob::WriteDecoded(HANDLE hOutput, const BYTE* data, UINT64 size)
{
    while (size != 0)
    {
        if (!IsRunning())
            return RESULT_FAIL;
        const DWORD piece = static_cast<DWORD>(std::min<UINT64>(size, COPY_BUFFER_SIZE));
        DWORD written = piece;
        if (hOutput != nullptr && !WriteOutput(hOutput, data, piece, &written))
            return FailureFromLastError();
        m_nBytesDone += written;
        if (written != piece)
            return RESULT_FAIL;
        data += piece;
        size -= piece;
    }
    return RESULT_OK;
}

std::unique_ptr<BYTE[]> CExtractJob::AllocateCopyBuffer(std::size_t size)
{
    return std::unique_ptr<BYTE[]>(new (std::nothrow) BYTE[size]);
}
