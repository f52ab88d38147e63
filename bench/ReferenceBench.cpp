// References, native only: OpenSSL's Blowfish-CBC and zlib's CRC-32 on the same inputs as
// the product's figures, and a plain record decoder assembled from the two.

#include <benchmark/benchmark.h>

#include <openssl/blowfish.h>
#include <zlib.h>

#include <cstring>
#include <string>
#include <vector>

#include "bench/BenchData.h"
#include "tests/support/MemoryStream.h"
#include "tests/support/OvxEncoder.h"

namespace
{

constexpr size_t BUFFER_SIZE = 65536;

BF_KEY ReferenceKey()
{
    BF_KEY key;
    const std::string password = BENCH_PASSWORD;
    BF_set_key(&key, static_cast<int>(password.size()), reinterpret_cast<const unsigned char*>(password.data()));
    return key;
}

void JobIv(unsigned char iv[8])
{
    const UINT32 halves[2] = {OVX_JOB_IV_LEFT, OVX_JOB_IV_RIGHT};
    for (int i = 0; i < 8; ++i)
        iv[i] = static_cast<unsigned char>(halves[i / 4] >> (24 - 8 * (i % 4)));
}

UINT32 LoadLittleEndian32(const BYTE* bytes)
{
    return UINT32(bytes[0]) | (UINT32(bytes[1]) << 8) | (UINT32(bytes[2]) << 16) | (UINT32(bytes[3]) << 24);
}

void BM_OpenSslBlowfishCbcDecrypt(benchmark::State& state)
{
    std::vector<BYTE> buffer = MakePlaintext(BUFFER_SIZE);
    const BF_KEY key = ReferenceKey();
    for (auto _ : state)
    {
        unsigned char iv[8];
        JobIv(iv);
        BF_cbc_encrypt(buffer.data(), buffer.data(), BUFFER_SIZE, &key, iv, BF_DECRYPT);
        benchmark::DoNotOptimize(buffer.data());
    }
    state.SetBytesProcessed(static_cast<INT64>(state.iterations() * BUFFER_SIZE));
}
BENCHMARK(BM_OpenSslBlowfishCbcDecrypt);

void BM_ZlibCrc32(benchmark::State& state)
{
    const std::vector<BYTE> buffer = MakePlaintext(BUFFER_SIZE);
    for (auto _ : state)
        benchmark::DoNotOptimize(crc32(0, buffer.data(), BUFFER_SIZE));
    state.SetBytesProcessed(static_cast<INT64>(state.iterations() * BUFFER_SIZE));
}
BENCHMARK(BM_ZlibCrc32);

// Per full record: seek, read, decrypt with a fresh chain, check index, unit, length and
// CRC, copy the payload out. The empty last record carries no payload and is skipped.
void BM_ReferenceRecordDecoder(benchmark::State& state)
{
    const std::vector<BYTE>& image = RecordImage();
    MemoryStream source(image);
    const BF_KEY key = ReferenceKey();
    const UINT64 recordLength = (BENCH_UNIT + 19 + 7) / 8 * 8;
    const UINT64 fullRecords = (image.size() - 4) / recordLength;
    std::vector<BYTE> record(recordLength);
    std::vector<BYTE> piece(BENCH_REQUEST);
    for (auto _ : state)
    {
        source.ClearCounts();
        UINT64 total = 0;
        for (UINT64 k = 0; k < fullRecords; ++k)
        {
            source.Seek(static_cast<INT64>(4 + k * recordLength), SEEK_ORIGIN_BEGIN);
            if (source.Read(record.data(), recordLength, nullptr) != RESULT_OK)
            {
                state.SkipWithError("short read");
                return;
            }
            unsigned char iv[8];
            JobIv(iv);
            BF_cbc_encrypt(record.data(), record.data(), static_cast<long>(recordLength), &key, iv, BF_DECRYPT);
            const BYTE* payload = record.data() + 11;
            const bool good = LoadLittleEndian32(record.data() + 3) == BENCH_UNIT &&
                              LoadLittleEndian32(record.data() + 7) == k &&
                              LoadLittleEndian32(payload + BENCH_UNIT) == BENCH_UNIT &&
                              LoadLittleEndian32(payload + BENCH_UNIT + 4) == crc32(0, payload, BENCH_UNIT);
            if (!good)
            {
                state.SkipWithError("a record failed its checks");
                return;
            }
            std::memcpy(piece.data(), payload, BENCH_UNIT);
            benchmark::DoNotOptimize(piece.data());
            total += BENCH_UNIT;
        }
        if (total != BENCH_IMAGE_PLAIN)
        {
            state.SkipWithError("wrong decoded length");
            return;
        }
    }
    state.SetBytesProcessed(static_cast<INT64>(state.iterations() * BENCH_IMAGE_PLAIN));
}
BENCHMARK(BM_ReferenceRecordDecoder);

} // namespace
