// Every point, edge, triangle and whole-mesh quantity on small random meshes
// (coincident points, both zeros, NaN and infinities, degenerate, repeated
// and reversed triangles, books and fans on one side, flipped faces, corners
// out of range) against brute-force counts written from the definitions.
#include "analysis/ElementList.h"
#include "analysis/MeshBuilders.h"
#include "analysis/RandomMesh.h"
#include "analysis/mesh/GraphWalk.h"
#include "analysis/mesh/MeshAnalyses.h"
#include "analysis/points/PointAnalyses.h"
#include "analysis/triangles/TriangleAnalyses.h"
#include "containers/CountDuplicates.h"
#include "containers/Memory.h"
#include "geometry/PntAabbTree.h"
#include "model/BruteTopology.h"
#include "model/MeshTopology.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <numeric>
#include <random>
#include <set>

namespace meshaudit {
namespace {

using testing::BruteTopology;
using testing::Has;
using testing::Lists;
using testing::RandomMesh;
using testing::TestMesh;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

bool InRange(const TRIANGLE& t, uint32_t n)
{
    return t.a < n && t.b < n && t.c < n;
}

// Whether some directed side (t[i], t[i+1]) of t is run reversed by u.
bool RunsASideReversed(const TRIANGLE& t, const TRIANGLE& u)
{
    const uint32_t tc[3] = {t.a, t.b, t.c}, uc[3] = {u.a, u.b, u.c};
    bool found = false;
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            found = found || (tc[i] == uc[(j + 1) % 3] && tc[(i + 1) % 3] == uc[j]);
        }
    }
    return found;
}

// IsOrientable's walk on a real copy: breadth-first over the neighbour rows,
// seeds in index order, swapping the first two corners of each triangle
// first reached from one it does not run a common side opposite to.
void OrientCopy(std::vector<TRIANGLE>& tris, const Lists& neighbours)
{
    std::vector<bool> seen(tris.size(), false);
    for (uint32_t seed = 0; seed < tris.size(); ++seed) {
        std::vector<uint32_t> queue;
        if (!seen[seed]) {
            seen[seed] = true;
            queue.push_back(seed);
        }
        for (size_t head = 0; head < queue.size(); ++head) {
            for (uint32_t u : neighbours[queue[head]]) {
                if (!seen[u]) {
                    if (!RunsASideReversed(tris[queue[head]], tris[u])) {
                        std::swap(tris[u].a, tris[u].b);
                    }
                    seen[u] = true;
                    queue.push_back(u);
                }
            }
        }
    }
}

// IsConsistentlyOriented by its definition: for each side (a, b) of t whose
// first point exists, every other triangle with both ends runs a side of t
// reversed.
bool ConsistentByAllPairs(const std::vector<TRIANGLE>& tris, uint32_t pointCount)
{
    for (size_t t = 0; t < tris.size(); ++t) {
        const uint32_t c[3] = {tris[t].a, tris[t].b, tris[t].c};
        for (int i = 0; i < 3; ++i) {
            for (size_t u = 0; u < tris.size() && c[i] < pointCount; ++u) {
                if (u != t && Has(tris[u], c[i]) && Has(tris[u], c[(i + 1) % 3]) &&
                    !RunsASideReversed(tris[t], tris[u])) {
                    return false;
                }
            }
        }
    }
    return true;
}

// Breadth-first groups over (possibly one-sided) neighbour rows, seeds in
// index order.
int32_t Groups(const Lists& neighbours)
{
    std::vector<bool> seen(neighbours.size(), false);
    int32_t groups = 0;
    for (size_t seed = 0; seed < neighbours.size(); ++seed) {
        if (seen[seed]) {
            continue;
        }
        ++groups;
        seen[seed] = true;
        std::vector<uint32_t> queue{static_cast<uint32_t>(seed)};
        for (size_t head = 0; head < queue.size(); ++head) {
            for (uint32_t u : neighbours[queue[head]]) {
                if (!seen[u]) {
                    seen[u] = true;
                    queue.push_back(u);
                }
            }
        }
    }
    return groups;
}

