#include "containers/BitVector.h"
#include "containers/Memory.h"
#include "geometry/IntersectingPairs.h"
#include "geometry/TriAabbTree.h"
#include "geometry/TriangleIntersection.h"
#include "support/TestMeshes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

namespace meshaudit {
namespace {

using testing::TestMesh;

// All pairs under the walk's rules: triangles repeating an index or out of range,
// pairs sharing an index and pairs of apart boxes are skipped; either order counts.
std::vector<bool> MarksByAllPairs(const TestMesh& m)
{
    const size_t n = m.triangles.size();
    const uint32_t pointCount = static_cast<uint32_t>(m.points.size());
    std::vector<bool> marks(n, false);
    auto usable = [&](const TRIANGLE& t) {
        return t.a != t.b && t.a != t.c && t.b != t.c && t.a < pointCount && t.b < pointCount &&
               t.c < pointCount;
    };
    auto corners = [&](const TRIANGLE& t, T3DVECF* c) {
        c[0] = m.points[t.a];
        c[1] = m.points[t.b];
        c[2] = m.points[t.c];
    };
    for (size_t i = 0; i < n; ++i) {
        const TRIANGLE& s = m.triangles[i];
        if (!usable(s)) {
            continue;
        }
        T3DVECF cs[3];
        corners(s, cs);
        const C3DAABB bs = BoxOfPoints(cs, 3);
        for (size_t j = i + 1; j < n; ++j) {
            const TRIANGLE& t = m.triangles[j];
            if (!usable(t)) {
                continue;
            }
            const uint32_t si[3] = {s.a, s.b, s.c};
            const uint32_t ti[3] = {t.a, t.b, t.c};
            bool shared = false;
            for (uint32_t x : si) {
                for (uint32_t y : ti) {
                    shared = shared || x == y;
                }
            }
            T3DVECF ct[3];
            corners(t, ct);
            if (shared || ClassifyBoxes(bs, BoxOfPoints(ct, 3)) == '0') {
                continue;
            }
            if (TriTriIntersect(cs, ct) == '1' || TriTriIntersect(ct, cs) == '1') {
                marks[i] = true;
                marks[j] = true;
            }
        }
    }
    return marks;
}

// Small triangles scattered in a cube: most are apart, some cross.
TestMesh SmallTriangles(uint32_t count, double extent, double size, uint32_t seed)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> at(0.0, extent);
    std::uniform_real_distribution<double> off(-size, size);
    TestMesh m;
    for (uint32_t t = 0; t < count; ++t) {
        const double x = at(rng), y = at(rng), z = at(rng);
        const uint32_t a = m.AddPoint(x + off(rng), y + off(rng), z + off(rng));
        const uint32_t b = m.AddPoint(x + off(rng), y + off(rng), z + off(rng));
        const uint32_t c = m.AddPoint(x + off(rng), y + off(rng), z + off(rng));
        m.AddTriangle(a, b, c);
    }
    return m;
}

// Triangles over a small shared pool of points: many share indices, some
// repeat one, and some cross.
TestMesh PooledTriangles(uint32_t count, uint32_t poolSize, uint32_t seed)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> at(0.0, 4.0);
    std::uniform_int_distribution<uint32_t> pick(0, poolSize - 1);
    TestMesh m;
    for (uint32_t p = 0; p < poolSize; ++p) {
        m.AddPoint(at(rng), at(rng), at(rng));
    }
    for (uint32_t t = 0; t < count; ++t) {
        m.AddTriangle(pick(rng), pick(rng), pick(rng));
    }
    return m;
}

// A closed sphere with a few triangles pushed through it.
TestMesh SphereWithSpikes()
{
    TestMesh m = testing::Sphere(24, 12, 1.0);
    const uint32_t a = m.AddPoint(-2.0, 0.01, 0.02);
    const uint32_t b = m.AddPoint(2.0, 0.03, -0.01);
    const uint32_t c = m.AddPoint(0.0, 0.02, 0.3);
    m.AddTriangle(a, b, c);  // runs through the sphere: crosses it twice
    const uint32_t d = m.AddPoint(0.3, 0.2, 0.9);
    const uint32_t e = m.AddPoint(0.35, 0.25, 1.2);
    const uint32_t f = m.AddPoint(0.25, 0.3, 1.1);
    m.AddTriangle(d, e, f);  // pokes out through the top
    const uint32_t g = m.AddPoint(5, 5, 5);
    m.AddTriangle(g, g, a);  // repeats an index: never marked
    return m;
}

