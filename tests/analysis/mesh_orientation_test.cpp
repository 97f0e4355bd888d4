// Orientation of whole meshes: the opposite-edge test, the consistency test
// on bare records, and (over the topology) Oriented and Orientable.
#include "analysis/mesh/MeshAnalyses.h"
#include "containers/Memory.h"
#include "model/MeshTopology.h"
#include "analysis/MeshBuilders.h"
#include "analysis/mesh/GraphWalk.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace meshaudit {
namespace {

using testing::TestMesh;

TEST(OppositeEdge, ComparesDirectedEdgesCyclically)
{
    const TRIANGLE t{0, 1, 2};
    EXPECT_TRUE(HaveOppositeEdge(t, TRIANGLE{1, 0, 3}));   // (0,1) against (1,0)
    EXPECT_TRUE(HaveOppositeEdge(t, TRIANGLE{4, 2, 1}));   // (1,2) against (2,1)
    EXPECT_TRUE(HaveOppositeEdge(t, TRIANGLE{0, 2, 5}));   // (2,0) against (0,2)
    EXPECT_TRUE(HaveOppositeEdge(t, TRIANGLE{2, 1, 0}));   // reversed copy
    EXPECT_FALSE(HaveOppositeEdge(t, TRIANGLE{0, 1, 3}));  // same direction
    EXPECT_FALSE(HaveOppositeEdge(t, TRIANGLE{1, 2, 0}));  // same triangle, rotated
    EXPECT_FALSE(HaveOppositeEdge(t, TRIANGLE{3, 4, 5}));
    EXPECT_FALSE(HaveOppositeEdge(t, TRIANGLE{0, 3, 4}));  // a common point only
}

TEST(ConsistentOrientation, HandBuiltMeshesAndBadRecords)
{
    TestMesh inward = testing::Tetrahedron();
    for (TRIANGLE& t : inward.triangles) {
        std::swap(t.b, t.c);
    }
    // Corners at or beyond pointCount are never indexed; the edge between
    // the two valid corners is still checked.
    TestMesh partial = testing::Tetrahedron();
    partial.AddTriangle(1, 2, 9);  // runs (1,2) like triangle (1,2,3): not opposite
    TestMesh outside = testing::Tetrahedron();
    outside.AddTriangle(9, 10, 0xFFFFFFFF);
    struct Case {
        const char* name;
        TestMesh mesh;
        bool consistent;
    };
    Case cases[] = {
        {"tetrahedron", testing::Tetrahedron(), true},
        {"inward tetrahedron", inward, true},
        {"tetrahedron, one flip", testing::FlipOne(testing::Tetrahedron(), 2), false},
        {"torus", testing::Torus(8, 5), true},
        {"torus, one flip", testing::FlipOne(testing::Torus(8, 5), 17), false},
        {"one valid edge", partial, false},
        {"no valid corner", outside, true},
    };
    for (Case& c : cases) {
        EXPECT_EQ(IsConsistentlyOriented(c.mesh.Record()), c.consistent) << c.name;
    }

    TestMesh tetra = testing::Tetrahedron();
    for (int i = 0; i < 4; ++i) {
        EXPECT_FALSE(IsConsistentlyOriented(testing::Broken(tetra.Record(), i))) << i;
    }
    for (uint64_t k = 1; k <= 3; ++k) {
        memory_testing::ResetAllocationCounter();
        memory_testing::FailAllocations(k, 1);
        EXPECT_FALSE(IsConsistentlyOriented(tetra.Record())) << k;
    }
    memory_testing::ResetAllocationCounter();
    EXPECT_TRUE(IsConsistentlyOriented(tetra.Record()));
}

// Every ordered pair of distinct triangles; u shares the directed edge (a, b)
// of t when both are corners of u, and must then run some edge of t reversed.
bool ConsistentByAllPairs(const TestMesh& m)
{
    auto has = [](const TRIANGLE& u, uint32_t p) { return u.a == p || u.b == p || u.c == p; };
    for (size_t t = 0; t < m.triangles.size(); ++t) {
        const TRIANGLE& tt = m.triangles[t];
        const uint32_t c[3] = {tt.a, tt.b, tt.c};
        for (size_t u = 0; u < m.triangles.size(); ++u) {
            if (u == t) {
                continue;
            }
            for (int i = 0; i < 3; ++i) {
                if (has(m.triangles[u], c[i]) && has(m.triangles[u], c[(i + 1) % 3]) &&
                    !HaveOppositeEdge(tt, m.triangles[u])) {
                    return false;
                }
            }
        }
    }
    return true;
}

TEST(ConsistentOrientation, AgreesWithAllPairsOnRandomMeshes)
{
    std::mt19937 random(777);
    int consistent = 0;
    for (int round = 0; round < 400; ++round) {
        TestMesh m;
        const uint32_t pointCount = 3 + random() % 8;
        for (uint32_t p = 0; p < pointCount; ++p) {
            m.AddPoint(p, 0, 0);
        }
        const uint32_t triangleCount = 1 + random() % 6;
        for (uint32_t t = 0; t < triangleCount; ++t) {
            m.AddTriangle(random() % pointCount, random() % pointCount, random() % pointCount);
        }
        const bool expected = ConsistentByAllPairs(m);
        consistent += expected ? 1 : 0;
        EXPECT_EQ(IsConsistentlyOriented(m.Record()), expected) << round;
    }
    // Both answers occur, so the comparison means something.
    EXPECT_GT(consistent, 20);
    EXPECT_LT(consistent, 380);
}

// A torus, Moebius strip or grid with random flips, plus stray, repeated,
// copied or reversed triangles.
TestMesh RandomOrientationCase(std::mt19937& random)
{
    TestMesh m;
    switch (random() % 5) {
    case 0:
    case 1:
        m = testing::Torus(4 + random() % 4, 3 + random() % 3);
        break;
    case 2:
        m = testing::Moebius(3 + random() % 5);
        break;
    default:
        m = testing::Grid(2 + random() % 3);
        break;
    }
    const bool flips = random() % 3 != 0;
    for (TRIANGLE& t : m.triangles) {
        if (flips && random() % 4 == 0) {
            std::swap(t.a, t.b);
        }
    }
    const uint32_t pointCount = static_cast<uint32_t>(m.points.size());
    const uint32_t extra = random() % 3 == 0 ? 0 : random() % 4;
    for (uint32_t k = 0; k < extra; ++k) {
        const TRIANGLE copied = m.triangles[random() % m.triangles.size()];
        switch (random() % 5) {
        case 4: {
            // A triangle of its own, far from the rest: one more component.
            const uint32_t first = static_cast<uint32_t>(m.points.size());
            m.AddPoint(100.0 + k, 0, 0);
            m.AddPoint(100.0 + k, 1, 0);
            m.AddPoint(100.0 + k, 0, 1);
            m.AddTriangle(first, first + 1, first + 2);
            break;
        }
        case 0:
            m.AddTriangle(copied.a, copied.b, copied.c);
            break;
        case 1:
            m.AddTriangle(copied.b, copied.a, copied.c);
            break;
        case 2:
            m.AddTriangle(copied.a, copied.a, random() % pointCount);
            break;
        default:
            m.AddTriangle(random() % pointCount, random() % pointCount, random() % pointCount);
            break;
        }
    }
    return m;
}

// IsOrientable against OrientCopy on a real copy, IsOriented with and
// without prebuilt neighbour lists, components against a plain walk.
TEST(Orientability, WalkAndNeighbourPathsAgreeWithThePlainForms)
{
    std::mt19937 random(2026);
    int orientable = 0;
    int oriented = 0;
    int repeats = 0;
    int several = 0;
    const int rounds = 600;
    for (int round = 0; round < rounds; ++round) {
        TestMesh m = RandomOrientationCase(random);
        const MeshRecord record = m.Record();

        TestMesh copy = m;
        MeshRecord copyRecord = copy.Record();
        bool plain = false;
        {
            MeshTopology topology;
            topology.Attach(record);
            ASSERT_TRUE(OrientCopy(copyRecord, topology));
            plain = IsConsistentlyOriented(copyRecord);
        }
        {
            MeshTopology topology;
            topology.Attach(record);
            EXPECT_EQ(IsOrientable(record, topology), plain) << round;
        }
        {
            // Components: the breadth-first walk against whichever way
            // ComputeComponents takes for this mesh.
            MeshTopology topology;
            topology.Attach(record);
            const IncidenceLists& neighbours = topology.TriangleNeighbours();
            ASSERT_EQ(topology.Status(), 0);
            const uint32_t n = static_cast<uint32_t>(m.triangles.size());
            std::vector<uint8_t> visited(n, 0);
            std::vector<uint32_t> queue(n);
            const uint32_t walked = CountGroups(n, neighbours, visited.data(), queue.data());
            EXPECT_EQ(ComputeComponents(record, topology), static_cast<int32_t>(walked)) << round;
            repeats += AnyTriangleRepeatsAPoint(record.triangles, n) ? 1 : 0;
            several += walked > 1 ? 1 : 0;
        }
        orientable += plain ? 1 : 0;

        bool merged = false;
        {
            MeshTopology topology;
            topology.Attach(record);
            merged = IsOriented(record, topology);
            EXPECT_FALSE(topology.HasTriangleNeighbours());
        }
        EXPECT_EQ(merged, IsConsistentlyOriented(record)) << round;
        {
            MeshTopology topology;
            topology.Attach(record);
            topology.TriangleNeighbours();
            ASSERT_TRUE(topology.HasTriangleNeighbours());
            EXPECT_EQ(IsOriented(record, topology), merged) << round;
        }
        oriented += merged ? 1 : 0;
    }
    // Both answers occur often enough for the comparisons to mean something.
    EXPECT_GT(orientable, rounds / 10);
    EXPECT_LT(orientable, rounds - rounds / 10);
    EXPECT_GT(oriented, rounds / 20);
    EXPECT_LT(oriented, rounds - rounds / 10);
    // Both ways of counting components and of judging orientability run.
    EXPECT_GT(repeats, rounds / 10);
    EXPECT_LT(repeats, rounds - rounds / 10);
    EXPECT_GT(several, rounds / 10);
}

}  // namespace
}  // namespace meshaudit
