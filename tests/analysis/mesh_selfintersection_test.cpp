// Self-intersection of whole meshes: the tree search on its own and the
// step that first trusts the triangle category's count.
#include "analysis/AnalysisContext.h"
#include "analysis/mesh/MeshAnalyses.h"
#include "containers/Memory.h"
#include "analysis/MeshBuilders.h"
#include "analysis/ProgressCapture.h"

#include <gtest/gtest.h>

#include <cstring>

namespace meshaudit {
namespace {

using testing::TestMesh;

TEST(SelfIntersection, ClosedMeshesDoNotIntersectThemselves)
{
    TestMesh cube = testing::UnitCube();
    EXPECT_EQ(TestSelfIntersection(cube.Record()), 0);
    TestMesh torus = testing::Torus(24, 12);
    EXPECT_EQ(TestSelfIntersection(torus.Record()), 0);
    TestMesh sphere = testing::Sphere(32, 16);
    EXPECT_EQ(TestSelfIntersection(sphere.Record()), 0);
}

TEST(SelfIntersection, TwoOverlappingSpheres)
{
    TestMesh m = testing::Sphere(16, 8, 1.0);
    testing::Append(m, testing::Sphere(16, 8, 1.0, 0.9, 0.3, 0.1));
    EXPECT_EQ(TestSelfIntersection(m.Record()), 1);
    // Apart, they do not.
    TestMesh apart = testing::Sphere(16, 8, 1.0);
    testing::Append(apart, testing::Sphere(16, 8, 1.0, 2.5, 0.0, 0.0));
    EXPECT_EQ(TestSelfIntersection(apart.Record()), 0);
}

TEST(SelfIntersection, TouchingCountsButSharedIndicesDoNot)
{
    // Triangle B's corner (0.25, 0.25, 0) lies on triangle A's face.
    TestMesh touching;
    touching.AddPoint(0, 0, 0);
    touching.AddPoint(1, 0, 0);
    touching.AddPoint(0, 1, 0);
    touching.AddPoint(0.25, 0.25, 0);
    touching.AddPoint(0.25, 0.25, 1);
    touching.AddPoint(1, 1, 1);
    touching.AddTriangle(0, 1, 2);
    touching.AddTriangle(3, 4, 5);
    EXPECT_EQ(TestSelfIntersection(touching.Record()), 1);

    // Two triangles through point 0 that also cross each other elsewhere:
    // neighbours by index are never tested.
    TestMesh crossing;
    crossing.AddPoint(0, 0, 0);
    crossing.AddPoint(2, 0, -1);
    crossing.AddPoint(2, 0, 1);
    crossing.AddPoint(2, -1, 0);
    crossing.AddPoint(2, 1, 0);
    crossing.AddTriangle(0, 1, 2);  // in the plane y = 0
    crossing.AddTriangle(0, 3, 4);  // in the plane z = 0, crossing the first
    EXPECT_EQ(TestSelfIntersection(crossing.Record()), 0);
    // The same with the common point duplicated under a new index.
    crossing.AddPoint(0, 0, 0);
    crossing.triangles[1].a = 5;
    EXPECT_EQ(TestSelfIntersection(crossing.Record()), 1);
}

TEST(SelfIntersection, MissingCornersAndBadRecords)
{
    TestMesh cube = testing::UnitCube();
    cube.AddTriangle(0, 6, 8);  // 8 == pointCount: never in the tree
    EXPECT_EQ(TestSelfIntersection(cube.Record()), 0);
    MeshRecord record = cube.Record();
    record.points = nullptr;
    EXPECT_EQ(TestSelfIntersection(record), 0);  // no tree
    record = cube.Record();
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

class SelfintersectionStep : public ::testing::Test {
protected:
    void Run(TestMesh& mesh, uint32_t storedIntersected)
    {
        context_.LoadMesh(mesh.Record());
        std::memset(context_.meshSettings.Enable, 0, sizeof context_.meshSettings.Enable);
        context_.meshSettings.Enable[MSH_Selfintersection] = 1;
        context_.triangleResults.CountIntersected = storedIntersected;
        memory_testing::ResetAllocationCounter();
        testing::CaptureProgress([&] { context_.RunCategory(4); });
        allocations_ = memory_testing::AllocationCount();
    }
    AnalysisContext context_;
    uint64_t allocations_ = 0;
};

TEST_F(SelfintersectionStep, APositiveTriangleCountAnswersWithoutATree)
{
    TestMesh cube = testing::UnitCube();
    Run(cube, 2);
    EXPECT_EQ(context_.meshResults.Selfintersection, 1);
    EXPECT_EQ(allocations_, 0u);  // no tree was built
    EXPECT_EQ(context_.triangleResults.CountIntersected, 2u);
}

TEST_F(SelfintersectionStep, OtherwiseTheTreeDecides)
{
    TestMesh cube = testing::UnitCube();
    Run(cube, 0);
    EXPECT_EQ(context_.meshResults.Selfintersection, 0);
    EXPECT_GT(allocations_, 0u);
    EXPECT_EQ(context_.meshResults.InRange[MSH_Selfintersection], 1);

    TestMesh spheres = testing::Sphere(8, 4, 1.0);
    testing::Append(spheres, testing::Sphere(8, 4, 1.0, 0.5, 0.0, 0.0));
    Run(spheres, 0);
    EXPECT_EQ(context_.meshResults.Selfintersection, 1);
    // A failure code or the not-computed mark are not trusted, and the
    // count is not computed by this step.
    Run(spheres, 0xFFFFFFFE);
    EXPECT_EQ(context_.meshResults.Selfintersection, 1);
    Run(cube, NOT_COMPUTED);
    EXPECT_EQ(context_.meshResults.Selfintersection, 0);
    EXPECT_EQ(context_.triangleResults.CountIntersected, NOT_COMPUTED);
}

}  // namespace
}  // namespace meshaudit
