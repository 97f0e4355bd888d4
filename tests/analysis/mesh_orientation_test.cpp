// Orientation of whole meshes: the opposite-edge test, the consistency test
// on bare records, and (over the topology) Oriented and Orientable.
#include "analysis/mesh/MeshAnalyses.h"
#include "containers/Memory.h"
#include "support/TestMeshes.h"

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

TestMesh FlipOne(TestMesh mesh, size_t index)
{
    std::swap(mesh.triangles[index].a, mesh.triangles[index].b);
    return mesh;
}

TEST(ConsistentOrientation, ClosedMeshesBothWaysAndOneFlip)
{
    TestMesh tetra = testing::Tetrahedron();
    EXPECT_TRUE(IsConsistentlyOriented(tetra.Record()));
    TestMesh inward = tetra;
    for (TRIANGLE& t : inward.triangles) {
        std::swap(t.b, t.c);
    }
    EXPECT_TRUE(IsConsistentlyOriented(inward.Record()));
    TestMesh flipped = FlipOne(tetra, 2);
    EXPECT_FALSE(IsConsistentlyOriented(flipped.Record()));
    TestMesh torus = testing::Torus(8, 5);
    EXPECT_TRUE(IsConsistentlyOriented(torus.Record()));
    TestMesh flippedTorus = FlipOne(torus, 17);
    EXPECT_FALSE(IsConsistentlyOriented(flippedTorus.Record()));
}

TEST(ConsistentOrientation, NoSharedEdgeIsOriented)
{
    TestMesh m;
    for (int i = 0; i < 5; ++i) {
        m.AddPoint(i, i * i, 0);
    }
    m.AddTriangle(0, 1, 2);
    m.AddTriangle(2, 3, 4);  // a common point only
    EXPECT_TRUE(IsConsistentlyOriented(m.Record()));
}

TEST(ConsistentOrientation, BadRecordsAndMissingCorners)
{
    TestMesh tetra = testing::Tetrahedron();
    MeshRecord record = tetra.Record();
    record.points = nullptr;
    EXPECT_FALSE(IsConsistentlyOriented(record));
    record = tetra.Record();
    record.triangles = nullptr;
    EXPECT_FALSE(IsConsistentlyOriented(record));
    record = tetra.Record();
    record.pointCount = 0;
    EXPECT_FALSE(IsConsistentlyOriented(record));
    record = tetra.Record();
    record.triangleCount = 0;
    EXPECT_FALSE(IsConsistentlyOriented(record));

    // Corners at or beyond pointCount are never indexed; the edge between
    // the two valid corners is still checked.
    TestMesh m = testing::Tetrahedron();
    m.AddTriangle(1, 2, 9);  // runs (1,2) like triangle (1,2,3): not opposite
    EXPECT_FALSE(IsConsistentlyOriented(m.Record()));
    TestMesh n = testing::Tetrahedron();
    n.AddTriangle(9, 10, 0xFFFFFFFF);
    EXPECT_TRUE(IsConsistentlyOriented(n.Record()));
}

TEST(ConsistentOrientation, AllocationFailureGivesFalse)
{
    TestMesh tetra = testing::Tetrahedron();
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

}  // namespace
}  // namespace meshaudit
