// The mesh self-intersection step: it trusts a positive count of intersected
// triangles, and a zero count made by this same analysis; otherwise the tree
// search decides.
#include "analysis/AnalysisContext.h"
#include "analysis/ProgressCapture.h"
#include "analysis/mesh/MeshAnalyses.h"
#include "containers/Memory.h"
#include "support/TestMeshes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <random>

namespace meshaudit {
namespace {

using testing::TestMesh;

TestMesh RandomSoup(std::mt19937& random, int round)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double values[] = {0.0, -0.0, 1.0, 2.0, 0.5, 3.0};
    std::uniform_int_distribution<int> pick(0, 5);
    std::uniform_int_distribution<int> rare(0, 60);
    TestMesh mesh;
    const uint32_t points = 4 + static_cast<uint32_t>(round % 11);
    for (uint32_t i = 0; i < points; ++i) {
        // Spread the points out in some rounds so that no pair meets.
        const double spread = round % 4 == 0 ? 10.0 * i : 0.0;
        mesh.AddPoint(values[pick(random)] + spread, values[pick(random)] + spread,
                      rare(random) == 0 ? nan : values[pick(random)]);
    }
    const uint32_t triangles = 1 + static_cast<uint32_t>(round % 7);
    for (uint32_t t = 0; t < triangles; ++t) {
        const uint32_t a = random() % points;
        const uint32_t b = round % 4 == 0 ? a : random() % points;
        mesh.AddTriangle(a, round % 4 == 0 ? (a + 1) % points : b, random() % points);
    }
    return mesh;
}

TEST(SelfintersectionShortcut, FullAnalysisAgreesWithTheSearch)
{
    std::mt19937 random(77);
    int zeroCounts = 0;
    for (int round = 0; round < 300; ++round) {
        TestMesh mesh = RandomSoup(random, round);
        const int8_t searched = TestSelfIntersection(mesh.Record());

        AnalysisContext context;
        context.LoadMesh(mesh.Record());
        std::memset(context.triangleSettings.Enable, 1, sizeof context.triangleSettings.Enable);
        std::memset(context.meshSettings.Enable, 1, sizeof context.meshSettings.Enable);
        testing::CaptureProgress([&] { context.RunCategory(5); });
        EXPECT_EQ(context.meshResults.Selfintersection, searched) << "round " << round;

        // The same analysis with the count never computed searches the tree.
        AnalysisContext plain;
        plain.LoadMesh(mesh.Record());
        std::memset(plain.triangleSettings.Enable, 0, sizeof plain.triangleSettings.Enable);
        std::memset(plain.meshSettings.Enable, 0, sizeof plain.meshSettings.Enable);
        plain.meshSettings.Enable[MSH_Selfintersection] = 1;
        testing::CaptureProgress([&] { plain.RunCategory(4); });
        EXPECT_EQ(plain.meshResults.Selfintersection, searched) << "round " << round;
        zeroCounts += context.triangleResults.CountIntersected == 0 ? 1 : 0;
    }
    EXPECT_GT(zeroCounts, 20);  // the shortcut was taken often
}

TEST(SelfintersectionShortcut, AZeroCountFromThisAnalysisBuildsNoTree)
{
    TestMesh cube = testing::UnitCube();
    AnalysisContext context;
    context.LoadMesh(cube.Record());
    std::memset(context.meshSettings.Enable, 0, sizeof context.meshSettings.Enable);
    context.meshSettings.Enable[MSH_Selfintersection] = 1;
    ASSERT_EQ(context.EnsureCount(Category::Triangles, TRI_CountIntersected), 0);
    EXPECT_TRUE(context.noIntersectingPair);
    memory_testing::ResetAllocationCounter();
    testing::CaptureProgress([&] { context.RunCategory(4); });
    EXPECT_EQ(memory_testing::AllocationCount(), 0u);
    EXPECT_EQ(context.meshResults.Selfintersection, 0);
    memory_testing::ResetAllocationCounter();

    // A new mesh forgets it.
    context.LoadMesh(cube.Record());
    EXPECT_FALSE(context.noIntersectingPair);
}

TEST(SelfintersectionShortcut, AFailedCountIsNotTrusted)
{
    TestMesh spheres = testing::Sphere(8, 4, 1.0);
    testing::Append(spheres, testing::Sphere(8, 4, 1.0, 0.5, 0.0, 0.0));
    AnalysisContext context;
    context.LoadMesh(spheres.Record());
    memory_testing::ResetAllocationCounter();
    memory_testing::FailAllocations(1, 1);  // the count's tree build fails
    EXPECT_LT(context.EnsureCount(Category::Triangles, TRI_CountIntersected), 0);
    memory_testing::ResetAllocationCounter();
    EXPECT_FALSE(context.noIntersectingPair);
    std::memset(context.meshSettings.Enable, 0, sizeof context.meshSettings.Enable);
    context.meshSettings.Enable[MSH_Selfintersection] = 1;
    testing::CaptureProgress([&] { context.RunCategory(4); });
    EXPECT_EQ(context.meshResults.Selfintersection, 1);
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
