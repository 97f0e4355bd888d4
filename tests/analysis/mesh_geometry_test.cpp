// Volume and area of whole meshes: hand-computed values, the summation
// order of the volume, out-of-range corners and allocation failure.
#include "analysis/mesh/MeshAnalyses.h"
#include "containers/Memory.h"
#include "interface/Blocks.h"
#include "support/TestMeshes.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>

namespace meshaudit {
namespace {

using testing::TestMesh;

TestMesh Reversed(TestMesh mesh)
{
    for (TRIANGLE& t : mesh.triangles) {
        std::swap(t.a, t.b);
    }
    return mesh;
}

TEST(MeshVolume, UnitCubeIsOneAndReversedIsMinusOne)
{
    TestMesh cube = testing::UnitCube();
    EXPECT_EQ(ComputeVolume(cube.Record()), 1.0);
    TestMesh reversed = Reversed(testing::UnitCube());
    EXPECT_EQ(ComputeVolume(reversed.Record()), -1.0);
}

TEST(MeshVolume, CornerTetrahedronIsExactlyOneSixth)
{
    // Only the face (1,0,0), (0,1,0), (0,0,1) has a non-zero determinant (1);
    // the three faces through the origin give 0.
    TestMesh tetra = testing::Tetrahedron();
    const double volume = ComputeVolume(tetra.Record());
    EXPECT_EQ(volume, 0.16666666666666666);
    EXPECT_EQ(volume, 1.0 / 6.0);
}

TEST(MeshVolume, SingleTriangleIsItsDeterminantOverSix)
{
    TestMesh m;
    m.AddPoint(2, 0, 0);
    m.AddPoint(0, 3, 0);
    m.AddPoint(0, 0, 4);
    m.AddTriangle(0, 1, 2);
    EXPECT_EQ(ComputeVolume(m.Record()), 24.0 / 6.0);
    // A plane through the origin contributes nothing.
    TestMesh flat;
    flat.AddPoint(0, 0, 0);
    flat.AddPoint(1, 0, 0);
    flat.AddPoint(0, 1, 0);
    flat.AddTriangle(0, 1, 2);
    EXPECT_EQ(ComputeVolume(flat.Record()), 0.0);
}

// Triangle (a,0,0), (0,1,0), (0,0,1) has determinant a.
void AddAxisTriangle(TestMesh& m, double a)
{
    const uint32_t p = m.AddPoint(a, 0, 0);
    const uint32_t q = m.AddPoint(0, 1, 0);
    const uint32_t r = m.AddPoint(0, 0, 1);
    m.AddTriangle(p, q, r);
}

TEST(MeshVolume, SmallTermsAreAddedBeforeLargeOnes)
{
    // In index order 1e16 + 1 rounds back to 1e16 (the spacing there is 2)
    // and both ones are lost: the sum would be 0. Sorted by magnitude the
    // ones add to 2 first, 1e16 + 2 is exact, and the sum is 2.
    TestMesh m;
    AddAxisTriangle(m, 1e16);
    AddAxisTriangle(m, 1.0);
    AddAxisTriangle(m, 1.0);
    AddAxisTriangle(m, -1e16);
    EXPECT_EQ(ComputeVolume(m.Record()), 2.0 / 6.0);
}

TEST(MeshVolume, ClosedMeshVolumeDoesNotDependOnTheOrigin)
{
    TestMesh near = testing::Sphere(24, 12, 1.0);
    TestMesh far = testing::Sphere(24, 12, 1.0, 5.0, -3.0, 2.0);
    const double v0 = ComputeVolume(near.Record());
    const double v1 = ComputeVolume(far.Record());
    EXPECT_GT(v0, 3.5);  // a little under 4/3 pi for an inscribed polyhedron
    EXPECT_LT(v0, 4.0 * std::acos(-1.0) / 3.0);
    EXPECT_NEAR(v0, v1, 1e-12);
}

TEST(MeshVolume, TrianglesWithAMissingCornerAreSkipped)
{
    TestMesh cube = testing::UnitCube();
    cube.AddTriangle(0, 1, 8);           // 8 == pointCount
    cube.AddTriangle(0xFFFFFFFF, 2, 3);  // far beyond
    EXPECT_EQ(ComputeVolume(cube.Record()), 1.0);

    // Points present but none usable: no term at all.
    TestMesh none;
    none.AddPoint(1, 2, 3);
    none.AddTriangle(0, 1, 2);
    EXPECT_EQ(ComputeVolume(none.Record()), 0.0);
}

TEST(MeshVolume, NullArraysAndAllocationFailureLeaveItNotComputed)
{
    TestMesh cube = testing::UnitCube();
    MeshRecord record = cube.Record();
    record.points = nullptr;
    EXPECT_EQ(ComputeVolume(record), -DBL_MAX);
    record = cube.Record();
    record.triangles = nullptr;
    EXPECT_EQ(ComputeVolume(record), -DBL_MAX);

    memory_testing::ResetAllocationCounter();
    memory_testing::FailAllocations(1, 1);
    EXPECT_EQ(ComputeVolume(cube.Record()), kVolumeNotComputed);
    EXPECT_EQ(memory_testing::FailedAllocationCount(), 1u);
    memory_testing::ResetAllocationCounter();
    EXPECT_EQ(ComputeVolume(cube.Record()), 1.0);
}

TEST(MeshVolume, NaNCoordinatesGiveNaNWithoutFault)
{
    TestMesh cube = testing::UnitCube();
    cube.points[6].x = std::numeric_limits<double>::quiet_NaN();
    EXPECT_TRUE(std::isnan(ComputeVolume(cube.Record())));
}

TEST(MeshArea, UnitCubeIsSixAndOrientationDoesNotMatter)
{
    TestMesh cube = testing::UnitCube();
    EXPECT_EQ(ComputeArea(cube.Record()), 6.0);
    TestMesh reversed = Reversed(testing::UnitCube());
    EXPECT_EQ(ComputeArea(reversed.Record()), 6.0);
}

TEST(MeshArea, CornerTetrahedron)
{
    TestMesh tetra = testing::Tetrahedron();
    EXPECT_DOUBLE_EQ(ComputeArea(tetra.Record()), 1.5 + std::sqrt(3.0) / 2.0);
}

TEST(MeshArea, DegenerateAndMissingCornersAddNothing)
{
    TestMesh m;
    m.AddPoint(0, 0, 0);
    m.AddPoint(2, 0, 0);
    m.AddPoint(0, 2, 0);
    m.AddTriangle(0, 1, 2);  // area 2
    m.AddTriangle(0, 0, 1);  // repeated index: 0
    m.AddTriangle(1, 2, 3);  // 3 == pointCount: skipped
    EXPECT_EQ(ComputeArea(m.Record()), 2.0);
}

TEST(MeshArea, AgreesWithHeronOnASphere)
{
    TestMesh sphere = testing::Sphere(30, 15, 2.0, 1.0, 1.0, 1.0);
    double heron = 0.0;
    for (const TRIANGLE& t : sphere.triangles) {
        const T3DVECF& p = sphere.points[t.a];
        const T3DVECF& q = sphere.points[t.b];
        const T3DVECF& r = sphere.points[t.c];
        auto dist = [](const T3DVECF& u, const T3DVECF& v) {
            return std::sqrt((u.x - v.x) * (u.x - v.x) + (u.y - v.y) * (u.y - v.y) +
                             (u.z - v.z) * (u.z - v.z));
        };
        const double a = dist(p, q), b = dist(q, r), c = dist(r, p);
        const double s = 0.5 * (a + b + c);
        heron += std::sqrt(std::max(0.0, s * (s - a) * (s - b) * (s - c)));
    }
    EXPECT_NEAR(ComputeArea(sphere.Record()), heron, 1e-9);
}

TEST(MeshArea, NullArraysAreNotComputed)
{
    TestMesh cube = testing::UnitCube();
    MeshRecord record = cube.Record();
    record.points = nullptr;
    EXPECT_EQ(ComputeArea(record), -1.0);
}

}  // namespace
}  // namespace meshaudit