// Groups of edges joined through shared end points; an end point not below
// n joins nothing, and an edge with neither end below n is a group alone.
int32_t EdgeGroupsByUnionFind(const std::vector<std::pair<uint32_t, uint32_t>>& edges, uint32_t n)
{
    std::vector<size_t> parent(n + edges.size());
    std::iota(parent.begin(), parent.end(), size_t{0});
    const auto find = [&](size_t p) {
        while (parent[p] != p) {
            p = parent[p] = parent[parent[p]];
        }
        return p;
    };
    std::set<size_t> roots;
    for (size_t e = 0; e < edges.size(); ++e) {
        for (uint32_t end : {edges[e].first, edges[e].second}) {
            if (end < n) {
                parent[find(end)] = find(n + e);
            }
        }
    }
    for (size_t e = 0; e < edges.size(); ++e) {
        roots.insert(find(n + e));
    }
    return static_cast<int32_t>(roots.size());
}

template <typename K, typename Fill>
std::pair<int32_t, int32_t> TreeSums(uint32_t n, Fill fill)
{
    DuplicateSums sums;
    EXPECT_EQ(CountDuplicatesInTree<K>(n, fill, DuplicateCodes{-100, -101, -102, -103}, sums), 0);
    return {static_cast<int32_t>(sums.members), static_cast<int32_t>(sums.classes)};
}

// The library's three-compare order: with NaN, another sort may order the
// corners differently, and the tree's classes depend on that order.
template <typename T>
void SortThree(T& a, T& b, T& c)
{
    if (b < a) std::swap(a, b);
    if (c < b) std::swap(b, c);
    if (b < a) std::swap(a, b);
}

// One ball query per point on the point tree: the plain way for clouds with
// NaN and infinities, where the all-pairs distances are not the tree's.
int32_t OneQueryPerPoint(const MeshRecord& r, double epsilon)
{
    C3DPntAABBTree tree;
    if (tree.Build(r) != 1) {
        return -3;
    }
    T3DSPHERE ball{T3DVECF{0.0, 0.0, 0.0}, epsilon};
    int32_t count = 0;
    for (uint32_t i = 0; i < r.pointCount; ++i) {
        ball.centre = r.points[i];
        uint32_t inside = 0;
        tree.CountInBall(ball, inside);
        count += inside > 1 ? 1 : 0;
    }
    return count;
}

struct Stats {
    int oriented = 0, orientable = 0, repeats = 0, several = 0, bordered = 0;
};

