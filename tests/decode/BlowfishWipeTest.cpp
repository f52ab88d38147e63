#include "decode/CBlowfish.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <new>
#include <vector>

namespace
{

using Bytes = std::vector<BYTE>;

constexpr UINT32 IV[2] = {0x6D2B91C4, 0x3E07A58F};
const BYTE KEY_A[] = "first key";
const BYTE KEY_B[] = "second, longer key";

// A cipher placed in storage of the test's own, marked first, so that what the object
// leaves there can be read, during its life and after its end.
class PlacedCipher
{
public:
    PlacedCipher() : m_pCipher(nullptr) { std::fill(std::begin(m_storage), std::end(m_storage), BYTE(0xA5)); }
    CBlowfish& Make() { return *(m_pCipher = new (m_storage) CBlowfish); }
    void Destroy() { m_pCipher->~CBlowfish(); }
    Bytes Contents() const { return Bytes(std::begin(m_storage), std::end(m_storage)); }

private:
    alignas(CBlowfish) BYTE m_storage[sizeof(CBlowfish)];
    CBlowfish* m_pCipher;
};

// A cipher that was keyed and used leaves what a never-keyed one leaves: its schedule,
// vector and chain are zeros. One keyed twice holds what one keyed once with the
// second key holds: nothing of the first key stays.
TEST(BlowfishWipeTest, DestroyedOrReKeyedCipherKeepsNothingOfItsKeys)
{
    PlacedCipher unkeyed;
    unkeyed.Make().SetMode(CIPHER_MODE_CBC);
    unkeyed.Destroy();

    PlacedCipher used;
    CBlowfish& cipher = used.Make();
    ASSERT_EQ(cipher.SetKey(KEY_A, sizeof KEY_A - 1, IV), RESULT_OK);
    cipher.SetMode(CIPHER_MODE_CBC);
    BYTE message[64] = {1, 2, 3};
    ASSERT_EQ(cipher.DecryptInPlace(message, sizeof message), RESULT_OK);
    used.Destroy();
    EXPECT_EQ(used.Contents(), unkeyed.Contents());

    PlacedCipher rekeyed, keyedOnce;
    CBlowfish& first = rekeyed.Make();
    ASSERT_EQ(first.SetKey(KEY_A, sizeof KEY_A - 1, IV), RESULT_OK);
    ASSERT_EQ(first.SetKey(KEY_B, sizeof KEY_B - 1, IV), RESULT_OK);
    ASSERT_EQ(keyedOnce.Make().SetKey(KEY_B, sizeof KEY_B - 1, IV), RESULT_OK);
    EXPECT_EQ(rekeyed.Contents(), keyedOnce.Contents());
    rekeyed.Destroy();
    keyedOnce.Destroy();
}

} // namespace
