#include "fuzz/LayoutModel.h"

#include <cstdint>
#include <cstring>

namespace
{
constexpr UINT MIN_BLOCK = 8;
constexpr UINT MAX_BLOCK = 64;
const BYTE RECORD_SIGNATURE[4] = {0xE3, 0x00, 0x00, 0x02};

UINT64 RoundUp(UINT64 value, UINT64 block)
{
    return (value + block - 1) / block * block;
}

UINT64 Le(const std::vector<BYTE>& bytes, UINT64 offset, int width)
{
    UINT64 value = 0;
    for (int i = 0; i < width; ++i)
        value |= static_cast<UINT64>(bytes[offset + i]) << (8 * i);
    return value;
}

std::vector<BYTE> Decrypted(const std::vector<BYTE>& image, UINT64 offset, UINT64 length, const MessageDecryptor& decrypt)
{
    std::vector<BYTE> message(image.begin() + static_cast<std::ptrdiff_t>(offset),
                              image.begin() + static_cast<std::ptrdiff_t>(offset + length));
    decrypt(message.data(), message.size());
    return message;
}

LayoutModel Refused(HRESULT code)
{
    LayoutModel model;
    model.init = code;
    return model;
}

// Record k as the format describes it: index, U, payload of `length` bytes, its length
// and CRC; the layout of the rest of the record is the caller's.
bool RecordChecksOut(const std::vector<BYTE>& record, UINT64 index, UINT32 unit, UINT64 length)
{
    return Le(record, 7, 4) == index && Le(record, 3, 4) == unit && Le(record, 11 + length, 4) == length &&
           Le(record, 15 + length, 4) == BitwiseCrc32(record.data() + 11, length);
}

// Every payload length below U whose record, trailer and fill, rounds up to exactly the
// stored length, shortest first; -1 when no trailer matches.
INT64 LastPayloadLength(const std::vector<BYTE>& record, UINT32 unit, UINT blockSize)
{
    const UINT64 stored = record.size();
    for (UINT fill = blockSize; fill-- > 0;)
    {
        if (stored < 19 + fill || stored - 19 - fill >= unit)
            continue;
        const UINT64 length = stored - 19 - fill;
        if (Le(record, 11 + length, 4) == length && Le(record, 15 + length, 4) == BitwiseCrc32(record.data() + 11, length))
            return static_cast<INT64>(length);
    }
    return -1;
}
} // namespace

