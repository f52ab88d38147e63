#include "fuzz/LayoutPlan.h"

#include <algorithm>
#include <utility>

#include "decode/Crc32.h"
#include "decode/LittleEndian.h"
#include "fuzz/JobCipher.h"
#include "tests/support/OvxEncoder.h"

namespace
{
constexpr size_t BLOCK = 8;
// Few units of up to 16 KiB in all are enough for every path; a larger unit gets one
// full unit at most, so that U = 65536 stays reachable without slowing every run.
constexpr size_t MAX_FULL_UNITS = 8;
constexpr size_t FULL_UNITS_BYTES = 16 * 1024;
constexpr UINT32 UNIT_RANGES[4] = {8, 128, 1024, 70000};

size_t RoundUp(size_t value)
{
    return (value + BLOCK - 1) / BLOCK * BLOCK;
}

struct Message
{
    std::vector<BYTE> bytes;
    size_t payload = 0; // payload length (0 for the chunk header)
    bool bHeader = false;
};

Message Record(UINT32 unit, UINT32 index, const BYTE* payload, size_t length, BYTE filler)
{
    Message record{std::vector<BYTE>(RoundUp(length + 19), filler), length, false};
    BYTE* bytes = record.bytes.data();
    StoreLittleEndian32(bytes + 3, unit);
    StoreLittleEndian32(bytes + 7, index);
    std::copy(payload, payload + length, bytes + 11);
    StoreLittleEndian32(bytes + 11 + length, static_cast<UINT32>(length));
    StoreLittleEndian32(bytes + 15 + length, Crc32(0, payload, static_cast<UINT32>(length)));
    return record;
}

Message Chunk(const BYTE* payload, size_t length, bool bLast, BYTE filler)
{
    const size_t stored = bLast ? RoundUp(length % BLOCK == 0 ? length + 1 : length) : RoundUp(length);
    Message chunk{std::vector<BYTE>(stored, filler), length, false};
    std::copy(payload, payload + length, chunk.bytes.end() - static_cast<std::ptrdiff_t>(length));
    return chunk;
}

Message ChunkHeader(UINT32 chunkSize, UINT64 length, BYTE filler)
{
    Message header{std::vector<BYTE>(16, filler), 0, true};
    StoreLittleEndian32(header.bytes.data() + 4, chunkSize);
    StoreLittleEndian64(header.bytes.data() + 8, length);
    return header;
}

void AddToWord(BYTE* bytes, UINT32 value)
{
    StoreLittleEndian32(bytes, LoadLittleEndian32(bytes) + value);
}

// Where the bytes the layout ignores lie: a record's first 3 and its fill; a chunk's
// fill in front; the chunk header's first 4.
bool Ignored(const Message& message, bool bChunks, size_t offset)
{
    if (message.bHeader)
        return offset < 4;
    if (bChunks)
        return offset < message.bytes.size() - message.payload;
    return offset < 3 || offset >= 19 + message.payload;
}

class PlanEditor
{
public:
    PlanEditor(std::vector<Message>& messages, bool bChunks, BYTE filler)
        : m_messages(messages), m_bChunks(bChunks), m_filler(filler)
    {
    }

