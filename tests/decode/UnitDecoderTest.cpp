// The stream contract both layouts share: lifecycle, Read, Seek, buffer allocation,
// round trips, and failures of the source or the cipher. Each test runs once per decoder.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <new>
#include <type_traits>

#include "decode/CChunkDecoder.h"
#include "decode/CRecordDecoder.h"
#include "tests/decode/DecoderTestSupport.h"

namespace
{
const std::string PASSWORD = "shared contract";
constexpr HRESULT SOURCE_FAILURE = MakeResult(0x8007001E);

template <class Decoder>
class UnitDecoderTest : public ::testing::Test
{
protected:
    static constexpr bool RECORDS = std::is_same_v<Decoder, CRecordDecoder>;
    static constexpr int ALLOCATIONS = RECORDS ? 3 : 2; // header, (last record,) unit buffer

    static std::vector<BYTE> Encode(const std::vector<BYTE>& plain, UINT32 unit, BYTE filler = 0,
                                    const std::string& password = PASSWORD)
    {
        if constexpr (RECORDS)
            return EncodeRecordFormat(plain, password, {.payloadUnit = unit, .filler = filler});
        else
            return EncodeChunkFormat(plain, password, {.chunkSize = unit, .filler = filler});
    }

    // Where unit k is stored in NineUnits(): records of 88 bytes after the signature,
    // chunks of 64 after the header.
    static std::vector<BYTE> NineUnits() { return MakePlaintext(8 * 64 + 10); }
    static UINT64 UnitOffset(UINT64 k) { return RECORDS ? 4 + k * 88 : 16 + k * 64; }

    void Open(const std::vector<BYTE>& plain, UINT32 unit)
    {
        m_plain = plain;
        m_source = MemoryStream(Encode(plain, unit));
        ASSERT_EQ(m_decoder.Init(&m_source, &m_cipher), RESULT_OK);
    }

    void ExpectUninitialised()
    {
        UINT64 value = 7;
        BYTE byte = 0;
        EXPECT_EQ(m_decoder.GetSize(&value), RESULT_NOT_INITIALIZED);
        EXPECT_EQ(m_decoder.GetPosition(&value), RESULT_NOT_INITIALIZED);
        EXPECT_EQ(m_decoder.Seek(0, SEEK_ORIGIN_BEGIN), RESULT_NOT_INITIALIZED);
        EXPECT_EQ(m_decoder.Read(&byte, 1, &value), RESULT_NOT_INITIALIZED);
        EXPECT_EQ(value, 0u);
        // Nothing to decode alone either (no division by the unknown unit size).
        EXPECT_EQ(m_decoder.GetUnitCount(), 0u);
        EXPECT_EQ(m_decoder.GetUnitExtent(0).storedLength, 0u);
        EXPECT_EQ(m_decoder.DecodeUnit(0, &byte), RESULT_NOT_INITIALIZED);
    }

