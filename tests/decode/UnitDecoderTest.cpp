// The stream contract both layouts share: lifecycle, Read, Seek, buffer allocation,
// round trips, and failures of the source or the cipher. Each test runs once per decoder.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>

#include "decode/CChunkDecoder.h"
#include "decode/CRecordDecoder.h"
#include "tests/decode/DecoderTestSupport.h"
#include "tests/support/MemoryStream.h"

namespace
{
const std::string PASSWORD = "shared contract";
constexpr HRESULT SOURCE_FAILURE = MakeResult(0x8007001E);

template <class Decoder>
struct Layout;

template <>
struct Layout<CRecordDecoder>
{
    static constexpr int ALLOCATIONS = 3; // header, last record, record buffer

    static std::vector<BYTE> Encode(const std::vector<BYTE>& plain, UINT32 unit, BYTE filler = 0,
                                    const std::string& password = PASSWORD)
    {
        RecordFormatOptions options;
        options.payloadUnit = unit;
        options.filler = filler;
        return EncodeRecordFormat(plain, password, options);
    }

    // The last record must be stored shorter than a full one.
    static bool CanHold(size_t length, UINT32 unit)
    {
        auto stored = [](size_t payload) { return (payload + 19 + 7) / 8 * 8; };
        return stored(length % unit) < stored(unit);
    }

    static UINT64 OffsetOf64ByteUnit(UINT64 k) { return 4 + k * 88; }
};

template <>
struct Layout<CChunkDecoder>
{
    static constexpr int ALLOCATIONS = 2; // header, chunk buffer

    static std::vector<BYTE> Encode(const std::vector<BYTE>& plain, UINT32 unit, BYTE filler = 0,
                                    const std::string& password = PASSWORD)
    {
        ChunkFormatOptions options;
        options.chunkSize = unit;
        options.filler = filler;
        return EncodeChunkFormat(plain, password, options);
    }

    static bool CanHold(size_t, UINT32) { return true; }

    static UINT64 OffsetOf64ByteUnit(UINT64 k) { return 16 + k * 64; }
};

template <class Decoder>
class UnitDecoderTest : public ::testing::Test
{
protected:
    using L = Layout<Decoder>;

    void Open(const std::vector<BYTE>& plain, UINT32 unit)
    {
        m_plain = plain;
        m_source = MemoryStream(L::Encode(plain, unit));
        ASSERT_EQ(m_decoder.Init(&m_source, m_cipher.Decryptor()), RESULT_OK);
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
    }

    // Eight units of 64 bytes and a last one of 10.
    static std::vector<BYTE> NineUnits() { return MakePlaintext(8 * 64 + 10); }
    std::vector<BYTE> Prefix(UINT64 units) const { return {m_plain.begin(), m_plain.begin() + units * 64}; }

    std::vector<BYTE> m_plain;
    MemoryStream m_source;
    KeyedCipher m_cipher{PASSWORD};
    Decoder m_decoder;
};

using Decoders = ::testing::Types<CRecordDecoder, CChunkDecoder>;
TYPED_TEST_SUITE(UnitDecoderTest, Decoders);

TYPED_TEST(UnitDecoderTest, InitStartsAfreshAndOnlySuccessInitialises)
{
    this->ExpectUninitialised();
    EXPECT_EQ(this->m_decoder.Init(nullptr, this->m_cipher.Decryptor()), RESULT_INVALID_ARG);
    this->ExpectUninitialised();

    this->Open(MakePlaintext(1000, 1), 100);
    std::vector<BYTE> buffer(150);
    ASSERT_EQ(this->m_decoder.Read(buffer.data(), 150, nullptr), RESULT_OK);

    // Another file, unit and key: unit 0 must now come from the new file, read from its start.
    const std::vector<BYTE> second = MakePlaintext(120, 2);
    MemoryStream source(TestFixture::L::Encode(second, 50, 0, "another key"));
    KeyedCipher cipher("another key");
    ASSERT_EQ(this->m_decoder.Init(&source, cipher.Decryptor()), RESULT_OK);
    UINT64 size = 0, position = 9;
    EXPECT_EQ(this->m_decoder.GetSize(&size), RESULT_OK);
    EXPECT_EQ(size, 120u);
    EXPECT_EQ(this->m_decoder.GetPosition(&position), RESULT_OK);
    EXPECT_EQ(position, 0u);
    EXPECT_EQ(this->m_decoder.Read(buffer.data(), 150, nullptr), RESULT_END_OF_DATA);
    EXPECT_EQ(std::vector<BYTE>(buffer.begin(), buffer.begin() + 120), second);

    // A failed Init leaves nothing of the file before it.
    MemoryStream garbage(std::vector<BYTE>(64, 0x11));
    EXPECT_NE(this->m_decoder.Init(&garbage, cipher.Decryptor()), RESULT_OK);
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
        {"read nothing inside", READ, 0, 0, RESULT_OK, 0, 95},
        {"read back into an earlier unit", READ, 10, 0, RESULT_OK, 10, 105},
        {"seek from the end", SEEK, -10, SEEK_ORIGIN_END, RESULT_OK, 0, 240},
        {"read across the end", READ, 20, 0, RESULT_END_OF_DATA, 10, 250},
        {"read at the end", READ, 1, 0, RESULT_END_OF_DATA, 0, 250},
        {"seek past the end", SEEK, 10, SEEK_ORIGIN_END, RESULT_OK, 0, 260},
        {"read past the end", READ, 5, 0, RESULT_END_OF_DATA, 0, 260},
        {"seek before the start from the end", SEEK, -251, SEEK_ORIGIN_END, RESULT_NEGATIVE_SEEK, 0, 260},
        {"seek to the start", SEEK, 0, SEEK_ORIGIN_BEGIN, RESULT_OK, 0, 0},
        {"read everything at once", READ, 250, 0, RESULT_OK, 250, 250},
        {"seek far", SEEK, INT64_MAX, SEEK_ORIGIN_BEGIN, RESULT_OK, 0, UINT64(INT64_MAX)},
        {"seek beyond 64 bits", SEEK, INT64_MAX, SEEK_ORIGIN_CURRENT, RESULT_OK, 0, UINT64(INT64_MAX) * 2},
        {"position would wrap", SEEK, 2, SEEK_ORIGIN_CURRENT, RESULT_INVALID_ARG, 0, UINT64(INT64_MAX) * 2},
    };
    std::vector<BYTE> buffer(300, 0xEE);
    for (const auto& step : steps)
    {
        UINT64 before = 0, after = 0, done = 12345;
        ASSERT_EQ(this->m_decoder.GetPosition(&before), RESULT_OK);
        if (step.op == READ)
        {
            EXPECT_EQ(this->m_decoder.Read(buffer.data(), static_cast<UINT64>(step.value), &done), step.expected)
                << step.name;
            EXPECT_EQ(done, step.done) << step.name;
            EXPECT_TRUE(std::equal(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(step.done),
                                   this->m_plain.begin() + static_cast<std::ptrdiff_t>(before)))
                << step.name;
        }
        else
        {
            EXPECT_EQ(this->m_decoder.Seek(step.value, step.origin), step.expected) << step.name;
        }
        EXPECT_EQ(this->m_decoder.GetPosition(&after), RESULT_OK);
        EXPECT_EQ(after, step.position) << step.name;
    }
}

