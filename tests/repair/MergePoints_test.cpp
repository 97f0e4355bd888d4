#include "containers/Keys.h"
#include "containers/Memory.h"
#include "geometry/PntAabbTree.h"
#include "meshaudit.h"
#include "repair/MergePoints.h"
#include "repair/RepairSupport.h"
#include "support/TestMeshes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

namespace meshaudit {
namespace {

using testing::Output;
using testing::SamePoint;
using testing::SameTriangle;
using testing::TestMesh;

int32_t Merge(TestMesh& m, double tolerance, Output& out)
{
    MeshRecord in = m.Record();
    return removeDuplicatedGeometricalPoints(&in, &tolerance, &out.record);
}

void ExpectTriangles(const Output& out, const std::vector<TRIANGLE>& expected)
{
    const std::vector<TRIANGLE> got = out.Triangles();
    ASSERT_EQ(got.size(), expected.size());
    for (size_t t = 0; t < got.size(); ++t) {
        EXPECT_TRUE(SameTriangle(got[t], expected[t]))
            << "triangle " << t << ": " << got[t].a << " " << got[t].b << " " << got[t].c;
    }
}

// Small meshes merged by hand; the merged points are compared bit for bit.
TEST(MergePoints, HandComputedMerges)
{
    struct Case {
        const char* what;
        std::vector<T3DVECF> points;
        std::vector<TRIANGLE> triangles;
        double tolerance;
        std::vector<T3DVECF> merged;
        std::vector<TRIANGLE> renumbered;
    };
    const double m01 = 0.10000000000000002;  // ((0 + 0.1) + 0.1) + 0.1 = 0.30000000000000004, over 3
    const Case cases[] = {
        {"tolerance 0 merges exact copies to their computed mean; 1e-100 apart is not equal",
         {{0.1, 0.1, 0.1}, {1, 0, 0}, {0.1, 0.1, 0.1}, {0, 1, 0}, {0.1, 0.1, 0.1}, {1, 0, 1e-100}},
         {{0, 1, 3}, {2, 1, 3}, {4, 3, 5}},
         0.0,
         {{m01, m01, m01}, {1, 0, 0}, {0, 1, 0}, {1, 0, 1e-100}},
         {{0, 1, 2}, {0, 1, 2}, {0, 2, 3}}},
        {"no duplicates: the points are kept, but negative zeros become positive",
         {{-0.0, 0.0, -0.0}, {1, 0, 0}, {-0.0, 1, 0}, {0, 0, 1}},
         {{0, 2, 1}, {0, 1, 3}, {0, 3, 2}, {1, 2, 3}},
         1e-6,
         {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}},
         {{0, 2, 1}, {0, 1, 3}, {0, 3, 2}, {1, 2, 3}}},
        {"a later seed takes over a point of an earlier class (b is within 1.5 of a and c, c 2 from a)",
         {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {5, 5, 5}},
         {{0, 1, 3}, {1, 2, 3}, {2, 3, 0}},
         1.5,
         {{0.5, 0, 0}, {1.5, 0, 0}, {5, 5, 5}},
         {{0, 1, 2}, {1, 1, 2}, {1, 2, 0}}},
        {"a triangle inside the tolerance collapses but stays",
         {{0, 0, 0}, {1e-4, 0, 0}, {0, 1e-4, 0}},
         {{0, 1, 2}},
         1e-3,
         {{1e-4 / 3, 1e-4 / 3, 0}},
         {{0, 0, 0}}},
        {"unused points are merged and kept",
         {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {7, 7, 7}, {7, 7, 7.001}, {9, 9, 9}},
         {{0, 1, 2}},
         0.01,
         {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {7, 7, (7.0 + 7.001) / 2}, {9, 9, 9}},
         {{0, 1, 2}}},
        {"indices beyond the points are kept",
         {{0, 0, 0}, {0, 0, 0}, {1, 0, 0}},
         {{0, 1, 2}, {1, 3, 0xFFFFFFFFu}},
         0.0,
         {{0, 0, 0}, {1, 0, 0}},
         {{0, 0, 1}, {0, 3, 0xFFFFFFFFu}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TestMesh m;
        m.points = c.points;
        m.triangles = c.triangles;
        Output out;
        ASSERT_EQ(Merge(m, c.tolerance, out), 0);
        const std::vector<T3DVECF> p = out.Points();
        ASSERT_EQ(p.size(), c.merged.size());
        for (size_t i = 0; i < p.size(); ++i) {
            EXPECT_TRUE(SamePoint(p[i], c.merged[i])) << "point " << i << ": " << p[i].x << " " << p[i].y << " "
                                                       << p[i].z;
        }
        ExpectTriangles(out, c.renumbered);
    }
}

TEST(MergePoints, ANegativeToleranceActsAsItsAbsoluteValue)
{
    TestMesh m = testing::ClusteredSoup(300, 0.05, 8);
    Output positive;
    Output negative;
    ASSERT_EQ(Merge(m, 0.04, positive), 0);
    ASSERT_EQ(Merge(m, -0.04, negative), 0);
    ASSERT_EQ(positive.record.pointCount, negative.record.pointCount);
    EXPECT_LT(positive.record.pointCount, m.points.size());
    const std::vector<T3DVECF> a = positive.Points();
    const std::vector<T3DVECF> b = negative.Points();
    for (size_t i = 0; i < a.size(); ++i) {
        EXPECT_TRUE(SamePoint(a[i], b[i]));
    }
    ExpectTriangles(negative, positive.Triangles());
}

TEST(MergePoints, UnusedPointsAreMergedAndKept)
{
    TestMesh m = testing::Tetrahedron();
    m.AddPoint(7, 7, 7);
    m.AddPoint(7, 7, 7.001);
    m.AddPoint(9, 9, 9);
    Output out;
    ASSERT_EQ(Merge(m, 0.01, out), 0);
    ASSERT_EQ(out.record.pointCount, 6u);
    const std::vector<T3DVECF> p = out.Points();
    EXPECT_TRUE(SamePoint(p[4], T3DVECF{7, 7, (7.0 + 7.001) / 2}));
    EXPECT_TRUE(SamePoint(p[5], T3DVECF{9, 9, 9}));
    ExpectTriangles(out, m.triangles);
}

TEST(MergePoints, OutOfRangeIndicesAreKept)
{
    TestMesh m;
    m.AddPoint(0, 0, 0);
    m.AddPoint(0, 0, 0);
    m.AddPoint(1, 0, 0);
    m.AddTriangle(0, 1, 2);
    m.AddTriangle(1, 3, 0xFFFFFFFFu);
    Output out;
    ASSERT_EQ(Merge(m, 0.0, out), 0);
    ASSERT_EQ(out.record.pointCount, 2u);
    ExpectTriangles(out, {{0, 0, 1}, {0, 3, 0xFFFFFFFFu}});
}

TEST(MergePoints, TheInternalMergeRejectsAnIncompleteRecord)
{
    TestMesh m = testing::Tetrahedron();
    const double tolerance = 0.1;
    for (int missing = 0; missing < 5; ++missing) {
        MeshRecord r = m.Record();
        r.points = missing == 0 ? nullptr : r.points;
        r.triangles = missing == 1 ? nullptr : r.triangles;
        r.pointCount = missing == 2 ? 0 : r.pointCount;
        r.triangleCount = missing == 3 ? 0 : r.triangleCount;
        EXPECT_FALSE(MergeDuplicatedPoints(r, missing == 4 ? nullptr : &tolerance)) << missing;
    }
}

// Against a brute-force merge ------------------------------------------------

struct BruteMerge {
    std::vector<uint32_t> classOf;     // final class of every point
    std::vector<uint32_t> seeds;       // seed of every class
    std::vector<uint32_t> reachCount;  // points each seed reached
};

// All pairs, the same rule: seeds in index order among points without a
// class; every point within the tolerance of the seed joins its class.
BruteMerge MergeByAllPairs(const std::vector<T3DVECF>& points, double tolerance)
{
    const uint32_t none = 0xFFFFFFFFu;
    BruteMerge b;
    b.classOf.assign(points.size(), none);
    for (uint32_t s = 0; s < points.size(); ++s) {
        if (b.classOf[s] != none) {
            continue;
        }
        const T3DSPHERE ball{points[s], tolerance};
        const uint32_t c = static_cast<uint32_t>(b.seeds.size());
        uint32_t reached = 0;
        for (uint32_t p = 0; p < points.size(); ++p) {
            if (ClassifyPointBall(points[p], ball) != '0') {
                b.classOf[p] = c;
                ++reached;
            }
        }
        b.seeds.push_back(s);
        b.reachCount.push_back(reached);
    }
    return b;
}

void CheckAgainstBruteForce(TestMesh& m, double tolerance)
{
    Output out;
    ASSERT_EQ(Merge(m, tolerance, out), 0);
    const BruteMerge brute = MergeByAllPairs(m.points, tolerance);
    const uint32_t classes = static_cast<uint32_t>(brute.seeds.size());
    ASSERT_EQ(out.record.pointCount, classes);
    ASSERT_LE(classes, m.points.size());

    // Every triangle corner names the class of the last seed that reached it.
    const std::vector<TRIANGLE> tris = out.Triangles();
    ASSERT_EQ(tris.size(), m.triangles.size());
    for (size_t t = 0; t < tris.size(); ++t) {
        const TRIANGLE& in = m.triangles[t];
        ASSERT_EQ(tris[t].a, brute.classOf[in.a]);
        ASSERT_EQ(tris[t].b, brute.classOf[in.b]);
        ASSERT_EQ(tris[t].c, brute.classOf[in.c]);
        ASSERT_LT(tris[t].a, classes);
        ASSERT_LT(tris[t].b, classes);
        ASSERT_LT(tris[t].c, classes);
    }

    // Every merged point is the mean of the points its seed reached, summed
    // from 0 in the order of the point tree's query.
    MeshRecord in = m.Record();
    C3DPntAABBTree tree;
    ASSERT_EQ(tree.Build(in), 1);
    std::vector<uint32_t> found(m.points.size());
    const std::vector<T3DVECF> merged = out.Points();
    for (uint32_t c = 0; c < classes; ++c) {
        uint32_t count = 0;
        tree.CollectInBall(T3DSPHERE{m.points[brute.seeds[c]], tolerance}, found.data(), count);
        ASSERT_EQ(count, brute.reachCount[c]);
        T3DVECF sum{0, 0, 0};
        for (uint32_t k = 0; k < count; ++k) {
            sum.x += m.points[found[k]].x;
            sum.y += m.points[found[k]].y;
            sum.z += m.points[found[k]].z;
        }
        const double n = count;
        ASSERT_TRUE(SamePoint(merged[c], T3DVECF{sum.x / n, sum.y / n, sum.z / n})) << "class " << c;
    }
}

TEST(MergePoints, MatchesABruteForceMergeOnClusteredSoups)
{
    for (uint32_t seed = 1; seed <= 6; ++seed) {
        for (double tolerance : {0.0, 0.01, 0.05, 0.2}) {
            TestMesh m = testing::ClusteredSoup(200 + 50 * seed, 0.05, seed);
            CheckAgainstBruteForce(m, tolerance);
        }
    }
}

TEST(MergePoints, MergingAgainWithToleranceZeroChangesNothing)
{
    for (uint32_t seed = 1; seed <= 4; ++seed) {
        TestMesh m = testing::ClusteredSoup(400, 0.05, seed);
        Output once;
        ASSERT_EQ(Merge(m, 0.03, once), 0);
        // The property needs distinct means; they are for these soups.
        const std::vector<T3DVECF> p = once.Points();
        std::vector<T3DVECF> sorted = p;
        std::sort(sorted.begin(), sorted.end());
        ASSERT_EQ(std::adjacent_find(sorted.begin(), sorted.end()), sorted.end());

        Output twice;
        const double zero = 0.0;
        ASSERT_EQ(removeDuplicatedGeometricalPoints(&once.record, &zero, &twice.record), 0);
        ASSERT_EQ(twice.record.pointCount, once.record.pointCount);
        const std::vector<T3DVECF> q = twice.Points();
        for (size_t i = 0; i < p.size(); ++i) {
            ASSERT_TRUE(SamePoint(p[i], q[i]));
        }
        ExpectTriangles(twice, once.Triangles());
    }
}

// The route through groups of equal points against the ball queries ----------

struct RouteResult {
    bool ok = false;
    MergeRoute route = MergeRoute::BallQueries;
    std::vector<T3DVECF> points;
    std::vector<TRIANGLE> triangles;
};

// Merges a copy of the mesh in seam memory, as the export hands it over.
RouteResult MergeCopy(const TestMesh& m, double tolerance, MergeRoutes routes)
{
    MeshRecord r{};
    r.pointCount = static_cast<uint32_t>(m.points.size());
    r.triangleCount = static_cast<uint32_t>(m.triangles.size());
    r.points = AllocateArray<T3DVECF>(r.pointCount);
    r.triangles = AllocateArray<TRIANGLE>(r.triangleCount);
    std::copy(m.points.begin(), m.points.end(), r.points);
    std::copy(m.triangles.begin(), m.triangles.end(), r.triangles);
    RouteResult out;
    out.ok = MergeDuplicatedPoints(r.points, r, &tolerance, routes, &out.route);
    out.points.assign(r.points, r.points + r.pointCount);
    out.triangles.assign(r.triangles, r.triangles + r.triangleCount);
    clear_mesh(&r);
    return out;
}

// Coordinates from a pool that holds both zeros, tiny values and a
// subnormal (whose differences vanish when squared, so that even tolerance 0
// reaches them),
// neighbours one unit in the last place apart and values a tolerance apart;
// most points repeat an earlier one, as in a soup, and a few carry NaN or an
// infinity.
TestMesh PooledSoup(uint32_t seed, bool nonFinite)
{
    const double pool[] = {0.0,  -0.0,  1e-300, -1e-300,  5e-324, 1.0, std::nextafter(1.0, 2.0),
                           0.1,  0.3,   0.30001, 0.35,    -2.0,   1e-9, 2e-9,
                           1e10, 1e10 + 1};
    const uint32_t poolSize = sizeof pool / sizeof pool[0];
    std::mt19937 rng(seed);
    TestMesh m;
    const uint32_t triangles = 20 + seed % 40;
    for (uint32_t k = 0; k < 3 * triangles; ++k) {
        if (!m.points.empty() && rng() % 4 != 0) {
            m.points.push_back(m.points[rng() % m.points.size()]);
            continue;
        }
        T3DVECF p{pool[rng() % poolSize], pool[rng() % poolSize], pool[rng() % poolSize]};
        if (nonFinite && rng() % 10 == 0) {
            p.y = rng() % 2 == 0 ? std::nan("") : -HUGE_VAL;
        }
        m.points.push_back(p);
    }
    for (uint32_t t = 0; t < triangles; ++t) {
        m.AddTriangle(rng() % (3 * triangles), rng() % (3 * triangles), rng() % (3 * triangles) + t % 2);
    }
    return m;
}

TEST(MergePoints, TheRouteThroughEqualGroupsGivesTheBitsOfTheBallQueries)
{
    const double tolerances[] = {0.0,  1e-320, 1e-300, 1e-170, 1e-9, -1e-9, 2.3e-16, 0.01,
                                 0.05, 0.5,    HUGE_VAL, std::nan("")};
    uint32_t byGroups = 0;
    uint32_t byBalls = 0;
    for (uint32_t seed = 1; seed <= 60; ++seed) {
        const TestMesh m = PooledSoup(seed, seed % 5 == 0);
        for (double tolerance : tolerances) {
            const RouteResult any = MergeCopy(m, tolerance, MergeRoutes::Any);
            const RouteResult plain = MergeCopy(m, tolerance, MergeRoutes::BallQueries);
            ASSERT_TRUE(any.ok && plain.ok);
            ASSERT_EQ(plain.route, MergeRoute::BallQueries);
            (any.route == MergeRoute::EqualGroups ? byGroups : byBalls) += 1;
            ASSERT_EQ(any.points.size(), plain.points.size()) << "seed " << seed << ", tolerance " << tolerance;
            for (size_t i = 0; i < plain.points.size(); ++i) {
                ASSERT_TRUE(SamePoint(any.points[i], plain.points[i]))
                    << "seed " << seed << ", tolerance " << tolerance << ", point " << i;
            }
            for (size_t t = 0; t < plain.triangles.size(); ++t) {
                ASSERT_TRUE(SameTriangle(any.triangles[t], plain.triangles[t]));
            }
        }
    }
    // Both routes must have been taken often for the comparison to mean much.
    EXPECT_GT(byGroups, 100u);
    EXPECT_GT(byBalls, 100u);
}

TEST(MergePoints, EqualGroupsDecideOnlyWhereNoDistinctPointsMeet)
{
    TestMesh soup;
    for (const TestMesh& part : {testing::Sphere(12, 8), testing::Torus(10, 6)}) {
        for (const TRIANGLE& t : part.triangles) {
            const auto first = static_cast<uint32_t>(soup.points.size());
            soup.points.push_back(part.points[t.a]);
            soup.points.push_back(part.points[t.b]);
            soup.points.push_back(part.points[t.c]);
            soup.AddTriangle(first, first + 1, first + 2);
        }
    }
    // The soup's copies meet only themselves below the grid spacing...
    EXPECT_EQ(MergeCopy(soup, 1e-9, MergeRoutes::Any).route, MergeRoute::EqualGroups);
    EXPECT_EQ(MergeCopy(soup, 0.0, MergeRoutes::Any).route, MergeRoute::EqualGroups);
    // ... but not at the spacing, nor once one point moves next to another.
    EXPECT_EQ(MergeCopy(soup, 0.5, MergeRoutes::Any).route, MergeRoute::BallQueries);
    soup.points.back().x = std::nextafter(soup.points[0].x, 9.0);
    soup.points.back().y = soup.points[0].y;
    soup.points.back().z = soup.points[0].z;
    EXPECT_EQ(MergeCopy(soup, 1e-9, MergeRoutes::Any).route, MergeRoute::BallQueries);
    soup.points.back().x = std::nan("");
    EXPECT_EQ(MergeCopy(soup, 1e-9, MergeRoutes::Any).route, MergeRoute::BallQueries);

    // Coordinates crafted to crowd the hash table: the ball queries decide,
    // with the same result.
    TestMesh crowded;
    crowded.points = testing::CollidingPoints(1500);
    crowded.points.push_back(crowded.points[7]);
    for (uint32_t t = 0; t + 2 < crowded.points.size(); t += 3) {
        crowded.AddTriangle(t, t + 1, t + 2);
    }
    const RouteResult any = MergeCopy(crowded, 1e-300, MergeRoutes::Any);
    const RouteResult plain = MergeCopy(crowded, 1e-300, MergeRoutes::BallQueries);
    EXPECT_EQ(any.route, MergeRoute::BallQueries);
    ASSERT_EQ(any.points.size(), plain.points.size());
    for (size_t i = 0; i < plain.points.size(); ++i) {
        ASSERT_TRUE(SamePoint(any.points[i], plain.points[i]));
    }
}

// Every allocation of the export fails in turn, on both routes.
void FailEveryAllocation(TestMesh& m, double tolerance)
{
    testing::FailEveryAllocation(
        [tolerance](const MeshRecord* in, MeshRecord* out) {
            return removeDuplicatedGeometricalPoints(in, &tolerance, out);
        },
        m);
}

TEST(MergePoints, EachFailingAllocationGivesItsCodeAndTheUnmergedCopy)
{
    // Close distinct points: the route through equal groups gives way to the
    // ball queries, so both allocate.
    TestMesh clustered = testing::ClusteredSoup(300, 0.05, 3);
    clustered.points[5].x = -0.0;
    ASSERT_EQ(MergeCopy(clustered, 0.02, MergeRoutes::Any).route, MergeRoute::BallQueries);
    FailEveryAllocation(clustered, 0.02);

    // Exact copies only, merged by their groups, with a table that grows.
    TestMesh copies;
    for (uint32_t i = 0; i < 3000; ++i) {
        copies.AddPoint(i % 10, (i / 10) % 10, i / 100);
    }
    for (uint32_t t = 0; t < 3000; ++t) {
        copies.AddTriangle((7 * t) % 3000, (7 * t + 1) % 3000, t % 1000);
    }
    Append(copies, TestMesh(copies));
    ASSERT_EQ(MergeCopy(copies, 0.25, MergeRoutes::Any).route, MergeRoute::EqualGroups);
    FailEveryAllocation(copies, 0.25);
}

}  // namespace
}  // namespace meshaudit
