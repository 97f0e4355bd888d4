// Whole-mesh values through a full default analysis, and the values the
// mesh step takes from other categories.
#include "analysis/AnalysisContext.h"
#include "analysis/MeshBuilders.h"
#include "analysis/ProgressCapture.h"
#include "analysis/mesh/MeshAnalyses.h"
#include "containers/Memory.h"
#include "interface/Blocks.h"
#include "model/MeshTopology.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace meshaudit {
namespace {

using testing::TestMesh;

class MeshValues : public ::testing::Test {
protected:
    // A full default analysis (all four categories) of `mesh`.
    void Analyse(TestMesh& mesh)
    {
        context_.LoadMesh(mesh.Record());
        progress_ = testing::CaptureProgress([&] { context_.RunCategory(5); });
    }
    AnalysisContext context_;
    std::string progress_;
};

TEST_F(MeshValues, SingleTriangle)
{
    TestMesh m = testing::SingleTriangle();
    Analyse(m);
    const MeshResults& r = context_.meshResults;
    EXPECT_EQ(r.Oriented, 1);
    EXPECT_EQ(r.Orientable, 1);
    EXPECT_EQ(r.CountComponents, 1u);
    EXPECT_EQ(r.Connected, 1);
    EXPECT_EQ(r.CountBorders, 1u);
    EXPECT_EQ(r.HasBorders, 1);
    EXPECT_EQ(r.Closed, 0);
    EXPECT_EQ(r.CountHandles, 0u);
    EXPECT_EQ(r.HasHandles, 0);
    EXPECT_EQ(r.Inclusion, 0);  // a border
    EXPECT_EQ(r.Volume, 1.0 / 6.0);  // determinant of (0,0,1), (1,0,1), (0,1,1) is 1
    EXPECT_EQ(r.Area, 0.5);
    EXPECT_EQ(r.Manifold, -1);
    EXPECT_EQ(r.InRange[MSH_Closed], 0);
    EXPECT_EQ(r.InRange[MSH_HasBorders], 0);     // expected 0 by default
    EXPECT_EQ(r.InRange[MSH_HasHandles], 0);     // expected 1 by default
    EXPECT_EQ(r.InRange[MSH_Manifold], kNotJudged);  // off by default
}

TEST_F(MeshValues, UnitCubeAndItsReverse)
{
    TestMesh cube = testing::UnitCube();
    Analyse(cube);
    EXPECT_EQ(context_.meshResults.Volume, 1.0);
    EXPECT_EQ(context_.meshResults.Area, 6.0);
    EXPECT_EQ(context_.meshResults.Inclusion, 1);
    EXPECT_EQ(context_.meshResults.Selfintersection, 0);
    EXPECT_EQ(context_.meshResults.Closed, 1);
    EXPECT_EQ(context_.meshResults.Invalid, 0);
    EXPECT_EQ(context_.meshResults.Singular, 0);
    EXPECT_EQ(context_.meshResults.PreciseDuplicates, 0);
    EXPECT_EQ(context_.meshResults.EpsilonDuplicates, 0);
    EXPECT_EQ(context_.meshResults.InRange[MSH_Inclusion], 1);
    EXPECT_EQ(context_.meshResults.InRange[MSH_Volume], 1);

    TestMesh reversed = testing::Reversed(testing::UnitCube());
    Analyse(reversed);
    EXPECT_EQ(context_.meshResults.Volume, -1.0);
    EXPECT_EQ(context_.meshResults.Oriented, 1);
    EXPECT_EQ(context_.meshResults.Inclusion, 0);
    EXPECT_EQ(context_.meshResults.Area, 6.0);
}

TEST_F(MeshValues, DuplicatesAndEpsilonNeighboursRaiseTheirFlags)
{
    TestMesh cube = testing::UnitCube();
    cube.AddPoint(0.0005, 0, 0);  // within the default Epsilon 0.002 of point 0
    Analyse(cube);
    EXPECT_EQ(context_.meshResults.EpsilonDuplicates, 1);
    EXPECT_EQ(context_.meshResults.PreciseDuplicates, 0);

    TestMesh doubled = testing::UnitCube();
    doubled.AddTriangle(0, 2, 1);  // an exact copy of triangle 0
    Analyse(doubled);
    EXPECT_EQ(context_.meshResults.PreciseDuplicates, 1);
    EXPECT_EQ(context_.meshResults.Singular, 1);  // three triangles on edge (0, 1)
}

TEST_F(MeshValues, InvalidComputesTriangleCountsThatWereNotRequested)
{
    TestMesh cube = testing::UnitCube();
    cube.AddTriangle(3, 3, 5);  // repeats index 3
    context_.triangleSettings.Enable[TRI_CountInvalidTopological] = 0;
    Analyse(cube);
    EXPECT_EQ(context_.meshResults.Invalid, 1);
    EXPECT_EQ(context_.triangleResults.CountInvalidTopological, 1u);
    EXPECT_EQ(context_.triangleResults.InRange[TRI_CountInvalidTopological], kNotJudged);
    EXPECT_EQ(progress_.find("triangle::CountInvalidTopological"), std::string::npos);
}

TEST_F(MeshValues, OutOfRangeCornersMakeTheTopologyQuantitiesFail)
{
    TestMesh cube = testing::UnitCube();
    cube.AddTriangle(0, 1, 8);  // 8 == pointCount
    Analyse(cube);
    const MeshResults& r = context_.meshResults;
    EXPECT_EQ(r.Oriented, 0);
    EXPECT_EQ(r.Orientable, 0);
    EXPECT_EQ(static_cast<int32_t>(r.CountComponents), -5);
    EXPECT_EQ(r.Connected, -1);
    EXPECT_EQ(static_cast<int32_t>(r.CountHandles), -5);
    EXPECT_EQ(r.HasHandles, -1);
    EXPECT_EQ(static_cast<int32_t>(r.CountBorders), -5);
    EXPECT_EQ(r.HasBorders, -1);
    EXPECT_EQ(r.Closed, -1);
    EXPECT_EQ(r.Inclusion, -1);
    EXPECT_EQ(r.Volume, 1.0);  // the triangle is left out
    EXPECT_EQ(r.Area, 6.0);
    EXPECT_EQ(r.Selfintersection, 0);
}

TEST(Handles, FailedInputsGiveACodeNeverAWrongCount)
{
    TestMesh torus = testing::Torus(6, 4);
    const MeshRecord record = torus.Record();
    uint64_t allocations = 0;
    {
        MeshTopology topology;
        topology.Attach(record);
        memory_testing::ResetAllocationCounter();
        ASSERT_EQ(ComputeHandles(record, topology), 1);
        allocations = memory_testing::AllocationCount();
    }
    for (uint64_t k = 1; k <= allocations; ++k) {
        MeshTopology topology;
        topology.Attach(record);
        memory_testing::ResetAllocationCounter();
        memory_testing::FailAllocations(k, 1);
        const int32_t handles = ComputeHandles(record, topology);
        EXPECT_TRUE(handles == 1 || handles == -5) << k << ": " << handles;
    }
    memory_testing::ResetAllocationCounter();
}

}  // namespace
}  // namespace meshaudit
