// The reuse of large blocks inside a BlockReuseScope, and the seam's refusals.
#include "containers/Memory.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

namespace meshaudit {
namespace {

constexpr std::size_t kMiB = std::size_t{1} << 20;

// Reuse needs the allocator to tell a block's size; elsewhere every block
// goes straight back and these tests have nothing to check.
class BlockReuse : public ::testing::Test {
protected:
    void SetUp() override
    {
#if !defined(__GLIBC__)
        GTEST_SKIP() << "block sizes are not known on this platform";
#endif
        memory_testing::ResetAllocationCounter();
    }
    void TearDown() override { memory_testing::ResetAllocationCounter(); }
};

// A kept block serves a request it fits wasting less than half; a block far
// larger (6 MiB for a 2 MiB request), or too small, is not handed out; a
// reused block is cleared for a zeroed request.
TEST_F(BlockReuse, AKeptBlockServesTheRequestsItFits)
{
    BlockReuseScope scope;
    // A live block raises the peak, so that keeping the 8 MiB block stays
    // within bounds while the other requests come.
    void* live = Allocate(256 * kMiB);
    auto* big = static_cast<unsigned char*>(Allocate(8 * kMiB));
    ASSERT_TRUE(live != nullptr && big != nullptr);
    std::memset(big, 0xAB, 8 * kMiB);
    Free(big);
    const std::size_t kept = memory_testing::KeptBlockBytes();
    ASSERT_GE(kept, 8 * kMiB);
    void* small = Allocate(2 * kMiB);
    void* larger = Allocate(9 * kMiB);
    EXPECT_TRUE(small != big && larger != big);
    EXPECT_EQ(memory_testing::KeptBlockBytes(), kept);
    auto* zeroed = static_cast<unsigned char*>(AllocateZeroed(6 * kMiB, 1));
    ASSERT_EQ(zeroed, big);
    EXPECT_EQ(memory_testing::KeptBlockBytes(), 0u);
    for (std::size_t i = 0; i < 6 * kMiB; i += 4093) {
        ASSERT_EQ(zeroed[i], 0) << i;
    }
    EXPECT_EQ(zeroed[6 * kMiB - 1], 0);
    for (void* p : {live, small, larger, static_cast<void*>(zeroed)}) {
        Free(p);
    }
}

TEST_F(BlockReuse, SmallBlocksBlocksOutsideAScopeAndTheOutermostScope)
{
    Free(Allocate(4 * kMiB));
    EXPECT_EQ(memory_testing::KeptBlockBytes(), 0u);
    {
        BlockReuseScope outer;
        {
            BlockReuseScope inner;
            Free(Allocate(64 * 1024));
            EXPECT_EQ(memory_testing::KeptBlockBytes(), 0u);
            Free(Allocate(2 * kMiB));
            EXPECT_GE(memory_testing::KeptBlockBytes(), 2 * kMiB);
        }
        EXPECT_GE(memory_testing::KeptBlockBytes(), 2 * kMiB);  // the outer one still reuses
    }
    EXPECT_EQ(memory_testing::KeptBlockBytes(), 0u);
}

TEST_F(BlockReuse, KeptBlocksStayWithinASixteenthAboveThePeakOfLiveBlocks)
{
    BlockReuseScope scope;
    // Live peak 16 MiB; 16 MiB kept when the 32 MiB request comes would make
    // 48 MiB, more than 32 + 2, so the kept block is released first.
    Free(Allocate(16 * kMiB));
    ASSERT_GE(memory_testing::KeptBlockBytes(), 16 * kMiB);
    void* large = Allocate(32 * kMiB);
    ASSERT_NE(large, nullptr);
    EXPECT_EQ(memory_testing::KeptBlockBytes(), 0u);
    // Under the peak, freed blocks are kept again.
    void* a = Allocate(8 * kMiB);
    Free(large);
    Free(a);
    EXPECT_GE(memory_testing::KeptBlockBytes(), 40 * kMiB);
}

TEST_F(BlockReuse, ReusedBlocksAreCountedAndCanBeMadeToFailLikeFreshOnes)
{
    BlockReuseScope scope;
    Free(Allocate(2 * kMiB));
    const std::size_t kept = memory_testing::KeptBlockBytes();
    memory_testing::FailAllocations(2, 1);
    EXPECT_EQ(Allocate(2 * kMiB), nullptr);  // request 2, planned to fail
    EXPECT_EQ(memory_testing::KeptBlockBytes(), kept);
    void* reused = Allocate(2 * kMiB);
    EXPECT_NE(reused, nullptr);
    EXPECT_EQ(memory_testing::AllocationCount(), 3u);
    EXPECT_EQ(memory_testing::FailedAllocationCount(), 1u);
    EXPECT_EQ(memory_testing::KeptBlockBytes(), 0u);
    Free(reused);
}

TEST(Memory, ZeroByteAndOverflowingRequests)
{
    void* one = Allocate(0);
    EXPECT_NE(one, nullptr);
    Free(one);
    EXPECT_EQ(AllocateZeroed(SIZE_MAX / 2, 4), nullptr);
    EXPECT_EQ(AllocateArray<std::uint64_t>(SIZE_MAX / 4), nullptr);
    BlockReuseScope scope;
    EXPECT_EQ(AllocateZeroed(SIZE_MAX / 2, 4), nullptr);
}

}  // namespace
}  // namespace meshaudit
