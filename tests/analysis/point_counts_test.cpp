// Point counts that need no adjacency: non-finite coordinates, isolated
// points and exact duplicates.
#include "analysis/points/PointAnalyses.h"
#include "containers/Memory.h"
#include "support/TestMeshes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace meshaudit {
namespace {

using testing::TestMesh;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// One triangle over points 0, 1, 2 and whatever further points a test adds.
TestMesh OneTriangle()
{
    TestMesh m;
    m.AddPoint(0, 0, 0);
    m.AddPoint(1, 0, 0);
    m.AddPoint(0, 1, 0);
    m.AddTriangle(0, 1, 2);
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

TEST(PointNonFinite, NaNAndInfinityCountOncePerPoint)
{
    TestMesh m = OneTriangle();
    m.AddPoint(kNaN, 0, kNaN);                                   // NaN twice: one point
    m.AddPoint(kInf, -kInf, 0);                                  // both infinities: one point
    m.AddPoint(std::numeric_limits<double>::signaling_NaN(), 1, 1);
    m.AddPoint(kNaN, kInf, 2);                                   // counts in both
    m.AddPoint(std::numeric_limits<double>::max(), -0.0, 1e-320);  // finite extremes
    const MeshRecord r = m.Record();
    EXPECT_EQ(points::CountNAN(r), 3);
    EXPECT_EQ(points::CountINF(r), 2);
}

TEST(PointNonFinite, FinitePointsAddNothing)
{
    TestMesh m = OneTriangle();
    EXPECT_EQ(points::CountNAN(m.Record()), 0);
    EXPECT_EQ(points::CountINF(m.Record()), 0);
}

TEST(PointNonFinite, RecordCodes)
{
    const T3DVECF p{0, 0, 0};
    EXPECT_EQ(points::CountNAN(Record(nullptr, 3, nullptr, 0)), -1);
    EXPECT_EQ(points::CountINF(Record(nullptr, 3, nullptr, 0)), -1);
    EXPECT_EQ(points::CountNAN(Record(&p, 0, nullptr, 0)), -2);
    EXPECT_EQ(points::CountINF(Record(&p, 0, nullptr, 0)), -2);
    // The triangles play no part.
    EXPECT_EQ(points::CountNAN(Record(&p, 1, nullptr, 0)), 0);
}

TEST(PointIsolated, CountsPointsNoTriangleUses)
{
    TestMesh m = OneTriangle();
    EXPECT_EQ(points::CountIsolated(m.Record()), 0);
    m.AddPoint(5, 5, 5);
    m.AddPoint(6, 6, 6);
    EXPECT_EQ(points::CountIsolated(m.Record()), 2);
    m.AddTriangle(3, 3, 0);  // a degenerate triangle still uses its points
    EXPECT_EQ(points::CountIsolated(m.Record()), 1);
}

TEST(PointIsolated, CornersOutOfRangeUseNoPoint)
{
    TestMesh m = OneTriangle();
    m.AddPoint(5, 5, 5);
    m.AddTriangle(3, 4, 0xFFFFFFFFu);  // 4 and 0xFFFFFFFF name no point
    EXPECT_EQ(points::CountIsolated(m.Record()), 0);
    TestMesh n = OneTriangle();
    n.AddPoint(5, 5, 5);
    n.triangles[0] = TRIANGLE{4, 5, 6};  // no corner in range: every point isolated
    EXPECT_EQ(points::CountIsolated(n.Record()), 4);
}

TEST(PointIsolated, RecordCodesAndOutOfMemory)
{
    TestMesh m = OneTriangle();
    const T3DVECF* p = m.points.data();
    const TRIANGLE* t = m.triangles.data();
    EXPECT_EQ(points::CountIsolated(Record(nullptr, 3, t, 1)), -1);
    EXPECT_EQ(points::CountIsolated(Record(p, 3, nullptr, 1)), -2);
    EXPECT_EQ(points::CountIsolated(Record(p, 0, t, 1)), -3);
    EXPECT_EQ(points::CountIsolated(Record(p, 3, t, 0)), -4);

    memory_testing::ResetAllocationCounter();
    memory_testing::FailAllocations(1, 1);
    EXPECT_EQ(points::CountIsolated(m.Record()), -5);
    memory_testing::ResetAllocationCounter();
}

TEST(PointDuplicates, ThreeAndTwoAtCommonPositions)
{
    TestMesh m;
    m.AddPoint(1, 2, 3);
    m.AddPoint(7, 7, 7);
    m.AddPoint(1, 2, 3);
    m.AddPoint(0, 0, 0);  // unique
    m.AddPoint(7, 7, 7);
    m.AddPoint(1, 2, 3);
    m.AddTriangle(0, 1, 3);
    EXPECT_EQ(points::CountDuplicatedGeometrical(m.Record()), 5);
    EXPECT_EQ(points::CountClassesOfDuplicatedGeometrical(m.Record()), 2);
}

TEST(PointDuplicates, NegativeZeroEqualsZeroButTheLastBitMatters)
{
    TestMesh m;
    m.AddPoint(0.0, 0, 0);
    m.AddPoint(-0.0, 0, 0);
    m.AddPoint(1.0, 0, 0);
    m.AddPoint(std::nextafter(1.0, 2.0), 0, 0);
    m.AddTriangle(0, 1, 2);
    EXPECT_EQ(points::CountDuplicatedGeometrical(m.Record()), 2);
    EXPECT_EQ(points::CountClassesOfDuplicatedGeometrical(m.Record()), 1);
}

TEST(PointDuplicates, NoDuplicatesAndASinglePoint)
{
    TestMesh cube = testing::UnitCube();
    EXPECT_EQ(points::CountDuplicatedGeometrical(cube.Record()), 0);
    EXPECT_EQ(points::CountClassesOfDuplicatedGeometrical(cube.Record()), 0);
    const T3DVECF p{1, 1, 1};
    EXPECT_EQ(points::CountDuplicatedGeometrical(Record(&p, 1, nullptr, 0)), 0);
}

TEST(PointDuplicates, RecordCodesAndOutOfMemory)
{
    const T3DVECF p[2] = {{0, 0, 0}, {0, 0, 0}};
    EXPECT_EQ(points::CountDuplicatedGeometrical(Record(nullptr, 2, nullptr, 0)), -1);
    EXPECT_EQ(points::CountClassesOfDuplicatedGeometrical(Record(p, 0, nullptr, 0)), -2);
    // Without NaN the sorted key array is the only allocation: failing it
    // gives the code of a failed pool, and nothing is left behind (checked
    // by the leak sanitizer).
    memory_testing::ResetAllocationCounter();
    memory_testing::FailAllocations(1, 1);
    EXPECT_EQ(points::CountDuplicatedGeometrical(Record(p, 2, nullptr, 0)), -3);
    memory_testing::ResetAllocationCounter();
    EXPECT_EQ(points::CountDuplicatedGeometrical(Record(p, 2, nullptr, 0)), 2);
    EXPECT_EQ(memory_testing::AllocationCount(), 1u);
    // With a NaN the key array is given up for the tree and its pool, whose
    // two allocations fail with the same code.
    T3DVECF withNaN[3] = {p[0], p[1], {std::numeric_limits<double>::quiet_NaN(), 0, 0}};
    for (uint64_t k = 1; k <= 3; ++k) {
        memory_testing::ResetAllocationCounter();
        memory_testing::FailAllocations(k, 1);
        EXPECT_EQ(points::CountDuplicatedGeometrical(Record(withNaN, 3, nullptr, 0)), -3) << k;
    }
    memory_testing::ResetAllocationCounter();
    // (NaN, 0, 0) is neither less nor greater than (0, 0, 0): one key.
    EXPECT_EQ(points::CountDuplicatedGeometrical(Record(withNaN, 3, nullptr, 0)), 3);
    EXPECT_EQ(memory_testing::AllocationCount(), 3u);
    memory_testing::ResetAllocationCounter();
}

}  // namespace
}  // namespace meshaudit
