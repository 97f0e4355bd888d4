#include "containers/Memory.h"
#include "geometry/PntAabbTree.h"
#include "geometry/ReferenceTree.h"
#include "geometry/TreeChecks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

namespace meshaudit {
namespace {

using testing::RefItem;

// A point cloud with the one triangle a point tree requires.
struct Cloud {
    std::vector<T3DVECF> points;
    TRIANGLE triangle{0, 0, 0};

    MeshRecord Record()
    {
        return MeshRecord{points.data(), static_cast<uint32_t>(points.size()), &triangle, 1};
    }
};

Cloud Uniform(uint32_t n, uint32_t seed)
{
    std::mt19937_64 rng(seed);
    std::uniform_real_distribution<double> u(-10.0, 10.0);
    Cloud c;
    for (uint32_t i = 0; i < n; ++i) {
        c.points.push_back(T3DVECF{u(rng), u(rng), u(rng)});
    }
    return c;
}

// Tight clusters, exact copies of earlier points and points snapped to a
// coarse grid (many equal coordinates), shuffled together.
Cloud Clustered(uint32_t n, uint32_t seed)
{
    std::mt19937_64 rng(seed);
    std::uniform_real_distribution<double> u(-10.0, 10.0);
    std::normal_distribution<double> g(0.0, 0.05);
    std::uniform_int_distribution<int> kind(0, 9);
    std::vector<T3DVECF> centres;
    for (int k = 0; k < 12; ++k) {
        centres.push_back(T3DVECF{u(rng), u(rng), u(rng)});
    }
    Cloud c;
    for (uint32_t i = 0; i < n; ++i) {
        const int k = kind(rng);
        if (k < 5) {
            const T3DVECF& m = centres[i % centres.size()];
            c.points.push_back(T3DVECF{m.x + g(rng), m.y + g(rng), m.z + g(rng)});
        } else if (k < 7 && !c.points.empty()) {
            c.points.push_back(c.points[rng() % c.points.size()]);
        } else if (k < 9) {
            c.points.push_back(T3DVECF{std::round(u(rng)), std::round(u(rng)) * 0.5, std::round(u(rng))});
        } else {
            c.points.push_back(T3DVECF{u(rng), u(rng), u(rng)});
        }
    }
    return c;
}

std::vector<RefItem> Items(const Cloud& c)
{
    std::vector<RefItem> items;
    for (uint32_t i = 0; i < c.points.size(); ++i) {
        C3DAABB b;
        b.Extend(c.points[i]);
        items.push_back(RefItem{i, b, true});
    }
    return items;
}

// The invariants, and every entry keeps its point's coordinates bit for bit.
void CheckTree(const C3DPntAABBTree& tree, const Cloud& c)
{
    const PntEntry* e = tree.Entries();
    const uint32_t pointCount = static_cast<uint32_t>(c.points.size());
    ASSERT_EQ(tree.EntryCount(), pointCount);
    testing::CheckStructure(
        tree.Root(), tree.EntryCount(), tree.NodeCount(), pointCount,
        [&](uint32_t k) {
            C3DAABB b;
            b.Extend(e[k].point);
            return b;
        },
        [&](uint32_t k) { return e[k].index; });
    for (uint32_t k = 0; k < pointCount; ++k) {
        ASSERT_EQ(std::memcmp(&e[k].point, &c.points[e[k].index], sizeof(T3DVECF)), 0)
            << "entry " << k;
    }
}

uint32_t Height(const AABBNode* node)
{
    if (node == nullptr || node->IsLeaf()) {
        return 0;
    }
    return 1 + std::max(Height(node->Left()), Height(node->Right()));
}

TEST(PntAabbTree, RejectsAnIncompleteMesh)
{
    Cloud c = Uniform(20, 1);
    C3DPntAABBTree tree;
    MeshRecord m = c.Record();
    m.points = nullptr;
    EXPECT_EQ(tree.Build(m), 0);
    m = c.Record();
    m.triangles = nullptr;
    EXPECT_EQ(tree.Build(m), 0);
    m = c.Record();
    m.pointCount = 0;
    EXPECT_EQ(tree.Build(m), 0);
    m = c.Record();
    m.triangleCount = 0;
    EXPECT_EQ(tree.Build(m), 0);
    EXPECT_EQ(tree.Root(), nullptr);
    uint32_t counter = 0;
    tree.CountInBall(T3DSPHERE{{0, 0, 0}, 100.0}, counter);
    EXPECT_EQ(counter, 0u);  // a tree that is not built finds nothing
    EXPECT_EQ(tree.Build(c.Record()), 1);
    EXPECT_EQ(tree.EntryCount(), 20u);
    EXPECT_EQ(tree.LeafSize(), 5u);
}

TEST(PntAabbTree, ElevenCoincidentPointsFallBackToTheSort)
{
    Cloud c;
    c.points.assign(11, T3DVECF{1.0, 2.0, 3.0});
    C3DPntAABBTree tree;
    ASSERT_EQ(tree.Build(c.Record()), 1);
    const AABBNode* root = tree.Root();
    ASSERT_FALSE(root->IsLeaf());
    EXPECT_EQ(root->Left()->Count(), 5u);
    EXPECT_EQ(root->Right()->Count(), 6u);
    EXPECT_TRUE(root->Left()->IsLeaf());
    EXPECT_TRUE(root->Right()->IsLeaf());
    CheckTree(tree, c);
    testing::ExpectShapeOfReference(
        root, tree.EntryCount(), [&](uint32_t k) { return tree.Entries()[k].index; },
        testing::ReferenceBuild(Items(c)));
}

TEST(PntAabbTree, ShapeFollowsThePartitionAndTheSort)
{
    // Up to ten points make one leaf in input order.
    const uint32_t sizes[] = {1, 2, 10, 11, 12, 15, 21, 37, 100, 1000, 20000};
    for (uint32_t n : sizes) {
        for (uint32_t seed = 1; seed <= 3; ++seed) {
            // Large clustered clouds exceed the sorting budget and leave the reference shape.
            std::vector<Cloud> clouds{Uniform(n, seed)};
            if (n <= 1000) {
                clouds.push_back(Clustered(n, seed));
            }
            for (Cloud c : clouds) {
                C3DPntAABBTree tree;
                ASSERT_EQ(tree.Build(c.Record()), 1);
                CheckTree(tree, c);
                testing::ExpectShapeOfReference(
                    tree.Root(), tree.EntryCount(),
                    [&](uint32_t k) { return tree.Entries()[k].index; },
                    testing::ReferenceBuild(Items(c)));
            }
        }
    }
}

// Inputs on which the split keeps landing on one side must still give shallow trees.
TEST(PntAabbTree, DegenerateInputsStayShallow)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    std::vector<Cloud> clouds(3);
    clouds[0].points.assign(60000, T3DVECF{0.5, 0.5, 0.5});
    clouds[1] = Uniform(60000, 4);
    clouds[1].points.push_back(T3DVECF{1e6, 0, 0});
    clouds[2].points.assign(30000, T3DVECF{nan, nan, nan});
    for (Cloud& c : clouds) {
        C3DPntAABBTree tree;
        ASSERT_EQ(tree.Build(c.Record()), 1);
        CheckTree(tree, c);
        EXPECT_LT(Height(tree.Root()), 200u);
        uint32_t counter = 0;
        tree.CountInBall(T3DSPHERE{c.points[0], 0.0}, counter);
        EXPECT_GE(counter, 1u);
    }
}

// Points converging to 0 by halving: every split peels off one scale, so the
// tree is as deep as there are scales, and queries must still walk it.
TEST(PntAabbTree, DeepTreesAreWalkedWithoutRecursion)
{
    Cloud c;
    for (int i = 0; i < 20000; ++i) {
        c.points.push_back(T3DVECF{std::ldexp(1.0, -(i % 1000)), 0.25 * (i % 7), 0});
    }
    C3DPntAABBTree tree;
    ASSERT_EQ(tree.Build(c.Record()), 1);
    CheckTree(tree, c);
    EXPECT_GT(Height(tree.Root()), 500u);
    uint32_t counter = 0;
    tree.CountInBall(T3DSPHERE{{0, 0, 0}, 1e-200}, counter);
    uint32_t expected = 0;
    for (const T3DVECF& p : c.points) {
        expected += ClassifyPointBall(p, T3DSPHERE{{0, 0, 0}, 1e-200}) != '0';
    }
    EXPECT_EQ(counter, expected);
    EXPECT_GT(expected, 0u);
}

// Queries --------------------------------------------------------------------

bool InBall(const T3DVECF& p, const T3DSPHERE& s)
{
    return ClassifyPointBall(p, s) != '0';
}

// The walk written as plain recursion, with BoxInsideBall by its definition
// (every corner classified), as a reference for CollectInBall's order.
void RecursiveCollect(const AABBNode* node, const PntEntry* entries, const T3DSPHERE& s,
                      std::vector<uint32_t>& out)
{
    if (node == nullptr || BoxMeetsBall(node->box, s) == '0') {
        return;
    }
    const C3DAABB& b = node->box;
    bool inside = true;
    for (int k = 0; k < 8; ++k) {
        const T3DVECF corner{(k & 1) ? b.max.x : b.min.x, (k & 2) ? b.max.y : b.min.y,
                             (k & 4) ? b.max.z : b.min.z};
        inside = inside && ClassifyPointBall(corner, s) != '0';
    }
    if (inside) {
        for (uint32_t k = node->first; k <= node->last; ++k) {
            out.push_back(entries[k].index);
        }
    } else if (node->IsLeaf()) {
        for (uint32_t k = node->first; k <= node->last; ++k) {
            if (InBall(entries[k].point, s)) {
                out.push_back(entries[k].index);
            }
        }
    } else {
        RecursiveCollect(node->Left(), entries, s, out);
        RecursiveCollect(node->Right(), entries, s, out);
    }
}

void CompareQueries(Cloud& c, const std::vector<T3DSPHERE>& balls)
{
    const uint32_t n = static_cast<uint32_t>(c.points.size());
    C3DPntAABBTree tree;
    ASSERT_EQ(tree.Build(c.Record()), 1);
    std::vector<uint32_t> out(n + 1, 0xDEADBEEFu);
    for (const T3DSPHERE& s : balls) {
        std::vector<uint32_t> brute;
        for (uint32_t i = 0; i < n; ++i) {
            if (InBall(c.points[i], s)) {
                brute.push_back(i);
            }
        }
        uint32_t counter = 7;  // CountInBall adds to what the caller has
        tree.CountInBall(s, counter);
        ASSERT_EQ(counter, 7 + brute.size());

        uint32_t count = 1;  // and CollectInBall appends
        tree.CollectInBall(s, out.data(), count);
        ASSERT_EQ(count, 1 + brute.size());
        std::vector<uint32_t> got(out.begin() + 1, out.begin() + count);
        std::vector<uint32_t> expectedOrder;
        RecursiveCollect(tree.Root(), tree.Entries(), s, expectedOrder);
        ASSERT_EQ(got, expectedOrder);
        std::sort(got.begin(), got.end());
        ASSERT_EQ(got, brute);
    }
}

std::vector<T3DSPHERE> Balls(const Cloud& c, uint32_t seed, uint32_t count)
{
    std::mt19937_64 rng(seed);
    std::uniform_real_distribution<double> u(-11.0, 11.0);
    const double radii[] = {0.0, 1e-12, 0.01, 0.05, 0.3, 1.0, 3.0, 30.0, -0.3};
    std::vector<T3DSPHERE> balls;
    for (uint32_t k = 0; k < count; ++k) {
        const double r = radii[k % 9];
        if (k % 2 == 0) {
            balls.push_back(T3DSPHERE{c.points[rng() % c.points.size()], r});
        } else {
            balls.push_back(T3DSPHERE{{u(rng), u(rng), u(rng)}, r});
        }
    }
    return balls;
}

TEST(PntAabbTree, QueriesMatchBruteForce)
{
    for (uint32_t seed = 1; seed <= 4; ++seed) {
        for (uint32_t n : {1u, 10u, 11u, 57u, 3000u}) {
            Cloud uniform = Uniform(n, seed);
            CompareQueries(uniform, Balls(uniform, seed, 300));
            Cloud clustered = Clustered(n, seed + 100);
            CompareQueries(clustered, Balls(clustered, seed, 300));
        }
    }
}

TEST(PntAabbTree, QueriesOnDegenerateInputsMatchBruteForce)
{
    Cloud coincident;
    coincident.points.assign(5000, T3DVECF{1, 1, 1});
    coincident.points.push_back(T3DVECF{1, 1, 1.5});
    CompareQueries(coincident, {T3DSPHERE{{1, 1, 1}, 0.0}, T3DSPHERE{{1, 1, 1}, 0.5},
                                T3DSPHERE{{1, 1, 1.4}, 0.2}});
    Cloud outlier = Clustered(5000, 5);
    outlier.points.push_back(T3DVECF{1e7, 1e7, 1e7});
    CompareQueries(outlier, Balls(outlier, 5, 100));
}

TEST(PntAabbTree, APointExactlyOnTheSphereCounts)
{
    Cloud c;
    c.points = {{0, 0, 0}, {3, 4, 0}, {0, -5, 0}, {0, 0, 5.000000000000001}, {1, 1, 1}};
    C3DPntAABBTree tree;
    ASSERT_EQ(tree.Build(c.Record()), 1);
    uint32_t counter = 0;
    tree.CountInBall(T3DSPHERE{{0, 0, 0}, 5.0}, counter);
    EXPECT_EQ(counter, 4u);
    uint32_t out[5];
    uint32_t count = 0;
    tree.CollectInBall(T3DSPHERE{{3, 4, 0}, 0.0}, out, count);
    ASSERT_EQ(count, 1u);
    EXPECT_EQ(out[0], 1u);
}

TEST(PntAabbTree, NaNCoordinatesCountAsUndecidedInside)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    Cloud c = Uniform(40, 2);
    c.points[7] = T3DVECF{nan, 0, 0};
    C3DPntAABBTree tree;
    ASSERT_EQ(tree.Build(c.Record()), 1);
    // A ball around a NaN centre meets and holds every box: all points.
    uint32_t counter = 0;
    tree.CountInBall(T3DSPHERE{{nan, 0, 0}, 1.0}, counter);
    EXPECT_EQ(counter, 40u);
    // Around a proper centre (where the NaN point is unpredictable) a proper point is found.
    std::vector<uint32_t> out(40);
    uint32_t count = 0;
    tree.CollectInBall(T3DSPHERE{c.points[3], 0.0}, out.data(), count);
    EXPECT_NE(std::find(out.begin(), out.begin() + count, 3u), out.begin() + count);
}

