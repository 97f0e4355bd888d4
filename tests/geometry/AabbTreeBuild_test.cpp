// The depth-first build must make the breadth-first build's tree, byte for byte.
#include "containers/Memory.h"
#include "geometry/AabbTreeBuild.h"
#include "geometry/PntAabbTree.h"
#include "geometry/TreeChecks.h"
#include "geometry/TriAabbTree.h"
#include "support/TestMeshes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

namespace meshaudit {
namespace {

// The entry descriptions of the two trees.
struct TriTraits {
    static void Extend(C3DAABB& box, const TriEntry& e) { box.Extend(e.box); }
    template <int A>
    static double Centre(const TriEntry& e)
    {
        return (AxisCoordinate<A>(e.box.min) + AxisCoordinate<A>(e.box.max)) * 0.5;
    }
    template <int A>
    static double SortKey(const TriEntry& e)
    {
        return AxisCoordinate<A>(e.box.min) + AxisCoordinate<A>(e.box.max);
    }
};

struct PntTraits {
    static void Extend(C3DAABB& box, const PntEntry& e) { box.Extend(e.point); }
    template <int A>
    static double Centre(const PntEntry& e)
    {
        return AxisCoordinate<A>(e.point);
    }
    template <int A>
    static double SortKey(const PntEntry& e)
    {
        return AxisCoordinate<A>(e.point);
    }
};

bool SameBits(const void* a, const void* b, size_t bytes)
{
    return std::memcmp(a, b, bytes) == 0;
}

bool SameEntry(const TriEntry& a, const TriEntry& b)
{
    return a.index == b.index && a.triangle.a == b.triangle.a && a.triangle.b == b.triangle.b &&
           a.triangle.c == b.triangle.c && SameBits(&a.box, &b.box, sizeof(C3DAABB));
}

bool SameEntry(const PntEntry& a, const PntEntry& b)
{
    return a.index == b.index && SameBits(&a.point, &b.point, sizeof(T3DVECF));
}

// Both blocks hold the nodes from the root on, in the same places.
void ExpectSameNodes(const BuiltNodes& x, const BuiltNodes& y)
{
    ASSERT_EQ(x.count, y.count);
    EXPECT_EQ(x.height, y.height);
    for (uint32_t k = 0; k < x.count; ++k) {
        const AABBNode& a = x.root[k];
        const AABBNode& b = y.root[k];
        ASSERT_EQ(a.first, b.first) << "node " << k;
        ASSERT_EQ(a.last, b.last) << "node " << k;
        ASSERT_TRUE(SameBits(&a.box, &b.box, sizeof(C3DAABB))) << "node " << k;
        ASSERT_EQ(a.IsLeaf(), b.IsLeaf()) << "node " << k;
        if (!a.IsLeaf()) {
            ASSERT_EQ(a.Left() - x.root, b.Left() - y.root) << "node " << k;
        }
    }
}

// Compares BuildNodes with the breadth-first build; returns how the depth-first build ends.
template <typename Traits, typename Entry>
detail::DepthFirstBuild ExpectSameBuilds(const std::vector<Entry>& input)
{
    const uint32_t count = static_cast<uint32_t>(input.size());
    std::vector<Entry> viaNodes = input;
    std::vector<Entry> viaBreadth = input;
    std::vector<Entry> viaDepth = input;
    BuiltNodes a;
    BuiltNodes b;
    BuiltNodes c;
    uint32_t refills = 0;
    EXPECT_TRUE(BuildNodes<Traits>(viaNodes.data(), count, a, [&] {
        ++refills;
        viaNodes = input;
    }));
    EXPECT_TRUE(detail::BuildBreadthFirst<Traits>(viaBreadth.data(), count, b));
    const detail::DepthFirstBuild depth = detail::BuildDepthFirst<Traits>(viaDepth.data(), count, c);
    EXPECT_EQ(refills, depth == detail::DepthFirstBuild::BudgetShort ? 1u : 0u);
    ExpectSameNodes(a, b);
    for (uint32_t k = 0; k < count; ++k) {
        EXPECT_TRUE(SameEntry(viaNodes[k], viaBreadth[k])) << "entry " << k;
    }
    Free(a.block);
    Free(b.block);
    Free(c.block);
    return depth;
}

// Coordinates with many ties (a coarse lattice), and now and then NaN, -0.0,
// 0.0 or an infinity.
std::vector<T3DVECF> Points(uint32_t count, uint32_t lattice, double oddShare, uint32_t seed)
{
    std::mt19937 rng(seed);
    std::uniform_int_distribution<uint32_t> step(0, lattice);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    auto coordinate = [&]() {
        if (unit(rng) < oddShare) {
            switch (rng() % 4) {
            case 0:
                return std::numeric_limits<double>::quiet_NaN();
            case 1:
                return -0.0;
            case 2:
                return 0.0;
            default:
                return rng() % 2 == 0 ? std::numeric_limits<double>::infinity()
                                      : -std::numeric_limits<double>::infinity();
            }
        }
        return lattice == 0 ? unit(rng) * 100.0 : step(rng) * 0.5;
    };
    std::vector<T3DVECF> points;
    for (uint32_t k = 0; k < count; ++k) {
        points.push_back(T3DVECF{coordinate(), coordinate(), coordinate()});
    }
    return points;
}

std::vector<PntEntry> PointEntries(const std::vector<T3DVECF>& points)
{
    std::vector<PntEntry> entries(points.size());
    for (uint32_t k = 0; k < points.size(); ++k) {
        entries[k].index = k;
        entries[k].point = points[k];
    }
    return entries;
}

// Triangles over nearby points of `points` (by index).
std::vector<TriEntry> TriangleEntries(const std::vector<T3DVECF>& points, uint32_t count, uint32_t seed)
{
    std::mt19937 rng(seed);
    const uint32_t n = static_cast<uint32_t>(points.size());
    std::vector<TriEntry> entries(count);
    for (uint32_t k = 0; k < count; ++k) {
        const uint32_t base = static_cast<uint32_t>(rng() % n);
        const uint32_t b = static_cast<uint32_t>((base + 1 + rng() % 3) % n);
        const uint32_t c = static_cast<uint32_t>((base + 2 + rng() % 5) % n);
        const TRIANGLE t{base, b, c};
        entries[k].index = k;
        entries[k].triangle = t;
        entries[k].box = C3DAABB{};
        entries[k].box.Extend(points[t.a]);
        entries[k].box.Extend(points[t.b]);
        entries[k].box.Extend(points[t.c]);
    }
    return entries;
}

struct Tally {
    uint32_t built = 0;
    uint32_t short_ = 0;
    void Add(detail::DepthFirstBuild d)
    {
        (d == detail::DepthFirstBuild::Built ? built : short_) += 1;
    }
};

TEST(AabbTreeBuild, DepthFirstMatchesBreadthFirstOnVariedInputs)
{
    struct Case {
        uint32_t count;
        uint32_t lattice;  // 0: continuous coordinates
        double oddShare;
    };
    const Case cases[] = {
        {1, 0, 0.0},      {10, 0, 0.0},     {11, 0, 0.0},    {12, 4, 0.0},  {37, 2, 0.1},
        {500, 0, 0.0},    {500, 3, 0.0},    {2000, 10, 0.0}, {3000, 0, 0.02}, {3000, 6, 0.2},
        {20000, 0, 0.0},  {20000, 40, 0.01}, {5000, 1, 0.0},  {4000, 0, 0.9},
    };
    Tally tally;
    uint32_t seed = 7;
    for (const Case& c : cases) {
        for (int k = 0; k < 2; ++k, ++seed) {
            const std::vector<T3DVECF> points = Points(c.count, c.lattice, c.oddShare, seed);
            tally.Add(ExpectSameBuilds<PntTraits>(PointEntries(points)));
            tally.Add(ExpectSameBuilds<TriTraits>(TriangleEntries(points, c.count, seed)));
        }
    }
    EXPECT_GT(tally.built, 30u);
    EXPECT_GT(tally.short_, 0u);
}

// Many coincident entries run the sorting budget short: the breadth-first build decides.
TEST(AabbTreeBuild, BudgetShortInputsHandOverToTheBreadthFirstBuild)
{
    Tally tally;
    for (const uint32_t count : {2000u, 30000u}) {
        std::vector<T3DVECF> points(count, T3DVECF{1.0, 2.0, 3.0});
        tally.Add(ExpectSameBuilds<PntTraits>(PointEntries(points)));
        points[count / 3] = T3DVECF{1e9, 0.0, 0.0};
        points[count / 2] = T3DVECF{-1e9, 5.0, 0.0};
        tally.Add(ExpectSameBuilds<PntTraits>(PointEntries(points)));
        tally.Add(ExpectSameBuilds<TriTraits>(TriangleEntries(points, count, count)));
        // A spread-out half and a coincident half.
        std::vector<T3DVECF> mixed = Points(count, 0, 0.0, count);
        for (uint32_t k = 0; k < count / 2; ++k) {
            mixed[k * 2] = T3DVECF{-0.0, 0.0, 50.0};
        }
        tally.Add(ExpectSameBuilds<PntTraits>(PointEntries(mixed)));
        tally.Add(ExpectSameBuilds<TriTraits>(TriangleEntries(mixed, count, count + 1)));
    }
    // Coincident points within the budget: the sorts are paid for.
    std::vector<T3DVECF> few(200, T3DVECF{0.0, 0.0, 0.0});
    tally.Add(ExpectSameBuilds<PntTraits>(PointEntries(few)));
    EXPECT_GT(tally.short_, 3u);
    EXPECT_GT(tally.built, 0u);
}

// The trees built over such inputs keep their invariants, and fail cleanly
// at every allocation, including those of the hand-over.
TEST(AabbTreeBuild, HandOverFailsCleanlyAtEveryAllocation)
{
    testing::TestMesh m;
    m.AddPoint(0, 0, 0);
    m.AddPoint(1, 0, 0);
    m.AddPoint(0, 1, 0);
    m.AddPoint(1e9, 0, 0);
    for (int k = 0; k < 5000; ++k) {
        m.AddTriangle(0, 1, 2);
    }
    m.AddTriangle(3, 1, 2);
    uint64_t k = 1;
    for (;; ++k) {
        memory_testing::ResetAllocationCounter();
        memory_testing::FailAllocations(k, 1);
        C3DTriAABBTree tree;
        const int built = tree.Build(m.Record());
        const uint64_t failed = memory_testing::FailedAllocationCount();
        memory_testing::ResetAllocationCounter();
        if (failed == 0) {
            ASSERT_EQ(built, 1);
            const TriEntry* e = tree.Entries();
            testing::CheckStructure(
                tree.Root(), tree.EntryCount(), tree.NodeCount(),
                static_cast<uint32_t>(m.triangles.size()), [&](uint32_t i) { return e[i].box; },
                [&](uint32_t i) { return e[i].index; });
            break;
        }
        EXPECT_EQ(built, 0) << "allocation " << k;
        EXPECT_EQ(tree.Root(), nullptr);
    }
    // entries, the depth-first nodes and stack, the breadth-first nodes, the
    // laid-out nodes and the copy stack
    EXPECT_EQ(k, 7u);
}

}  // namespace
}  // namespace meshaudit
