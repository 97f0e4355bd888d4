// The pieces of the integer duplicate counts, each against a plain reference.
#include "containers/Memory.h"
#include "containers/PointRanks.h"
#include "containers/RadixSort.h"
#include "containers/TupleDuplicates.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <map>
#include <random>
#include <vector>

namespace meshaudit {
namespace {

struct Item {
    uint64_t key;
    uint32_t tag;
};

TEST(RadixSort, MatchesAStableSort)
{
    std::mt19937_64 random(5);
    for (int round = 0; round < 60; ++round) {
        const uint32_t n = static_cast<uint32_t>(random() % 5000);
        // Keys of varying width, so that some digits are constant.
        const int width = 1 + static_cast<int>(random() % 64);
        const uint64_t mask = width == 64 ? ~uint64_t{0} : ((uint64_t{1} << width) - 1);
        const uint64_t fixed = random() & ~mask;
        std::vector<Item> items(n);
        for (uint32_t i = 0; i < n; ++i) {
            items[i] = Item{fixed | (random() & mask & (round % 3 == 0 ? 0xF0F : ~uint64_t{0})), i};
        }
        std::vector<Item> want = items;
        std::stable_sort(want.begin(), want.end(),
                         [](const Item& a, const Item& b) { return a.key < b.key; });
        std::vector<Item> scratch(n);
        const Item* got =
            RadixSort(items.data(), scratch.data(), n, [](const Item& i) { return i.key; });
        for (uint32_t i = 0; i < n; ++i) {
            ASSERT_EQ(got[i].key, want[i].key) << round << " " << i;
            ASSERT_EQ(got[i].tag, want[i].tag) << round << " " << i;
        }
    }
}

std::vector<double> SpecialValues()
{
    const double inf = std::numeric_limits<double>::infinity();
    const double tiny = std::numeric_limits<double>::denorm_min();
    return {0.0,  -0.0, tiny, -tiny, 1.0,  -1.0, std::nextafter(1.0, 2.0), std::nextafter(1.0, 0.0),
            inf,  -inf, 1e308, -1e308, 2.5, -2.5, std::numeric_limits<double>::min(),
            -std::numeric_limits<double>::min()};
}

TEST(OrderedBits, OrderAndEqualityMatchTheDoubleComparisons)
{
    std::vector<double> values = SpecialValues();
    std::mt19937_64 random(11);
    for (int i = 0; i < 200; ++i) {
        uint64_t bits = random();
        double v = 0.0;
        std::memcpy(&v, &bits, sizeof v);
        if (v == v) {
            values.push_back(v);
        }
    }
    for (const double a : values) {
        for (const double b : values) {
            EXPECT_EQ(OrderedBits(a) < OrderedBits(b), a < b) << a << " " << b;
            EXPECT_EQ(OrderedBits(a) == OrderedBits(b), a == b) << a << " " << b;
        }
    }
}

TEST(PointRanks, RankOrderIsThePointOrder)
{
    const std::vector<double> values = SpecialValues();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    std::mt19937 random(3);
    for (int round = 0; round < 40; ++round) {
        const uint32_t n = 1 + random() % (round < 20 ? 50 : 3000);
        const size_t spread = 1 + random() % values.size();
        std::vector<T3DVECF> points(n);
        for (T3DVECF& p : points) {
            p = T3DVECF{values[random() % spread], values[random() % spread],
                        values[random() % spread]};
            if (round % 2 == 1 && random() % 40 == 0) {
                p.y = nan;
            }
        }
        std::vector<uint32_t> ranks(n);
        PointRanking ranking;
        ASSERT_TRUE(RankPoints(points.data(), n, ranks.data(), ranking));
        uint32_t nanPoints = 0;
        std::map<uint32_t, uint32_t> occurrences;
        for (uint32_t i = 0; i < n; ++i) {
            if (HasNaN(points[i])) {
                ++nanPoints;
                EXPECT_EQ(ranks[i], kNaNRank);
                continue;
            }
            ASSERT_LT(ranks[i], ranking.distinct);
            ++occurrences[ranks[i]];
            for (uint32_t j = 0; j < n; j += 7) {
                if (HasNaN(points[j])) {
                    continue;
                }
                EXPECT_EQ(ranks[i] < ranks[j], points[i] < points[j]) << round;
                EXPECT_EQ(ranks[i] == ranks[j], points[i] == points[j]) << round;
            }
        }
        EXPECT_EQ(ranking.nanPoints, nanPoints);
        EXPECT_EQ(ranking.distinct, occurrences.size());
        uint32_t members = 0;
        uint32_t classes = 0;
        for (const auto& [rank, count] : occurrences) {
            if (count > 1) {
                members += count;
                ++classes;
            }
        }
        EXPECT_EQ(ranking.members, members);
        EXPECT_EQ(ranking.classes, classes);
    }
}

TEST(PointRanks, FailedAllocationsLeaveNothing)
{
    const T3DVECF points[3] = {{1, 2, 3}, {0, 0, 0}, {1, 2, 3}};
    for (uint64_t k = 1; k <= 3; ++k) {
        memory_testing::ResetAllocationCounter();
        memory_testing::FailAllocations(k, 1);
        PointRanking ranking;
        uint32_t* ranks = NewPointRanks(points, 3, ranking);
        const bool failed = memory_testing::FailedAllocationCount() != 0;
        memory_testing::ResetAllocationCounter();
        if (failed) {
            EXPECT_EQ(ranks, nullptr);
        } else {
            ASSERT_NE(ranks, nullptr);
            EXPECT_EQ(ranking.classes, 1u);
        }
        Free(ranks);
    }
}

template <size_t N>
std::pair<uint32_t, uint32_t> MapCount(const std::vector<std::array<uint32_t, N>>& keys)
{
    std::map<std::array<uint32_t, N>, uint32_t> occurrences;
    for (const auto& k : keys) {
        ++occurrences[k];
    }
    uint32_t members = 0;
    uint32_t classes = 0;
    for (const auto& [key, count] : occurrences) {
        if (count > 1) {
            members += count;
            ++classes;
        }
    }
    return {members, classes};
}

TEST(TupleDuplicates, PairsAndTriplesMatchAMapCount)
{
    std::mt19937 random(17);
    for (int round = 0; round < 80; ++round) {
        const uint32_t n = 1 + random() % 3000;
        // Narrow values (packed keys) and values up to the full 32 bits
        // (wide keys).
        const uint32_t largest =
            round % 4 == 3 ? UINT32_MAX : 1 + random() % (round < 40 ? 30 : 5000);
        std::vector<std::array<uint32_t, 3>> keys(n);
        std::vector<bool> skipped(n);
        const uint32_t choices[] = {0, std::min(1u, largest), std::min(2u, largest), largest / 2,
                                    largest - 1, largest};
        for (uint32_t i = 0; i < n; ++i) {
            for (uint32_t& v : keys[i]) {
                v = random() % 3 == 0 ? choices[random() % 6] : random() % (largest / 64 + 2);
            }
            std::sort(keys[i].begin(), keys[i].end());
            skipped[i] = random() % 10 == 0;
        }
        std::vector<std::array<uint32_t, 3>> used3;
        std::vector<std::array<uint32_t, 2>> used2;
        for (uint32_t i = 0; i < n; ++i) {
            if (!skipped[i]) {
                used3.push_back(keys[i]);
                used2.push_back({keys[i][0], keys[i][1]});
            }
        }
        uint32_t members = 0;
        uint32_t classes = 0;
        ASSERT_EQ(CountTripleDuplicates(
                      n, largest,
                      [&](uint32_t i, uint32_t& a, uint32_t& b, uint32_t& c) {
                          a = keys[i][0];
                          b = keys[i][1];
                          c = keys[i][2];
                          return skipped[i] ? TupleKey::Skip : TupleKey::Use;
                      },
                      members, classes),
                  SortedRunsOutcome::Counted);
        EXPECT_EQ(std::make_pair(members, classes), MapCount(used3)) << round;
        ASSERT_EQ(CountPairDuplicates(
                      n, largest,
                      [&](uint32_t i, uint32_t& a, uint32_t& b) {
                          a = keys[i][0];
                          b = keys[i][1];
                          return skipped[i] ? TupleKey::Skip : TupleKey::Use;
                      },
                      members, classes),
                  SortedRunsOutcome::Counted);
        EXPECT_EQ(std::make_pair(members, classes), MapCount(used2)) << round;
    }
}

TEST(TupleDuplicates, ANaNKeyStopsTheCount)
{
    uint32_t members = 7;
    uint32_t classes = 7;
    const auto tripleOf = [](uint32_t i, uint32_t& a, uint32_t& b, uint32_t& c) {
        a = b = c = 0;
        return i == 3 ? TupleKey::HasNaN : TupleKey::Use;
    };
    EXPECT_EQ(CountTripleDuplicates(5, 10, tripleOf, members, classes), SortedRunsOutcome::HasNaN);
    EXPECT_EQ(CountTripleDuplicates(5, UINT32_MAX, tripleOf, members, classes),
              SortedRunsOutcome::HasNaN);
    const auto pairOf = [](uint32_t i, uint32_t& a, uint32_t& b) {
        a = b = 0;
        return i == 3 ? TupleKey::HasNaN : TupleKey::Use;
    };
    EXPECT_EQ(CountPairDuplicates(5, 10, pairOf, members, classes), SortedRunsOutcome::HasNaN);
    EXPECT_EQ(members, 7u);
    EXPECT_EQ(classes, 7u);
}

}  // namespace
}  // namespace meshaudit
