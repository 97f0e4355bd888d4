// The key orders and every duplicate count against plain references (maps,
// stable sorts) on random keys full of ties, -0.0, NaN and extreme values.
#include "containers/CountDuplicates.h"
#include "containers/Keys.h"
#include "containers/MagnitudeSort.h"
#include "containers/Memory.h"
#include "containers/PointRanks.h"
#include "containers/RadixSort.h"
#include "containers/TupleDuplicates.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <random>
#include <set>
#include <type_traits>
#include <vector>

namespace meshaudit {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr DuplicateCodes kCodes{-8, -9, -10, -11};

// Members and classes of a multiset, by a map.
template <typename Key, typename Less = std::less<>>
DuplicateSums MapCount(const std::vector<Key>& keys, Less less = {})
{
    std::map<Key, uint32_t, Less> seen(less);
    for (const Key& k : keys) {
        ++seen[k];
    }
    DuplicateSums sums;
    for (const auto& [key, count] : seen) {
        sums.classes += count > 1 ? 1 : 0;
        sums.members += count > 1 ? count : 0;
    }
    return sums;
}

// Lexicographic order of numbers in which a NaN ends the comparison as a
// tie, whatever follows it, and -0.0 and 0.0 are alike.
template <typename Numbers>
bool NumbersLess(const Numbers& x, const Numbers& y)
{
    for (size_t k = 0; k < x.size(); ++k) {
        if (std::isnan(static_cast<double>(x[k])) || std::isnan(static_cast<double>(y[k])) || x[k] != y[k]) {
            return x[k] < y[k];
        }
    }
    return false;
}

// The counts by sorting, by the tree and (without NaN) by a map of the
// key's numbers agree, every seventh item left out; on small sets the key
// order is NumbersLess, and a point's other relations follow < (and ==
// compares the numbers).
template <typename Key, typename Numbers>
void CheckKeys(const std::vector<Key>& keys, bool withNaN, Numbers numbers)
{
    const uint32_t n = static_cast<uint32_t>(keys.size());
    const auto keyOf = [&](uint32_t i, Key& key) {
        key = keys[i];
        return i % 7 != 3;
    };
    DuplicateSums fast{1, 2}, tree{3, 4};
    ASSERT_EQ(CountDuplicates<Key>(n, keyOf, kCodes, fast), 0);
    ASSERT_EQ(CountDuplicatesInTree<Key>(n, keyOf, kCodes, tree), 0);
    EXPECT_TRUE(fast.members == tree.members && fast.classes == tree.classes) << n;
    for (uint32_t i = 0; i < n && n < 60; ++i) {
        for (uint32_t j = 0; j < n; ++j) {
            const auto x = numbers(keys[i]), y = numbers(keys[j]);
            ASSERT_EQ(keys[i] < keys[j], NumbersLess(x, y));
            if constexpr (std::is_same_v<Key, T3DVECF>) {
                const T3DVECF& a = keys[i];
                const T3DVECF& b = keys[j];
                ASSERT_TRUE((a == b) == (x == y) && (a > b) == (b < a) && (a <= b) == !(b < a) && (a >= b) == !(a < b));
            }
        }
    }
    if (withNaN) {
        return;
    }
    std::vector<decltype(numbers(keys[0]))> used;
    for (uint32_t i = 0; i < n; ++i) {
        if (i % 7 != 3) {
            used.push_back(numbers(keys[i]));  // the map's < takes -0.0 for 0.0
        }
    }
    const DuplicateSums want = MapCount(used);
    EXPECT_TRUE(fast.members == want.members && fast.classes == want.classes) << n;
}

// Keys of every kind over random points and triangles, with many ties.
TEST(CountDuplicates, EveryKeyKindMatchesAMapAndTheTree)
{
    std::mt19937 random(2024);
    const double values[] = {0.0, -0.0, 1.0, -1.0, 0.5, 1.0 + 0x1p-52, 2.0};
    for (int round = 0; round < 90; ++round) {
        const bool withNaN = round % 3 == 2;
        const uint32_t n = 1 + static_cast<uint32_t>(round) * 4;
        std::vector<T3DVECF> points(n);
        for (T3DVECF& p : points) {
            for (double* v : {&p.x, &p.y, &p.z}) {
                *v = withNaN && random() % 40 == 0 ? kNaN : values[random() % 7];
            }
        }
        std::vector<TRIANGLE> tris;
        std::vector<T3DEDGE> edges;
        std::vector<T3DSEGMT> segs;
        std::vector<T3DTRGL> trgls;
        for (uint32_t t = 0; t < n; ++t) {
            uint32_t v[3] = {static_cast<uint32_t>(random() % n), static_cast<uint32_t>(random() % n),
                             static_cast<uint32_t>(random() % n)};
            std::sort(v, v + 3);
            tris.push_back(TRIANGLE{v[0], v[1], v[2]});
            edges.push_back(T3DEDGE{v[0], v[2]});
            T3DVECF c[3] = {points[v[0]], points[v[1]], points[v[2]]};
            std::sort(c, c + 3, [](const T3DVECF& a, const T3DVECF& b) { return a < b; });
            segs.push_back(T3DSEGMT{c[0], c[2]});
            trgls.push_back(T3DTRGL{{c[0], c[1], c[2]}});
        }
        CheckKeys(points, withNaN, [](const T3DVECF& p) { return std::array{p.x, p.y, p.z}; });
        CheckKeys(tris, false, [](const TRIANGLE& t) { return std::array{t.a, t.b, t.c}; });
        CheckKeys(edges, false, [](const T3DEDGE& e) { return std::array{e.first, e.second}; });
        CheckKeys(segs, withNaN, [](const T3DSEGMT& s) {
            return std::array{s.first.x, s.first.y, s.first.z, s.second.x, s.second.y, s.second.z};
        });
        CheckKeys(trgls, withNaN, [](const T3DTRGL& t) {
            const T3DVECF* c = t.corner;
            return std::array{c[0].x, c[0].y, c[0].z, c[1].x, c[1].y, c[1].z, c[2].x, c[2].y, c[2].z};
        });
    }
}

TEST(CountDuplicates, NaNKeysAndFailuresGiveTheirOutcomes)
{
    uint32_t members = 9, classes = 8;
    const auto withNaN = CountSortedRuns<T3DSEGMT>(
        4,
        [](uint32_t i, T3DSEGMT& key) {
            key = T3DSEGMT{T3DVECF{0, 0, 0}, T3DVECF{0, i == 2 ? kNaN : 0.0, 0}};
            return true;
        },
        members, classes);
    EXPECT_EQ(withNaN, SortedRunsOutcome::HasNaN);
    EXPECT_EQ(members, 9u);
    EXPECT_EQ(classes, 8u);

    // Failures give the pool's code and leave the sums: no item (no pool),
    // the key array, the tree's two arrays.
    const auto keyOf = [](uint32_t i, T3DEDGE& key) {
        key = T3DEDGE{i, i};
        return true;
    };
    DuplicateSums sums{77, 88};
    EXPECT_EQ(CountDuplicates<T3DEDGE>(0, keyOf, kCodes, sums), -8);
    for (uint64_t failing = 1; failing <= 3; ++failing) {
        memory_testing::ResetAllocationCounter();
        memory_testing::FailAllocations(failing < 3 ? failing : 1, 1);
        EXPECT_EQ(failing < 3 ? CountDuplicatesInTree<T3DEDGE>(5, keyOf, kCodes, sums)
                              : CountDuplicates<T3DEDGE>(5, keyOf, kCodes, sums),
                  -8);
        EXPECT_EQ(memory_testing::FailedAllocationCount(), 1u);
    }
    memory_testing::ResetAllocationCounter();
    EXPECT_EQ(sums.members, 77u);
    EXPECT_EQ(sums.classes, 88u);
}

TEST(TupleDuplicates, PairsAndTriplesMatchAMapCount)
{
    std::mt19937 random(17);
    for (int round = 0; round < 60; ++round) {
        // Narrow values (packed keys), 22-bit values (triples in buckets by
        // their top bits) and values up to the full 32 bits (wide keys).
        const uint32_t n = round % 4 == 2 ? 1024 + random() % 3000 : 1 + random() % 3000;
        const uint32_t largest = round % 4 == 3   ? UINT32_MAX
                                 : round % 4 == 2 ? (1u << 22) - 1
                                                  : 1 + random() % (round < 30 ? 30 : 5000);
        const uint32_t choices[] = {0, std::min(1u, largest), largest / 2, largest - 1, largest};
        std::vector<std::array<uint32_t, 3>> keys(n), used3;
        std::vector<std::array<uint32_t, 2>> used2;
        for (uint32_t i = 0; i < n; ++i) {
            for (uint32_t& v : keys[i]) {
                v = random() % 3 == 0 ? choices[random() % 5] : random() % (largest / 64 + 2);
                // Few values, apart in their top bits too: keys that differ
                // in any one bit of their first value.
                v = round % 4 == 2 ? ((random() % 8) << 19) | (random() % 4) : v;
            }
            std::sort(keys[i].begin(), keys[i].end());
            if (i % 10 != 4) {
                used3.push_back(keys[i]);
                used2.push_back({keys[i][0], keys[i][1]});
            }
        }
        // In every fifth round one item's key holds a NaN: the counts stop
        // with HasNaN and leave the sums as they were.
        const uint32_t nanItem = round % 5 == 1 ? static_cast<uint32_t>(random() % n) : n;
        const auto use = [&](uint32_t i) {
            return i == nanItem ? TupleKey::HasNaN : (i % 10 == 4 ? TupleKey::Skip : TupleKey::Use);
        };
        const auto outcome = nanItem < n ? SortedRunsOutcome::HasNaN : SortedRunsOutcome::Counted;
        // Each used item's class is its key's first item where the key repeats.
        std::map<std::array<uint32_t, 3>, std::pair<uint32_t, uint32_t>> seen;  // first, count
        for (uint32_t i = 0; i < n; ++i) {
            if (i % 10 != 4) {
                ++seen.try_emplace(keys[i], i, 0).first->second.second;
            }
        }
        uint32_t members = 77, classes = 88;
        DuplicateSums want = nanItem < n ? DuplicateSums{77, 88} : MapCount(used3, std::less<>());
        for (const bool listing : {false, true}) {
            std::vector<uint32_t> firstOf(n, 5);
            ASSERT_EQ(CountTripleDuplicates(
                          n, largest,
                          [&](uint32_t i, uint32_t& a, uint32_t& b, uint32_t& c) {
                              a = keys[i][0], b = keys[i][1], c = keys[i][2];
                              return use(i);
                          },
                          members, classes, listing ? firstOf.data() : nullptr),
                      outcome);
            EXPECT_EQ(members, want.members);
            EXPECT_EQ(classes, want.classes);
            for (uint32_t i = 0; listing && nanItem == n && i < n; ++i) {
                const auto [first, count] = seen[keys[i]];
                ASSERT_EQ(firstOf[i], i % 10 != 4 && count > 1 ? first : kNoClass) << i;
            }
        }
        ASSERT_EQ(CountPairDuplicates(
                      n, largest,
                      [&](uint32_t i, uint32_t& a, uint32_t& b) {
                          a = keys[i][0], b = keys[i][1];
                          return use(i);
                      },
                      members, classes),
                  outcome);
        want = nanItem < n ? DuplicateSums{77, 88} : MapCount(used2, std::less<>());
        EXPECT_EQ(members, want.members);
        EXPECT_EQ(classes, want.classes);
    }
}

// Values with ties of both signs, zeros, infinities, subnormals, NaN payloads.
std::vector<double> RandomValues(std::mt19937_64& random, size_t n)
{
    const double pool[] = {0.0, -0.0, HUGE_VAL, -HUGE_VAL, kNaN, std::bit_cast<double>(0xFFF8000000000001ull),
                           std::bit_cast<double>(0x7FF0000000000001ull), std::numeric_limits<double>::denorm_min(),
                           std::numeric_limits<double>::min(), std::numeric_limits<double>::max(),
                           1.0, -1.0, std::nextafter(1.0, 2.0), 2.5, -2.5};
    std::vector<double> values(n);
    for (double& v : values) {
        switch (random() % 4) {
        case 0:
            v = pool[random() % 15];
            break;
        case 1:
            v = std::bit_cast<double>(random());
            break;
        case 2:
            v = std::ldexp(static_cast<double>(random() % 1000) - 500.0, static_cast<int>(random() % 200) - 100);
            break;
        default:
            v = static_cast<double>(static_cast<int64_t>(random() % 21) - 10) * 0.25;
        }
    }
    return values;
}

// The radix sorts equal stable comparison sorts, bit for bit.
TEST(RadixSort, MagnitudeAndKeySortsMatchStableSorts)
{
    std::mt19937_64 random(4242);
    for (int round = 0; round < 200; ++round) {
        const size_t n = round < 20 ? static_cast<size_t>(round) : 1 + random() % 3000;
        std::vector<double> values = RandomValues(random, n);
        std::vector<double> expected = values, scratch(n);
        std::stable_sort(expected.begin(), expected.end(), [](double a, double b) {
            return !std::isnan(a) && (std::isnan(b) || std::fabs(a) < std::fabs(b));
        });
        SortByMagnitude(values.data(), scratch.data(), static_cast<uint32_t>(n));
        ASSERT_TRUE(n == 0 || std::memcmp(values.data(), expected.data(), n * sizeof(double)) == 0) << round;

        // Keys of varying width (some digits constant), tagged to see stability.
        const int width = 1 + static_cast<int>(random() % 64);
        const uint64_t mask = width == 64 ? ~uint64_t{0} : ((uint64_t{1} << width) - 1);
        const uint64_t fixed = random() & ~mask;
        std::vector<std::pair<uint64_t, uint32_t>> items(n), want, spare(n);
        for (uint32_t i = 0; i < n; ++i) {
            items[i] = {fixed | (random() & mask & (round % 3 == 0 ? 0xF0F : ~uint64_t{0})), i};
        }
        want = items;
        std::stable_sort(want.begin(), want.end(), [](auto& a, auto& b) { return a.first < b.first; });
        const auto* got = RadixSort(items.data(), spare.data(), static_cast<uint32_t>(n),
                                    [](const std::pair<uint64_t, uint32_t>& i) { return i.first; });
        ASSERT_TRUE(std::equal(want.begin(), want.end(), got)) << round;
    }
}

TEST(PointRanks, RanksFollowThePointOrder)
{
    std::mt19937_64 random(3);
    std::vector<double> values = RandomValues(random, 200);
    values.erase(std::remove_if(values.begin(), values.end(), [](double v) { return std::isnan(v); }),
                 values.end());
    for (const double a : values) {
        for (const double b : values) {
            ASSERT_EQ(OrderedBits(a) < OrderedBits(b), a < b) << a << " " << b;
            ASSERT_EQ(OrderedBits(a) == OrderedBits(b), a == b) << a << " " << b;
        }
    }
    for (int round = 0; round < 40; ++round) {
        const uint32_t n = 1 + random() % (round < 20 ? 50 : 3000);
        const size_t spread = 1 + random() % 12;
        std::vector<T3DVECF> points(n);
        for (T3DVECF& p : points) {
            p = T3DVECF{values[random() % spread], values[random() % spread], values[random() % spread]};
            p.y = round % 2 == 1 && random() % 40 == 0 ? kNaN : p.y;
        }
        std::vector<uint32_t> ranks(n);
        PointRanking ranking;
        ASSERT_TRUE(RankPoints(points.data(), n, ranks.data(), ranking));
        std::vector<T3DVECF> clean;
        uint32_t nanPoints = 0;
        for (uint32_t i = 0; i < n; ++i) {
            if (HasNaN(points[i])) {
                ++nanPoints;
                EXPECT_EQ(ranks[i], kNaNRank);
                continue;
            }
            clean.push_back(points[i]);
            for (uint32_t j = 0; j < n; j += 7) {
                if (!HasNaN(points[j])) {
                    ASSERT_EQ(ranks[i] < ranks[j], points[i] < points[j]) << round;
                    ASSERT_EQ(ranks[i] == ranks[j], points[i] == points[j]) << round;
                }
            }
        }
        const auto less = [](const T3DVECF& a, const T3DVECF& b) { return a < b; };
        const DuplicateSums want = MapCount(clean, less);
        EXPECT_EQ(ranking.nanPoints, nanPoints);
        EXPECT_EQ(ranking.distinct, (std::set<T3DVECF, decltype(less)>(clean.begin(), clean.end(), less).size()));
        EXPECT_EQ(ranking.members, want.members);
        EXPECT_EQ(ranking.classes, want.classes);
    }
    const T3DVECF three[3] = {{1, 2, 3}, {0, 0, 0}, {1, 2, 3}};
    for (uint64_t k = 1; k <= 3; ++k) {
        memory_testing::ResetAllocationCounter();
        memory_testing::FailAllocations(k, 1);
        PointRanking ranking;
        uint32_t* ranks = NewPointRanks(three, 3, ranking);
        EXPECT_EQ(ranks == nullptr, memory_testing::FailedAllocationCount() != 0);
        EXPECT_TRUE(ranks == nullptr || ranking.classes == 1u);
        Free(ranks);
    }
    memory_testing::ResetAllocationCounter();
}

}  // namespace
}  // namespace meshaudit
