#include "tests/support/OvxEncoder.h"

#include <algorithm>
#include <cstddef>
#include <stdexcept>

#include "decode/CBlowfish.h"
#include "decode/Crc32.h"

namespace
{
const BYTE RECORD_SIGNATURE[4] = {0xE3, 0x00, 0x00, 0x02};
constexpr size_t BLOCK = 8;

size_t RoundUp(size_t value)
{
    return (value + BLOCK - 1) / BLOCK * BLOCK;
}

class MessageEncryptor
{
public:
    MessageEncryptor(const std::string& password, const std::array<UINT32, 2>& iv)
    {
        if (m_cipher.SetKey(reinterpret_cast<const BYTE*>(password.data()), static_cast<UINT>(password.size()),
                            iv.data()) != RESULT_OK)
            throw std::invalid_argument("password must be 1 to 56 bytes");
        m_cipher.SetMode(CIPHER_MODE_CBC);
    }

    void Encrypt(std::vector<BYTE>& message)
    {
        m_cipher.Reset();
        if (m_cipher.EncryptInPlace(message.data(), static_cast<UINT>(message.size())) != RESULT_OK)
            throw std::invalid_argument("message length must be a positive multiple of 8");
    }

private:
    CBlowfish m_cipher;
};

void ApplyDamage(std::vector<BYTE>& image, const OvxDamage& damage)
{
    for (size_t offset : damage.flipOffsets)
        image.at(offset) ^= 0x01;
    image.resize(damage.truncateBy < image.size() ? image.size() - damage.truncateBy : 0);
    image.insert(image.end(), damage.append.begin(), damage.append.end());
}

void Append(std::vector<BYTE>& image, const std::vector<BYTE>& message)
{
    image.insert(image.end(), message.begin(), message.end());
}
} // namespace

std::vector<BYTE> EncodeRecordFormat(const std::vector<BYTE>& plaintext, const std::string& password,
                                     const RecordFormatOptions& options)
{
    if (options.payloadUnit == 0)
        throw std::invalid_argument("payload unit must not be 0");
    MessageEncryptor encryptor(password, options.iv);
    std::vector<BYTE> image(RECORD_SIGNATURE, RECORD_SIGNATURE + 4);

    const size_t unit = options.payloadUnit;
    const size_t lastIndex = plaintext.size() / unit;
    for (size_t k = 0; k <= lastIndex; ++k)
    {
        const size_t length = k < lastIndex ? unit : plaintext.size() % unit;
        std::vector<BYTE> record(RoundUp(length + 19), options.fill);
        std::copy(options.lead.begin(), options.lead.end(), record.begin());
        const UINT32 storedUnit = k == lastIndex && options.lastRecordUnit ? *options.lastRecordUnit : options.payloadUnit;
        StoreLittleEndian32(&record[3], storedUnit);
        StoreLittleEndian32(&record[7], static_cast<UINT32>(k) + (static_cast<long long>(k) == options.wrongIndexRecord));
        const BYTE* payload = plaintext.data() + k * unit;
        std::copy(payload, payload + length, record.begin() + 11);
        StoreLittleEndian32(&record[11 + length],
                            static_cast<UINT32>(length) + (static_cast<long long>(k) == options.wrongLengthRecord));
        StoreLittleEndian32(&record[15 + length], Crc32(0, payload, static_cast<UINT32>(length)) +
                                                      (static_cast<long long>(k) == options.wrongCrcRecord));
        encryptor.Encrypt(record);
        Append(image, record);
    }
    ApplyDamage(image, options.damage);
    return image;
}

std::vector<BYTE> EncodeChunkFormat(const std::vector<BYTE>& plaintext, const std::string& password,
                                    const ChunkFormatOptions& options)
{
    if (options.chunkSize == 0)
        throw std::invalid_argument("chunk size must not be 0");
    MessageEncryptor encryptor(password, options.iv);

    std::vector<BYTE> header(16, 0);
    std::copy(options.headerLead.begin(), options.headerLead.end(), header.begin());
    StoreLittleEndian32(&header[4], options.declaredChunkSize.value_or(options.chunkSize));
    StoreLittleEndian64(&header[8], options.declaredLength.value_or(plaintext.size()));
    encryptor.Encrypt(header);
    std::vector<BYTE> image = header;

    const size_t unit = options.chunkSize;
    const size_t lastIndex = plaintext.size() / unit;
    for (size_t k = 0; k <= lastIndex; ++k)
    {
        const size_t length = k < lastIndex ? unit : plaintext.size() % unit;
        // The last chunk always carries fill: a whole block when its payload fills blocks exactly.
        const size_t stored = k < lastIndex ? RoundUp(length) : RoundUp(length % BLOCK == 0 ? length + 1 : length);
        std::vector<BYTE> chunk(stored, options.fill);
        const BYTE* payload = plaintext.data() + k * unit;
        std::copy(payload, payload + length, chunk.end() - static_cast<std::ptrdiff_t>(length));
        encryptor.Encrypt(chunk);
        Append(image, chunk);
    }
    ApplyDamage(image, options.damage);
    return image;
}

std::vector<BYTE> EncryptMessage(std::vector<BYTE> message, const std::string& password,
                                 const std::array<UINT32, 2>& iv)
{
    MessageEncryptor encryptor(password, iv);
    encryptor.Encrypt(message);
    return message;
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