struct Marks {
    int result;
    std::vector<bool> bits;
    int found;
};

// Marks and search by walking one tree against itself, or two trees built
// over the same mesh against each other.
Marks MarkWithTree(TestMesh& m, bool twoTrees = false)
{
    C3DTriAABBTree tree;
    C3DTriAABBTree other;
    EXPECT_EQ(tree.Build(m.Record()), 1);
    EXPECT_EQ(other.Build(m.Record()), 1);
    C3DTriAABBTree* second = twoTrees ? &other : &tree;
    CBitVector bits;
    Marks marks{MarkIntersectingPairs(&tree, second, bits), {}, FindIntersectingPair(&tree, second)};
    EXPECT_EQ(bits.BitCount(), m.triangles.size());
    for (uint64_t t = 0; t < m.triangles.size(); ++t) {
        marks.bits.push_back(bits.IsSet(t));
    }
    return marks;
}

void ExpectMarksOfAllPairs(TestMesh& m)
{
    const std::vector<bool> expected = MarksByAllPairs(m);
    bool any = false;
    for (const bool e : expected) {
        any = any || e;
    }
    for (const bool twoTrees : {false, true}) {
        SCOPED_TRACE(twoTrees ? "two trees" : "one tree");
        const Marks marks = MarkWithTree(m, twoTrees);
        ASSERT_EQ(marks.result, 1);
        ASSERT_EQ(marks.bits, expected);
        EXPECT_EQ(marks.found, any ? 1 : 0);
    }
}

TEST(IntersectingPairs, MarksMatchAllPairsOnSoups)
{
    for (uint32_t seed = 1; seed <= 5; ++seed) {
        TestMesh small = SmallTriangles(600, 10.0, 0.5, seed);
        ExpectMarksOfAllPairs(small);
        TestMesh pooled = PooledTriangles(400, 60, seed);
        ExpectMarksOfAllPairs(pooled);
        TestMesh sparse = SmallTriangles(300, 50.0, 0.2, seed);  // no crossing at all
        ExpectMarksOfAllPairs(sparse);
    }
    TestMesh big = testing::RandomSoup(150, 10.0, 4);  // large triangles, all crossing
    ExpectMarksOfAllPairs(big);
}

TEST(IntersectingPairs, MarksMatchAllPairsOnMeshes)
{
    TestMesh spiked = SphereWithSpikes();
    ExpectMarksOfAllPairs(spiked);
    const Marks marks = MarkWithTree(spiked);
    const size_t n = spiked.triangles.size();
    EXPECT_TRUE(marks.bits[n - 3]);
    EXPECT_TRUE(marks.bits[n - 2]);
    EXPECT_FALSE(marks.bits[n - 1]);

    TestMesh torus = testing::Torus(30, 12);  // closed and smooth: nothing
    ExpectMarksOfAllPairs(torus);
    EXPECT_EQ(MarkWithTree(torus).bits, std::vector<bool>(torus.triangles.size(), false));

    // Overlapping spheres without shared points (one a coincident copy), and
    // flat grids laid over each other (coplanar overlaps, touching edges).
    TestMesh spheres = testing::Sphere(16, 8, 1.0);
    testing::Append(spheres, testing::Sphere(16, 8, 1.0, 0.9, 0.2, 0.1));
    testing::Append(spheres, testing::Sphere(16, 8, 1.0));
    ExpectMarksOfAllPairs(spheres);
    TestMesh grids = testing::Grid(8);
    testing::Append(grids, testing::Grid(8, 1.0));
    testing::Append(grids, testing::Grid(4, 2.0));
    ExpectMarksOfAllPairs(grids);
}

// Two triangles that cross each other and share point 0.
TestMesh CrossingPairSharingAPoint()
{
    TestMesh m;
    m.AddPoint(0, 0, 0);
    m.AddPoint(2, 0, 0);
    m.AddPoint(0, 2, 0);
    m.AddPoint(1, 0.2, -1);
    m.AddPoint(0.2, 1, 1);
    m.AddTriangle(0, 1, 2);
    m.AddTriangle(0, 3, 4);
    return m;
}