void CheckMesh(TestMesh& m, int round, std::mt19937& random, Stats& stats)
{
    SCOPED_TRACE("round " + std::to_string(round));
    const MeshRecord r = m.Record();
    const std::vector<TRIANGLE>& tris = m.triangles;
    const auto n = static_cast<uint32_t>(m.points.size());
    const auto count = static_cast<uint32_t>(tris.size());
    const std::vector<TRIANGLE> before = tris;
    bool special = false, outOfRange = false;
    for (const T3DVECF& p : m.points) {
        special = special || !std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z);
    }
    for (const TRIANGLE& t : tris) {
        outOfRange = outOfRange || !InRange(t, n);
    }

    // --- Counts over the arrays alone -----------------------------------
    int32_t nan = 0, inf = 0, isolated = 0;
    for (uint32_t p = 0; p < n; ++p) {
        const T3DVECF& q = m.points[p];
        nan += std::isnan(q.x) || std::isnan(q.y) || std::isnan(q.z) ? 1 : 0;
        inf += std::isinf(q.x) || std::isinf(q.y) || std::isinf(q.z) ? 1 : 0;
        bool used = false;
        for (const TRIANGLE& t : tris) {
            used = used || Has(t, p);
        }
        isolated += used ? 0 : 1;
    }
    EXPECT_EQ(points::CountNAN(r), nan);
    EXPECT_EQ(points::CountINF(r), inf);
    EXPECT_EQ(points::CountIsolated(r), isolated);

    int32_t invalidTopological = 0, invalidGeometrical = 0;
    for (const TRIANGLE& t : tris) {
        invalidTopological += t.a == t.b || t.a == t.c || t.b == t.c ? 1 : 0;
        if (InRange(t, n)) {
            const auto same = [&](uint32_t i, uint32_t j) { return m.points[i] == m.points[j]; };
            invalidGeometrical += same(t.a, t.b) || same(t.a, t.c) || same(t.b, t.c) ? 1 : 0;
        }
    }
    EXPECT_EQ(triangles::CountInvalidTopological(r), invalidTopological);
    EXPECT_EQ(triangles::CountInvalidGeometrical(r), invalidGeometrical);
    // Without NaN the duplicate counts are compared with the lengths of their
    // lists in locate_test. With NaN no strict order exists: the counts are
    // the plain tree's over the full keys.
    if (nan > 0) {
        EXPECT_EQ(std::make_pair(points::CountDuplicatedGeometrical(r), points::CountClassesOfDuplicatedGeometrical(r)),
                  TreeSums<T3DVECF>(n, [&](uint32_t i, T3DVECF& key) {
                      key = m.points[i];
                      return true;
                  }));
        EXPECT_EQ(std::make_pair(triangles::CountDuplicatedGeometrical(r),
                                 triangles::CountClassesOfDuplicatedGeometrical(r)),
                  TreeSums<T3DTRGL>(count, [&](uint32_t t, T3DTRGL& key) {
                      if (!InRange(tris[t], n)) {
                          return false;
                      }
                      key = T3DTRGL{{m.points[tris[t].a], m.points[tris[t].b], m.points[tris[t].c]}};
                      SortThree(key.corner[0], key.corner[1], key.corner[2]);
                      return true;
                  }));
    }

    // The epsilon count of clouds without NaN and infinities is compared
    // with its list in locate_test.
    const double tolerances[] = {0.0, 0.5, -0.5, std::nextafter(0.5, 0.0), 1e-300, 3.0, 1e300, kInf, kNaN};
    const double epsilon = tolerances[random() % 9];
    if (special) {
        EXPECT_EQ(points::CountEpsilonDuplicates(r, &epsilon), OneQueryPerPoint(r, epsilon)) << epsilon;
    }

    // --- Volume and area: the triple products summed from the smallest
    // magnitude up (ties in triangle order), the areas in triangle order.
    std::vector<double> terms;
    double area = 0.0;
    for (const TRIANGLE& t : tris) {
        if (!InRange(t, n)) {
            continue;
        }
        const T3DVECF &p0 = m.points[t.a], &p1 = m.points[t.b], &p2 = m.points[t.c];
        terms.push_back((p0.y * p1.z - p0.z * p1.y) * p2.x + (p0.z * p1.x - p0.x * p1.z) * p2.y +
                        (p0.x * p1.y - p0.y * p1.x) * p2.z);
        const double ax = p1.x - p0.x, ay = p1.y - p0.y, az = p1.z - p0.z;
        const double bx = p2.x - p0.x, by = p2.y - p0.y, bz = p2.z - p0.z;
        const double cx = ay * bz - az * by, cy = az * bx - ax * bz, cz = ax * by - ay * bx;
        area += 0.5 * std::sqrt(cx * cx + cy * cy + cz * cz);
    }
    const double volume = ComputeVolume(r);
    if (std::any_of(terms.begin(), terms.end(), [](double v) { return std::isnan(v); })) {
        EXPECT_TRUE(std::isnan(volume));
    } else {
        std::stable_sort(terms.begin(), terms.end(),
                         [](double a, double b) { return std::fabs(a) < std::fabs(b); });
        double sum = 0.0;
        for (double v : terms) {
            sum += v;
        }
        EXPECT_TRUE(volume == sum / 6.0 || (std::isnan(volume) && std::isnan(sum))) << volume;
    }
    const double gotArea = ComputeArea(r);
    EXPECT_TRUE(gotArea == area || (std::isnan(area) && std::isnan(gotArea))) << gotArea;

    // --- Over the topology: codes when a corner is out of range ------------
    const auto fresh = [&](auto op) {
        MeshTopology topology;
        topology.Attach(r);
        return op(topology);
    };
    const auto oriented = fresh([&](MeshTopology& t) { return IsOriented(r, t); });
    const auto orientable = fresh([&](MeshTopology& t) { return IsOrientable(r, t); });
    const auto components = fresh([&](MeshTopology& t) { return ComputeComponents(r, t); });
    const auto borders = fresh([&](MeshTopology& t) { return ComputeBorders(r, t); });
    const auto handles = fresh([&](MeshTopology& t) { return ComputeHandles(r, t); });
    const bool consistent = ConsistentByAllPairs(tris, n);
    EXPECT_EQ(IsConsistentlyOriented(r), consistent);
    if (outOfRange) {
        // No neighbour lists: nothing can be flipped.
        EXPECT_FALSE(oriented);
        EXPECT_EQ(orientable, consistent);
        EXPECT_EQ(components, -5);
        EXPECT_EQ(borders, -5);
        EXPECT_EQ(handles, -5);
        MeshTopology topology;
        topology.Attach(r);
        EXPECT_EQ(points::CountBorder(r, topology), -5);
        EXPECT_EQ(points::MinimalDegree(r, topology), -1);
        EXPECT_EQ(points::MaximalDegree(r, topology), -1);
        using Counter = int32_t (*)(const MeshRecord&, MeshTopology&);
        for (Counter c : {&triangles::CountBorder, &triangles::CountIsolated, &triangles::CountSingular,
                          &triangles::MinimalDegree, &triangles::MaximalDegree,
                          &triangles::CountFlippedTopological}) {
            EXPECT_EQ(c(r, topology), -5);
        }
        EXPECT_EQ(testing::EdgeQuantities(r), testing::EdgeCodes(-5));
        return;
    }
    const BruteTopology brute(tris, n);

    // Orientation: the walk against a real reoriented copy; IsOriented with
    // and without prebuilt neighbour lists.
    EXPECT_EQ(oriented, consistent);
    {
        MeshTopology topology;
        topology.Attach(r);
        topology.TriangleNeighbours();
        EXPECT_EQ(IsOriented(r, topology), consistent);
    }
    std::vector<TRIANGLE> copy = tris;
    OrientCopy(copy, brute.triangleNeighbours);
    const bool expectedOrientable = ConsistentByAllPairs(copy, n);
    EXPECT_EQ(orientable, expectedOrientable);
    EXPECT_EQ(std::memcmp(before.data(), tris.data(), count * sizeof(TRIANGLE)), 0);  // never flipped

    // Components, borders and handles by their definitions.
    const int32_t groups = Groups(brute.triangleNeighbours);
    EXPECT_EQ(components, groups);
    const int32_t borderGroups = EdgeGroupsByUnionFind(brute.borderEdges, n);
    EXPECT_EQ(borders, borderGroups);
    // The edges but the (v, v) of repeated corners (their other quantities
    // are compared with their lists in locate_test).
    const auto edges =
        std::count_if(brute.edges.begin(), brute.edges.end(), [](const auto& e) { return e.first != e.second; });
    const int64_t euler = int64_t{n} - isolated - edges + borderGroups + count - invalidTopological;
    EXPECT_EQ(handles, static_cast<int32_t>(groups - euler / 2));
    stats.oriented += consistent ? 1 : 0;
    stats.orientable += expectedOrientable ? 1 : 0;
    stats.repeats += invalidTopological > 0 ? 1 : 0;
    stats.several += groups > 1 ? 1 : 0;
    stats.bordered += borderGroups > 1 ? 1 : 0;

    // The counts over the adjacency are compared with their lists, on one
    // shared topology, in locate_test; the edge count is the Euler term's.
    MeshTopology topology;
    topology.Attach(r);
    EXPECT_EQ(CountEdges(r, topology), static_cast<int32_t>(edges));
}

