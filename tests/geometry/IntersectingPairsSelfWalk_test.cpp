// A tree walked against itself meets each unordered pair of triangles once;
// two trees built over the same mesh are walked pair by pair from both sides.
// The two must agree on every mark and on whether some pair intersects, on
// inputs full of the cases that make triangle tests touchy.
#include "containers/BitVector.h"
#include "geometry/IntersectingPairs.h"
#include "geometry/TriAabbTree.h"
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

struct Shape {
    uint32_t triangles;
    uint32_t pool;        // points to pick corners from
    uint32_t lattice;     // coordinates are k / 2 for k in 0..lattice (many ties)
    double oddShare;      // share of coordinates replaced by NaN, -0.0, 0.0 or infinity
    double specialShare;  // share of triangles made degenerate, duplicated or out of range
};

// Corners on a coarse lattice make coplanar, collinear, touching and
// coincident configurations common; some points are copies of others under a
// new index, so that coincident corners are not excluded as neighbours.
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

// Small random triangles in a box, no shared corners: many proper crossings.
TestMesh CrossingSoup(uint32_t count, uint32_t seed)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> at(0.0, 8.0);
    std::uniform_real_distribution<double> off(-0.6, 0.6);
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

struct Outcome {
    int marked;
    std::vector<bool> bits;
    int found;
};

Outcome WalkOneTree(TestMesh& m)
{
    C3DTriAABBTree tree;
    EXPECT_EQ(tree.Build(m.Record()), 1);
    CBitVector bits;
    Outcome out{MarkIntersectingPairs(&tree, &tree, bits), {}, FindIntersectingPair(&tree, &tree)};
    for (uint64_t t = 0; t < bits.BitCount(); ++t) {
        out.bits.push_back(bits.IsSet(t));
    }
    return out;
}

Outcome WalkTwoTrees(TestMesh& m)
{
    C3DTriAABBTree treeA;
    C3DTriAABBTree treeB;
    EXPECT_EQ(treeA.Build(m.Record()), 1);
    EXPECT_EQ(treeB.Build(m.Record()), 1);
    CBitVector bits;
    Outcome out{MarkIntersectingPairs(&treeA, &treeB, bits), {},
                FindIntersectingPair(&treeA, &treeB)};
    for (uint64_t t = 0; t < bits.BitCount(); ++t) {
        out.bits.push_back(bits.IsSet(t));
    }
    return out;
}

// Counts of meshes in which some, and not all, triangles were marked, so
// that the comparisons are known to have met both answers.
struct Seen {
    uint32_t withMarks = 0;
    uint32_t withoutMarks = 0;
};

void ExpectSameWalks(TestMesh& m, Seen& seen)
{
    const Outcome one = WalkOneTree(m);
    const Outcome two = WalkTwoTrees(m);
    ASSERT_EQ(one.marked, 1);
    ASSERT_EQ(two.marked, 1);
    ASSERT_EQ(one.bits.size(), m.triangles.size());
    ASSERT_EQ(one.bits, two.bits);
    EXPECT_EQ(one.found, two.found);
    uint32_t count = 0;
    for (const bool b : one.bits) {
        count += b ? 1 : 0;
    }
    EXPECT_EQ(one.found, count > 0 ? 1 : 0);
    if (count > 0) {
        ++seen.withMarks;
    }
    if (count < one.bits.size()) {
        ++seen.withoutMarks;
    }
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

TEST(IntersectingPairsSelfWalk, MatchesTheTwoTreeWalkOnSoupsAndMeshes)
{
    Seen seen;
    for (uint32_t seed = 1; seed <= 4; ++seed) {
        TestMesh soup = CrossingSoup(1200, seed);
        ExpectSameWalks(soup, seen);
    }
    TestMesh torus = testing::Torus(40, 16);  // nothing meets
    ExpectSameWalks(torus, seen);
    TestMesh spheres = testing::Sphere(24, 12, 1.0);
    testing::Append(spheres, testing::Sphere(24, 12, 1.0, 0.7, 0.1, 0.0));
    testing::Append(spheres, testing::Sphere(24, 12, 1.0));  // a coincident copy
    ExpectSameWalks(spheres, seen);
    TestMesh grids = testing::Grid(20);
    testing::Append(grids, testing::Grid(20, 1.0));
    testing::Append(grids, testing::Grid(10, 2.0));  // coplanar, touching and overlapping
    ExpectSameWalks(grids, seen);
    EXPECT_GE(seen.withMarks, 6u);
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
