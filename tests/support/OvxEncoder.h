#pragma once

// Test-only writer of encoded images in both layouts, with knobs for geometry, the
// uninterpreted bytes, and damage. Each record, chunk and chunk header is encrypted
// as an independent message: Blowfish-CBC under the password's bytes, the chain
// restarting from the initial vector. The product never encrypts; only tests do.
//
//   std::vector<BYTE> image = EncodeRecordFormat(MakePlaintext(250), "secret");
//   RecordFormatOptions options; options.payloadUnit = 64; options.damage.flipOffsets = {40};
//   std::vector<BYTE> damaged = EncodeRecordFormat(plain, "secret", options);
//
// Passwords must be 1 to 56 bytes; anything else throws std::invalid_argument.

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "decode/Types.h"

// The job's fixed initial vector (left, right halves).
constexpr UINT32 OVX_JOB_IV_LEFT = 0x6D2B91C4;
constexpr UINT32 OVX_JOB_IV_RIGHT = 0x3E07A58F;

// Damage applied to the finished image, in this order: flips, truncation, appending.
struct OvxDamage
{
    std::vector<size_t> flipOffsets; // stored bytes XORed with 0x01
    size_t truncateBy = 0;           // bytes dropped from the end
    std::vector<BYTE> append;        // bytes added at the end
};

struct RecordFormatOptions
{
    UINT32 payloadUnit = 100; // U: payload bytes of every record but the last
    std::array<UINT32, 2> iv = {OVX_JOB_IV_LEFT, OVX_JOB_IV_RIGHT};
    std::array<BYTE, 3> lead = {0, 0, 0}; // the uninterpreted first 3 bytes of every record
    BYTE fill = 0;                        // value of the fill bytes after every trailer

    // Damage inside records, before encryption (record indexes; -1 for none).
    long long wrongIndexRecord = -1;      // stores index k + 1
    long long wrongCrcRecord = -1;        // stores CRC + 1
    long long wrongLengthRecord = -1;     // stores payload length + 1
    std::optional<UINT32> lastRecordUnit; // U stored in the last record
    OvxDamage damage;
};

struct ChunkFormatOptions
{
    UINT32 chunkSize = 100; // D: payload bytes of every chunk but the last
    std::array<UINT32, 2> iv = {OVX_JOB_IV_LEFT, OVX_JOB_IV_RIGHT};
    std::array<BYTE, 4> headerLead = {0, 0, 0, 0}; // the uninterpreted first header bytes
    BYTE fill = 0;                                  // value of the fill bytes in front of payloads

    // Header fields written instead of the true ones; the chunks still follow the truth.
    std::optional<UINT32> declaredChunkSize;
    std::optional<UINT64> declaredLength;
    OvxDamage damage;
};

std::vector<BYTE> EncodeRecordFormat(const std::vector<BYTE>& plaintext, const std::string& password,
                                     const RecordFormatOptions& options = {});
std::vector<BYTE> EncodeChunkFormat(const std::vector<BYTE>& plaintext, const std::string& password,
                                    const ChunkFormatOptions& options = {});

// Encrypts one message (a multiple of 8 bytes) with a fresh chain, for tests that
// build headers or records by hand.
std::vector<BYTE> EncryptMessage(std::vector<BYTE> message, const std::string& password,
                                 const std::array<UINT32, 2>& iv = {OVX_JOB_IV_LEFT, OVX_JOB_IV_RIGHT});

// Deterministic pseudo-random bytes; different seeds give different texts.
std::vector<BYTE> MakePlaintext(size_t length, UINT32 seed = 1);

// Little-endian stores, for hand-built messages.
void StoreLittleEndian32(BYTE* bytes, UINT32 value);
void StoreLittleEndian64(BYTE* bytes, UINT64 value);
