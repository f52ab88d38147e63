// End to end: ExtractFile of a 256 MiB record-format file whose pages are already cached,
// from file to file through the engine's own streams.

#include <benchmark/benchmark.h>

#include "bench/BenchData.h"
#include "engine/CExtractJob.h"
#include "tests/support/TempFolder.h"

namespace
{

constexpr size_t FILE_PLAIN = 256 << 20;

void BM_ExtractFile256MiB(benchmark::State& state)
{
    static TempFolder folder;
    static const std::string source = [] {
        const std::string path = folder.PathOf("big.ovx");
        WriteRecordFile(path, FILE_PLAIN);
        return path;
    }();

    CNullDisplay display;
    CExtractJob job(&BenchCipher(), source, folder.Folder(), 1, 1, &display);
    static const HRESULT warmUp = job.ExtractFile(source, job.m_strDestination); // fills the page cache
    if (warmUp != RESULT_OK)
    {
        state.SkipWithError("ExtractFile failed");
        return;
    }
    for (auto _ : state)
    {
        if (job.ExtractFile(source, job.m_strDestination) != RESULT_OK)
        {
            state.SkipWithError("ExtractFile failed");
            break;
        }
    }
    state.SetBytesProcessed(static_cast<INT64>(state.iterations() * FILE_PLAIN));
}
BENCHMARK(BM_ExtractFile256MiB);

} // namespace