    std::vector<BYTE> m_plain;
    MemoryStream m_source;
    FaultCipher m_cipher{PASSWORD};
    Decoder m_decoder;
};

using Decoders = ::testing::Types<CRecordDecoder, CChunkDecoder>;
TYPED_TEST_SUITE(UnitDecoderTest, Decoders);

TYPED_TEST(UnitDecoderTest, InitStartsAfreshAndOnlySuccessInitialises)
{
    this->ExpectUninitialised();
    EXPECT_EQ(this->m_decoder.Init(nullptr, &this->m_cipher), RESULT_INVALID_ARG);
    this->ExpectUninitialised();

    this->Open(MakePlaintext(1000, 1), 100);
    std::vector<BYTE> buffer(150);
    ASSERT_EQ(this->m_decoder.Read(buffer.data(), 150, nullptr), RESULT_OK);

    // Another file, unit and key: unit 0 must now come from the new file, read from its start.
    const std::vector<BYTE> second = MakePlaintext(120, 2);
    MemoryStream source(this->Encode(second, 50, 0, "another key"));
    FaultCipher cipher("another key");
    ASSERT_EQ(this->m_decoder.Init(&source, &cipher), RESULT_OK);
    UINT64 size = 0, position = 9;
    EXPECT_EQ(this->m_decoder.GetSize(&size), RESULT_OK);
    EXPECT_EQ(size, 120u);
    EXPECT_EQ(this->m_decoder.GetPosition(&position), RESULT_OK);
    EXPECT_EQ(position, 0u);
    EXPECT_EQ(this->m_decoder.Read(buffer.data(), 150, nullptr), RESULT_END_OF_DATA);
    EXPECT_EQ(std::vector<BYTE>(buffer.begin(), buffer.begin() + 120), second);

    // A failed Init leaves nothing of the file before it.
    MemoryStream garbage(std::vector<BYTE>(64, 0x11));
    EXPECT_NE(this->m_decoder.Init(&garbage, &cipher), RESULT_OK);
    this->ExpectUninitialised();
}

// One scripted walk through Read and Seek over 250 bytes in units of 100.
TYPED_TEST(UnitDecoderTest, ReadAndSeekContract)
{
    this->Open(MakePlaintext(250), 100);
    enum Op { READ, SEEK };
    const struct
    {
        const char* name;
        Op op;
        INT64 value; // count for READ, offset for SEEK
        DWORD origin;
        HRESULT expected;
        UINT64 done;
        UINT64 position; // after the step
    } steps[] = {
        {"read nothing at the start", READ, 0, 0, RESULT_OK, 0, 0},
        {"read inside the first unit", READ, 30, 0, RESULT_OK, 30, 30},
        {"read across a unit boundary", READ, 150, 0, RESULT_OK, 150, 180},
        {"count of all ones", READ, -1, 0, RESULT_INVALID_ARG, 0, 180},
        {"seek before the start", SEEK, -1, SEEK_ORIGIN_BEGIN, RESULT_NEGATIVE_SEEK, 0, 180},
        {"unknown origin", SEEK, 0, 3, RESULT_INVALID_ARG, 0, 180},
        {"seek back from here", SEEK, -85, SEEK_ORIGIN_CURRENT, RESULT_OK, 0, 95},
        {"read back into an earlier unit", READ, 10, 0, RESULT_OK, 10, 105},
        {"seek from the end", SEEK, -10, SEEK_ORIGIN_END, RESULT_OK, 0, 240},
        {"read across the end", READ, 20, 0, RESULT_END_OF_DATA, 10, 250},
        {"seek past the end", SEEK, 10, SEEK_ORIGIN_END, RESULT_OK, 0, 260},
        {"read past the end", READ, 5, 0, RESULT_END_OF_DATA, 0, 260},
        {"seek before the start from the end", SEEK, -251, SEEK_ORIGIN_END, RESULT_NEGATIVE_SEEK, 0, 260},
        {"seek to the start", SEEK, 0, SEEK_ORIGIN_BEGIN, RESULT_OK, 0, 0},
        {"read everything at once", READ, 250, 0, RESULT_OK, 250, 250},
        {"seek far", SEEK, INT64_MAX, SEEK_ORIGIN_BEGIN, RESULT_OK, 0, UINT64(INT64_MAX)},
        {"seek beyond 63 bits", SEEK, INT64_MAX, SEEK_ORIGIN_CURRENT, RESULT_OK, 0, UINT64(INT64_MAX) * 2},
        {"position would wrap", SEEK, 2, SEEK_ORIGIN_CURRENT, RESULT_INVALID_ARG, 0, UINT64(INT64_MAX) * 2},
    };
    std::vector<BYTE> buffer(300, 0xEE);
    for (const auto& step : steps)
    {
        SCOPED_TRACE(step.name);
        UINT64 before = 0, after = 0, done = 12345;
        ASSERT_EQ(this->m_decoder.GetPosition(&before), RESULT_OK);
        if (step.op == READ)
        {
            EXPECT_EQ(this->m_decoder.Read(buffer.data(), static_cast<UINT64>(step.value), &done), step.expected);
            EXPECT_EQ(done, step.done);
            EXPECT_TRUE(std::equal(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(step.done),
                                   this->m_plain.begin() + static_cast<std::ptrdiff_t>(before)));
        }
        else
        {
            EXPECT_EQ(this->m_decoder.Seek(step.value, step.origin), step.expected);
        }
        EXPECT_EQ(this->m_decoder.GetPosition(&after), RESULT_OK);
        EXPECT_EQ(after, step.position);
    }
}

// Every length and unit comes back byte for byte, whatever the ignored bytes hold, read in
// pieces that do not line up with the units. The lengths leave every amount of fill (0 to 7)
// after a last trailer; for records, 28 of them leave a last record as long as a full one
// (every length in units of 1, 99 and 4099 in units of 100, 63 in units of 64, ...).
TYPED_TEST(UnitDecoderTest, RoundTrips)
{
    for (UINT32 unit : {1, 6, 7, 8, 9, 64, 100, 4096})
    {
        for (size_t length : {0, 1, 7, 8, 9, 16, 63, 64, 65, 70, 99, 100, 101, 250, 1000, 4099})
        {
            SCOPED_TRACE(std::to_string(length) + " bytes in units of " + std::to_string(unit));
            const std::vector<BYTE> plain = MakePlaintext(length, static_cast<UINT32>(length + unit));
            DecoderOver<TypeParam> over(this->Encode(plain, unit, static_cast<BYTE>(length * 3 + unit)), PASSWORD);
            ASSERT_EQ(over.Init(), RESULT_OK);
            const ReadOutcome out = ReadToEnd(over.decoder, 37);
            EXPECT_EQ(out.hr, RESULT_END_OF_DATA);
            EXPECT_EQ(out.bytes, plain);
        }
    }
}

// Units decoded one by one from their stored bytes, as a decoding pool does, give what
// Read gives: the same bytes, and the first failing unit's code.
TYPED_TEST(UnitDecoderTest, UnitsDecodedAloneMatchRead)
{
    auto byUnits = [](const TypeParam& decoder, const std::vector<BYTE>& image) {
        ReadOutcome out{RESULT_END_OF_DATA, {}};
        for (UINT64 k = 0; k < decoder.GetUnitCount() && out.hr == RESULT_END_OF_DATA; ++k)
        {
            const CUnitDecoder::UnitExtent e = decoder.GetUnitExtent(k);
            std::vector<BYTE> stored(image.begin() + static_cast<std::ptrdiff_t>(e.sourceOffset),
                                     image.begin() + static_cast<std::ptrdiff_t>(e.sourceOffset + e.storedLength));
            const HRESULT hr = decoder.DecodeUnit(k, stored.data());
            if (hr != RESULT_OK)
                out.hr = hr;
            else
                out.bytes.insert(out.bytes.end(), stored.begin() + static_cast<std::ptrdiff_t>(e.payloadOffset),
                                 stored.begin() + static_cast<std::ptrdiff_t>(e.payloadOffset + e.payloadLength));
        }
        return out;
    };
    std::vector<std::vector<BYTE>> images;
    for (UINT32 unit : {1, 7, 8, 64, 100})
        for (size_t length : {0, 1, 8, 63, 64, 65, 99, 100, 250})
            images.push_back(this->Encode(MakePlaintext(length, unit), unit, static_cast<BYTE>(length)));
    if constexpr (TestFixture::RECORDS)
    {
        const std::vector<BYTE> plain = this->NineUnits();
        images.push_back(EncodeRecordFormat(plain, PASSWORD, {.payloadUnit = 64, .wrongIndexRecord = 3}));
        images.push_back(EncodeRecordFormat(plain, PASSWORD, {.payloadUnit = 64, .wrongUnitRecord = 5}));
        images.push_back(EncodeRecordFormat(plain, PASSWORD, {.payloadUnit = 64, .wrongCrcRecord = 2}));
        images.push_back(EncodeRecordFormat(plain, PASSWORD, {.payloadUnit = 64, .damage = {{4 + 88 * 6 + 40}}}));
    }
    for (size_t i = 0; i < images.size(); ++i)
    {
        SCOPED_TRACE("image " + std::to_string(i));
        DecoderOver<TypeParam> over(images[i], PASSWORD);
        ASSERT_EQ(over.Init(), RESULT_OK);
        const ReadOutcome alone = byUnits(over.decoder, images[i]);
        const ReadOutcome read = ReadToEnd(over.decoder, 37);
        EXPECT_EQ(alone.hr, read.hr);
        EXPECT_EQ(alone.bytes, read.bytes);
    }
}

TYPED_TEST(UnitDecoderTest, SequentialReadingLoadsEachUnitOnce)
{
    this->Open(this->NineUnits(), 64);
    this->m_source.ClearCounts();
    EXPECT_EQ(ReadToEnd(this->m_decoder, 7).bytes, this->m_plain);
    for (UINT64 k = 1; k <= 8; ++k) // unit 0 was loaded by Init
        EXPECT_EQ(this->m_source.ReadsAt(this->UnitOffset(k)), 1u) << k;
    EXPECT_EQ(this->m_source.ReadCount(), 8u);
}

// A failing source or cipher passes its own code on, in Init or in a later Read. A source
// that no longer holds a unit Init counted on (cut while being read) is RESULT_FAIL, never
// the normal end of the data.
TYPED_TEST(UnitDecoderTest, SourceAndCipherFailuresPassThrough)
{
    using Over = DecoderOver<TypeParam>;
    constexpr HRESULT CIPHER_FAILURE = MakeResult(0x80090005);
    const struct
    {
        const char* name;
        void (*beforeInit)(Over&);
        void (*afterInit)(Over&);
        HRESULT expected;
        UINT64 unitsDelivered;
    } cases[] = {
        {"size fails", [](Over& o) { o.source.FailGetSize(SOURCE_FAILURE); }, nullptr, SOURCE_FAILURE, 0},
        {"seek fails", [](Over& o) { o.source.FailSeek(SOURCE_FAILURE); }, nullptr, SOURCE_FAILURE, 0},
        {"first decryption fails", [](Over& o) { o.cipher.FailAfter(0, CIPHER_FAILURE); }, nullptr, CIPHER_FAILURE, 0},
        {"second decryption fails", [](Over& o) { o.cipher.FailAfter(1, CIPHER_FAILURE); }, nullptr, CIPHER_FAILURE, 0},
        {"read fails in unit 3", nullptr,
         [](Over& o) { o.source.FailReadsFrom(TestFixture::UnitOffset(3) + 10, SOURCE_FAILURE); }, SOURCE_FAILURE, 3},
        {"decryption fails in unit 3", nullptr, [](Over& o) { o.cipher.FailAfter(2, CIPHER_FAILURE); }, CIPHER_FAILURE,
         3},
        {"cut inside unit 4", nullptr, [](Over& o) { o.source.Data().resize(TestFixture::UnitOffset(4) + 40); },
         RESULT_FAIL, 4},
        {"cut at unit 4", nullptr, [](Over& o) { o.source.Data().resize(TestFixture::UnitOffset(4)); }, RESULT_FAIL, 4},
        {"last unit cut", nullptr, [](Over& o) { o.source.Data().resize(TestFixture::UnitOffset(8) + 8); },
         RESULT_FAIL, 8},
    };
    const std::vector<BYTE> plain = this->NineUnits();
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        Over over(this->Encode(plain, 64), PASSWORD);
        if (c.beforeInit != nullptr)
        {
            c.beforeInit(over);
            EXPECT_EQ(over.Init(), c.expected);
            continue;
        }
        ASSERT_EQ(over.Init(), RESULT_OK);
        c.afterInit(over);
        const ReadOutcome out = ReadToEnd(over.decoder);
        EXPECT_EQ(out.hr, c.expected);
        EXPECT_EQ(out.bytes, std::vector<BYTE>(plain.begin(), plain.begin() + c.unitsDelivered * 64));
    }
}