TEST(PntAabbTree, RebuildAndResetRelease)
{
    Cloud a = Uniform(300, 1);
    Cloud b = Clustered(50, 2);
    C3DPntAABBTree tree;
    ASSERT_EQ(tree.Build(a.Record()), 1);
    ASSERT_EQ(tree.Build(b.Record()), 1);
    EXPECT_EQ(tree.EntryCount(), 50u);
    CheckTree(tree, b);
    tree.Reset();
    EXPECT_EQ(tree.Root(), nullptr);
    EXPECT_EQ(tree.EntryCount(), 0u);
    tree.Reset();
}

TEST(PntAabbTree, EveryFailedAllocationLeavesAReleasableTree)
{
    Cloud c = Clustered(2000, 3);
    uint64_t k = 1;
    for (;; ++k) {
        memory_testing::ResetAllocationCounter();
        memory_testing::FailAllocations(k, 1);
        C3DPntAABBTree tree;
        const int built = tree.Build(c.Record());
        const uint64_t failed = memory_testing::FailedAllocationCount();
        memory_testing::ResetAllocationCounter();
        if (failed == 0) {
            EXPECT_EQ(built, 1);
            break;
        }
        EXPECT_EQ(built, 0) << "allocation " << k;
        EXPECT_EQ(tree.Root(), nullptr);
        EXPECT_EQ(tree.Entries(), nullptr);
        uint32_t counter = 0;
        tree.CountInBall(T3DSPHERE{c.points[0], 1.0}, counter);
        EXPECT_EQ(counter, 0u);
        if (k % 2 == 0) {
            tree.Reset();  // explicitly, and then again by the destructor
        }
    }
    EXPECT_GE(k, 3u);  // entries, nodes and the query stack each failed once
}

