// Peak memory of one extraction, in a process of its own so nothing else inflates it.
//
//   ovx_peak_memory make <folder> <name> <MiB> [chunk]
//       writes a record-format (or chunk-format) file <name>.ovx
//   ovx_peak_memory extract <folder> <name>      extracts it beside itself and prints
//       "peak_before_kib <n>" and "peak_after_kib <n>": the process's peak resident memory
//       before and after ExtractFile, decoding on one thread per processor as the
//       programs do.
//   ovx_peak_memory tree <folder> <files> <min bytes> <max bytes>
//       writes <files> record-format files with units of 4 KiB and sizes drawn evenly
//       from [min, max] (fixed seed), spread over 30 subfolders of <folder>
// <folder> is in the engine's form; files inside it are joined with "\".

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <random>
#include <string>

#include "bench/BenchData.h"
#include "engine/CExtractJob.h"
#include "engine/FolderPath.h"
#include "tests/support/OvxEncoder.h"
#include "tests/support/TempFolder.h"

#ifdef _WIN32
#include <psapi.h>
#else
#include <fstream>
#endif

namespace
{

UINT64 PeakResidentKib()
{
#ifdef _WIN32
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof(counters);
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters)))
        return 0;
    return counters.PeakWorkingSetSize / 1024;
#else
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::strtoull(line.c_str() + 6, nullptr, 10);
    return 0;
#endif
}

int Usage()
{
    std::fprintf(stderr, "usage: ovx_peak_memory make <folder> <name> <MiB> [chunk] | extract <folder> <name> | tree <folder> <files> <min bytes> <max bytes>\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 4)
        return Usage();
    const std::string command = argv[1];
    const std::string folder = argv[2];
    const std::string source = folder + "\\" + argv[3] + ".ovx";
    try
    {
        if (command == "tree" && argc == 6)
        {
            const unsigned long files = std::strtoul(argv[3], nullptr, 10);
            std::mt19937 random(21);
            std::uniform_int_distribution<size_t> size(std::strtoull(argv[4], nullptr, 10),
                                                       std::strtoull(argv[5], nullptr, 10));
            RecordFormatOptions options;
            options.payloadUnit = 4096;
            for (unsigned long i = 0; i < files; ++i)
            {
                const std::string sub = folder + "\\d" + std::to_string(i % 30);
                if (i < 30 && CreateFolderPath(sub) != RESULT_OK)
                    return 1;
                WriteFileBytes(sub + "\\f" + std::to_string(i) + ".ovx",
                               EncodeRecordFormat(MakePlaintext(size(random), static_cast<UINT32>(i)), BENCH_PASSWORD,
                                                  options));
            }
            return 0;
        }
        if (command == "make" && (argc == 5 || (argc == 6 && std::string(argv[5]) == "chunk")))
        {
            const size_t bytes = static_cast<size_t>(std::strtoull(argv[4], nullptr, 10)) << 20;
            if (argc == 6)
                WriteChunkFile(source, bytes);
            else
                WriteRecordFile(source, bytes);
            return 0;
        }
        if (command == "extract" && argc == 4)
        {
            const UINT64 before = PeakResidentKib();
            CNullDisplay display;
            JobSettings settings;
            settings.pDecryptor = &BenchCipher();
            settings.strSource = source;
            settings.strDestination = folder;
            settings.nDecodeThreads = CountProcessors();
            CExtractJob job(settings, &display);
            const HRESULT hr = job.ExtractFile(source, job.Settings().strDestination);
            const UINT64 after = PeakResidentKib();
            std::printf("result %08X\npeak_before_kib %s\npeak_after_kib %s\n", static_cast<UINT>(hr),
                        std::to_string(before).c_str(), std::to_string(after).c_str());
            return hr == RESULT_OK ? 0 : 1;
        }
    }
    catch (const std::exception& e)
    {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return Usage();
}