TYPED_TEST(UnitDecoderTest, RandomAccessMatchesThePlaintext)
{
    this->Open(MakePlaintext(5000, 9), 333);
    std::mt19937 random(12345);
    std::vector<BYTE> buffer(1200);
    for (int i = 0; i < 200; ++i)
    {
        const UINT64 position = random() % 5000, count = random() % 1200;
        ASSERT_EQ(this->m_decoder.Seek(static_cast<INT64>(position), SEEK_ORIGIN_BEGIN), RESULT_OK);
        UINT64 done = 0;
        const HRESULT hr = this->m_decoder.Read(buffer.data(), count, &done);
        ASSERT_EQ(done, std::min<UINT64>(count, 5000 - position));
        ASSERT_EQ(hr, done == count ? RESULT_OK : RESULT_END_OF_DATA);
        ASSERT_TRUE(std::equal(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(done),
                               this->m_plain.begin() + static_cast<std::ptrdiff_t>(position)));
    }
}

// Every length and unit the layout can hold comes back byte for byte, whatever the ignored
// bytes hold, read in pieces that do not line up with the units; a length it cannot hold is
// refused, not misread. The lengths leave every amount of fill (0 to 7) after a last trailer.
TYPED_TEST(UnitDecoderTest, RoundTrips)
{
    const size_t lengths[] = {0, 1, 7, 8, 9, 16, 63, 64, 65, 70, 99, 100, 101, 250, 1000, 4099};
    const UINT32 units[] = {1, 6, 7, 8, 9, 64, 100, 4096};
    for (UINT32 unit : units)
    {
        for (size_t length : lengths)
        {
            SCOPED_TRACE(std::to_string(length) + " bytes in units of " + std::to_string(unit));
            const std::vector<BYTE> plain = MakePlaintext(length, static_cast<UINT32>(length + unit));
            MemoryStream source(TestFixture::L::Encode(plain, unit, static_cast<BYTE>(length * 3 + unit)));
            KeyedCipher cipher(PASSWORD);
            TypeParam decoder;
            const HRESULT hr = decoder.Init(&source, cipher.Decryptor());
            if (!TestFixture::L::CanHold(length, unit))
            {
                EXPECT_EQ(hr, DEC_E_HEADER);
                continue;
            }
            ASSERT_EQ(hr, RESULT_OK);
            const ReadOutcome out = ReadToEnd(decoder, 37);
            EXPECT_EQ(out.hr, RESULT_END_OF_DATA);
            EXPECT_EQ(out.bytes, plain);
        }
    }
}

TYPED_TEST(UnitDecoderTest, SequentialReadingLoadsEachUnitOnce)
{
    this->Open(TestFixture::NineUnits(), 64);
    this->m_source.ClearCounts();
    EXPECT_EQ(ReadToEnd(this->m_decoder, 7).bytes, this->m_plain);
    for (UINT64 k = 1; k <= 8; ++k) // unit 0 was loaded by Init
        EXPECT_EQ(this->m_source.ReadsAt(TestFixture::L::OffsetOf64ByteUnit(k)), 1u) << k;
    EXPECT_EQ(this->m_source.ReadCount(), 8u);
}

