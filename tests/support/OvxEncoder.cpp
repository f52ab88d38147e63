#include "tests/support/OvxEncoder.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "decode/CBlowfish.h"
#include "decode/Crc32.h"

namespace
{
constexpr size_t BLOCK = 8;

size_t RoundUp(size_t value)
{
    return (value + BLOCK - 1) / BLOCK * BLOCK;
}

class MessageEncryptor
{
public:
    explicit MessageEncryptor(const std::string& password)
    {
        const UINT32 iv[2] = {OVX_JOB_IV_LEFT, OVX_JOB_IV_RIGHT};
        if (m_cipher.SetKey(reinterpret_cast<const BYTE*>(password.data()), static_cast<UINT>(password.size()), iv) !=
            RESULT_OK)
            throw std::invalid_argument("password must be 1 to 56 bytes");
        m_cipher.SetMode(CIPHER_MODE_CBC);
    }

    void AppendEncrypted(std::vector<BYTE> message, std::vector<BYTE>& image)
    {
        if (m_cipher.EncryptInPlace(message.data(), static_cast<UINT>(message.size())) != RESULT_OK)
            throw std::invalid_argument("message length must be a positive multiple of 8");
        image.insert(image.end(), message.begin(), message.end());
    }

private:
    CBlowfish m_cipher;
};

// Payload length of unit k of `total` bytes cut into units of `unit`; the last is short, maybe empty.
size_t UnitLength(size_t k, size_t total, size_t unit)
{
    return k < total / unit ? unit : total % unit;
}
} // namespace

std::vector<BYTE> EncodeRecordFormat(const std::vector<BYTE>& plaintext, const std::string& password,
                                     const RecordFormatOptions& options)
{
    if (options.payloadUnit == 0)
        throw std::invalid_argument("payload unit must not be 0");
    MessageEncryptor encryptor(password);
    std::vector<BYTE> image = {0xE3, 0x00, 0x00, 0x02};
    const size_t unit = options.payloadUnit;
    for (size_t k = 0; k <= plaintext.size() / unit; ++k)
    {
        const auto plusOne = [k](long long damaged) { return static_cast<long long>(k) == damaged ? 1u : 0u; };
        const size_t length = UnitLength(k, plaintext.size(), unit);
        const BYTE* payload = plaintext.data() + k * unit;
        std::vector<BYTE> record(RoundUp(length + 19), options.filler);
        StoreLittleEndian32(&record[3], options.payloadUnit + plusOne(options.wrongUnitRecord));
        StoreLittleEndian32(&record[7], static_cast<UINT32>(k) + plusOne(options.wrongIndexRecord));
        std::copy(payload, payload + length, record.begin() + 11);
        StoreLittleEndian32(&record[11 + length], static_cast<UINT32>(length) + plusOne(options.wrongLengthRecord));
        StoreLittleEndian32(&record[15 + length],
                            Crc32(0, payload, static_cast<UINT32>(length)) + plusOne(options.wrongCrcRecord));
        encryptor.AppendEncrypted(std::move(record), image);
    }
    for (size_t offset : options.damage.flipOffsets)
        image.at(offset) ^= 0x01;
    return image;
}

std::vector<BYTE> EncodeChunkFormat(const std::vector<BYTE>& plaintext, const std::string& password,
                                    const ChunkFormatOptions& options)
{
    if (options.chunkSize == 0)
        throw std::invalid_argument("chunk size must not be 0");
    MessageEncryptor encryptor(password);
    std::vector<BYTE> header(16, options.filler);
    StoreLittleEndian32(&header[4], options.chunkSize);
    StoreLittleEndian64(&header[8], plaintext.size());
    std::vector<BYTE> image;
    encryptor.AppendEncrypted(std::move(header), image);

    const size_t unit = options.chunkSize;
    const size_t lastIndex = plaintext.size() / unit;
    for (size_t k = 0; k <= lastIndex; ++k)
    {
        const size_t length = UnitLength(k, plaintext.size(), unit);
        // The fill comes first; the last chunk always has some, a whole block when its payload fills blocks.
        const size_t stored = k < lastIndex ? RoundUp(length) : RoundUp(length % BLOCK == 0 ? length + 1 : length);
        std::vector<BYTE> chunk(stored, options.filler);
        const BYTE* payload = plaintext.data() + k * unit;
        std::copy(payload, payload + length, chunk.end() - static_cast<std::ptrdiff_t>(length));
        encryptor.AppendEncrypted(std::move(chunk), image);
    }
    return image;
}

std::vector<BYTE> EncryptMessage(std::vector<BYTE> message, const std::string& password)
{
    std::vector<BYTE> encrypted;
    MessageEncryptor(password).AppendEncrypted(std::move(message), encrypted);
    return encrypted;
}

std::vector<BYTE> MakePlaintext(size_t length, UINT32 seed)
{
    std::vector<BYTE> text(length);
    UINT32 state = (seed * 2654435761u) | 1; // xorshift must not start at 0
    for (BYTE& byte : text)
    {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        byte = static_cast<BYTE>(state >> 24);
    }
    return text;
}

void StoreLittleEndian32(BYTE* bytes, UINT32 value)
{
    for (int i = 0; i < 4; ++i)
        bytes[i] = static_cast<BYTE>(value >> (8 * i));
}

void StoreLittleEndian64(BYTE* bytes, UINT64 value)
{
    StoreLittleEndian32(bytes, static_cast<UINT32>(value));
    StoreLittleEndian32(bytes + 4, static_cast<UINT32>(value >> 32));
}

UINT32 BitwiseCrc32(const BYTE* bytes, size_t length)
{
    UINT32 crc = 0xFFFFFFFF;
    for (size_t i = 0; i < length; ++i)
    {
        crc ^= bytes[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ ((crc & 1) ? 0xEDB88320u : 0u);
    }
    return ~crc;
}
