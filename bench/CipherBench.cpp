// The cipher and the checksum on one 64 KiB buffer, the size of the extraction's pieces.

#include <benchmark/benchmark.h>

#include <vector>

#include "bench/BenchData.h"
#include "decode/BlowfishReference.h"
#include "decode/Crc32.h"
#include "tests/support/OvxEncoder.h"

namespace
{

constexpr size_t BUFFER_SIZE = 65536;

void BM_BlowfishCbcDecryptInPlace(benchmark::State& state)
{
    std::vector<BYTE> buffer = MakePlaintext(BUFFER_SIZE);
    CBlowfish& cipher = BenchCipher();
    for (auto _ : state)
    {
        cipher.DecryptInPlace(buffer.data(), BUFFER_SIZE);
        benchmark::DoNotOptimize(buffer.data());
    }
    state.SetBytesProcessed(static_cast<INT64>(state.iterations() * BUFFER_SIZE));
}
BENCHMARK(BM_BlowfishCbcDecryptInPlace);

void BM_BlowfishCbcDecryptOneBlockPath(benchmark::State& state)
{
    std::vector<BYTE> buffer = MakePlaintext(BUFFER_SIZE);
    CBlowfish& cipher = BenchCipher();
    for (auto _ : state)
    {
        BlowfishDecryptReference(cipher, buffer.data(), buffer.data(), BUFFER_SIZE);
        benchmark::DoNotOptimize(buffer.data());
    }
    state.SetBytesProcessed(static_cast<INT64>(state.iterations() * BUFFER_SIZE));
}
BENCHMARK(BM_BlowfishCbcDecryptOneBlockPath);

void BM_Crc32(benchmark::State& state)
{
    const std::vector<BYTE> buffer = MakePlaintext(BUFFER_SIZE);
    for (auto _ : state)
        benchmark::DoNotOptimize(Crc32(0, buffer.data(), BUFFER_SIZE));
    state.SetBytesProcessed(static_cast<INT64>(state.iterations() * BUFFER_SIZE));
}
BENCHMARK(BM_Crc32);

} // namespace
