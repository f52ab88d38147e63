#pragma once

// Test-only writer of encoded images in both layouts, with knobs for geometry, the
// uninterpreted bytes, and damage. Each record, chunk and chunk header is encrypted as
// an independent message: Blowfish-CBC under the password's bytes (1 to 56 of them,
// else std::invalid_argument), the chain restarting from the job's initial vector.

#include <cstddef>
#include <string>
#include <vector>

#include "base/Types.h"

// The job's fixed initial vector (left, right halves).
constexpr UINT32 OVX_JOB_IV_LEFT = 0x6D2B91C4;
constexpr UINT32 OVX_JOB_IV_RIGHT = 0x3E07A58F;

struct OvxDamage
{
    std::vector<size_t> flipOffsets; // bytes of the finished image XORed with 0x01
};

struct RecordFormatOptions
{
    UINT32 payloadUnit = 100; // U: payload bytes of every record but the last
    BYTE filler = 0;          // every byte the layout ignores: a record's first 3 and its fill

    // Record indexes (-1 for none) whose field is stored one too high, before encryption.
    long long wrongIndexRecord = -1;
    long long wrongUnitRecord = -1;
    long long wrongLengthRecord = -1;
    long long wrongCrcRecord = -1;
    OvxDamage damage = {};
};

struct ChunkFormatOptions
{
    UINT32 chunkSize = 100; // D: payload bytes of every chunk but the last
    BYTE filler = 0;        // every byte the layout ignores: the header's first 4 and the fill
};

std::vector<BYTE> EncodeRecordFormat(const std::vector<BYTE>& plaintext, const std::string& password,
                                     const RecordFormatOptions& options = {});
std::vector<BYTE> EncodeChunkFormat(const std::vector<BYTE>& plaintext, const std::string& password,
                                    const ChunkFormatOptions& options = {});

// Encrypts one message (a multiple of 8 bytes) with a fresh chain, for hand-built headers.
std::vector<BYTE> EncryptMessage(std::vector<BYTE> message, const std::string& password);

// CRC-32 bit at a time, straight from the polynomial: the definition the table-driven
// and folding code must match, and what the encoder's model checks are written against.
UINT32 BitwiseCrc32(const BYTE* bytes, size_t length);

// Deterministic pseudo-random bytes; different seeds give different texts.
std::vector<BYTE> MakePlaintext(size_t length, UINT32 seed = 1);

void StoreLittleEndian32(BYTE* bytes, UINT32 value);
void StoreLittleEndian64(BYTE* bytes, UINT64 value);
