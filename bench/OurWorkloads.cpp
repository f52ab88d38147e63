#include "bench/OurWorkloads.h"

#include <memory>
#include <vector>

#include "bench/BenchData.h"
#include "decode/CChunkDecoder.h"
#include "decode/CRecordDecoder.h"
#include "decode/Crc32.h"
#include "engine/CExtractJob.h"
#include "engine/CFileCopier.h"
#include "engine/CNullWriteStream.h"
#include "tests/support/MemoryStream.h"
#include "tests/support/OvxEncoder.h"
#include "tests/support/TempFolder.h"

namespace
{

constexpr size_t FILE_PLAIN = 256 << 20;

volatile UINT32 g_sink; // keeps a computed CRC alive

std::shared_ptr<std::vector<BYTE>> Buffer(size_t bytes)
{
    return std::make_shared<std::vector<BYTE>>(MakePlaintext(bytes + 1));
}

template <class Decoder> Workload ImageDecoding(const char* name, const std::vector<BYTE>& image)
{
    auto source = std::make_shared<MemoryStream>(image);
    auto piece = std::make_shared<std::vector<BYTE>>(BENCH_REQUEST);
    return {name, static_cast<double>(BENCH_IMAGE_PLAIN), [source, piece] {
                source->ClearCounts();
                Decoder decoder;
                if (decoder.Init(source.get(), &BenchCipher()) != RESULT_OK)
                    return false;
                UINT64 total = 0;
                UINT64 done = 0;
                HRESULT hr;
                do
                {
                    hr = decoder.Read(piece->data(), piece->size(), &done);
                    total += done;
                } while (hr == RESULT_OK);
                return hr == RESULT_END_OF_DATA && total == BENCH_IMAGE_PLAIN;
            }};
}

// A verifying job's copy of the image in memory, with its own pool as a job starts one.
template <class Decoder> Workload PooledDecoding(const char* name, const std::vector<BYTE>& image, unsigned threads)
{
    auto source = std::make_shared<MemoryStream>(image);
    return {name, static_cast<double>(BENCH_IMAGE_PLAIN), [source, threads] {
                Decoder decoder;
                if (decoder.Init(source.get(), &BenchCipher()) != RESULT_OK)
                    return false;
                std::unique_ptr<CDecodePool> pool;
                if (threads > 1 && CFileCopier::SuitsPool(decoder))
                    pool = std::make_unique<CDecodePool>(threads - 1);
                CNullWriteStream nowhere;
                CJobStatus status;
                CFileCopier copier(decoder, source.get(), &nowhere, false, status);
                return copier.Copy(pool.get()) == RESULT_OK && status.BytesDone() == BENCH_IMAGE_PLAIN;
            }};
}

} // namespace

Workload PooledRecordDecoding(unsigned threads)
{
    return PooledDecoding<CRecordDecoder>("ExtractFile (record, in memory)", RecordImage(), threads);
}

Workload PooledChunkDecoding(unsigned threads)
{
    return PooledDecoding<CChunkDecoder>("ExtractFile (chunk, in memory)", ChunkImage(), threads);
}

Workload CbcDecryption(size_t bytes)
{
    auto buffer = Buffer(bytes);
    return {"CBlowfish::DecryptInPlace", static_cast<double>(bytes), [buffer, bytes] {
                return BenchCipher().DecryptInPlace(buffer->data(), static_cast<UINT>(bytes)) == RESULT_OK;
            }};
}

Workload CbcDecryptionVia(BlowfishPath path, size_t bytes)
{
    auto buffer = Buffer(bytes);
    return {"Blowfish path", static_cast<double>(bytes), [buffer, bytes, path] {
                return BlowfishDecryptVia(path, BenchCipher(), buffer->data(), buffer->data(),
                                          static_cast<UINT>(bytes)) == RESULT_OK;
            }};
}

Workload Crc32Workload(size_t bytes)
{
    auto buffer = Buffer(bytes);
    return {"Crc32", static_cast<double>(bytes), [buffer, bytes] {
                g_sink = Crc32(0, buffer->data() + 1, static_cast<UINT32>(bytes));
                return true;
            }};
}

Workload Crc32WorkloadVia(Crc32Path path, size_t bytes)
{
    auto buffer = Buffer(bytes);
    return {"Crc32 path", static_cast<double>(bytes), [buffer, bytes, path] {
                UINT32 crc = 0;
                const bool bOk = Crc32Via(path, 0, buffer->data() + 1, static_cast<UINT32>(bytes), &crc) == RESULT_OK;
                g_sink = crc;
                return bOk;
            }};
}

Workload RecordDecoding()
{
    return ImageDecoding<CRecordDecoder>("CRecordDecoder", RecordImage());
}

Workload ChunkDecoding()
{
    return ImageDecoding<CChunkDecoder>("CChunkDecoder", ChunkImage());
}

Workload FileExtraction()
{
    auto folder = std::make_shared<TempFolder>();
    const std::string source = folder->PathOf("big.ovx");
    WriteRecordFile(source, FILE_PLAIN);
    return {"ExtractFile", static_cast<double>(FILE_PLAIN), [folder, source] {
                CNullDisplay display;
                JobSettings settings;
                settings.pDecryptor = &BenchCipher();
                settings.strSource = source;
                settings.strDestination = folder->Folder();
                CExtractJob job(settings, &display);
                return job.ExtractFile(source, job.Settings().strDestination) == RESULT_OK;
            }};
}