    // Returns the change in file length an EDIT_FILE_LENGTH asks for, else 0.
    long long Apply(BYTE kind, size_t slot, size_t offset, UINT32 value)
    {
        if (kind % EDIT_KINDS == EDIT_FILE_LENGTH)
            return static_cast<long long>((value / 2) % 24) * ((value & 1) != 0 ? 1 : -1);
        if (m_messages.empty())
            return 0;
        const size_t index = slot % m_messages.size();
        Message& message = m_messages[index];
        std::vector<BYTE>& bytes = message.bytes;
        switch (kind % EDIT_KINDS)
        {
        case EDIT_SET_WORD:
            if (bytes.size() >= 4)
                StoreLittleEndian32(&bytes[offset % (bytes.size() - 3)], value);
            break;
        case EDIT_ADD_TO_FIELD:
            AddToField(message, offset, value);
            break;
        case EDIT_FILL:
            for (size_t i = 0; i < bytes.size(); ++i)
                if (Ignored(message, m_bChunks, i))
                    bytes[i] = static_cast<BYTE>(value);
            break;
        case EDIT_DROP:
            m_messages.erase(m_messages.begin() + static_cast<std::ptrdiff_t>(index));
            break;
        case EDIT_REPEAT:
            m_messages.insert(m_messages.begin() + static_cast<std::ptrdiff_t>(index), Message(message));
            break;
        case EDIT_SWAP:
            if (index + 1 < m_messages.size())
                std::swap(m_messages[index], m_messages[index + 1]);
            break;
        case EDIT_RESIZE:
            if ((value & 1) != 0)
                bytes.insert(bytes.end(), BLOCK, static_cast<BYTE>(value >> 8));
            else if (bytes.size() > BLOCK)
                bytes.resize(bytes.size() - BLOCK);
            message.payload = std::min(message.payload, bytes.size());
            break;
        case EDIT_REBUILD:
            Rebuild(message, value);
            break;
        }
        return 0;
    }

private:
    void AddToField(Message& message, size_t offset, UINT32 value)
    {
        std::vector<BYTE>& bytes = message.bytes;
        if (message.bHeader)
        {
            if (bytes.size() < 16)
                return; // cut by an earlier edit
            if (offset % 2 == 0)
                AddToWord(&bytes[4], value);
            else
                StoreLittleEndian64(&bytes[8], LoadLittleEndian64(&bytes[8]) + static_cast<UINT64>(static_cast<INT64>(
                                                                                   static_cast<int32_t>(value))));
            return;
        }
        if (m_bChunks)
            return; // chunks hold nothing but payload and fill
        const size_t fields[4] = {3, 7, 11 + message.payload, 15 + message.payload};
        const size_t field = fields[offset % 4];
        if (field + 4 <= bytes.size())
            AddToWord(&bytes[field], value);
    }

    void Rebuild(Message& message, UINT32 value)
    {
        if (message.bHeader)
        {
            if (message.bytes.size() >= 16)
                StoreLittleEndian64(&message.bytes[8], value);
            return;
        }
        if (m_bChunks || message.bytes.size() < 11)
            return;
        const size_t length = value % (message.payload + 8);
        const std::vector<BYTE> payload = MakePlaintext(length, value);
        message = Record(LoadLittleEndian32(&message.bytes[3]), LoadLittleEndian32(&message.bytes[7]), payload.data(),
                         length, m_filler);
    }

    std::vector<Message>& m_messages;
    bool m_bChunks;
    BYTE m_filler;
};
} // namespace

LayoutPlan BuildLayoutPlan(InputReader& input)
{
    LayoutPlan plan;
    plan.bChunks = (input.Byte() & 1) != 0;
    const UINT32 unitRange = UNIT_RANGES[input.Byte() % 4];
    const UINT32 unit = 1 + input.Word() % unitRange;
    const size_t fullUnits =
        input.Word() % (std::min(MAX_FULL_UNITS, std::max<size_t>(1, FULL_UNITS_BYTES / unit)) + 1);
    const size_t tail = input.Word() % unit;
    const UINT32 seed = input.Word();
    const BYTE filler = static_cast<BYTE>(seed);
    plan.plaintext = MakePlaintext(fullUnits * unit + tail, seed);

    std::vector<Message> messages;
    const BYTE* text = plan.plaintext.data();
    if (plan.bChunks)
        messages.push_back(ChunkHeader(unit, plan.plaintext.size(), filler));
    for (size_t k = 0; k <= fullUnits; ++k)
    {
        const size_t length = k < fullUnits ? unit : tail;
        if (plan.bChunks)
            messages.push_back(Chunk(text + k * unit, length, k == fullUnits, filler));
        else
            messages.push_back(Record(unit, static_cast<UINT32>(k), text + k * unit, length, filler));
    }

    PlanEditor editor(messages, plan.bChunks, filler);
    const size_t edits = input.Byte() % 9;
    long long lengthChange = 0;
    for (size_t i = 0; i < edits; ++i)
    {
        const BYTE kind = input.Byte();
        const size_t slot = input.Half();
        const size_t offset = input.Half();
        lengthChange += editor.Apply(kind, slot, offset, input.Word());
    }
    plan.bEdited = edits != 0;

    if (!plan.bChunks)
        plan.image = {0xE3, 0x00, 0x00, 0x02};
    for (Message& message : messages)
    {
        EncryptJobMessage(message.bytes.data(), message.bytes.size());
        plan.image.insert(plan.image.end(), message.bytes.begin(), message.bytes.end());
    }
    if (lengthChange >= 0)
        plan.image.resize(plan.image.size() + static_cast<size_t>(lengthChange), filler);
    else
        plan.image.resize(plan.image.size() - std::min(plan.image.size(), static_cast<size_t>(-lengthChange)));
    return plan;
}
