#pragma once

// Reads a fuzzer's input from the front, a field at a time. An exhausted input reads
// as zeros, so every input, however short, describes something.

#include <cstddef>
#include <cstdint>
#include <vector>

class InputReader
{
public:
    InputReader(const uint8_t* data, size_t size) : m_pData(data), m_nSize(size) {}

    size_t Left() const { return m_nSize - m_nUsed; }

    uint8_t Byte() { return m_nUsed < m_nSize ? m_pData[m_nUsed++] : 0; }

    uint32_t Word()
    {
        uint32_t value = 0;
        for (int i = 0; i < 4; ++i)
            value |= static_cast<uint32_t>(Byte()) << (8 * i);
        return value;
    }

    uint16_t Half()
    {
        const uint8_t low = Byte();
        return static_cast<uint16_t>(low | Byte() << 8);
    }

    // A value in [low, high], taken from the next four bytes.
    uint64_t InRange(uint64_t low, uint64_t high) { return low + Word() % (high - low + 1); }

    // The next `count` bytes (fewer when the input ends) as a reader of their own.
    InputReader Take(size_t count)
    {
        const size_t taken = count < Left() ? count : Left();
        InputReader part(m_pData + m_nUsed, taken);
        m_nUsed += taken;
        return part;
    }

    std::vector<uint8_t> Rest()
    {
        std::vector<uint8_t> rest(m_pData + m_nUsed, m_pData + m_nSize);
        m_nUsed = m_nSize;
        return rest;
    }

private:
    const uint8_t* m_pData;
    size_t m_nSize;
    size_t m_nUsed = 0;
};
