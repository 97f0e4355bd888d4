// The bit vector against a std::vector<bool> on random sizes and bits.
#include "containers/BitVector.h"
#include "containers/Memory.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace meshaudit {
namespace {

// Bit 0 is the most significant bit of byte 0; bits past BitCount() in the
// last byte are refused and never counted.
TEST(BitVector, MatchesAVectorOfBool)
{
    std::mt19937 random(5);
    CBitVector bits;
    EXPECT_FALSE(bits.Set(0));
    EXPECT_FALSE(bits.Create(0));
    EXPECT_EQ(bits.CountSet(), 0u);
    for (int round = 0; round < 200; ++round) {
        const uint64_t n = 1 + random() % (round < 100 ? 20 : 2000);
        ASSERT_TRUE(bits.Create(n));  // again: cleared
        EXPECT_EQ(bits.BitCount(), n);
        EXPECT_EQ(bits.ByteCount(), (n + 7) / 8);
        EXPECT_EQ(bits.CapacityBits(), 8 * ((n + 7) / 8));
        std::vector<bool> want(n);
        const uint64_t sets = random() % (2 * n);
        for (uint64_t k = 0; k < sets; ++k) {
            const uint64_t i = k % 5 == 0 ? n - 1 - random() % 2 : random() % (n + 9);
            ASSERT_EQ(bits.Set(i), i < n);
            if (i < n) {
                want[i] = true;
            }
        }
        uint64_t count = 0;
        for (uint64_t i = 0; i < n + 9; ++i) {
            ASSERT_EQ(bits.IsSet(i), i < n && want[i]);
            count += i < n && want[i];
        }
        for (uint64_t b = 0; b < bits.ByteCount(); ++b) {
            uint8_t byte = 0;
            for (uint64_t i = 8 * b; i < 8 * b + 8 && i < n; ++i) {
                byte |= want[i] ? 0x80u >> (i % 8) : 0;
            }
            ASSERT_EQ(bits.Bytes()[b], byte);
        }
        ASSERT_EQ(bits.CountSet(), count);
    }
    bits.Release();
    EXPECT_EQ(bits.ByteCount(), 0u);
    EXPECT_EQ(bits.CapacityBits(), 0u);
    EXPECT_FALSE(bits.Set(1));
    EXPECT_FALSE(bits.IsSet(1));
    EXPECT_EQ(bits.CountSet(), 0u);

    memory_testing::ResetAllocationCounter();
    memory_testing::FailAllocations(1, 1);
    EXPECT_FALSE(bits.Create(64));
    EXPECT_EQ(bits.Bytes(), nullptr);
    EXPECT_FALSE(bits.Set(1));
    memory_testing::ResetAllocationCounter();
}

}  // namespace
}  // namespace meshaudit
