// Self-intersection of whole meshes: the tree search on its own.
#include "analysis/mesh/MeshAnalyses.h"
#include "containers/Memory.h"
#include "analysis/MeshBuilders.h"

#include <gtest/gtest.h>

namespace meshaudit {
namespace {

using testing::TestMesh;

TEST(SelfIntersection, HandBuiltMeshes)
{
    TestMesh overlapping = testing::Sphere(16, 8, 1.0);
    testing::Append(overlapping, testing::Sphere(16, 8, 1.0, 0.9, 0.3, 0.1));
    TestMesh apart = testing::Sphere(16, 8, 1.0);
    testing::Append(apart, testing::Sphere(16, 8, 1.0, 2.5, 0.0, 0.0));
    // Triangle B's corner (0.25, 0.25, 0) lies on triangle A's face.
    TestMesh touching = testing::MeshOf({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0.25, 0.25, 0},
        {0.25, 0.25, 1}, {1, 1, 1}},
        {{0, 1, 2}, {3, 4, 5}});
    // Two triangles through point 0 that also cross elsewhere: neighbours by
    // index are never tested, unless the common point is duplicated.
    TestMesh crossing = testing::MeshOf({{0, 0, 0}, {2, 0, -1}, {2, 0, 1}, {2, -1, 0}, {2, 1, 0}});
    crossing.AddTriangle(0, 1, 2);  // in the plane y = 0
    crossing.AddTriangle(0, 3, 4);  // in the plane z = 0, crossing the first
    TestMesh duplicated = crossing;
    duplicated.triangles[1].a = duplicated.AddPoint(0, 0, 0);
    TestMesh missing = testing::UnitCube();
    missing.AddTriangle(0, 6, 8);  // 8 == pointCount: never in the tree
    struct Case {
        const char* name;
        TestMesh mesh;
        int8_t expected;
    };
    Case cases[] = {
        {"cube", testing::UnitCube(), 0},
        {"torus", testing::Torus(24, 12), 0},
        {"sphere", testing::Sphere(32, 16), 0},
        {"overlapping spheres", overlapping, 1},
        {"spheres apart", apart, 0},
        {"touching", touching, 1},
        {"crossing through a common index", crossing, 0},
        {"crossing, common point duplicated", duplicated, 1},
        {"corner out of range", missing, 0},
    };
    for (Case& c : cases) {
        EXPECT_EQ(TestSelfIntersection(c.mesh.Record()), c.expected) << c.name;
    }
    MeshRecord record = missing.Record();
    record.points = nullptr;
    EXPECT_EQ(TestSelfIntersection(record), 0);  // no tree
    record = missing.Record();
    record.triangleCount = 0;
    EXPECT_EQ(TestSelfIntersection(record), 0);
}

TEST(SelfIntersection, AllocationFailuresNeverClaimAnIntersection)
{
    TestMesh m = testing::Sphere(12, 6, 1.0);
    testing::Append(m, testing::Sphere(12, 6, 1.0, 3.0, 0.0, 0.0));
    memory_testing::ResetAllocationCounter();
    ASSERT_EQ(TestSelfIntersection(m.Record()), 0);
    const uint64_t allocations = memory_testing::AllocationCount();
    ASSERT_GT(allocations, 0u);
    for (uint64_t k = 1; k <= allocations; ++k) {
        memory_testing::ResetAllocationCounter();
        memory_testing::FailAllocations(k, 1);
        const int8_t found = TestSelfIntersection(m.Record());
        EXPECT_TRUE(found == 0 || found == -1) << k;
    }
    memory_testing::ResetAllocationCounter();
}

}  // namespace
}  // namespace meshaudit
