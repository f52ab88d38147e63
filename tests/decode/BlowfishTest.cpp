#include "decode/BlowfishReference.h"
#include "decode/CBlowfish.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace
{

using Bytes = std::vector<BYTE>;

constexpr UINT32 ZERO_IV[2] = {0, 0};
constexpr UINT32 JOB_IV[2] = {0x6D2B91C4, 0x3E07A58F};

Bytes FromHex(const std::string& hex)
{
    Bytes bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(static_cast<BYTE>(std::stoul(hex.substr(i, 2), nullptr, 16)));
    return bytes;
}

struct Vector
{
    int mode = CIPHER_MODE_ECB;
    Bytes key;
    Bytes iv = Bytes(8, 0);
    Bytes in;
    Bytes out;
    int line = 0;
};

int ModeFromSection(const std::string& section)
{
    if (section == "CBC")
        return CIPHER_MODE_CBC;
    if (section == "CFB")
        return CIPHER_MODE_CFB;
    return CIPHER_MODE_ECB;
}

// Sectioned "Name = hex" records; a vector ends with its Out line.
std::vector<Vector> LoadVectors(const std::string& fileName)
{
    std::ifstream file(std::string(OVX_TEST_DATA_DIR) + "/" + fileName);
    std::vector<Vector> vectors;
    Vector current;
    std::string line;
    for (int number = 1; std::getline(file, line); ++number)
    {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line[0] == '#')
            continue;
        if (line[0] == '[')
        {
            current.mode = ModeFromSection(line.substr(1, line.find(']') - 1));
            continue;
        }
        const size_t equals = line.find(" = ");
        if (equals == std::string::npos)
            continue;
        const std::string name = line.substr(0, equals);
        const Bytes value = FromHex(line.substr(equals + 3));
        if (name == "Key")
            current.key = value;
        else if (name == "IV")
            current.iv = value;
        else if (name == "In")
            current.in = value;
        else if (name == "Out")
        {
            current.out = value;
            current.line = number;
            vectors.push_back(current);
            current.iv = Bytes(8, 0);
        }
    }
    return vectors;
}

UINT32 BigEndianWord(const BYTE* bytes)
{
    return (UINT32(bytes[0]) << 24) | (UINT32(bytes[1]) << 16) | (UINT32(bytes[2]) << 8) | UINT32(bytes[3]);
}

void Key(CBlowfish& cipher, const Bytes& key, const UINT32 iv[2] = ZERO_IV, int mode = CIPHER_MODE_ECB)
{
    ASSERT_EQ(RESULT_OK, cipher.SetKey(key.data(), static_cast<UINT>(key.size()), iv));
    ASSERT_EQ(RESULT_OK, cipher.SetMode(mode));
}

Bytes Encrypted(CBlowfish& cipher, Bytes data)
{
    EXPECT_EQ(RESULT_OK, cipher.EncryptInPlace(data.data(), static_cast<UINT>(data.size())));
    return data;
}

Bytes Decrypted(CBlowfish& cipher, Bytes data)
{
    EXPECT_EQ(RESULT_OK, cipher.DecryptInPlace(data.data(), static_cast<UINT>(data.size())));
    return data;
}

Bytes ReferenceDecrypted(CBlowfish& cipher, const Bytes& data)
{
    Bytes output(data.size());
    EXPECT_EQ(RESULT_OK, BlowfishDecryptReference(cipher, data.data(), output.data(), static_cast<UINT>(data.size())));
    return output;
}

Bytes RandomBytes(std::mt19937& random, size_t count)
{
    Bytes bytes(count);
    for (BYTE& b : bytes)
        b = static_cast<BYTE>(random());
    return bytes;
}

const Bytes SAMPLE_KEY = FromHex("0123456789ABCDEFF0E1D2C3B4A59687");

TEST(BlowfishVectors, PublishedVectorsPassInBothDirections)
{
    const std::vector<Vector> vectors = LoadVectors("blowfish.vec");
    int counts[3] = {};
    for (const Vector& v : vectors)
    {
        SCOPED_TRACE("blowfish.vec line " + std::to_string(v.line));
        const UINT32 iv[2] = {BigEndianWord(v.iv.data()), BigEndianWord(v.iv.data() + 4)};
        CBlowfish cipher;
        Key(cipher, v.key, iv, v.mode);
        EXPECT_EQ(v.out, Encrypted(cipher, v.in));
        EXPECT_EQ(v.in, Decrypted(cipher, v.out));
        EXPECT_EQ(v.in, ReferenceDecrypted(cipher, v.out));
        Bytes twoBuffer(v.out.size());
        EXPECT_EQ(RESULT_OK, cipher.Encrypt(v.in.data(), twoBuffer.data(), static_cast<UINT>(v.in.size())));
        EXPECT_EQ(v.out, twoBuffer);
        ++counts[v.mode];
    }
    EXPECT_EQ(34 + 24, counts[CIPHER_MODE_ECB]);
    EXPECT_EQ(1, counts[CIPHER_MODE_CBC]);
    EXPECT_EQ(1, counts[CIPHER_MODE_CFB]);
}

