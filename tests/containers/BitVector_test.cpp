#include "containers/BitVector.h"
#include "containers/Memory.h"

#include <gtest/gtest.h>

namespace meshaudit {
namespace {

// Bit 0 is the most significant bit of byte 0; bits past BitCount() but
// within the last byte are refused.
TEST(BitVector, BitLayoutAndBounds)
{
    CBitVector bits;
    ASSERT_TRUE(bits.Create(10));
    EXPECT_EQ(bits.ByteCount(), 2u);
    EXPECT_EQ(bits.CapacityBits(), 16u);
    EXPECT_EQ(bits.BitCount(), 10u);
    EXPECT_EQ(bits.CountSet(), 0u);
    EXPECT_TRUE(bits.Set(0));
    EXPECT_TRUE(bits.Set(7));
    EXPECT_TRUE(bits.Set(9));
    EXPECT_TRUE(bits.Set(7));  // again: no change
    EXPECT_EQ(bits.Bytes()[0], 0x81);
    EXPECT_EQ(bits.Bytes()[1], 0x40);
    EXPECT_FALSE(bits.Set(10));
    EXPECT_FALSE(bits.Set(15));
    EXPECT_EQ(bits.Bytes()[1], 0x40);
    EXPECT_EQ(bits.CountSet(), 3u);
    EXPECT_TRUE(bits.IsSet(9));
    EXPECT_FALSE(bits.IsSet(8));
    EXPECT_FALSE(bits.IsSet(10));
}

TEST(BitVector, ZeroBitsHasNoStorage)
{
    CBitVector bits;
    EXPECT_FALSE(bits.Set(0));
    EXPECT_EQ(bits.CountSet(), 0u);
    EXPECT_FALSE(bits.Create(0));
    EXPECT_EQ(bits.Bytes(), nullptr);
    EXPECT_EQ(bits.ByteCount(), 0u);
    EXPECT_FALSE(bits.Set(0));
    EXPECT_EQ(bits.CountSet(), 0u);
}

TEST(BitVector, CountSetAcrossManyBytes)
{
    CBitVector bits;
    ASSERT_TRUE(bits.Create(1000));
    uint64_t expected = 0;
    for (uint64_t i = 0; i < 1000; i += 7) {
        ASSERT_TRUE(bits.Set(i));
        ++expected;
    }
    EXPECT_EQ(bits.CountSet(), expected);
    ASSERT_TRUE(bits.Set(999));
    EXPECT_EQ(bits.CountSet(), expected + 1);
}

TEST(BitVector, RecreateClearsAndReleaseKeepsBitCount)
{
    CBitVector bits;
    ASSERT_TRUE(bits.Create(20));
    bits.Set(3);
    ASSERT_TRUE(bits.Create(12));
    EXPECT_EQ(bits.CountSet(), 0u);
    EXPECT_EQ(bits.ByteCount(), 2u);
    bits.Release();
    EXPECT_EQ(bits.BitCount(), 12u);
    EXPECT_EQ(bits.ByteCount(), 0u);
    EXPECT_EQ(bits.CapacityBits(), 0u);
    EXPECT_FALSE(bits.Set(1));
    EXPECT_EQ(bits.CountSet(), 0u);
}

TEST(BitVector, AllocationFailure)
{
    memory_testing::ResetAllocationCounter();
    memory_testing::FailAllocations(1, 1);
    CBitVector bits;
    EXPECT_FALSE(bits.Create(64));
    EXPECT_EQ(bits.Bytes(), nullptr);
    EXPECT_FALSE(bits.Set(1));
    EXPECT_EQ(bits.CountSet(), 0u);
    EXPECT_TRUE(bits.Create(64));
    memory_testing::ResetAllocationCounter();
}

}  // namespace
}  // namespace meshaudit
