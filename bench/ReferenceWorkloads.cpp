#include "bench/ReferenceWorkloads.h"

#include <gcrypt.h>
#include <libdeflate.h>
#include <openssl/blowfish.h>
#include <zlib.h>

#include <cstring>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "bench/BenchData.h"
#include "decode/LittleEndian.h"
#include "tests/support/MemoryStream.h"
#include "tests/support/OvxEncoder.h"

namespace
{

volatile UINT32 g_sink;

std::shared_ptr<BF_KEY> OpenSslKey()
{
    auto key = std::make_shared<BF_KEY>();
    const std::string password = BENCH_PASSWORD;
    BF_set_key(key.get(), static_cast<int>(password.size()), reinterpret_cast<const unsigned char*>(password.data()));
    return key;
}

void JobIv(unsigned char iv[8])
{
    const UINT32 halves[2] = {OVX_JOB_IV_LEFT, OVX_JOB_IV_RIGHT};
    for (int i = 0; i < 8; ++i)
        iv[i] = static_cast<unsigned char>(halves[i / 4] >> (24 - 8 * (i % 4)));
}

void OpenSslDecrypt(const BF_KEY& key, BYTE* data, size_t bytes)
{
    unsigned char iv[8];
    JobIv(iv);
    BF_cbc_encrypt(data, data, static_cast<long>(bytes), &key, iv, BF_DECRYPT);
}

} // namespace

Workload OpenSslCbcDecryption(size_t bytes)
{
    auto buffer = std::make_shared<std::vector<BYTE>>(MakePlaintext(bytes));
    auto key = OpenSslKey();
    return {"OpenSSL BF_cbc_encrypt", static_cast<double>(bytes), [buffer, key, bytes] {
                OpenSslDecrypt(*key, buffer->data(), bytes);
                return true;
            }};
}

Workload GcryptCbcDecryption(size_t bytes)
{
    if (!gcry_control(GCRYCTL_INITIALIZATION_FINISHED_P))
    {
        gcry_check_version(nullptr);
        gcry_control(GCRYCTL_INITIALIZATION_FINISHED, 0);
    }
    gcry_cipher_hd_t raw = nullptr;
    const std::string password = BENCH_PASSWORD;
    if (gcry_cipher_open(&raw, GCRY_CIPHER_BLOWFISH, GCRY_CIPHER_MODE_CBC, 0) != 0 ||
        gcry_cipher_setkey(raw, password.data(), password.size()) != 0)
        return {"libgcrypt Blowfish-CBC", static_cast<double>(bytes), [] { return false; }};
    auto handle = std::shared_ptr<std::remove_pointer_t<gcry_cipher_hd_t>>(raw, gcry_cipher_close);
    auto buffer = std::make_shared<std::vector<BYTE>>(MakePlaintext(bytes));
    return {"libgcrypt Blowfish-CBC", static_cast<double>(bytes), [buffer, handle, bytes] {
                unsigned char iv[8];
                JobIv(iv);
                return gcry_cipher_setiv(handle.get(), iv, sizeof(iv)) == 0 &&
                       gcry_cipher_decrypt(handle.get(), buffer->data(), bytes, nullptr, 0) == 0;
            }};
}

Workload ZlibCrc32(size_t bytes)
{
    auto buffer = std::make_shared<std::vector<BYTE>>(MakePlaintext(bytes + 1));
    return {"zlib crc32", static_cast<double>(bytes), [buffer, bytes] {
                g_sink = static_cast<UINT32>(crc32(0, buffer->data() + 1, static_cast<uInt>(bytes)));
                return true;
            }};
}

Workload LibdeflateCrc32(size_t bytes)
{
    auto buffer = std::make_shared<std::vector<BYTE>>(MakePlaintext(bytes + 1));
    return {"libdeflate_crc32", static_cast<double>(bytes), [buffer, bytes] {
                g_sink = libdeflate_crc32(0, buffer->data() + 1, bytes);
                return true;
            }};
}

// Per full record: seek, read, decrypt with a fresh chain, check index, unit, length and
// CRC, copy the payload out. The empty last record carries no payload and is skipped.
Workload ReferenceRecordDecoding()
{
    auto source = std::make_shared<MemoryStream>(RecordImage());
    auto key = OpenSslKey();
    const UINT64 recordLength = (BENCH_UNIT + 19 + 7) / 8 * 8;
    const UINT64 fullRecords = (source->Data().size() - 4) / recordLength;
    auto record = std::make_shared<std::vector<BYTE>>(recordLength);
    auto piece = std::make_shared<std::vector<BYTE>>(BENCH_REQUEST);
    return {"OpenSSL + zlib record decoder", static_cast<double>(BENCH_IMAGE_PLAIN),
            [source, key, record, piece, recordLength, fullRecords] {
        source->ClearCounts();
        UINT64 total = 0;
        for (UINT64 k = 0; k < fullRecords; ++k)
        {
            source->Seek(static_cast<INT64>(4 + k * recordLength), SEEK_ORIGIN_BEGIN);
            if (source->Read(record->data(), recordLength, nullptr) != RESULT_OK)
                return false;
            OpenSslDecrypt(*key, record->data(), recordLength);
            const BYTE* payload = record->data() + 11;
            const bool good = LoadLittleEndian32(record->data() + 3) == BENCH_UNIT &&
                              LoadLittleEndian32(record->data() + 7) == k &&
                              LoadLittleEndian32(payload + BENCH_UNIT) == BENCH_UNIT &&
                              LoadLittleEndian32(payload + BENCH_UNIT + 4) == crc32(0, payload, BENCH_UNIT);
            if (!good)
                return false;
            std::memcpy(piece->data(), payload, BENCH_UNIT);
            total += BENCH_UNIT;
        }
        return total == BENCH_IMAGE_PLAIN;
            }};
}

Workload OpenSslChunkImageDecryption()
{
    auto image = std::make_shared<std::vector<BYTE>>(ChunkImage());
    auto key = OpenSslKey();
    return {"OpenSSL CBC over the chunk image", static_cast<double>(BENCH_IMAGE_PLAIN), [image, key] {
                for (size_t offset = 0; offset + BENCH_UNIT <= image->size(); offset += BENCH_UNIT)
                    OpenSslDecrypt(*key, image->data() + offset, BENCH_UNIT);
                return true;
            }};
}