LayoutModel ModelRecordLayout(const std::vector<BYTE>& image, UINT blockSize, const MessageDecryptor& decrypt)
{
    const UINT64 size = image.size();
    if (size < 4)
        return Refused(RESULT_END_OF_DATA);
    if (std::memcmp(image.data(), RECORD_SIGNATURE, 4) != 0)
        return Refused(DEC_E_SIGNATURE);
    if (blockSize < MIN_BLOCK || blockSize > MAX_BLOCK)
        return Refused(RESULT_INVALID_ARG);
    if ((size - 4) % blockSize != 0)
        return Refused(DEC_E_SIZE_ALIGNMENT);
    const UINT64 headerLength = RoundUp(11, blockSize);
    if (size - 4 < headerLength)
        return Refused(RESULT_END_OF_DATA);

    const std::vector<BYTE> header = Decrypted(image, 4, headerLength, decrypt);
    if (Le(header, 7, 4) != 0)
        return Refused(DEC_E_HEADER);
    const UINT32 unit = static_cast<UINT32>(Le(header, 3, 4));
    const UINT64 recordLength = RoundUp(static_cast<UINT64>(unit) + 19, blockSize);
    if (unit == 0 || recordLength > UINT32_MAX)
        return Refused(DEC_E_HEADER);

    // N full records and a last one of L bytes, shorter than R, or as long as R when
    // the records fill the file exactly (a last payload within the rounding below U).
    UINT64 fullRecords = (size - 4) / recordLength;
    UINT64 lastLength = (size - 4) % recordLength;
    const bool bLastAsLongAsFull = lastLength == 0 && fullRecords != 0;
    if (bLastAsLongAsFull)
    {
        --fullRecords;
        lastLength = recordLength;
    }
    if (lastLength == 0 || lastLength % blockSize != 0)
        return Refused(DEC_E_HEADER);

    const HRESULT lastRefusal = bLastAsLongAsFull ? DEC_E_HEADER : DEC_E_RECORD;
    const std::vector<BYTE> last = Decrypted(image, 4 + fullRecords * recordLength, lastLength, decrypt);
    if (Le(last, 3, 4) != unit)
        return Refused(lastRefusal);
    const INT64 lastPayload = LastPayloadLength(last, unit, blockSize);
    if (lastPayload < 0 || Le(last, 7, 4) != fullRecords)
        return Refused(lastRefusal);

    LayoutModel model;
    model.unit = unit;
    model.length = unit * fullRecords + static_cast<UINT64>(lastPayload);
    model.plain.resize(model.length);
    for (UINT64 k = 0; k <= fullRecords; ++k)
    {
        const UINT64 payload = k < fullRecords ? unit : static_cast<UINT64>(lastPayload);
        const std::vector<BYTE> record =
            Decrypted(image, 4 + k * recordLength, k < fullRecords ? recordLength : lastLength, decrypt);
        const bool bGood = RecordChecksOut(record, k, unit, payload);
        model.unitLoads.push_back(bGood ? RESULT_OK : DEC_E_RECORD);
        if (bGood && payload != 0)
            std::memcpy(model.plain.data() + k * unit, record.data() + 11, payload);
    }
    model.init = model.unitLoads[0];
    return model;
}

LayoutModel ModelChunkLayout(const std::vector<BYTE>& image, UINT blockSize, const MessageDecryptor& decrypt)
{
    const UINT64 size = image.size();
    if (blockSize < MIN_BLOCK || blockSize > MAX_BLOCK)
        return Refused(RESULT_INVALID_ARG);
    if (size % blockSize != 0)
        return Refused(DEC_E_SIZE_ALIGNMENT);
    const UINT64 headerLength = RoundUp(12, blockSize);
    if (size < headerLength)
        return Refused(RESULT_END_OF_DATA);

    const std::vector<BYTE> header = Decrypted(image, 0, headerLength, decrypt);
    const UINT32 unit = static_cast<UINT32>(Le(header, headerLength - 12, 4));
    const UINT64 length = Le(header, headerLength - 8, 8);
    if (unit == 0)
        return Refused(DEC_E_ZERO_CHUNK);

    // Q full chunks of F bytes, then the last with its T mod D bytes behind 1 to B bytes
    // of fill; the file must be exactly that long, below 4 GiB, with F within 32 bits.
    const UINT64 chunkLength = RoundUp(unit, blockSize);
    const UINT64 fullChunks = length / unit;
    const UINT64 lastPayload = length % unit;
    const UINT64 lastLength = RoundUp(lastPayload + (lastPayload % blockSize == 0 ? 1 : 0), blockSize);
    // The file is far below 4 GiB here, so a Q beyond its size only has to be caught
    // before the products are formed.
    if (chunkLength > UINT32_MAX || fullChunks > size ||
        headerLength + fullChunks * chunkLength + lastLength != size)
        return Refused(DEC_E_SIZE_MISMATCH);

    LayoutModel model;
    model.unit = unit;
    model.length = length;
    model.plain.resize(length);
    for (UINT64 k = 0; k <= fullChunks; ++k)
    {
        const UINT64 stored = k < fullChunks ? chunkLength : lastLength;
        const UINT64 payload = k < fullChunks ? unit : lastPayload;
        const std::vector<BYTE> chunk = Decrypted(image, headerLength + k * chunkLength, stored, decrypt);
        if (payload != 0)
            std::memcpy(model.plain.data() + k * unit, chunk.data() + (stored - payload), payload);
        model.unitLoads.push_back(RESULT_OK);
    }
    return model;
}
