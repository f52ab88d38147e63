#include "bench/BenchData.h"

#include <algorithm>
#include <fstream>
#include <stdexcept>

#include "decode/Crc32.h"
#include "engine/JobCipher.h"
#include "tests/support/OvxEncoder.h"
#include "tests/support/TempFolder.h"

CBlowfish& BenchCipher()
{
    static CBlowfish cipher;
    static const HRESULT hrKey = KeyJobCipher(cipher, BENCH_PASSWORD);
    (void)hrKey;
    return cipher;
}

const std::vector<BYTE>& RecordImage()
{
    static const std::vector<BYTE> image = [] {
        RecordFormatOptions options;
        options.payloadUnit = BENCH_UNIT;
        return EncodeRecordFormat(MakePlaintext(BENCH_IMAGE_PLAIN), BENCH_PASSWORD, options);
    }();
    return image;
}

const std::vector<BYTE>& ChunkImage()
{
    static const std::vector<BYTE> image = [] {
        ChunkFormatOptions options;
        options.chunkSize = BENCH_UNIT;
        return EncodeChunkFormat(MakePlaintext(BENCH_IMAGE_PLAIN), BENCH_PASSWORD, options);
    }();
    return image;
}

// Record by record, so that files far larger than the address space of a 32-bit process
// can be written: each record is its own CBC message, as the encoder makes them.
void WriteRecordFile(const std::string& path, size_t plainBytes)
{
    std::ofstream file(ToHostPath(path), std::ios::binary | std::ios::trunc);
    const BYTE signature[4] = {0xE3, 0x00, 0x00, 0x02};
    file.write(reinterpret_cast<const char*>(signature), sizeof(signature));

    const std::vector<BYTE> payload = MakePlaintext(BENCH_UNIT);
    const size_t fullRecords = plainBytes / BENCH_UNIT;
    std::vector<BYTE> record;
    for (size_t k = 0; k <= fullRecords; ++k)
    {
        const UINT32 length = k < fullRecords ? BENCH_UNIT : static_cast<UINT32>(plainBytes % BENCH_UNIT);
        record.assign((length + 19 + 7) / 8 * 8, 0);
        StoreLittleEndian32(&record[3], BENCH_UNIT);
        StoreLittleEndian32(&record[7], static_cast<UINT32>(k));
        std::copy(payload.begin(), payload.begin() + length, record.begin() + 11);
        StoreLittleEndian32(&record[11 + length], length);
        StoreLittleEndian32(&record[15 + length], Crc32(0, &record[11], length));
        BenchCipher().EncryptInPlace(record.data(), static_cast<UINT>(record.size()));
        file.write(reinterpret_cast<const char*>(record.data()), static_cast<std::streamsize>(record.size()));
    }
    if (!file)
        throw std::runtime_error("cannot write " + path);
}

// Chunk by chunk, for the same reason: the header (D, T) and each chunk are messages of
// their own; a chunk's fill comes first, the last chunk has 1 to 8 bytes of it.
void WriteChunkFile(const std::string& path, size_t plainBytes)
{
    std::ofstream file(ToHostPath(path), std::ios::binary | std::ios::trunc);
    std::vector<BYTE> header(16, 0);
    StoreLittleEndian32(&header[4], BENCH_UNIT);
    StoreLittleEndian64(&header[8], plainBytes);
    BenchCipher().EncryptInPlace(header.data(), static_cast<UINT>(header.size()));
    file.write(reinterpret_cast<const char*>(header.data()), static_cast<std::streamsize>(header.size()));

    const std::vector<BYTE> payload = MakePlaintext(BENCH_UNIT);
    const size_t fullChunks = plainBytes / BENCH_UNIT;
    std::vector<BYTE> chunk;
    for (size_t k = 0; k <= fullChunks; ++k)
    {
        const size_t length = k < fullChunks ? BENCH_UNIT : plainBytes % BENCH_UNIT;
        const size_t fill = k < fullChunks ? (8 - length % 8) % 8 : 8 - length % 8;
        chunk.assign(fill + length, 0);
        std::copy(payload.begin(), payload.begin() + static_cast<std::ptrdiff_t>(length),
                  chunk.begin() + static_cast<std::ptrdiff_t>(fill));
        BenchCipher().EncryptInPlace(chunk.data(), static_cast<UINT>(chunk.size()));
        file.write(reinterpret_cast<const char*>(chunk.data()), static_cast<std::streamsize>(chunk.size()));
    }
    if (!file)
        throw std::runtime_error("cannot write " + path);
}
