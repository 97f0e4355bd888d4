// Triangle counts that read only the arrays: invalid and duplicated
// triangles, by index and by coordinates.
#include "analysis/triangles/TriangleAnalyses.h"
#include "containers/Memory.h"
#include "support/TestMeshes.h"

#include <gtest/gtest.h>

#include <limits>

namespace meshaudit {
namespace {

using testing::TestMesh;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Ten points on a line, x = index, so that distinct indices are distinct
// positions unless a test overrides one.
TestMesh TenPoints()
{
    TestMesh m;
    for (int i = 0; i < 10; ++i) {
        m.AddPoint(i, 0, 0);
    }
    return m;
}

MeshRecord Record(const T3DVECF* points, uint32_t pointCount, const TRIANGLE* triangles,
                  uint32_t triangleCount)
{
    MeshRecord r;
    r.points = const_cast<T3DVECF*>(points);
    r.pointCount = pointCount;
    r.triangles = const_cast<TRIANGLE*>(triangles);
    r.triangleCount = triangleCount;
    return r;
}

TEST(TriangleInvalid, RepeatedIndexWithFiniteAndWithNaNPoints)
{
    TestMesh m = TenPoints();
    m.AddTriangle(4, 4, 9);
    m.AddTriangle(1, 2, 3);
    EXPECT_EQ(triangles::CountInvalidTopological(m.Record()), 1);
    EXPECT_EQ(triangles::CountInvalidGeometrical(m.Record()), 1);
    m.points[4].y = kNaN;  // a NaN coordinate never makes two points equal
    EXPECT_EQ(triangles::CountInvalidTopological(m.Record()), 1);
    EXPECT_EQ(triangles::CountInvalidGeometrical(m.Record()), 0);
}

TEST(TriangleInvalid, EveryPairOfCornersIsCompared)
{
    TestMesh m = TenPoints();
    m.AddTriangle(1, 1, 2);
    m.AddTriangle(1, 2, 1);
    m.AddTriangle(2, 1, 1);
    m.AddTriangle(3, 3, 3);
    m.AddTriangle(1, 2, 3);
    EXPECT_EQ(triangles::CountInvalidTopological(m.Record()), 4);
    // Coincident corners under distinct indices are invalid by coordinates
    // only; -0.0 equals 0.0.
    m.points[5] = T3DVECF{2, -0.0, 0};
    m.AddTriangle(2, 5, 6);  // corners 2 and 5 coincide
    m.AddTriangle(6, 7, 2);
    EXPECT_EQ(triangles::CountInvalidTopological(m.Record()), 4);
    EXPECT_EQ(triangles::CountInvalidGeometrical(m.Record()), 5);
}

TEST(TriangleInvalid, CornersOutOfRange)
{
    TestMesh m = TenPoints();
    m.AddTriangle(10, 10, 1);  // topologically invalid, indices not examined
    m.AddTriangle(2, 2, 99);   // has no coordinates: skipped geometrically
    m.AddTriangle(3, 3, 4);
    EXPECT_EQ(triangles::CountInvalidTopological(m.Record()), 3);
    EXPECT_EQ(triangles::CountInvalidGeometrical(m.Record()), 1);
}

TEST(TriangleInvalid, RecordCodes)
{
    TestMesh m = TenPoints();
    m.AddTriangle(0, 1, 2);
    const T3DVECF* p = m.points.data();
    const TRIANGLE* t = m.triangles.data();
    EXPECT_EQ(triangles::CountInvalidTopological(Record(nullptr, 0, nullptr, 1)), -1);
    EXPECT_EQ(triangles::CountInvalidTopological(Record(nullptr, 0, t, 0)), -2);
    EXPECT_EQ(triangles::CountInvalidTopological(Record(nullptr, 0, t, 1)), 0);
    EXPECT_EQ(triangles::CountInvalidGeometrical(Record(nullptr, 10, t, 1)), -1);
    EXPECT_EQ(triangles::CountInvalidGeometrical(Record(p, 10, nullptr, 1)), -2);
    EXPECT_EQ(triangles::CountInvalidGeometrical(Record(p, 0, t, 1)), -3);
    EXPECT_EQ(triangles::CountInvalidGeometrical(Record(p, 10, t, 0)), -4);
}

TEST(TriangleDuplicates, StoredTwiceWithEitherOrientation)
{
    TestMesh same = TenPoints();
    same.AddTriangle(1, 2, 3);
    same.AddTriangle(1, 2, 3);
    TestMesh opposite = TenPoints();
    opposite.AddTriangle(1, 2, 3);
    opposite.AddTriangle(3, 2, 1);
    for (TestMesh* m : {&same, &opposite}) {
        const MeshRecord r = m->Record();
        EXPECT_EQ(triangles::CountDuplicatedTopological(r), 2);
        EXPECT_EQ(triangles::CountClassesOfDuplicatedTopological(r), 1);
        EXPECT_EQ(triangles::CountDuplicatedGeometrical(r), 2);
        EXPECT_EQ(triangles::CountClassesOfDuplicatedGeometrical(r), 1);
    }
}

TEST(TriangleDuplicates, EveryRotationAndReflectionIsOneKey)
{
    TestMesh m = TenPoints();
    m.AddTriangle(7, 3, 5);
    m.AddTriangle(5, 7, 3);
    m.AddTriangle(3, 5, 7);
    m.AddTriangle(7, 5, 3);
    m.AddTriangle(5, 3, 7);
    m.AddTriangle(3, 7, 5);
    m.AddTriangle(4, 4, 9);
    m.AddTriangle(9, 4, 4);
    m.AddTriangle(4, 9, 9);  // another multiset of the same indices
    m.AddTriangle(0, 1, 2);
    EXPECT_EQ(triangles::CountDuplicatedTopological(m.Record()), 8);
    EXPECT_EQ(triangles::CountClassesOfDuplicatedTopological(m.Record()), 2);
    EXPECT_EQ(triangles::CountDuplicatedGeometrical(m.Record()), 8);
    EXPECT_EQ(triangles::CountClassesOfDuplicatedGeometrical(m.Record()), 2);
}

TEST(TriangleDuplicates, SameCornersUnderOtherIndicesAreGeometricalOnly)
{
    TestMesh m = TenPoints();
    m.points[8] = m.points[1];
    m.points[9] = m.points[2];
    m.AddTriangle(1, 2, 3);
    m.AddTriangle(3, 9, 8);  // the same corners, another orientation and indices
    m.AddTriangle(1, 9, 3);  // the same corners again
    m.AddTriangle(4, 5, 6);
    EXPECT_EQ(triangles::CountDuplicatedTopological(m.Record()), 0);
    EXPECT_EQ(triangles::CountClassesOfDuplicatedTopological(m.Record()), 0);
    EXPECT_EQ(triangles::CountDuplicatedGeometrical(m.Record()), 3);
    EXPECT_EQ(triangles::CountClassesOfDuplicatedGeometrical(m.Record()), 1);
}

TEST(TriangleDuplicates, CornersDifferingInOneCoordinateAreNotDuplicates)
{
    TestMesh m;
    m.AddPoint(0, 0, 0);
    m.AddPoint(1, 0, 0);
    m.AddPoint(0, 1, 0);
    m.AddPoint(0, 1, 1e-300);
    m.AddTriangle(0, 1, 2);
    m.AddTriangle(0, 1, 3);
    EXPECT_EQ(triangles::CountDuplicatedGeometrical(m.Record()), 0);
    m.points[3].z = -0.0;
    EXPECT_EQ(triangles::CountDuplicatedGeometrical(m.Record()), 2);
}

TEST(TriangleDuplicates, TrianglesOutOfRangeAreSkippedGeometrically)
{
    TestMesh m = TenPoints();
    m.AddTriangle(1, 2, 10);  // 10 is the point count
    m.AddTriangle(10, 2, 1);
    m.AddTriangle(1, 2, 3);
    // By indices they are compared like any other triangle.
    EXPECT_EQ(triangles::CountDuplicatedTopological(m.Record()), 2);
    EXPECT_EQ(triangles::CountClassesOfDuplicatedTopological(m.Record()), 1);
    EXPECT_EQ(triangles::CountDuplicatedGeometrical(m.Record()), 0);
    EXPECT_EQ(triangles::CountClassesOfDuplicatedGeometrical(m.Record()), 0);
    m.AddTriangle(3, 1, 2);
    EXPECT_EQ(triangles::CountDuplicatedGeometrical(m.Record()), 2);
}

TEST(TriangleDuplicates, RecordCodesAndOutOfMemory)
{
    TestMesh m = TenPoints();
    m.AddTriangle(1, 2, 3);
    m.AddTriangle(3, 2, 1);
    const T3DVECF* p = m.points.data();
    const TRIANGLE* t = m.triangles.data();
    EXPECT_EQ(triangles::CountDuplicatedTopological(Record(p, 10, nullptr, 2)), -1);
    EXPECT_EQ(triangles::CountClassesOfDuplicatedTopological(Record(p, 10, t, 0)), -2);
    EXPECT_EQ(triangles::CountDuplicatedGeometrical(Record(nullptr, 10, t, 2)), -1);
    EXPECT_EQ(triangles::CountDuplicatedGeometrical(Record(p, 0, t, 2)), -2);
    EXPECT_EQ(triangles::CountClassesOfDuplicatedGeometrical(Record(p, 10, nullptr, 2)), -3);
    EXPECT_EQ(triangles::CountClassesOfDuplicatedGeometrical(Record(p, 10, t, 0)), -4);
    // By indices the sorted key array is the one allocation (no NaN here);
    // by coordinates the point ranks and the array that sorts them come
    // first.
    memory_testing::ResetAllocationCounter();
    memory_testing::FailAllocations(1, 1);
    EXPECT_EQ(triangles::CountDuplicatedTopological(m.Record()), -3);
    memory_testing::ResetAllocationCounter();
    EXPECT_GE(triangles::CountDuplicatedTopological(m.Record()), 0);
    EXPECT_EQ(memory_testing::AllocationCount(), 1u);
    for (uint64_t k = 1; k <= 3; ++k) {
        memory_testing::ResetAllocationCounter();
        memory_testing::FailAllocations(k, 1);
        EXPECT_EQ(triangles::CountDuplicatedGeometrical(m.Record()), -5) << k;
    }
    memory_testing::ResetAllocationCounter();
    EXPECT_GE(triangles::CountDuplicatedGeometrical(m.Record()), 0);
    EXPECT_EQ(memory_testing::AllocationCount(), 3u);
    memory_testing::ResetAllocationCounter();
}

}  // namespace
}  // namespace meshaudit