TYPED_TEST(UnitDecoderTest, AllocationFailuresBecomeResultCodes)
{
    const std::vector<BYTE> image = this->Encode(MakePlaintext(250), 100);
    constexpr HRESULT CARRIED = MakeResult(0x8007000E);
    const struct
    {
        void (*fail)();
        HRESULT expected;
    } faults[] = {
        {nullptr, RESULT_OUT_OF_MEMORY}, // null from the allocator
        {[] { throw CErrorIDException(CARRIED); }, CARRIED},
        {[] { throw CErrorIDException(RESULT_OK); }, RESULT_FAIL}, // a "success" would hide the missing block
        {[] { throw std::bad_alloc(); }, RESULT_FAIL},
    };
    for (const auto& f : faults)
    {
        for (int call = 1; call <= this->ALLOCATIONS; ++call)
        {
            MemoryStream source(image);
            WatchedDecoder<TypeParam> decoder(call, f.fail);
            EXPECT_EQ(decoder.Init(&source, &this->m_cipher), f.expected) << "allocation " << call;
            UINT64 size = 0;
            EXPECT_EQ(decoder.GetSize(&size), RESULT_NOT_INITIALIZED);
        }
    }
    // Without faults the same decoder works, and the loop above reached each of its allocations.
    DecoderOver<WatchedDecoder<TypeParam>> over(image, PASSWORD);
    EXPECT_EQ(over.Init(), RESULT_OK);
    EXPECT_EQ(over.decoder.Calls(), this->ALLOCATIONS);
}
} // namespace
