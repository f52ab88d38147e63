#pragma once

// The product's own work, as the benchmark times it. Every buffer is made once, when the
// workload is made.

#include <cstddef>

#include "bench/PairedRun.h"
#include "decode/BlowfishKernels.h"
#include "decode/Crc32Paths.h"

// CBlowfish::DecryptInPlace (CBC, the job's key) on one buffer of `bytes`.
Workload CbcDecryption(size_t bytes);
// The same through one chosen path.
Workload CbcDecryptionVia(BlowfishPath path, size_t bytes);
// Crc32, or one chosen path of it, over one buffer of `bytes` starting one byte past an
// aligned address, as a record's payload does.
Workload Crc32Workload(size_t bytes);
Workload Crc32WorkloadVia(Crc32Path path, size_t bytes);
// Init and then the whole plaintext in 64 KiB requests, from a 64 MiB image in memory.
Workload RecordDecoding();
Workload ChunkDecoding();
// ExtractFile checking (writing nothing) the 64 MiB image of a layout from memory, each
// unit decoded on `threads` threads (1: the worker alone).
Workload PooledRecordDecoding(unsigned threads);
Workload PooledChunkDecoding(unsigned threads);
// ExtractFile of a 256 MiB record-format file from the page cache to a file beside it.
Workload FileExtraction();
