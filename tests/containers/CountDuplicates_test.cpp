#include "containers/CountDuplicates.h"
#include "containers/Keys.h"

#include <gtest/gtest.h>

#include <limits>
#include <map>
#include <random>
#include <vector>

namespace meshaudit {
namespace {

constexpr DuplicateCodes kCodes{-8, -9, -10, -11};

struct PointLess {
    bool operator()(const T3DVECF& a, const T3DVECF& b) const { return a < b; }
};

DuplicateSums Reference(const std::vector<T3DVECF>& points)
{
    std::map<T3DVECF, uint32_t, PointLess> seen;
    for (const T3DVECF& p : points) {
        ++seen[p];
    }
    DuplicateSums sums;
    for (const auto& entry : seen) {
        if (entry.second > 1) {
            ++sums.classes;
            sums.members += entry.second;
        }
    }
    return sums;
}

// The counts of `keys`, none left out.
template <typename Key>
DuplicateSums CountKeys(const std::vector<Key>& keys)
{
    DuplicateSums sums{12345, 12345};
    EXPECT_EQ(CountDuplicates<Key>(
                  static_cast<uint32_t>(keys.size()),
                  [&](uint32_t i, Key& key) {
                      key = keys[i];
                      return true;
                  },
                  kCodes, sums),
              0);
    return sums;
}

TEST(CountDuplicates, MatchesMapCountOnRandomPoints)
{
    std::mt19937 random(7);
    for (int round = 0; round < 40; ++round) {
        // Few distinct coordinates, so that classes of every size occur; a
        // coordinate of 0 comes as +0 or -0, which must not split a class.
        std::uniform_int_distribution<int> coordinate(-2, 2);
        std::bernoulli_distribution negativeZero(0.5);
        const std::size_t n = 1 + static_cast<std::size_t>(round) * 13;
        std::vector<T3DVECF> points(n);
        for (T3DVECF& p : points) {
            double c[3];
            for (double& v : c) {
                v = coordinate(random);
                if (v == 0 && negativeZero(random)) {
                    v = -0.0;
                }
            }
            p = T3DVECF{c[0], c[1], c[2] * 0.5};
        }
        const DuplicateSums sums = CountKeys(points);
        const DuplicateSums expected = Reference(points);
        EXPECT_EQ(sums.members, expected.members) << "round " << round;
        EXPECT_EQ(sums.classes, expected.classes) << "round " << round;
    }
}

TEST(CountDuplicates, HandCountedKeysAndSkippedItems)
{
    // (1,2) three times, (0,4) twice, (3,5) once.
    const DuplicateSums edges =
        CountKeys(std::vector<T3DEDGE>{{1, 2}, {0, 4}, {1, 2}, {3, 5}, {0, 4}, {1, 2}});
    EXPECT_EQ(edges.members, 5u);
    EXPECT_EQ(edges.classes, 2u);
    const DuplicateSums same = CountKeys(std::vector<TRIANGLE>(10, TRIANGLE{1, 2, 3}));
    EXPECT_EQ(same.members, 10u);
    EXPECT_EQ(same.classes, 1u);
    // Every odd item is left out: the remaining ones are all distinct.
    DuplicateSums sums;
    ASSERT_EQ(CountDuplicates<TRIANGLE>(
                  10,
                  [](uint32_t i, TRIANGLE& key) {
                      key = TRIANGLE{i / 2, 0, 0};
                      return i % 2 == 0;
                  },
                  kCodes, sums),
              0);
    EXPECT_EQ(sums.members, 0u);
    EXPECT_EQ(sums.classes, 0u);
}

TEST(CountDuplicates, CreateFailureGivesItsCode)
{
    const auto keyOf = [](uint32_t i, T3DEDGE& key) {
        key = T3DEDGE{i, i};
        return true;
    };
    DuplicateSums sums{77, 88};
    EXPECT_EQ(CountDuplicates<T3DEDGE>(0, keyOf, kCodes, sums), -8);  // no item: no pool
    // Index keys take the sorting path: one key array, nothing else.
    memory_testing::ResetAllocationCounter();
    memory_testing::FailAllocations(1, 1);
    EXPECT_EQ(CountDuplicates<T3DEDGE>(5, keyOf, kCodes, sums), -8);
    EXPECT_EQ(memory_testing::FailedAllocationCount(), 1u);
    EXPECT_EQ(sums.members, 77u);  // untouched on failure
    EXPECT_EQ(sums.classes, 88u);
    memory_testing::ResetAllocationCounter();
    EXPECT_EQ(CountDuplicates<T3DEDGE>(5, keyOf, kCodes, sums), 0);
    EXPECT_EQ(memory_testing::AllocationCount(), 1u);
    // The tree path alone: two allocations in all, however many items.
    for (uint64_t failing = 1; failing <= 2; ++failing) {
        memory_testing::ResetAllocationCounter();
        memory_testing::FailAllocations(failing, 1);
        EXPECT_EQ(CountDuplicatesInTree<T3DEDGE>(5, keyOf, kCodes, sums), -8);
        EXPECT_EQ(memory_testing::FailedAllocationCount(), 1u);
    }
    memory_testing::ResetAllocationCounter();
    EXPECT_EQ(CountDuplicatesInTree<T3DEDGE>(5, keyOf, kCodes, sums), 0);
    EXPECT_EQ(memory_testing::AllocationCount(), 2u);
    memory_testing::ResetAllocationCounter();
}

TEST(CountDuplicates, NaNKeysFallBackToTheTreeWithItsCodes)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const auto keyOf = [nan](uint32_t i, T3DVECF& key) {
        key = T3DVECF{i == 3 ? nan : 0.0, 0.0, 0.0};
        return true;
    };
    DuplicateSums sums{77, 88};
    // The key array, then the tree's pool (block and free list).
    for (uint64_t failing = 1; failing <= 3; ++failing) {
        memory_testing::ResetAllocationCounter();
        memory_testing::FailAllocations(failing, 1);
        EXPECT_EQ(CountDuplicates<T3DVECF>(5, keyOf, kCodes, sums), -8) << failing;
    }
    EXPECT_EQ(sums.members, 77u);
    memory_testing::ResetAllocationCounter();
    ASSERT_EQ(CountDuplicates<T3DVECF>(5, keyOf, kCodes, sums), 0);
    EXPECT_EQ(memory_testing::AllocationCount(), 3u);
    DuplicateSums tree;
    ASSERT_EQ(CountDuplicatesInTree<T3DVECF>(5, keyOf, kCodes, tree), 0);
    EXPECT_EQ(sums.members, tree.members);
    EXPECT_EQ(sums.classes, tree.classes);
    memory_testing::ResetAllocationCounter();
}

}  // namespace
}  // namespace meshaudit
