// Point counts that need no adjacency: non-finite coordinates, isolated
// points and exact duplicates.
#include "analysis/points/PointAnalyses.h"
#include "containers/Memory.h"
#include "analysis/MeshBuilders.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace meshaudit {
namespace {

using testing::RecordOf;
using testing::TestMesh;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

TEST(PointNonFinite, NaNAndInfinityCountOncePerPoint)
{
    TestMesh m = testing::FlatTriangle();
    EXPECT_EQ(points::CountNAN(m.Record()), 0);
    EXPECT_EQ(points::CountINF(m.Record()), 0);
    m.AddPoint(kNaN, 0, kNaN);                                   // NaN twice: one point
    m.AddPoint(kInf, -kInf, 0);                                  // both infinities: one point
    m.AddPoint(std::numeric_limits<double>::signaling_NaN(), 1, 1);
    m.AddPoint(kNaN, kInf, 2);                                   // counts in both
    m.AddPoint(std::numeric_limits<double>::max(), -0.0, 1e-320);  // finite extremes
    const MeshRecord r = m.Record();
    EXPECT_EQ(points::CountNAN(r), 3);
    EXPECT_EQ(points::CountINF(r), 2);
}

TEST(PointNonFinite, RecordCodes)
{
    const T3DVECF p{0, 0, 0};
    EXPECT_EQ(points::CountNAN(RecordOf(nullptr, 3, nullptr, 0)), -1);
    EXPECT_EQ(points::CountINF(RecordOf(nullptr, 3, nullptr, 0)), -1);
    EXPECT_EQ(points::CountNAN(RecordOf(&p, 0, nullptr, 0)), -2);
    EXPECT_EQ(points::CountINF(RecordOf(&p, 0, nullptr, 0)), -2);
    // The triangles are not read.
    EXPECT_EQ(points::CountNAN(RecordOf(&p, 1, nullptr, 0)), 0);
}

TEST(PointIsolated, CountsPointsNoTriangleUses)
{
    TestMesh m = testing::FlatTriangle();
    EXPECT_EQ(points::CountIsolated(m.Record()), 0);
    m.AddPoint(5, 5, 5);
    m.AddPoint(6, 6, 6);
    EXPECT_EQ(points::CountIsolated(m.Record()), 2);
    m.AddTriangle(3, 3, 0);  // a degenerate triangle still uses its points
    EXPECT_EQ(points::CountIsolated(m.Record()), 1);
    m.AddTriangle(4, 5, 0xFFFFFFFFu);  // 5 and 0xFFFFFFFF name no point, 4 does
    EXPECT_EQ(points::CountIsolated(m.Record()), 0);
    TestMesh n = testing::FlatTriangle();
    n.AddPoint(5, 5, 5);
    n.triangles[0] = TRIANGLE{4, 5, 6};  // no corner in range: every point isolated
    EXPECT_EQ(points::CountIsolated(n.Record()), 4);
}

TEST(PointIsolated, RecordCodesAndOutOfMemory)
{
    TestMesh m = testing::FlatTriangle();
    const T3DVECF* p = m.points.data();
    const TRIANGLE* t = m.triangles.data();
    EXPECT_EQ(points::CountIsolated(RecordOf(nullptr, 3, t, 1)), -1);
    EXPECT_EQ(points::CountIsolated(RecordOf(p, 3, nullptr, 1)), -2);
    EXPECT_EQ(points::CountIsolated(RecordOf(p, 0, t, 1)), -3);
    EXPECT_EQ(points::CountIsolated(RecordOf(p, 3, t, 0)), -4);

    memory_testing::ResetAllocationCounter();
    memory_testing::FailAllocations(1, 1);
    EXPECT_EQ(points::CountIsolated(m.Record()), -5);
    memory_testing::ResetAllocationCounter();
}

TEST(PointDuplicates, HandCountedClouds)
{
    TestMesh m;  // three and two at common positions
    for (const T3DVECF& p : {T3DVECF{1, 2, 3}, T3DVECF{7, 7, 7}, T3DVECF{1, 2, 3}, T3DVECF{0, 0, 0},
                             T3DVECF{7, 7, 7}, T3DVECF{1, 2, 3}}) {
        m.AddPoint(p.x, p.y, p.z);
    }
    m.AddTriangle(0, 1, 3);
    EXPECT_EQ(points::CountDuplicatedGeometrical(m.Record()), 5);
    EXPECT_EQ(points::CountClassesOfDuplicatedGeometrical(m.Record()), 2);

    // -0.0 equals 0.0 but the last bit matters.
    TestMesh zeros = testing::MeshOf({{0.0, 0, 0}, {-0.0, 0, 0}, {1.0, 0, 0},
        {std::nextafter(1.0, 2.0), 0, 0}},
        {{0, 1, 2}});
    EXPECT_EQ(points::CountDuplicatedGeometrical(zeros.Record()), 2);
    EXPECT_EQ(points::CountClassesOfDuplicatedGeometrical(zeros.Record()), 1);

    TestMesh cube = testing::UnitCube();
    EXPECT_EQ(points::CountDuplicatedGeometrical(cube.Record()), 0);
    EXPECT_EQ(points::CountClassesOfDuplicatedGeometrical(cube.Record()), 0);
    const T3DVECF p{1, 1, 1};
    EXPECT_EQ(points::CountDuplicatedGeometrical(RecordOf(&p, 1, nullptr, 0)), 0);
}

TEST(PointDuplicates, RecordCodesAndOutOfMemory)
{
    const T3DVECF p[2] = {{0, 0, 0}, {0, 0, 0}};
    EXPECT_EQ(points::CountDuplicatedGeometrical(RecordOf(nullptr, 2, nullptr, 0)), -1);
    EXPECT_EQ(points::CountClassesOfDuplicatedGeometrical(RecordOf(p, 0, nullptr, 0)), -2);
    // Without NaN the sorted key array is the only allocation: failing it
    // gives the code of a failed pool, and nothing is left behind (checked
    // by the leak sanitizer).
    memory_testing::ResetAllocationCounter();
    memory_testing::FailAllocations(1, 1);
    EXPECT_EQ(points::CountDuplicatedGeometrical(RecordOf(p, 2, nullptr, 0)), -3);
    memory_testing::ResetAllocationCounter();
    EXPECT_EQ(points::CountDuplicatedGeometrical(RecordOf(p, 2, nullptr, 0)), 2);
    EXPECT_EQ(memory_testing::AllocationCount(), 1u);
    // With a NaN the key array is given up for the tree and its pool, whose
    // two allocations fail with the same code.
    T3DVECF withNaN[3] = {p[0], p[1], {std::numeric_limits<double>::quiet_NaN(), 0, 0}};
    for (uint64_t k = 1; k <= 3; ++k) {
        memory_testing::ResetAllocationCounter();
        memory_testing::FailAllocations(k, 1);
        EXPECT_EQ(points::CountDuplicatedGeometrical(RecordOf(withNaN, 3, nullptr, 0)), -3) << k;
    }
    memory_testing::ResetAllocationCounter();
    // (NaN, 0, 0) is neither less nor greater than (0, 0, 0): one key.
    EXPECT_EQ(points::CountDuplicatedGeometrical(RecordOf(withNaN, 3, nullptr, 0)), 3);
    EXPECT_EQ(memory_testing::AllocationCount(), 3u);
    memory_testing::ResetAllocationCounter();
}

}  // namespace
}  // namespace meshaudit
