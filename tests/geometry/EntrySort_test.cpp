#include "geometry/EntrySort.h"
#include "geometry/LiteralSort.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <utility>
#include <vector>

namespace meshaudit {
namespace {

struct Item {
    int key;
    int id;  // tells equal keys apart, to see where the sort leaves them
};

bool KeyLess(const Item& p, const Item& q)
{
    return p.key < q.key;
}

void LiteralSort(std::vector<Item>& e, long lo, long hi)
{
    testing::LiteralSort(e, lo, hi, KeyLess);
}

std::vector<Item> RandomItems(std::mt19937& rng, int n, int distinctKeys)
{
    std::uniform_int_distribution<int> key(0, distinctKeys - 1);
    std::vector<Item> items(n);
    for (int i = 0; i < n; ++i) {
        items[i] = Item{key(rng), i};
    }
    return items;
}

void ExpectSameOrder(const std::vector<Item>& a, const std::vector<Item>& b)
{
    ASSERT_EQ(a.size(), b.size());
    for (size_t i = 0; i < a.size(); ++i) {
        ASSERT_EQ(a[i].id, b[i].id) << "position " << i;
    }
}

// Random keys, then presorted, reversed and constant runs.
TEST(EntrySort, SortsAndLeavesEqualKeysWhereTheLiteralSortDoes)
{
    std::mt19937 rng(11);
    std::vector<std::vector<Item>> inputs;
    for (int n : {0, 1, 2, 7, 8, 9, 10, 16, 33, 100, 1000, 5000}) {
        for (int keys : {1, 2, 5, 50, 1000000}) {
            inputs.push_back(RandomItems(rng, n, keys));
        }
    }
    for (int n : {9, 64, 1000}) {
        std::vector<Item> up(n), down(n), same(n);
        for (int i = 0; i < n; ++i) {
            up[i] = Item{i / 3, i};
            down[i] = Item{n - i / 3, i};
            same[i] = Item{4, i};
        }
        inputs.insert(inputs.end(), {up, down, same});
    }
    for (size_t k = 0; k < inputs.size(); ++k) {
        std::vector<Item>& items = inputs[k];
        const long n = static_cast<long>(items.size());
        // Every other range inside a larger array, whose keys next to the range
        // would move if it were taken one longer and stop a scan that left it.
        const long pad = (k % 2 == 0) ? 0 : 3;
        if (pad != 0) {
            items.insert(items.begin(), {Item{2000000, -1}, Item{-1, -2}, Item{2000000, -3}});
            items.insert(items.end(), {Item{-1, -4}, Item{2000000, -5}, Item{-1, -6}});
        }
        SCOPED_TRACE(::testing::Message() << "size " << n << ", pad " << pad);
        std::vector<Item> expected = items;
        LiteralSort(expected, pad, pad + n - 1);
        SortEntries(items.data(), pad, static_cast<int64_t>(pad + n) - 1, KeyLess);
        EXPECT_TRUE(std::is_sorted(items.begin() + pad, items.end() - pad, KeyLess));
        ExpectSameOrder(items, expected);
    }
}

TEST(EntrySort, ShortRangesAreStableInsertionSorts)
{
    std::vector<Item> items = {{3, 0}, {1, 1}, {3, 2}, {1, 3}, {2, 4}, {1, 5}, {3, 6}, {2, 7}};
    SortEntries(items.data(), 0, 7, KeyLess);
    const int ids[] = {1, 3, 5, 4, 7, 0, 2, 6};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(items[i].id, ids[i]);
    }
}

}  // namespace
}  // namespace meshaudit