TEST(RandomMeshes, EveryQuantityMatchesItsDefinition)
{
    std::mt19937 random(2027);
    Stats stats;
    const int rounds = 450;
    for (int round = 0; round < rounds; ++round) {
        TestMesh m = RandomMesh(random, round);
        CheckMesh(m, round, random, stats);
    }
    // Both answers of each verdict occur often enough to mean something.
    EXPECT_GT(stats.oriented, rounds / 20);
    EXPECT_GT(stats.orientable, stats.oriented + rounds / 40);
    EXPECT_LT(stats.orientable, rounds * 3 / 4);
    EXPECT_GT(stats.repeats, rounds / 10);
    EXPECT_GT(stats.several, rounds / 10);
    EXPECT_GT(stats.bordered, rounds / 40);
}

// The analyses that take the side groups where the triangle neighbour lists
// would be large, made to take them always (a limit of 0) and compared with
// the lists, values and element lists alike, on random meshes with books,
// fans and copies of their own (some of them repeat points, which keeps the
// lists for components and orientability).
TEST(RandomMeshes, SideGroupsGiveWhatTheNeighbourListsGive)
{
    std::mt19937 random(4099);
    using Into = int32_t (*)(const MeshRecord&, MeshTopology&, ElementList*);
    const Into orientable = [](const MeshRecord& r, MeshTopology& t, ElementList*) {
        return static_cast<int32_t>(IsOrientable(r, t));
    };
    const Into counts[] = {&triangles::CountIsolatedInto, &triangles::CountSingularInto,
                           &triangles::MinimalDegreeInto, &triangles::MaximalDegreeInto,
                           &triangles::CountFlippedTopologicalInto, &ComputeComponentsInto,
                           &ComputeBordersInto, &triangles::CountBorderInto, orientable};
    int linearOrientable = 0;
    for (int round = 0; round < 600; ++round) {
        TestMesh m = RandomMesh(random, round);
        const uint32_t crowd = 3 + random() % 40;
        switch (round % 4) {
        case 0: testing::Append(m, testing::Book(crowd)); break;
        case 1: testing::Append(m, testing::Fan(crowd)); break;
        default: testing::Append(m, testing::Copies(crowd, round % 4 == 3)); break;
        }
        const MeshRecord r = m.Record();
        SCOPED_TRACE("round " + std::to_string(round));
        for (Into count : counts) {
            ElementList lists[2];
            int32_t got[2];
            for (int linear = 0; linear < 2; ++linear) {
                MeshTopology topology;
                topology.Attach(r);
                topology.LimitNeighbourEntries(linear != 0 ? 0 : 0xFFFFFFFFu);
                lists[linear].Open(count == &ComputeBordersInto ? 2 : 1, UINT64_MAX);
                got[linear] = count(r, topology, &lists[linear]);
            }
            ASSERT_EQ(got[1], got[0]);
            ASSERT_EQ(lists[1].Total(), lists[0].Total());
            ASSERT_TRUE(std::equal(lists[0].Items(), lists[0].Items() + lists[0].Stored() * lists[0].Arity(),
                                   lists[1].Items()));
            if (count == orientable && got[0] == 1 && !AnyTriangleRepeatsAPoint(r.triangles, r.triangleCount)) {
                ++linearOrientable;
            }
        }
    }
    EXPECT_GT(linearOrientable, 20);  // both verdicts of the grouped relations occur
}

// Groups of random edge sets, end points beyond the points included.
TEST(RandomMeshes, EdgeGroupsMatchUnionFind)
{
    std::mt19937 random(12345);
    const T3DVECF point{0, 0, 0};
    for (int round = 0; round < 200; ++round) {
        const uint32_t pointCount = 1 + random() % 30;
        std::vector<T3DEDGE> edges(1 + random() % 40);
        for (T3DEDGE& e : edges) {
            const uint32_t range = round % 3 == 2 ? pointCount + 2 : pointCount;  // some beyond the points
            e = T3DEDGE{static_cast<uint32_t>(random() % range), static_cast<uint32_t>(random() % range)};
        }
        const EdgeList list{&point, pointCount, edges.data(), static_cast<uint32_t>(edges.size())};
        EXPECT_EQ(CountEdgeGroups(list), EdgeGroupsByUnionFind(testing::Pairs(edges.data(), list.edgeCount),
                                                                pointCount))
            << round;
    }
}

}  // namespace
}  // namespace meshaudit
