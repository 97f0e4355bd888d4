// Volume and area of whole meshes: hand-computed values, the summation
// order of the volume, out-of-range corners and allocation failure.
#include "analysis/MeshBuilders.h"
#include "analysis/mesh/MeshAnalyses.h"
#include "containers/Memory.h"
#include "interface/Blocks.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>

namespace meshaudit {
namespace {

using testing::TestMesh;

// Triangle (a,0,0), (0,b,0), (0,0,c): determinant abc, area of a right
// triangle when one of them is 0.
void AddAxisTriangle(TestMesh& m, double a, double b = 1.0, double c = 1.0)
{
    const uint32_t p = m.AddPoint(a, 0, 0);
    const uint32_t q = m.AddPoint(0, b, 0);
    const uint32_t r = m.AddPoint(0, 0, c);
    m.AddTriangle(p, q, r);
}

TEST(MeshVolume, HandComputedMeshes)
{
    TestMesh single;
    AddAxisTriangle(single, 2, 3, 4);
    TestMesh flat = testing::FlatTriangle();  // a plane through the origin adds nothing
    // Out-of-range corners are skipped; with none usable there is no term.
    TestMesh missing = testing::UnitCube();
    missing.AddTriangle(0, 1, 8);           // 8 == pointCount
    missing.AddTriangle(0xFFFFFFFF, 2, 3);  // far beyond
    TestMesh none;
    none.AddPoint(1, 2, 3);
    none.AddTriangle(0, 1, 2);
    // In index order 1e16 + 1 rounds back to 1e16 and both ones are lost;
    // summed from the smallest magnitude up they give 2.
    TestMesh order;
    AddAxisTriangle(order, 1e16);
    AddAxisTriangle(order, 1.0);
    AddAxisTriangle(order, 1.0);
    AddAxisTriangle(order, -1e16);
    struct Case {
        const char* name;
        TestMesh mesh;
        double volume;
    };
    Case cases[] = {
        {"unit cube", testing::UnitCube(), 1.0},
        {"reversed unit cube", testing::Reversed(testing::UnitCube()), -1.0},
        // Only the face (1,0,0), (0,1,0), (0,0,1) has a non-zero determinant.
        {"corner tetrahedron", testing::Tetrahedron(), 1.0 / 6.0},
        {"single triangle", single, 24.0 / 6.0},
        {"plane through the origin", flat, 0.0},
        {"missing corners", missing, 1.0},
        {"no usable triangle", none, 0.0},
        {"small terms first", order, 2.0 / 6.0},
    };
    for (Case& c : cases) {
        EXPECT_EQ(ComputeVolume(c.mesh.Record()), c.volume) << c.name;
    }
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

TEST(MeshVolume, NotComputedNaNAndAllocationFailure)
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

    cube.points[6].x = std::numeric_limits<double>::quiet_NaN();  // no fault
    EXPECT_TRUE(std::isnan(ComputeVolume(cube.Record())));
}

TEST(MeshArea, HandComputedMeshes)
{
    TestMesh m;
    AddAxisTriangle(m, 2, 2, 0);  // area 2
    m.AddTriangle(0, 0, 1);       // repeated index: 0
    m.AddTriangle(1, 2, 3);       // 3 == pointCount: skipped
    TestMesh cube = testing::UnitCube();
    TestMesh reversed = testing::Reversed(testing::UnitCube());
    TestMesh tetra = testing::Tetrahedron();
    EXPECT_EQ(ComputeArea(cube.Record()), 6.0);
    EXPECT_EQ(ComputeArea(reversed.Record()), 6.0);
    EXPECT_DOUBLE_EQ(ComputeArea(tetra.Record()), 1.5 + std::sqrt(3.0) / 2.0);
    EXPECT_EQ(ComputeArea(m.Record()), 2.0);
    MeshRecord record = cube.Record();
    record.points = nullptr;
    EXPECT_EQ(ComputeArea(record), -1.0);
}

TEST(MeshArea, AgreesWithHeronOnASphere)
{
    TestMesh sphere = testing::Sphere(30, 15, 2.0, 1.0, 1.0, 1.0);
    auto dist = [](const T3DVECF& u, const T3DVECF& v) {
        return std::sqrt((u.x - v.x) * (u.x - v.x) + (u.y - v.y) * (u.y - v.y) +
                         (u.z - v.z) * (u.z - v.z));
    };
    double heron = 0.0;
    for (const TRIANGLE& t : sphere.triangles) {
        const T3DVECF& p = sphere.points[t.a];
        const T3DVECF& q = sphere.points[t.b];
        const T3DVECF& r = sphere.points[t.c];
        const double a = dist(p, q), b = dist(q, r), c = dist(r, p);
        const double s = 0.5 * (a + b + c);
        heron += std::sqrt(std::max(0.0, s * (s - a) * (s - b) * (s - c)));
    }
    EXPECT_NEAR(ComputeArea(sphere.Record()), heron, 1e-9);
}

}  // namespace
}  // namespace meshaudit
