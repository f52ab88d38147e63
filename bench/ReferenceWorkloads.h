#pragma once

// The references, native only: the same work done by general libraries, on the same
// inputs as the product's figures. They are linked into the benchmark alone.

#include <cstddef>

#include "bench/PairedRun.h"

// Blowfish-CBC decryption of one buffer of `bytes` with the job's key and vector.
Workload OpenSslCbcDecryption(size_t bytes); // BF_cbc_encrypt
Workload GcryptCbcDecryption(size_t bytes);  // gcry_cipher_decrypt, GCRY_CIPHER_MODE_CBC
// CRC-32 of one buffer of `bytes`, one byte past an aligned address.
Workload ZlibCrc32(size_t bytes);
Workload LibdeflateCrc32(size_t bytes);
// A plain record decoder assembled from OpenSSL's Blowfish and zlib's crc32, over the
// benchmark's 64 MiB record image.
Workload ReferenceRecordDecoding();
// OpenSSL's CBC over the chunk image's bytes, chunk by chunk (what the chunk decoder does
// besides copying).
Workload OpenSslChunkImageDecryption();
