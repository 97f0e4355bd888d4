// The flat hash map against std::map: the same answers through growth,
// keys that collide, probe runs that wrap round the table's end, erasing
// from the middle of such runs, and a failed growth that leaves the map as
// it was.
#include "containers/FlatMap.h"

#include <gtest/gtest.h>

#include <map>
#include <new>
#include <random>

namespace meshaudit {
namespace {

constexpr uint32_t kNone = FlatMap<uint32_t, IdHash>::kNone;

// Every key to one slot: probing alone must keep them apart.
struct Colliding {
    size_t operator()(uint32_t) const { return 7; }
};

// Every key to one of the last three slots: runs wrap round to the start.
struct AtTheEnd {
    size_t operator()(uint32_t key) const { return SIZE_MAX - key % 3; }
};

template <typename Hash>
void Compare(uint32_t keys, uint32_t operations, uint32_t seed)
{
    FlatMap<uint32_t, Hash> map;
    std::map<uint32_t, uint32_t> plain;
    std::mt19937 rng(seed);
    for (uint32_t k = 0; k < operations; ++k) {
        const uint32_t key = rng() % keys;
        const uint32_t value = rng() % 1000;
        if (const uint32_t op = rng() % 4; op == 0) {
            map.Set(key, value);
            plain[key] = value;
        } else if (op == 1) {
            map.Erase(key);
            plain.erase(key);
        } else {
            const auto [held, added] = map.Emplace(key, value);
            const auto [it, inserted] = plain.emplace(key, value);
            ASSERT_EQ(added, inserted);
            ASSERT_EQ(held, it->second);
        }
        const uint32_t probe = rng() % (2 * keys);
        const auto found = plain.find(probe);
        const uint32_t expected = found == plain.end() ? kNone : found->second;
        ASSERT_EQ(map.Find(probe), expected);
    }
    EXPECT_EQ(map.Size(), plain.size());
    for (const auto& [key, value] : plain) {
        EXPECT_EQ(map.Find(key), value);
    }
}

TEST(FlatMap, AgreesWithAnOrderedMap)
{
    Compare<IdHash>(50000, 200000, 1);
    Compare<IdHash>(40, 1000, 2);
    Compare<Colliding>(300, 3000, 3);
    Compare<AtTheEnd>(60, 20000, 4);
}

TEST(FlatMap, AFailedGrowthThrowsAndKeepsTheEntries)
{
    FlatMap<uint32_t, IdHash> map;
    for (uint32_t k = 0; k < 8; ++k) {
        map.Emplace(k, k + 1);  // 16 slots hold 8
    }
    memory_testing::ResetAllocationCounter();
    memory_testing::FailAllocations(1, 1);
    EXPECT_THROW(map.Emplace(100, 1), std::bad_alloc);
    memory_testing::ResetAllocationCounter();
    EXPECT_EQ(map.Size(), 8u);
    for (uint32_t k = 0; k < 8; ++k) {
        EXPECT_EQ(map.Find(k), k + 1);
    }
    EXPECT_EQ(map.Find(100), kNone);
}

}  // namespace
}  // namespace meshaudit