// A failing source passes its own code on. A source that no longer holds a unit that Init
// counted on (cut while being read) is RESULT_FAIL, never the normal end of the data.
TYPED_TEST(UnitDecoderTest, SourceFailuresPassThrough)
{
    using Format = typename TestFixture::L;
    const struct
    {
        const char* name;
        void (*beforeInit)(MemoryStream&);
        void (*afterInit)(MemoryStream&);
        HRESULT expected;
        UINT64 unitsDelivered;
    } cases[] = {
        {"size fails", [](MemoryStream& s) { s.FailGetSize(SOURCE_FAILURE); }, nullptr, SOURCE_FAILURE, 0},
        {"seek fails", [](MemoryStream& s) { s.FailSeek(SOURCE_FAILURE); }, nullptr, SOURCE_FAILURE, 0},
        {"read fails in unit 3", nullptr,
         [](MemoryStream& s) { s.FailReadsFrom(Format::OffsetOf64ByteUnit(3) + 10, SOURCE_FAILURE); }, SOURCE_FAILURE, 3},
        {"cut inside unit 4", nullptr, [](MemoryStream& s) { s.Data().resize(Format::OffsetOf64ByteUnit(4) + 40); },
         RESULT_FAIL, 4},
        {"cut at unit 4", nullptr, [](MemoryStream& s) { s.Data().resize(Format::OffsetOf64ByteUnit(4)); }, RESULT_FAIL, 4},
        {"last unit cut", nullptr, [](MemoryStream& s) { s.Data().resize(Format::OffsetOf64ByteUnit(8) + 8); },
         RESULT_FAIL, 8},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        this->m_plain = TestFixture::NineUnits();
        MemoryStream source(Format::Encode(this->m_plain, 64));
        TypeParam decoder;
        if (c.beforeInit != nullptr)
        {
            c.beforeInit(source);
            EXPECT_EQ(decoder.Init(&source, this->m_cipher.Decryptor()), c.expected);
            continue;
        }
        ASSERT_EQ(decoder.Init(&source, this->m_cipher.Decryptor()), RESULT_OK);
        c.afterInit(source);
        const ReadOutcome out = ReadToEnd(decoder);
        EXPECT_EQ(out.hr, c.expected);
        EXPECT_EQ(out.bytes, this->Prefix(c.unitsDelivered));
    }
}

// A failing decryption passes its code on, whether Init or a later Read meets it.
TYPED_TEST(UnitDecoderTest, CipherFailuresPassThrough)
{
    constexpr HRESULT CIPHER_FAILURE = MakeResult(0x80090005);
    const std::vector<BYTE> image = TestFixture::L::Encode(MakePlaintext(1000), 64);
    for (int failing : {1, 2, 5})
    {
        MemoryStream source(image);
        FailingDecryptor decryptor(this->m_cipher.Decryptor(), failing, CIPHER_FAILURE);
        TypeParam decoder;
        const HRESULT hr = decoder.Init(&source, &decryptor);
        EXPECT_EQ(hr == RESULT_OK ? ReadToEnd(decoder).hr : hr, CIPHER_FAILURE) << failing;
    }
}

TYPED_TEST(UnitDecoderTest, AllocationFailuresBecomeResultCodes)
{
    const std::vector<BYTE> image = TestFixture::L::Encode(MakePlaintext(250), 100);
    constexpr HRESULT CARRIED = MakeResult(0x8007000E);
    const struct
    {
        AllocationFault fault;
        HRESULT carried;
        HRESULT expected;
    } faults[] = {
        {AllocationFault::ReturnNull, CARRIED, RESULT_OUT_OF_MEMORY},
        {AllocationFault::ThrowErrorId, CARRIED, CARRIED},
        {AllocationFault::ThrowErrorId, RESULT_OK, RESULT_FAIL}, // a "success" would hide the missing block
        {AllocationFault::ThrowOther, CARRIED, RESULT_FAIL},
    };
    for (const auto& f : faults)
    {
        for (int call = 1; call <= TestFixture::L::ALLOCATIONS; ++call)
        {
            MemoryStream source(image);
            WatchedDecoder<TypeParam> decoder(f.fault, call, f.carried);
            EXPECT_EQ(decoder.Init(&source, this->m_cipher.Decryptor()), f.expected) << "allocation " << call;
            UINT64 size = 0;
            EXPECT_EQ(decoder.GetSize(&size), RESULT_NOT_INITIALIZED);
        }
    }
    // Without faults the same decoder works, and the loop above reached each of its allocations.
    MemoryStream source(image);
    WatchedDecoder<TypeParam> decoder;
    EXPECT_EQ(decoder.Init(&source, this->m_cipher.Decryptor()), RESULT_OK);
    EXPECT_EQ(decoder.Calls(), TestFixture::L::ALLOCATIONS);
}
} // namespace
