// The benchmark: each figure is one of ours timed against a reference, round by round
// (bench/PairedRun.h), on thread CPU time, except the whole extraction of a file, which
// is timed by the wall clock as its user waits for it. One line per figure:
//
//   RESULT|<id>|<ours MB/s>|<reference MB/s>|<best-round ratio>|<median paired ratio>|<ours>|<reference>
//
// Natively the references are general libraries; the Windows build has none of them and
// pairs the fast paths with the product's own plain ones.
//
//   ovx_bench [--rounds=N] [--filter=TEXT]   (TEXT: a part of the ids to run)

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <functional>
#include <string>
#include <vector>

#include "bench/OurWorkloads.h"
#include "bench/PairedRun.h"
#include "engine/CDecodePool.h"
#ifndef _WIN32
#include "bench/ReferenceWorkloads.h"
#endif

namespace
{

constexpr size_t TINY = 256; // below a byte-plane group: the 8 lanes and one-block tail
constexpr size_t SMALL = 64 << 10;
constexpr size_t MEDIUM = 1 << 20;
constexpr size_t LARGE = 16 << 20;
constexpr double BATCH_SECONDS = 0.02;

struct Figure
{
    const char* id;
    std::function<Workload()> ours;
    std::function<Workload()> reference;
    int roundsDivisor = 1; // the 256 MiB extraction runs fewer rounds
    PairClock clock = PairClock::ThreadCpu;
};

// What every build measures: the engine's own figures.
std::vector<Figure> EngineFigures()
{
    return {
        {"extract-record", FileExtraction, RecordDecoding, 3, PairClock::Wall},
        {"threads-record", [] { return PooledRecordDecoding(CountProcessors()); },
         [] { return PooledRecordDecoding(1); }, 1, PairClock::Wall},
        {"threads-chunk", [] { return PooledChunkDecoding(CountProcessors()); }, [] { return PooledChunkDecoding(1); },
         1, PairClock::Wall},
    };
}

// The byte planes against the 8 lanes, where this processor has them; Decrypt's kernel,
// chosen when the cipher is keyed, against the same kernel named on every call.
std::vector<Figure> PathFigures()
{
    using P = BlowfishPath;
    std::vector<Figure> figures = {
        {"choice-256b-lanes", [] { return CbcDecryption(TINY); }, [] { return CbcDecryptionVia(P::LanesBitExtract, TINY); }},
    };
    if (IsBlowfishPathAvailable(P::BytePlanes))
    {
        figures.push_back({"planes-64k-lanes", [] { return CbcDecryptionVia(P::BytePlanes, SMALL); },
                           [] { return CbcDecryptionVia(P::LanesBitExtract, SMALL); }});
        figures.push_back({"planes-1m-lanes", [] { return CbcDecryptionVia(P::BytePlanes, MEDIUM); },
                           [] { return CbcDecryptionVia(P::LanesBitExtract, MEDIUM); }});
    }
    return figures;
}

std::vector<Figure> Figures()
{
    using P = BlowfishPath;
#ifndef _WIN32
    std::vector<Figure> figures = {
        {"cbc-64k-openssl", [] { return CbcDecryption(SMALL); }, [] { return OpenSslCbcDecryption(SMALL); }},
        {"cbc-1m-openssl", [] { return CbcDecryption(MEDIUM); }, [] { return OpenSslCbcDecryption(MEDIUM); }},
        {"cbc-16m-openssl", [] { return CbcDecryption(LARGE); }, [] { return OpenSslCbcDecryption(LARGE); }},
        {"cbc-64k-gcrypt", [] { return CbcDecryption(SMALL); }, [] { return GcryptCbcDecryption(SMALL); }},
        {"cbc-1m-gcrypt", [] { return CbcDecryption(MEDIUM); }, [] { return GcryptCbcDecryption(MEDIUM); }},
        {"cbc-16m-gcrypt", [] { return CbcDecryption(LARGE); }, [] { return GcryptCbcDecryption(LARGE); }},
        {"oneblock-64k-openssl", [] { return CbcDecryptionVia(P::OneBlock, SMALL); },
         [] { return OpenSslCbcDecryption(SMALL); }},
        {"lanes-64k-oneblock", [] { return CbcDecryptionVia(P::Lanes, SMALL); },
         [] { return CbcDecryptionVia(P::OneBlock, SMALL); }},
        {"crc-64k-libdeflate", [] { return Crc32Workload(SMALL); }, [] { return LibdeflateCrc32(SMALL); }},
        {"crc-16m-libdeflate", [] { return Crc32Workload(LARGE); }, [] { return LibdeflateCrc32(LARGE); }},
        {"crc-64k-zlib", [] { return Crc32Workload(SMALL); }, [] { return ZlibCrc32(SMALL); }},
        {"slices-64k-zlib", [] { return Crc32WorkloadVia(Crc32Path::Slices, SMALL); }, [] { return ZlibCrc32(SMALL); }},
        {"record-reference", RecordDecoding, ReferenceRecordDecoding},
        {"chunk-openssl", ChunkDecoding, OpenSslChunkImageDecryption},
    };
#else
    std::vector<Figure> figures = {
        {"cbc-64k-oneblock", [] { return CbcDecryption(SMALL); }, [] { return CbcDecryptionVia(P::OneBlock, SMALL); }},
        {"cbc-16m-oneblock", [] { return CbcDecryption(LARGE); }, [] { return CbcDecryptionVia(P::OneBlock, LARGE); }},
        {"lanes-64k-oneblock", [] { return CbcDecryptionVia(P::Lanes, SMALL); },
         [] { return CbcDecryptionVia(P::OneBlock, SMALL); }},
        {"crc-64k-slices", [] { return Crc32Workload(SMALL); },
         [] { return Crc32WorkloadVia(Crc32Path::Slices, SMALL); }},
        {"record-chunk", RecordDecoding, ChunkDecoding},
    };
#endif
    for (Figure& figure : PathFigures())
        figures.push_back(std::move(figure));
    for (Figure& figure : EngineFigures())
        figures.push_back(std::move(figure));
    return figures;
}

} // namespace

int main(int argc, char** argv)
{
    int rounds = 15;
    std::string filter;
    for (int i = 1; i < argc; ++i)
    {
        if (std::strncmp(argv[i], "--rounds=", 9) == 0)
            rounds = std::max(1, std::atoi(argv[i] + 9));
        else if (std::strncmp(argv[i], "--filter=", 9) == 0)
            filter = argv[i] + 9;
        else
        {
            std::fprintf(stderr, "usage: ovx_bench [--rounds=N] [--filter=TEXT]\n");
            return 2;
        }
    }
    int failures = 0;
    try
    {
        for (const Figure& figure : Figures())
        {
            if (!filter.empty() && std::string(figure.id).find(filter) == std::string::npos)
                continue;
            const Workload ours = figure.ours();
            const Workload reference = figure.reference();
            const PairOutcome outcome =
                RunPaired(ours, reference, std::max(3, rounds / figure.roundsDivisor), BATCH_SECONDS, figure.clock);
            if (outcome.failed)
            {
                std::fprintf(stderr, "%s: a workload failed\n", figure.id);
                ++failures;
                continue;
            }
            std::printf("RESULT|%s|%.1f|%.1f|%.3f|%.3f|%s|%s\n", figure.id, outcome.oursRate, outcome.referenceRate,
                        outcome.oursRate / outcome.referenceRate, outcome.medianRatio, ours.name.c_str(),
                        reference.name.c_str());
            std::fflush(stdout);
        }
    }
    catch (const std::exception& e)
    {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return failures == 0 ? 0 : 1;
}
