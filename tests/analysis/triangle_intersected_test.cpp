// Intersected triangles: pairs that share no point index and meet.
#include "analysis/triangles/TriangleAnalyses.h"
#include "containers/Memory.h"
#include "support/TestMeshes.h"

#include <gtest/gtest.h>

namespace meshaudit {
namespace {

using testing::TestMesh;

// Triangle (0, 1, 2) in the plane z = 0 and triangle (0, 3, 4) through the
// same corner 0 whose side (3, 4) pierces the first at (1, 0.5, 0).
TestMesh CornerSharingCrossing()
{
    TestMesh m;
    m.AddPoint(0, 0, 0);
    m.AddPoint(2, 0, 0);
    m.AddPoint(0, 2, 0);
    m.AddPoint(1, 0.5, 1);
    m.AddPoint(1, 0.5, -1);
    m.AddTriangle(0, 1, 2);
    m.AddTriangle(0, 3, 4);
    return m;
}

TEST(TriangleIntersected, SingleTriangleAndClosedSurfaces)
{
    TestMesh one;
    one.AddPoint(0, 0, 0);
    one.AddPoint(1, 0, 0);
    one.AddPoint(0, 1, 0);
    one.AddTriangle(0, 1, 2);
    EXPECT_EQ(triangles::CountIntersected(one.Record()), 0);
    TestMesh tetrahedron = testing::Tetrahedron();
    EXPECT_EQ(triangles::CountIntersected(tetrahedron.Record()), 0);
    TestMesh torus = testing::Torus(24, 12);
    EXPECT_EQ(triangles::CountIntersected(torus.Record()), 0);
}

TEST(TriangleIntersected, ASharedCornerExcludesThePairButACoincidentCopyDoesNot)
{
    TestMesh shared = CornerSharingCrossing();
    EXPECT_EQ(triangles::CountIntersected(shared.Record()), 0);

    TestMesh copy = CornerSharingCrossing();
    const uint32_t corner = copy.AddPoint(0, 0, 0);
    copy.triangles[1].a = corner;
    EXPECT_EQ(triangles::CountIntersected(copy.Record()), 2);
}

TEST(TriangleIntersected, AThirdTriangleCrossingOneOfAPairAddsOne)
{
    TestMesh m = CornerSharingCrossing();
    m.triangles[1].a = m.AddPoint(0, 0, 0);
    // Far from the second triangle, crossing the first near corner (0, 2, 0).
    const uint32_t a = m.AddPoint(0.2, 1.5, -1);
    const uint32_t b = m.AddPoint(0.2, 1.5, 1);
    const uint32_t c = m.AddPoint(-1, 1.5, 0.5);
    m.AddTriangle(a, b, c);
    EXPECT_EQ(triangles::CountIntersected(m.Record()), 3);
}

TEST(TriangleIntersected, TouchingCountsAndApartDoesNot)
{
    TestMesh m;
    m.AddPoint(0, 0, 0);
    m.AddPoint(2, 0, 0);
    m.AddPoint(0, 2, 0);
    // A corner lying exactly on the face of the first triangle.
    m.AddPoint(0.5, 0.5, 0);
    m.AddPoint(0.5, 0.5, 1);
    m.AddPoint(1, 0.5, 1);
    m.AddTriangle(0, 1, 2);
    m.AddTriangle(3, 4, 5);
    EXPECT_EQ(triangles::CountIntersected(m.Record()), 2);
    m.points[3].z = 1e-9;  // lifted off the face: apart
    EXPECT_EQ(triangles::CountIntersected(m.Record()), 0);
}

TEST(TriangleIntersected, ATriangleRepeatingAnIndexIsNeverMarked)
{
    TestMesh m = CornerSharingCrossing();
    m.triangles[1].a = m.AddPoint(0, 0, 0);
    m.AddTriangle(3, 3, 4);  // (4, 4, 9)-like: its segment pierces the first
    m.AddTriangle(4, 3, 4);
    EXPECT_EQ(triangles::CountIntersected(m.Record()), 2);
}

TEST(TriangleIntersected, TrianglesOutOfRangeAreNeverReadNorMarked)
{
    TestMesh m = CornerSharingCrossing();
    m.triangles[1].a = m.AddPoint(0, 0, 0);
    const uint32_t beyond = static_cast<uint32_t>(m.points.size());
    m.AddTriangle(1, 2, beyond);
    m.AddTriangle(0xFFFFFFFFu, 3, 4);
    EXPECT_EQ(triangles::CountIntersected(m.Record()), 2);

    // No triangle with all corners in range: nothing to test.
    TestMesh strays;
    strays.AddPoint(0, 0, 0);
    strays.AddTriangle(0, 1, 2);
    EXPECT_EQ(triangles::CountIntersected(strays.Record()), 0);
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
