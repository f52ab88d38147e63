#include <gtest/gtest.h>

#include "decode/CRecordDecoder.h"
#include "tests/decode/DecoderTestSupport.h"
#include "tests/support/MemoryStream.h"

namespace
{
const std::string PASSWORD = "correct horse";

TEST(RecordDecoderTest, WorkedExampleDecodes)
{
    const std::vector<BYTE> plain = MakePlaintext(250);
    MemoryStream source(EncodeRecordFormat(plain, PASSWORD));
    ASSERT_EQ(source.Data().size(), 316u);
    KeyedCipher cipher(PASSWORD);
    CRecordDecoder decoder;
    ASSERT_EQ(decoder.Init(&source, cipher.Decryptor()), RESULT_OK);
    UINT64 size = 0;
    ASSERT_EQ(decoder.GetSize(&size), RESULT_OK);
    EXPECT_EQ(size, 250u);
    const ReadOutcome out = ReadToEnd(decoder);
    EXPECT_EQ(out.hr, RESULT_END_OF_DATA);
    EXPECT_EQ(out.bytes, plain);
}
} // namespace
