// The job's cipher as every front end keys it: the password's bytes, the fixed initial
// vector and cipher-block chaining, so that it decodes what the encoder writes.

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "decode/CRecordDecoder.h"
#include "engine/JobCipher.h"
#include "tests/support/MemoryStream.h"
#include "tests/support/OvxEncoder.h"

TEST(JobCipher, KeysWithThePasswordBytesAndRefusesWhatTheCipherCannotTake)
{
    const std::vector<BYTE> plain = MakePlaintext(300);
    const std::string accepted[] = {"k", " Pass Word ", std::string(56, 'x')};
    for (const std::string& password : accepted)
    {
        CBlowfish cipher;
        ASSERT_EQ(KeyJobCipher(cipher, password), RESULT_OK) << password;
        MemoryStream source(EncodeRecordFormat(plain, password));
        CRecordDecoder decoder;
        ASSERT_EQ(decoder.Init(&source, &cipher), RESULT_OK) << password;
        std::vector<BYTE> decoded(plain.size() + 1);
        UINT64 done = 0;
        EXPECT_EQ(decoder.Read(decoded.data(), decoded.size(), &done), RESULT_END_OF_DATA);
        decoded.resize(static_cast<size_t>(done));
        EXPECT_EQ(decoded, plain) << password;
    }

    for (const std::string& password : {std::string(), std::string(57, 'x')})
    {
        CBlowfish cipher;
        EXPECT_EQ(KeyJobCipher(cipher, password), DEC_E_KEY_LENGTH) << password.size() << " bytes";
    }
}