TEST(IntersectingPairs, ASharedIndexHidesACrossingButASharedPositionDoesNot)
{
    TestMesh shared = CrossingPairSharingAPoint();
    const Marks marks = MarkWithTree(shared);
    EXPECT_EQ(marks.result, 1);
    EXPECT_EQ(marks.bits, (std::vector<bool>{false, false}));
    EXPECT_EQ(marks.found, 0);

    // Point 5 at the position of point 0; triangles beyond the points are skipped.
    TestMesh m = CrossingPairSharingAPoint();
    m.AddPoint(0, 0, 0);
    m.triangles[1].a = 5;
    m.AddTriangle(1, 99, 3);
    m.AddTriangle(0xFFFFFFFFu, 2, 4);
    EXPECT_EQ(MarkWithTree(m).bits, (std::vector<bool>{true, true, false, false}));
    ExpectMarksOfAllPairs(m);
}

TEST(IntersectingPairs, ATriangleRepeatingAnIndexIsNeverMarked)
{
    TestMesh m;
    for (int i = 0; i < 10; ++i) {
        m.AddPoint(i * 0.1, 0, 0);
    }
    m.points[4] = T3DVECF{0, 0, 0};
    m.points[9] = T3DVECF{1, 1, 0};
    m.AddPoint(0.5, -1, -1);  // 10
    m.AddPoint(0.5, 1, 1);    // 11
    m.AddPoint(0.5, 1, -1);   // 12
    m.AddTriangle(4, 4, 9);   // a segment in the plane z = 0 ...
    m.AddTriangle(10, 11, 12);  // ... that this triangle cuts
    const Marks marks = MarkWithTree(m);
    EXPECT_FALSE(marks.bits[0]);
    EXPECT_FALSE(marks.bits[1]);
}

TEST(IntersectingPairs, MissingOrUnbuiltTrees)
{
    TestMesh m = CrossingPairSharingAPoint();
    C3DTriAABBTree tree;
    ASSERT_EQ(tree.Build(m.Record()), 1);
    CBitVector bits;
    EXPECT_EQ(MarkIntersectingPairs(&tree, nullptr, bits), 0);
    EXPECT_EQ(MarkIntersectingPairs(nullptr, &tree, bits), 0);
    EXPECT_EQ(FindIntersectingPair(&tree, nullptr), 0);
    EXPECT_EQ(FindIntersectingPair(nullptr, &tree), 0);
    C3DTriAABBTree unbuilt;
    EXPECT_EQ(MarkIntersectingPairs(&unbuilt, &unbuilt, bits), 0);  // no bits to size
    EXPECT_EQ(FindIntersectingPair(&unbuilt, &unbuilt), 0);

    // Built, but with no triangle in range: nothing to find, and that is a
    // completed walk.
    TestMesh out;
    out.AddPoint(0, 0, 0);
    out.AddTriangle(1, 2, 3);
    ASSERT_EQ(tree.Build(out.Record()), 1);
    EXPECT_EQ(MarkIntersectingPairs(&tree, &tree, bits), 1);
    EXPECT_EQ(bits.CountSet(), 0u);
    EXPECT_EQ(FindIntersectingPair(&tree, &tree), 0);
}

TEST(IntersectingPairs, TwoDifferentTrees)
{
    TestMesh a = testing::Sphere(12, 6, 1.0);
    TestMesh b = testing::Sphere(12, 6, 1.0, 0.5, 0, 0);
    C3DTriAABBTree ta;
    C3DTriAABBTree tb;
    ASSERT_EQ(ta.Build(a.Record()), 1);
    ASSERT_EQ(tb.Build(b.Record()), 1);
    CBitVector bits;
    ASSERT_EQ(MarkIntersectingPairs(&ta, &tb, bits), 1);
    EXPECT_GT(bits.CountSet(), 0u);
    EXPECT_LT(bits.CountSet(), a.triangles.size());
    EXPECT_EQ(FindIntersectingPair(&ta, &tb), 1);

    TestMesh far = testing::Sphere(12, 6, 1.0, 10, 0, 0);
    ASSERT_EQ(tb.Build(far.Record()), 1);
    ASSERT_EQ(MarkIntersectingPairs(&ta, &tb, bits), 1);
    EXPECT_EQ(bits.CountSet(), 0u);
    EXPECT_EQ(FindIntersectingPair(&ta, &tb), 0);
}

