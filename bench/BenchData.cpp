#include "bench/BenchData.h"

#include <fstream>
#include <stdexcept>

#include "tests/support/OvxEncoder.h"
#include "tests/support/TempFolder.h"

CBlowfish& BenchCipher()
{
    static CBlowfish cipher;
    static const bool keyed = [] {
        const UINT32 iv[2] = {OVX_JOB_IV_LEFT, OVX_JOB_IV_RIGHT};
        const std::string password = BENCH_PASSWORD;
        cipher.SetKey(reinterpret_cast<const BYTE*>(password.data()), static_cast<UINT>(password.size()), iv);
        cipher.SetMode(CIPHER_MODE_CBC);
        return true;
    }();
    (void)keyed;
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

void WriteRecordFile(const std::string& path, size_t plainBytes)
{
    RecordFormatOptions options;
    options.payloadUnit = BENCH_UNIT;
    const std::vector<BYTE> image = EncodeRecordFormat(MakePlaintext(plainBytes), BENCH_PASSWORD, options);
    std::ofstream file(ToHostPath(path), std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
    if (!file)
        throw std::runtime_error("cannot write " + path);
}