// A leaf pair is marked exactly when a ball query would find the other point.
TEST(PntAabbTree, CloseLeafPairsAreMarkedBothWays)
{
    for (uint32_t seed = 1; seed <= 6; ++seed) {
        Cloud c = Clustered(400 * seed, seed);
        if (seed % 2 == 0) {
            c.points[seed].y = std::numeric_limits<double>::quiet_NaN();
            c.points[2 * seed].z = std::numeric_limits<double>::infinity();
        }
        C3DPntAABBTree tree;
        ASSERT_EQ(tree.Build(c.Record()), 1);
        const double radius = 0.02 * seed;
        std::vector<uint8_t> marks(tree.EntryCount(), 0);
        tree.MarkCloseLeafPairs(radius, marks.data());
        const PntEntry* entries = tree.Entries();
        // The expected marks, leaf by leaf.
        std::vector<uint8_t> want(tree.EntryCount(), 0);
        std::vector<const AABBNode*> stack{tree.Root()};
        while (!stack.empty()) {
            const AABBNode* node = stack.back();
            stack.pop_back();
            if (!node->IsLeaf()) {
                stack.push_back(node->Left());
                stack.push_back(node->Right());
                continue;
            }
            for (uint32_t k = node->first; k <= node->last; ++k) {
                for (uint32_t m = node->first; m <= node->last; ++m) {
                    const T3DSPHERE ball{entries[k].point, radius};
                    if (m != k && ClassifyPointBall(entries[m].point, ball) != '0') {
                        want[k] = 1;
                    }
                }
            }
        }
        for (uint32_t k = 0; k < tree.EntryCount(); ++k) {
            ASSERT_EQ(marks[k], want[k]) << seed << " " << k;
            if (marks[k] != 0) {
                uint32_t inside = 0;
                tree.CountInBall(T3DSPHERE{entries[k].point, radius}, inside);
                EXPECT_GT(inside, 1u) << seed << " " << k;
            }
        }
    }
}