// Fails each allocation of the walks in turn: the marking reports 0, the
// search -1, and the sanitizer build checks that the queue is released.
TEST(IntersectingPairs, EveryFailedAllocationIsReported)
{
    TestMesh m = SmallTriangles(3000, 10.0, 0.3, 9);
    C3DTriAABBTree tree;
    ASSERT_EQ(tree.Build(m.Record()), 1);
    const std::vector<bool> expected = MarksByAllPairs(m);
    uint64_t k = 1;
    for (;; ++k) {
        memory_testing::ResetAllocationCounter();
        memory_testing::FailAllocations(k, 1);
        CBitVector bits;
        const int marked = MarkIntersectingPairs(&tree, &tree, bits);
        const uint64_t failed = memory_testing::FailedAllocationCount();
        memory_testing::ResetAllocationCounter();
        if (failed == 0) {
            ASSERT_EQ(marked, 1);
            for (size_t t = 0; t < expected.size(); ++t) {
                ASSERT_EQ(bits.IsSet(t), expected[t]);
            }
            break;
        }
        EXPECT_EQ(marked, 0) << "allocation " << k;
    }
    EXPECT_GE(k, 3u);  // the bits, the queue, and at least one growth

    TestMesh clean = testing::Torus(40, 16);  // nothing to find: walks it all
    ASSERT_EQ(tree.Build(clean.Record()), 1);
    for (k = 1;; ++k) {
        memory_testing::ResetAllocationCounter();
        memory_testing::FailAllocations(k, 1);
        const int found = FindIntersectingPair(&tree, &tree);
        const uint64_t failed = memory_testing::FailedAllocationCount();
        memory_testing::ResetAllocationCounter();
        if (failed == 0) {
            EXPECT_EQ(found, 0);
            break;
        }
        EXPECT_EQ(found, -1) << "allocation " << k;
    }
    EXPECT_GE(k, 2u);
}

// ---- The self walk (each pair once) against the two-tree walk (each pair
// from both sides), on inputs full of touchy triangle configurations.

struct Shape {
    uint32_t triangles;
    uint32_t pool;        // points to pick corners from
    uint32_t lattice;     // coordinates are k / 2 for k in 0..lattice (many ties)
    double oddShare;      // share of coordinates replaced by NaN, -0.0, 0.0 or infinity
    double specialShare;  // share of triangles made degenerate, duplicated or out of range
};

// A coarse lattice makes coplanar, touching and coincident corners common.
TestMesh LatticeMesh(const Shape& shape, uint32_t seed)
{
    std::mt19937 rng(seed);
    std::uniform_int_distribution<uint32_t> step(0, shape.lattice);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    auto coordinate = [&]() {
        if (unit(rng) < shape.oddShare) {
            switch (rng() % 5) {
            case 0:
                return nan;
            case 1:
                return -0.0;
            case 2:
                return 0.0;
            case 3:
                return rng() % 2 == 0 ? inf : -inf;
            default:
                return -nan;
            }
        }
        return step(rng) * 0.5;
    };
    TestMesh m;
    for (uint32_t p = 0; p < shape.pool; ++p) {
        if (p > 0 && unit(rng) < 0.1) {
            const T3DVECF copy = m.points[rng() % p];  // same position, new index
            m.AddPoint(copy.x, copy.y, copy.z);
        } else {
            m.AddPoint(coordinate(), coordinate(), coordinate());
        }
    }
    // Corners close to each other in index, so that the triangles are small
    // against the lattice and their neighbours share indices.
    std::uniform_int_distribution<uint32_t> near(0, 6);
    auto corner = [&](uint32_t base) { return (base + near(rng)) % shape.pool; };
    for (uint32_t t = 0; t < shape.triangles; ++t) {
        const uint32_t base = rng() % shape.pool;
        TRIANGLE tri{corner(base), corner(base), corner(base)};
        if (unit(rng) < shape.specialShare && t > 0) {
            const TRIANGLE& other = m.triangles[rng() % t];
            switch (rng() % 6) {
            case 0:
                tri = other;  // the same indices
                break;
            case 1: {  // the same corners under new indices
                const uint32_t n = static_cast<uint32_t>(m.points.size());
                if (other.a >= n || other.b >= n || other.c >= n) {
                    tri = other;  // it has no corners to copy
                    break;
                }
                const T3DVECF pa = m.points[other.a];
                const T3DVECF pb = m.points[other.b];
                const T3DVECF pc = m.points[other.c];
                tri = TRIANGLE{m.AddPoint(pa.x, pa.y, pa.z), m.AddPoint(pb.x, pb.y, pb.z),
                               m.AddPoint(pc.x, pc.y, pc.z)};
                break;
            }
            case 2:
                tri.c = tri.a;  // a repeated index
                break;
            case 3: {           // three collinear corners
                const T3DVECF p = m.points[tri.a];
                const uint32_t b = m.AddPoint(p.x + 0.5, p.y, p.z + 0.5);
                const uint32_t c = m.AddPoint(p.x + 1.0, p.y, p.z + 1.0);
                tri = TRIANGLE{tri.a, b, c};
                break;
            }
            case 4:  // a corner beyond the points: not in the tree
                tri.b = shape.pool + 1000 + (rng() % 5);
                break;
            default:  // the same triangle, turned
                tri = TRIANGLE{other.b, other.c, other.a};
                break;
            }
        }
        m.AddTriangle(tri.a, tri.b, tri.c);
    }
    return m;
}