TEST(BlowfishKey, RefusedLengthsLeaveTheCipherAsItWas)
{
    CBlowfish cipher;
    Key(cipher, SAMPLE_KEY, JOB_IV, CIPHER_MODE_CBC);
    const Bytes plain = FromHex("00112233445566778899AABBCCDDEEFF");
    const Bytes before = Encrypted(cipher, plain);

    const Bytes longKey(57, 0x5A);
    const UINT32 otherIv[2] = {1, 2};
    EXPECT_EQ(DEC_E_KEY_LENGTH, cipher.SetKey(longKey.data(), 57, otherIv));
    EXPECT_EQ(DEC_E_KEY_LENGTH, cipher.SetKey(longKey.data(), 0, otherIv));
    EXPECT_EQ(before, Encrypted(cipher, plain)) << "key tables or initial vector changed";
    EXPECT_EQ(RESULT_INVALID_ARG, cipher.SetKey(nullptr, 8, otherIv));
    EXPECT_EQ(RESULT_INVALID_ARG, cipher.SetKey(longKey.data(), 8, nullptr));
    EXPECT_EQ(before, Encrypted(cipher, plain));
}

TEST(BlowfishKey, EveryByteOfTheLongestKeyCounts)
{
    Bytes key(56);
    for (size_t i = 0; i < key.size(); ++i)
        key[i] = static_cast<BYTE>(0x80 + i);
    Bytes lastChanged = key;
    lastChanged[55] ^= 0x01;
    const Bytes plain(8, 0);

    CBlowfish a, b;
    Key(a, key);
    Key(b, lastChanged);
    EXPECT_NE(Encrypted(a, plain), Encrypted(b, plain));
}

// The key is read cyclically and the cycle runs on across P-array words, so a key and the
// same key repeated are one key.
TEST(BlowfishKey, KeyIsReadCyclically)
{
    const struct
    {
        const char* key;
        const char* repeated;
    } cases[] = {
        {"AB", "ABABABAB"},
        {"F0E1D2", "F0E1D2F0E1D2"},
        {"0102030405", "01020304050102030405010203040501020304050102030405"},
    };
    const Bytes plain = FromHex("FEDCBA9876543210");
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.key);
        CBlowfish a, b, other;
        Key(a, FromHex(c.key));
        Key(b, FromHex(c.repeated));
        Key(other, FromHex(std::string(c.repeated) + "00"));
        EXPECT_EQ(Encrypted(a, plain), Encrypted(b, plain));
        EXPECT_NE(Encrypted(a, plain), Encrypted(other, plain));
    }
}

TEST(BlowfishChaining, CbcOfOneBlockIsEcbXorInitialVector)
{
    CBlowfish cipher;
    Key(cipher, SAMPLE_KEY, JOB_IV, CIPHER_MODE_ECB);
    const Bytes block = FromHex("0011223344556677");
    Bytes expected = Decrypted(cipher, block);
    const BYTE ivBytes[8] = {0x6D, 0x2B, 0x91, 0xC4, 0x3E, 0x07, 0xA5, 0x8F};
    for (int i = 0; i < 8; ++i)
        expected[i] ^= ivBytes[i];

    cipher.SetMode(CIPHER_MODE_CBC);
    EXPECT_EQ(expected, Decrypted(cipher, block));
}

// Each call is a message of its own: the chain starts from the stored value every time.
TEST(BlowfishChaining, ChainDoesNotCarryOverBetweenCalls)
{
    std::mt19937 random(7);
    const Bytes plain = RandomBytes(random, 40);
    for (int mode : {CIPHER_MODE_CBC, CIPHER_MODE_CFB})
    {
        SCOPED_TRACE(mode);
        CBlowfish cipher;
        Key(cipher, SAMPLE_KEY, JOB_IV, mode);
        const Bytes encrypted = Encrypted(cipher, plain);
        EXPECT_EQ(encrypted, Encrypted(cipher, plain));
        EXPECT_EQ(plain, Decrypted(cipher, encrypted));
        EXPECT_EQ(plain, Decrypted(cipher, encrypted));
        EXPECT_EQ(RESULT_OK, cipher.Reset());
        EXPECT_EQ(plain, Decrypted(cipher, encrypted));

        // The second half alone is chained from the initial vector, not from the first half.
        const Bytes secondHalf(encrypted.begin() + 16, encrypted.end());
        EXPECT_NE(Bytes(plain.begin() + 16, plain.end()), Decrypted(cipher, secondHalf));
    }
}

