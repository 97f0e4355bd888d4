// Intersected triangles: pairs that share no point index and meet.
#include "analysis/triangles/TriangleAnalyses.h"
#include "containers/Memory.h"
#include "analysis/MeshBuilders.h"

#include <gtest/gtest.h>

namespace meshaudit {
namespace {

using testing::TestMesh;

// Triangle (0, 1, 2) in the plane z = 0 and triangle (0, 3, 4) through the
// same corner 0 whose side (3, 4) pierces the first at (1, 0.5, 0).
TestMesh CornerSharingCrossing()
{
    TestMesh m = testing::MeshOf({{0, 0, 0}, {2, 0, 0}, {0, 2, 0}, {1, 0.5, 1}, {1, 0.5, -1}},
        {{0, 1, 2}, {0, 3, 4}});
    return m;
}

TEST(TriangleIntersected, HandCountedMeshes)
{
    TestMesh one = testing::FlatTriangle();
    // The crossing pair with the shared corner duplicated under a new index.
    TestMesh copy = CornerSharingCrossing();
    copy.triangles[1].a = copy.AddPoint(0, 0, 0);
    // A third triangle far from the second, crossing the first near (0, 2, 0).
    TestMesh third = copy;
    const uint32_t a = third.AddPoint(0.2, 1.5, -1);
    const uint32_t b = third.AddPoint(0.2, 1.5, 1);
    const uint32_t c = third.AddPoint(-1, 1.5, 0.5);
    third.AddTriangle(a, b, c);
    // A corner lying exactly on the face of the first triangle, then lifted.
    TestMesh touching = testing::MeshOf({{0, 0, 0}, {2, 0, 0}, {0, 2, 0}, {0.5, 0.5, 0},
        {0.5, 0.5, 1}, {1, 0.5, 1}},
        {{0, 1, 2}, {3, 4, 5}});
    TestMesh lifted = touching;
    lifted.points[3].z = 1e-9;
    TestMesh repeating = copy;  // their segment pierces the first: never marked
    repeating.AddTriangle(3, 3, 4);
    repeating.AddTriangle(4, 3, 4);
    TestMesh range = copy;  // never read nor marked
    range.AddTriangle(1, 2, static_cast<uint32_t>(range.points.size()));
    range.AddTriangle(0xFFFFFFFFu, 3, 4);
    TestMesh strays;  // no triangle with all corners in range
    strays.AddPoint(0, 0, 0);
    strays.AddTriangle(0, 1, 2);
    struct Case {
        const char* name;
        TestMesh mesh;
        int32_t expected;
    };
    Case cases[] = {
        {"single triangle", one, 0},
        {"tetrahedron", testing::Tetrahedron(), 0},
        {"torus", testing::Torus(24, 12), 0},
        {"crossing through a shared corner", CornerSharingCrossing(), 0},
        {"crossing, corner copied", copy, 2},
        {"a third crossing one of the pair", third, 3},
        {"touching", touching, 2},
        {"apart by 1e-9", lifted, 0},
        {"triangles repeating an index", repeating, 2},
        {"corners out of range", range, 2},
        {"only strays", strays, 0},
    };
    for (Case& k : cases) {
        EXPECT_EQ(triangles::CountIntersected(k.mesh.Record()), k.expected) << k.name;
    }
}

TEST(TriangleIntersected, RecordCodesAndEveryFailedAllocation)
{
    TestMesh m = testing::RandomSoup(60, 4.0, 9);
    MeshRecord r = m.Record();
    r.points = nullptr;
    EXPECT_EQ(triangles::CountIntersected(r), -1);
    r = m.Record();
    r.triangleCount = 0;
    EXPECT_EQ(triangles::CountIntersected(r), -1);

    memory_testing::ResetAllocationCounter();
    const int32_t expected = triangles::CountIntersected(m.Record());
    const uint64_t allocations = memory_testing::AllocationCount();
    ASSERT_GT(expected, 0);
    for (uint64_t k = 1; k <= allocations; ++k) {
        memory_testing::ResetAllocationCounter();
        memory_testing::FailAllocations(k, 1);
        const int32_t code = triangles::CountIntersected(m.Record());
        EXPECT_TRUE(code == -1 || code == -2) << k << " gave " << code;
    }
    memory_testing::ResetAllocationCounter();
    EXPECT_EQ(triangles::CountIntersected(m.Record()), expected);
}

}  // namespace
}  // namespace meshaudit
