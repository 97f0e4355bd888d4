#include "repair/EqualPointGroups.h"

#include "containers/Memory.h"
#include "repair/RepairSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

namespace meshaudit {
namespace {

using testing::SamePoint;

struct Grouping {
    GroupingOutcome outcome;
    uint32_t count = 0;
    std::vector<uint32_t> groups;
    std::vector<T3DVECF> firsts;
    std::vector<uint32_t> sizes;
};

Grouping Group(const std::vector<T3DVECF>& points)
{
    const auto n = static_cast<uint32_t>(points.size());
    Grouping g;
    g.groups.assign(n, 0);
    g.firsts.assign(n, T3DVECF{});
    g.sizes.assign(n, 0);
    g.outcome = GroupEqualPoints(points.data(), n, g.groups.data(), g.firsts.data(), g.sizes.data(), g.count);
    return g;
}

// All pairs: a point joins the group of the first earlier point equal to it.
void ExpectBruteForceGroups(const std::vector<T3DVECF>& points)
{
    const Grouping g = Group(points);
    ASSERT_EQ(g.outcome, GroupingOutcome::Grouped);
    std::vector<uint32_t> firstOf;  // first point of each group
    std::vector<uint32_t> sizes;
    for (uint32_t i = 0; i < points.size(); ++i) {
        const T3DVECF& p = points[i];
        uint32_t group = static_cast<uint32_t>(firstOf.size());
        for (uint32_t k = 0; k < firstOf.size(); ++k) {
            const T3DVECF& q = points[firstOf[k]];
            if (p.x == q.x && p.y == q.y && p.z == q.z) {
                group = k;
                break;
            }
        }
        if (group == firstOf.size()) {
            firstOf.push_back(i);
            sizes.push_back(0);
        }
        ++sizes[group];
        ASSERT_EQ(g.groups[i], group) << "point " << i;
    }
    ASSERT_EQ(g.count, firstOf.size());
    for (uint32_t k = 0; k < g.count; ++k) {
        EXPECT_TRUE(SamePoint(g.firsts[k], points[firstOf[k]])) << "group " << k;
        EXPECT_EQ(g.sizes[k], sizes[k]) << "group " << k;
    }
}

TEST(EqualPointGroups, GroupsInOrderOfFirstOccurrenceWithBothZerosAlike)
{
    const std::vector<T3DVECF> points = {
        {1, 2, 3}, {0.0, 0.0, 0.0}, {1, 2, 3}, {-0.0, 0.0, -0.0}, {1, 2, 3.0000000000000004}, {0.0, -0.0, 0.0},
    };
    const Grouping g = Group(points);
    ASSERT_EQ(g.outcome, GroupingOutcome::Grouped);
    ASSERT_EQ(g.count, 3u);
    EXPECT_EQ(g.groups, (std::vector<uint32_t>{0, 1, 0, 1, 2, 1}));
    EXPECT_EQ(g.sizes[0], 2u);
    EXPECT_EQ(g.sizes[1], 3u);
    EXPECT_EQ(g.sizes[2], 1u);
    // A group keeps its first point's own bits.
    EXPECT_FALSE(std::signbit(g.firsts[1].x));
    ExpectBruteForceGroups(points);
}

// Values that tempt a hash: both zeros, neighbours one unit in the last place
// apart, single-precision values (low bits zero), subnormals, and many
// repeats, in numbers that make the table grow several times.
TEST(EqualPointGroups, MatchesAllPairsOnRandomCloudsFullOfCopies)
{
    const double pool[] = {0.0,    -0.0,          1.0,    std::nextafter(1.0, 2.0), std::nextafter(1.0, 0.0),
                           -1.0,   0.1,           0.1f,   5e-324,                   -5e-324,
                           1e300,  -2.5,          1e-310, 3.0,                      7.25};
    const uint32_t poolSize = sizeof pool / sizeof pool[0];
    for (uint32_t seed = 1; seed <= 6; ++seed) {
        std::mt19937 rng(seed);
        std::vector<T3DVECF> points;
        const uint32_t n = 600 * seed;
        for (uint32_t i = 0; i < n; ++i) {
            if (i > 0 && rng() % 3 == 0) {
                points.push_back(points[rng() % points.size()]);
            } else if (rng() % 2 == 0) {
                points.push_back(T3DVECF{pool[rng() % poolSize], pool[rng() % poolSize], pool[rng() % poolSize]});
            } else {
                const double v = static_cast<double>(rng() % 100000) / 7.0;
                points.push_back(T3DVECF{v, static_cast<float>(v), -v});
            }
        }
        ExpectBruteForceGroups(points);
    }
}

TEST(EqualPointGroups, EveryPointDistinctGrowsTheTableThroughManySizes)
{
    std::vector<T3DVECF> points;
    for (uint32_t i = 0; i < 20000; ++i) {
        points.push_back(T3DVECF{static_cast<double>(i % 101), static_cast<double>(i / 101), 0.5});
    }
    const Grouping g = Group(points);
    ASSERT_EQ(g.outcome, GroupingOutcome::Grouped);
    ASSERT_EQ(g.count, points.size());
    for (uint32_t i = 0; i < points.size(); ++i) {
        ASSERT_EQ(g.groups[i], i);
        ASSERT_EQ(g.sizes[i], 1u);
    }
}

TEST(EqualPointGroups, ANonFiniteCoordinateAnywhereStopsTheGrouping)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    for (double bad : {nan, inf, -inf}) {
        for (uint32_t at = 0; at < 3; ++at) {
            for (int axis = 0; axis < 3; ++axis) {
                std::vector<T3DVECF> points(3, T3DVECF{1, 1, 1});
                double* c[3] = {&points[at].x, &points[at].y, &points[at].z};
                *c[axis] = bad;
                EXPECT_EQ(Group(points).outcome, GroupingOutcome::NotFinite);
            }
        }
    }
}

TEST(EqualPointGroups, TheCallersCheckSeesEachNewGroupOnceAndCanStopTheGrouping)
{
    const std::vector<T3DVECF> points = {{0, 0, 0}, {1, 0, 0}, {0, 0, 0}, {2, 0, 0}, {1, 0, 0}, {3, 0, 0}};
    struct Seen {
        std::vector<double> xs;
        uint32_t refuse;
    };
    const auto check = [](const T3DVECF* firsts, uint32_t group, const void* context) {
        auto* seen = static_cast<Seen*>(const_cast<void*>(context));
        EXPECT_EQ(group, seen->xs.size());
        seen->xs.push_back(firsts[group].x);
        return group != seen->refuse;
    };
    std::vector<uint32_t> groups(points.size());
    std::vector<uint32_t> sizes(points.size());
    std::vector<T3DVECF> firsts(points.size());
    uint32_t count = 0;

    Seen all{{}, 99};
    EXPECT_EQ(GroupEqualPoints(points.data(), 6, groups.data(), firsts.data(), sizes.data(), count, check, &all),
              GroupingOutcome::Grouped);
    EXPECT_EQ(all.xs, (std::vector<double>{0, 1, 2, 3}));

    Seen upToTwo{{}, 2};
    EXPECT_EQ(GroupEqualPoints(points.data(), 6, groups.data(), firsts.data(), sizes.data(), count, check,
                               &upToTwo),
              GroupingOutcome::Stopped);
    EXPECT_EQ(upToTwo.xs, (std::vector<double>{0, 1, 2}));
}

TEST(EqualPointGroups, CoordinatesCraftedToCollideStopTheGroupingEarly)
{
    const std::vector<T3DVECF> points = testing::CollidingPoints(3000);
    EXPECT_EQ(Group(points).outcome, GroupingOutcome::Crowded);
    // A few of them still fit in the probe limit, and group as usual.
    ExpectBruteForceGroups(std::vector<T3DVECF>(points.begin(), points.begin() + 50));
}

TEST(EqualPointGroups, AFailingTableAllocationIsReported)
{
    std::vector<T3DVECF> points;
    for (uint32_t i = 0; i < 5000; ++i) {
        points.push_back(T3DVECF{static_cast<double>(i), 0, 0});
    }
    // The first table, then the grown one.
    for (uint64_t k = 1; k <= 2; ++k) {
        memory_testing::ResetAllocationCounter();
        memory_testing::FailAllocations(k, 1);
        const Grouping g = Group(points);
        memory_testing::ResetAllocationCounter();
        EXPECT_EQ(g.outcome, GroupingOutcome::OutOfMemory) << "allocation " << k;
    }
}

}  // namespace
}  // namespace meshaudit
