#pragma once

// Inputs shared by the benchmarks, built once per process: a keyed cipher as an
// extraction job has it, and 64 MiB of plaintext encoded in both layouts with
// 64 KiB units, read back in 64 KiB requests like the extraction copy loop does.

#include <cstddef>
#include <string>
#include <vector>

#include "decode/CBlowfish.h"
#include "engine/IJobDisplay.h"

constexpr char BENCH_PASSWORD[] = "benchmark";
constexpr UINT32 BENCH_UNIT = 65536;          // U of the record images, D of the chunk image
constexpr size_t BENCH_REQUEST = 65536;       // bytes per Read, as the extraction copy loop
constexpr size_t BENCH_IMAGE_PLAIN = 64 << 20; // decoded length of the in-memory images

// Keyed with BENCH_PASSWORD and the job's initial vector, in CBC mode.
CBlowfish& BenchCipher();

const std::vector<BYTE>& RecordImage();
const std::vector<BYTE>& ChunkImage();

// Write a file of `plainBytes` decoded bytes in one layout to `path` (engine form).
void WriteRecordFile(const std::string& path, size_t plainBytes);
void WriteChunkFile(const std::string& path, size_t plainBytes);

// A job display that shows nothing.
class CNullDisplay : public IJobDisplay
{
public:
    void ShowLogText(const char*) override {}
    void ShowFileResult(const FileResult&) override {}
    void ShowRunning() override {}
    void ShowFinished(UINT) override {}
};