// Leaf pairs plus walks mark exactly the entries whose own ball holds another point.
TEST(PntAabbTree, WalksAcrossLeavesMarkWhatTheBallQueriesFind)
{
    const double radii[] = {0.0, 1e-300, 0.01, 0.06, -0.3, 0.5, 2.0, 50.0, HUGE_VAL, std::nan("")};
    uint32_t markedByWalks = 0;  // beyond the leaf pairs
    for (uint32_t seed = 1; seed <= 5; ++seed) {
        for (Cloud c : {Clustered(300 * seed, seed), Uniform(200 * seed, seed)}) {
            C3DPntAABBTree tree;
            ASSERT_EQ(tree.Build(c.Record()), 1);
            const PntEntry* entries = tree.Entries();
            for (double radius : radii) {
                std::vector<uint8_t> marks(tree.EntryCount(), 0);
                tree.MarkCloseLeafPairs(radius, marks.data());
                const std::vector<uint8_t> leafMarks = marks;
                ASSERT_EQ(tree.MarkCloseAcrossLeaves(radius, marks.data(), UINT64_MAX),
                          C3DPntAABBTree::LeafWalks::Complete);
                std::vector<uint8_t> want(tree.EntryCount(), 0);
                for (uint32_t k = 0; k < tree.EntryCount(); ++k) {
                    uint32_t inside = 0;
                    tree.CountInBall(T3DSPHERE{entries[k].point, radius}, inside);
                    want[k] = inside > 1 ? 1 : 0;
                    ASSERT_EQ(marks[k], want[k]) << seed << " " << radius << " " << k;
                    markedByWalks += marks[k] - leafMarks[k];
                }
                // Walks cut short by a budget set only right marks.
                for (uint64_t budget : {uint64_t{0}, uint64_t{1}, uint64_t{40}, uint64_t{400}}) {
                    std::vector<uint8_t> partial = leafMarks;
                    const auto walks = tree.MarkCloseAcrossLeaves(radius, partial.data(), budget);
                    ASSERT_NE(walks, C3DPntAABBTree::LeafWalks::OutOfMemory);
                    for (uint32_t k = 0; k < tree.EntryCount(); ++k) {
                        ASSERT_LE(partial[k], want[k]) << seed << " " << radius << " " << budget << " " << k;
                        if (walks == C3DPntAABBTree::LeafWalks::Complete) {
                            ASSERT_EQ(partial[k], want[k]);
                        }
                    }
                }
            }
        }
    }
    EXPECT_GT(markedByWalks, 500u);
}

}  // namespace
}  // namespace meshaudit
