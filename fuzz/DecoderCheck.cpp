#include "fuzz/DecoderCheck.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace
{
constexpr int MAX_STEPS = 64;
constexpr UINT32 MAX_READ = 70000; // a little over the extraction's 64 KiB pieces

[[noreturn]] void Disagree(const char* what, int line)
{
    std::fprintf(stderr, "DecoderCheck.cpp:%d: decoder and model disagree: %s\n", line, what);
    std::abort();
}

#define EXPECT_AGREE(condition) ((condition) ? void(0) : Disagree(#condition, __LINE__))

struct Expected
{
    HRESULT hr;
    UINT64 done;
};

class ModelledWalk
{
public:
    ModelledWalk(CUnitDecoder& decoder, IInputStream& source, IDecryptor& cipher, const LayoutModel& model)
        : m_decoder(decoder), m_source(source), m_cipher(cipher), m_model(model)
    {
    }

    void Init(bool bWithoutSource)
    {
        const HRESULT hr = m_decoder.Init(bWithoutSource ? nullptr : &m_source, &m_cipher);
        EXPECT_AGREE(hr == (bWithoutSource ? RESULT_INVALID_ARG : m_model.init));
        m_bReady = hr == RESULT_OK;
        m_nPosition = 0;
        Query(false);
    }

    bool Ready() const { return m_bReady; }

    // Every unit decoded from its stored bytes alone, as the engine's decoding pool does:
    // the model's bytes, or the code loading the unit through Read gives.
    void DecodeUnitsAlone()
    {
        const UINT64 units = !m_bReady ? 0 : m_model.length / m_model.unit + (m_model.length % m_model.unit != 0);
        EXPECT_AGREE(m_decoder.GetUnitCount() == units);
        std::vector<BYTE> stored;
        for (UINT64 k = 0; k < units; ++k)
        {
            const CUnitDecoder::UnitExtent unit = m_decoder.GetUnitExtent(k);
            EXPECT_AGREE(unit.payloadOffset + unit.payloadLength <= unit.storedLength);
            EXPECT_AGREE(unit.payloadLength == std::min(m_model.unit, m_model.length - k * m_model.unit));
            stored.resize(static_cast<size_t>(unit.storedLength));
            if (m_source.Seek(static_cast<INT64>(unit.sourceOffset), SEEK_ORIGIN_BEGIN) != RESULT_OK ||
                ReadExact(&m_source, stored.data(), unit.storedLength) != RESULT_OK)
            {
                EXPECT_AGREE(m_model.unitLoads[k] != RESULT_OK);
                continue;
            }
            const HRESULT hr = m_decoder.DecodeUnit(k, stored.data());
            EXPECT_AGREE(hr == m_model.unitLoads[k]);
            if (hr == RESULT_OK)
                EXPECT_AGREE(std::memcmp(stored.data() + unit.payloadOffset, m_model.plain.data() + k * m_model.unit,
                                         unit.payloadLength) == 0);
        }
    }

    void Read(UINT64 count, bool bNullBuffer, bool bNullDone)
    {
        const Expected expected = ExpectRead(count, bNullBuffer);
        // As much room as the call may fill: the whole request, or for requests that
        // run past the end, what is left (a decoder writing beyond it is caught too).
        const UINT64 left = m_nPosition < m_model.length ? m_model.length - m_nPosition : 0;
        std::vector<BYTE> buffer(static_cast<size_t>(std::max<UINT64>(1, std::min(count, left))));
        UINT64 done = 0xDD;
        const HRESULT hr = m_decoder.Read(bNullBuffer ? nullptr : buffer.data(), count, bNullDone ? nullptr : &done);
        EXPECT_AGREE(hr == expected.hr);
        if (!bNullDone)
            EXPECT_AGREE(done == expected.done);
        if (!bNullBuffer && expected.done != 0)
            EXPECT_AGREE(std::memcmp(buffer.data(), m_model.plain.data() + m_nPosition, expected.done) == 0);
        m_nPosition += expected.done;
        Query(false);
    }

    void ReadToEnd(UINT64 piece)
    {
        while (m_bReady && m_nPosition < m_model.length)
        {
            const Expected expected = ExpectRead(piece, false);
            Read(piece, false, false);
            if (expected.hr != RESULT_OK)
                break;
        }
    }

    void Seek(INT64 offset, DWORD origin)
    {
        HRESULT expected = RESULT_OK;
        UINT64 target = m_nPosition;
        UINT64 base = 0;
        if (!m_bReady)
            expected = RESULT_NOT_INITIALIZED;
        else if (origin > SEEK_ORIGIN_END)
            expected = RESULT_INVALID_ARG;
        else
        {
            base = origin == SEEK_ORIGIN_BEGIN ? 0 : origin == SEEK_ORIGIN_CURRENT ? m_nPosition : m_model.length;
            if (offset < 0 && 0 - static_cast<UINT64>(offset) > base)
                expected = RESULT_NEGATIVE_SEEK;
            else if (offset >= 0 && static_cast<UINT64>(offset) > UINT64_MAX - base)
                expected = RESULT_INVALID_ARG;
            else
                target = base + static_cast<UINT64>(offset);
        }
        EXPECT_AGREE(m_decoder.Seek(offset, origin) == expected);
        m_nPosition = target;
        Query(false);
    }

    // GetSize and GetPosition, with real pointers or null ones.
    void Query(bool bNullPointers)
    {
        UINT64 size = 0xDD, position = 0xDD;
        const HRESULT sizeResult = m_decoder.GetSize(bNullPointers ? nullptr : &size);
        const HRESULT positionResult = m_decoder.GetPosition(bNullPointers ? nullptr : &position);
        if (!m_bReady)
        {
            EXPECT_AGREE(sizeResult == RESULT_NOT_INITIALIZED && positionResult == RESULT_NOT_INITIALIZED);
            return;
        }
        if (bNullPointers)
        {
            EXPECT_AGREE(sizeResult == RESULT_INVALID_ARG && positionResult == RESULT_INVALID_ARG);
            return;
        }
        EXPECT_AGREE(sizeResult == RESULT_OK && size == m_model.length);
        EXPECT_AGREE(positionResult == RESULT_OK && position == m_nPosition);
    }

private:
    // Read delivers whole pieces up to the first unit that fails to load, then that
    // load's code; a unit the source no longer holds is a failure, not the end.
    Expected ExpectRead(UINT64 count, bool bNullBuffer) const
    {
        if (!m_bReady)
            return {RESULT_NOT_INITIALIZED, 0};
        if (count == UINT64_MAX || (bNullBuffer && count != 0))
            return {RESULT_INVALID_ARG, 0};
        if (m_nPosition >= m_model.length)
            return {RESULT_END_OF_DATA, 0};
        const bool bCut = count > m_model.length - m_nPosition;
        const UINT64 end = bCut ? m_model.length : m_nPosition + count;
        for (UINT64 k = m_nPosition / m_model.unit; end > m_nPosition && k <= (end - 1) / m_model.unit; ++k)
        {
            const HRESULT load = m_model.unitLoads[k];
            if (load != RESULT_OK)
            {
                const UINT64 start = k * m_model.unit;
                return {load == RESULT_END_OF_DATA ? RESULT_FAIL : load, start > m_nPosition ? start - m_nPosition : 0};
            }
        }
        return {bCut ? RESULT_END_OF_DATA : RESULT_OK, end - m_nPosition};
    }

    CUnitDecoder& m_decoder;
    IInputStream& m_source;
    IDecryptor& m_cipher;
    const LayoutModel& m_model;
    bool m_bReady = false;
    UINT64 m_nPosition = 0;
};

INT64 SeekOffset(BYTE operation, UINT32 value)
{
    if ((operation & 0x80) == 0)
        return static_cast<int32_t>(value);
    // Far offsets, near the ends of the 64-bit range.
    return (value & 1) != 0 ? INT64_MAX - (value >> 1) : INT64_MIN + (value >> 1);
}
} // namespace