TEST(BlowfishChaining, UnknownModesBehaveAsEcb)
{
    std::mt19937 random(11);
    const Bytes plain = RandomBytes(random, 64);
    CBlowfish ecb, odd;
    Key(ecb, SAMPLE_KEY, JOB_IV, CIPHER_MODE_ECB);
    for (int mode : {5, -1, 3})
    {
        SCOPED_TRACE(mode);
        Key(odd, SAMPLE_KEY, JOB_IV, mode);
        int stored = 0;
        EXPECT_EQ(RESULT_OK, odd.GetMode(&stored));
        EXPECT_EQ(mode, stored);
        EXPECT_EQ(Encrypted(ecb, plain), Encrypted(odd, plain));
        EXPECT_EQ(Decrypted(ecb, plain), Decrypted(odd, plain));
    }
}

TEST(BlowfishProcessing, BadLengthsAreRefusedAndNothingIsWritten)
{
    CBlowfish cipher;
    Key(cipher, SAMPLE_KEY, JOB_IV, CIPHER_MODE_CBC);
    const Bytes input(24, 0x11);
    for (UINT length : {0u, 7u, 12u, 17u})
    {
        SCOPED_TRACE(length);
        Bytes output(24, 0xEE);
        const Bytes untouched = output;
        EXPECT_EQ(RESULT_INVALID_ARG, cipher.Encrypt(input.data(), output.data(), length));
        EXPECT_EQ(RESULT_INVALID_ARG, cipher.EncryptInPlace(output.data(), length));
        EXPECT_EQ(RESULT_INVALID_ARG, cipher.Decrypt(input.data(), output.data(), length));
        EXPECT_EQ(RESULT_INVALID_ARG, cipher.DecryptInPlace(output.data(), length));
        EXPECT_EQ(RESULT_INVALID_ARG, BlowfishDecryptReference(cipher, input.data(), output.data(), length));
        EXPECT_EQ(untouched, output);
    }
    EXPECT_EQ(RESULT_INVALID_ARG, cipher.Decrypt(nullptr, nullptr, 8));
    EXPECT_EQ(RESULT_INVALID_ARG, cipher.GetMode(nullptr));

    Bytes eight(8, 0x11);
    EXPECT_EQ(RESULT_OK, cipher.DecryptInPlace(eight.data(), 8));
    EXPECT_NE(Bytes(8, 0x11), eight);
}

// The bulk path must agree with the one-block path on every mode, length, alignment and
// buffer arrangement, and must undo encryption.
TEST(BlowfishProcessing, BulkDecryptionMatchesTheOneBlockPath)
{
    std::mt19937 random(2024);
    for (int round = 0; round < 300; ++round)
    {
        const int mode = static_cast<int>(random() % 4); // 3 stands for an unknown mode
        const Bytes key = RandomBytes(random, 1 + random() % 56);
        const UINT32 iv[2] = {static_cast<UINT32>(random()), static_cast<UINT32>(random())};
        const UINT blocks = round < 40 ? 1 + round : 1 + random() % 700;
        const UINT length = blocks * 8;
        const size_t inOffset = random() % 8;
        const size_t outOffset = random() % 8;
        SCOPED_TRACE("mode " + std::to_string(mode) + ", " + std::to_string(length) + " bytes at offsets " +
                     std::to_string(inOffset) + "/" + std::to_string(outOffset));

        CBlowfish cipher;
        Key(cipher, key, iv, mode);
        const Bytes plain = RandomBytes(random, length);
        const Bytes encrypted = Encrypted(cipher, plain);
        const Bytes expected = ReferenceDecrypted(cipher, encrypted);
        ASSERT_EQ(plain, expected);

        Bytes inStore(length + 8), outStore(length + 16, 0xCD);
        std::memcpy(inStore.data() + inOffset, encrypted.data(), length);
        ASSERT_EQ(RESULT_OK, cipher.Decrypt(inStore.data() + inOffset, outStore.data() + outOffset, length));
        ASSERT_EQ(expected, Bytes(outStore.begin() + outOffset, outStore.begin() + outOffset + length));
        ASSERT_EQ(0xCD, outStore[outOffset + length]) << "wrote past the end";

        std::memcpy(inStore.data() + inOffset, encrypted.data(), length);
        ASSERT_EQ(RESULT_OK, cipher.DecryptInPlace(inStore.data() + inOffset, length));
        ASSERT_EQ(expected, Bytes(inStore.begin() + inOffset, inStore.begin() + inOffset + length));

        // Output one block behind its input: each input block is read before it is overwritten.
        Bytes shifted(length + 8);
        std::memcpy(shifted.data() + 8, encrypted.data(), length);
        ASSERT_EQ(RESULT_OK, cipher.Decrypt(shifted.data() + 8, shifted.data(), length));
        ASSERT_EQ(expected, Bytes(shifted.begin(), shifted.begin() + length));
    }
}

} // namespace
