#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

#include "base/SecureWipe.h"

namespace
{

// A job's copy of the password is empty and its bytes zero after the job, however the
// job ends: normally, with a failure, or by an exception.
TEST(SecureWipeTest, PasswordCopyIsWipedOnEveryWayOut)
{
    enum End
    {
        NORMAL,
        FAILING,
        THROWING
    };
    for (End end : {NORMAL, FAILING, THROWING})
    {
        SCOPED_TRACE(end);
        std::string copy;
        const char* bytes = nullptr;
        size_t nCapacity = 0;
        auto job = [&]() -> bool {
            CWipeOnExit wipe(copy);
            copy = "correct horse battery staple, long enough to live on the heap";
            bytes = copy.data();
            nCapacity = copy.capacity();
            if (end == THROWING)
                throw std::runtime_error("job failed");
            return end == NORMAL;
        };
        try
        {
            EXPECT_EQ(job(), end == NORMAL);
        }
        catch (const std::runtime_error&)
        {
            EXPECT_EQ(end, THROWING);
        }
        EXPECT_TRUE(copy.empty());
        // The buffer is still the string's own (cleared, not freed): every byte zero.
        ASSERT_EQ(copy.data(), bytes);
        EXPECT_EQ(std::string(bytes, nCapacity), std::string(nCapacity, '\0'));
    }
}

} // namespace