void CheckDecoderAgainstModel(CUnitDecoder& decoder, IInputStream& source, IDecryptor& cipher,
                              const LayoutModel& model, InputReader script)
{
    ModelledWalk walk(decoder, source, cipher, model);
    walk.Init(false);
    walk.DecodeUnitsAlone();
    // Pieces from the script, at most 256 of them: byte-sized reads of a large file
    // would slow the fuzzer down without reaching anything new.
    const UINT64 piece = script.Half();
    walk.ReadToEnd(std::max<UINT64>({1, piece, model.length / 256}));
    for (int step = 0; step < MAX_STEPS && script.Left() != 0; ++step)
    {
        const BYTE operation = script.Byte();
        const UINT32 value = script.Word();
        switch (operation & 7)
        {
        case 0:
        case 1:
        case 2:
            if ((operation & 0x10) != 0)
                walk.Read(UINT64_MAX - value % 3, false, false);
            else
                walk.Read(value % ((operation & 0x20) != 0 ? MAX_READ : 300), (operation & 0x80) != 0,
                          (operation & 0x40) != 0);
            break;
        case 3:
        case 4:
        case 5:
            walk.Seek(SeekOffset(operation, value), (operation >> 3) & 3);
            break;
        case 6:
            walk.Query((operation & 0x10) != 0);
            break;
        case 7:
            walk.Init((operation & 0x10) != 0);
            break;
        }
    }
}
