// Both decoders over a 64 MiB image in memory: Init, then the whole plaintext in 64 KiB
// requests, as the extraction copy loop reads it.

#include <benchmark/benchmark.h>

#include <vector>

#include "bench/BenchData.h"
#include "decode/CChunkDecoder.h"
#include "decode/CRecordDecoder.h"
#include "tests/support/MemoryStream.h"

namespace
{

template <class Decoder>
void ReadWholeImage(benchmark::State& state, const std::vector<BYTE>& image)
{
    MemoryStream source(image);
    std::vector<BYTE> piece(BENCH_REQUEST);
    for (auto _ : state)
    {
        source.ClearCounts();
        Decoder decoder;
        if (decoder.Init(&source, &BenchCipher()) != RESULT_OK)
        {
            state.SkipWithError("the decoder refused the image");
            break;
        }
        UINT64 total = 0;
        UINT64 done = 0;
        HRESULT hr;
        do
        {
            hr = decoder.Read(piece.data(), piece.size(), &done);
            total += done;
            benchmark::DoNotOptimize(piece.data());
        } while (hr == RESULT_OK);
        if (hr != RESULT_END_OF_DATA || total != BENCH_IMAGE_PLAIN)
        {
            state.SkipWithError("the image did not decode to its full length");
            break;
        }
    }
    state.SetBytesProcessed(static_cast<INT64>(state.iterations() * BENCH_IMAGE_PLAIN));
}

void BM_RecordDecoderRead(benchmark::State& state) { ReadWholeImage<CRecordDecoder>(state, RecordImage()); }
BENCHMARK(BM_RecordDecoderRead);

void BM_ChunkDecoderRead(benchmark::State& state) { ReadWholeImage<CChunkDecoder>(state, ChunkImage()); }
BENCHMARK(BM_ChunkDecoderRead);

} // namespace