// Counts of meshes in which some, and not all, triangles were marked, so
// that the comparisons are known to have met both answers.
struct Seen {
    uint32_t withMarks = 0;
    uint32_t withoutMarks = 0;
};

void ExpectSameWalks(TestMesh& m, Seen& seen)
{
    const Marks one = MarkWithTree(m, false);
    const Marks two = MarkWithTree(m, true);
    ASSERT_EQ(one.result, 1);
    ASSERT_EQ(two.result, 1);
    ASSERT_EQ(one.bits, two.bits);
    EXPECT_EQ(one.found, two.found);
    uint32_t count = 0;
    for (const bool b : one.bits) {
        count += b ? 1 : 0;
    }
    EXPECT_EQ(one.found, count > 0 ? 1 : 0);
    seen.withMarks += count > 0 ? 1 : 0;
    seen.withoutMarks += count < one.bits.size() ? 1 : 0;
}

TEST(IntersectingPairsSelfWalk, MatchesTheTwoTreeWalkOnLatticeMeshes)
{
    const Shape shapes[] = {
        {40, 30, 4, 0.0, 0.0},         // one or a few leaves, coarse lattice
        {300, 200, 8, 0.0, 0.2},       // shared corners, duplicates, degenerate
        {1500, 600, 12, 0.0, 0.1},     // deeper trees
        {800, 400, 6, 0.05, 0.1},      // NaN, -0.0 and infinite coordinates
        {500, 300, 10, 0.3, 0.3},      // mostly odd
        {2000, 2000, 40, 0.01, 0.05},  // sparse: few pairs meet
    };
    Seen seen;
    uint32_t seed = 1;
    for (const Shape& shape : shapes) {
        for (int k = 0; k < 6; ++k, ++seed) {
            TestMesh m = LatticeMesh(shape, seed);
            ExpectSameWalks(m, seen);
        }
    }
    EXPECT_GT(seen.withMarks, 20u);
    EXPECT_GT(seen.withoutMarks, 20u);
}

// Every coordinate of a small mesh is set, one at a time, to NaN, -0.0 or
// infinity: the walks still agree.
TEST(IntersectingPairsSelfWalk, MatchesTheTwoTreeWalkWithEachCoordinateOdd)
{
    const double values[] = {std::numeric_limits<double>::quiet_NaN(), -0.0,
                             std::numeric_limits<double>::infinity()};
    Seen seen;
    TestMesh base = testing::Sphere(8, 5, 1.0);
    testing::Append(base, testing::Sphere(8, 5, 1.0, 0.5, 0.0, 0.0));
    for (size_t p = 0; p < base.points.size(); ++p) {
        for (int axis = 0; axis < 3; ++axis) {
            for (const double v : values) {
                TestMesh m = base;
                double* c = axis == 0 ? &m.points[p].x : axis == 1 ? &m.points[p].y : &m.points[p].z;
                *c = v;
                ExpectSameWalks(m, seen);
            }
        }
    }
    EXPECT_GT(seen.withMarks, 0u);
}

}  // namespace
}  // namespace meshaudit
