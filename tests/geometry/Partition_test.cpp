#include "geometry/EntryPartition.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <utility>
#include <vector>

namespace meshaudit {
namespace {

struct Keyed {
    double key;
    int id;
};

struct KeyedTraits {
    template <int A>
    static double Centre(const Keyed& e)
    {
        return e.key;
    }
};

// The partition as its rule reads, one entry at a time.
long LiteralPartition(std::vector<Keyed>& e, long first, long last, double split)
{
    long i = first;
    long j = last;
    do {
        while (i <= j && e[i].key < split) {
            ++i;
        }
        while (i <= j && !(e[j].key < split)) {
            --j;
        }
        if (i < j) {
            std::swap(e[i], e[j]);
            ++i;
            --j;
        }
    } while (i < j);
    return i;
}

void ExpectSamePartition(std::vector<Keyed> items, long first, long last, double split)
{
    std::vector<Keyed> expected = items;
    const long expectedI = LiteralPartition(expected, first, last, split);
    const int64_t i = Partition<KeyedTraits, 0>(items.data(), first, last, split);
    ASSERT_EQ(i, expectedI) << "size " << last - first + 1;
    for (size_t k = 0; k < items.size(); ++k) {
        ASSERT_EQ(items[k].id, expected[k].id) << "position " << k;
    }
}

TEST(Partition, SwapsExactlyAsTheEntryByEntryRule)
{
    std::mt19937 rng(5);
    const long sizes[] = {11, 12, 63, 64, 65, 66, 67, 68, 69, 70, 100, 129, 130, 131, 200, 257, 1000, 4099};
    for (long n : sizes) {
        for (int trial = 0; trial < 60; ++trial) {
            // Entries fall left with a probability that varies from trial to
            // trial (from none to all), some exactly on the split.
            const double pLeft = (trial % 12) / 11.0;
            std::bernoulli_distribution left(pLeft);
            std::bernoulli_distribution onSplit(0.1);
            std::vector<Keyed> items;
            for (int k = 0; k < n + 6; ++k) {
                const double key = onSplit(rng) ? 0.0 : (left(rng) ? -1.0 - k : 1.0 + k);
                items.push_back(Keyed{key, k});
            }
            ExpectSamePartition(items, 3, 3 + n - 1, 0.0);
        }
    }
}

// Runs and block-sized patterns that random keys rarely make.
TEST(Partition, RunsAndPatterns)
{
    for (long n : {11L, 66L, 67L, 200L, 1000L}) {
        std::vector<std::vector<Keyed>> patterns(6);
        for (int k = 0; k < n; ++k) {
            const double keys[6] = {k - n / 2.0, n / 2.0 - k, (k % 2) ? 1.0 : -1.0, -1.0, 0.0,
                                    ((k / 32) % 2) ? -1.0 : 1.0};
            for (int p = 0; p < 6; ++p) {
                patterns[p].push_back(Keyed{keys[p], k});
            }
        }
        for (const auto& items : patterns) {
            ExpectSamePartition(items, 0, n - 1, 0.0);
        }
    }
}

TEST(Partition, CentresOnTheSplitGoRight)
{
    std::vector<Keyed> items;
    for (int k = 0; k < 300; ++k) {
        items.push_back(Keyed{2.5, k});
    }
    EXPECT_EQ((Partition<KeyedTraits, 0>(items.data(), 0, 299, 2.5)), 0);
    for (int k = 0; k < 300; ++k) {
        EXPECT_EQ(items[k].id, k);  // nothing moved
    }
}

}  // namespace
}  // namespace meshaudit
