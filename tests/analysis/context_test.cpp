// The frame of an analysis: gating, caching, judging and step counting.
#include "analysis/AnalysisContext.h"
#include "analysis/Progress.h"
#include "interface/Blocks.h"
#include "support/TestMeshes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

namespace meshaudit {
namespace {

// A context over the unit cube with progress output discarded.
class ContextTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        sink_ = std::fopen("/dev/null", "w");
        saved_ = Progress().stream;
        Progress().stream = sink_;
        context_.LoadMesh(cube_.Record());
    }
    void TearDown() override
    {
        Progress().stream = saved_;
        std::fclose(sink_);
    }
    void DisableAll()
    {
        std::memset(context_.pointSettings.Enable, 0, sizeof context_.pointSettings.Enable);
        std::memset(context_.edgeSettings.Enable, 0, sizeof context_.edgeSettings.Enable);
        std::memset(context_.triangleSettings.Enable, 0, sizeof context_.triangleSettings.Enable);
        std::memset(context_.meshSettings.Enable, 0, sizeof context_.meshSettings.Enable);
    }

    testing::TestMesh cube_ = testing::UnitCube();
    AnalysisContext context_;
    std::FILE* sink_ = nullptr;
    std::FILE* saved_ = nullptr;
};

TEST_F(ContextTest, DefaultStepTotalsPerCategory)
{
    EXPECT_EQ(context_.CountSteps(1), 11u);
    EXPECT_EQ(context_.CountSteps(2), 16u);
    EXPECT_EQ(context_.CountSteps(3), 12u);  // the two duplicate member counts are not steps
    EXPECT_EQ(context_.CountSteps(4), 16u);  // Manifold and Convex are off; 18..21 never count
    EXPECT_EQ(context_.CountSteps(5), 55u);
    EXPECT_EQ(context_.CountSteps(0), 0u);
    EXPECT_EQ(context_.CountSteps(6), 0u);
}

TEST_F(ContextTest, StepsCountOnlyEnableBytesEqualToOne)
{
    context_.pointSettings.Enable[PNT_CountNAN] = 2;
    context_.meshSettings.Enable[MSH_Area] = 1;  // never a step
    context_.meshSettings.Enable[MSH_Manifold] = 1;
    EXPECT_EQ(context_.CountSteps(1), 10u);
    EXPECT_EQ(context_.CountSteps(4), 17u);
}

TEST_F(ContextTest, NothingEnabledLeavesEveryBlockNotComputed)
{
    DisableAll();
    context_.RunCategory(5);
    const PointResults p = NotComputedPointResults();
    const EdgeResults e = NotComputedEdgeResults();
    const TriangleResults t = NotComputedTriangleResults();
    const MeshResults m = NotComputedMeshResults();
    EXPECT_EQ(std::memcmp(&context_.pointResults, &p, sizeof p), 0);
    EXPECT_EQ(std::memcmp(&context_.edgeResults, &e, sizeof e), 0);
    EXPECT_EQ(std::memcmp(&context_.triangleResults, &t, sizeof t), 0);
    EXPECT_EQ(std::memcmp(&context_.meshResults, &m, sizeof m), 0);
}

TEST_F(ContextTest, CountsCompareAsUnsignedAgainstTheirRange)
{
    DisableAll();
    context_.pointSettings.Enable[PNT_CountNAN] = 1;
    context_.pointSettings.Enable[PNT_CountINF] = 1;
    context_.pointSettings.Enable[PNT_CountIsolated] = 1;
    context_.pointResults.CountNAN = 0xFFFFFFFB;  // a stored -5
    context_.pointSettings.CountNAN = ValueRange{0, 0xFFFFFFFF};
    context_.pointResults.CountINF = 7;
    context_.pointSettings.CountINF = ValueRange{7, 7};
    context_.pointResults.CountIsolated = 0xFFFFFFFB;
    context_.pointSettings.CountIsolated = ValueRange{0, 0x7FFFFFFF};
    context_.RunCategory(1);
    EXPECT_EQ(context_.pointResults.InRange[PNT_CountNAN], 1);  // -5 is 4294967291 here
    EXPECT_EQ(context_.pointResults.InRange[PNT_CountINF], 1);  // both ends included
    EXPECT_EQ(context_.pointResults.InRange[PNT_CountIsolated], 0);
    EXPECT_EQ(context_.pointResults.CountNAN, 0xFFFFFFFBu);  // a stored value is not recomputed
}

TEST_F(ContextTest, EnableTwoJudgesWithoutComputing)
{
    DisableAll();
    context_.pointSettings.Enable[PNT_Count] = 2;
    context_.RunCategory(1);
    EXPECT_EQ(context_.pointResults.Count, NOT_COMPUTED);
    EXPECT_EQ(context_.pointResults.InRange[PNT_Count], 0);
    EXPECT_EQ(context_.pointResults.InRange[PNT_CountNAN], kNotJudged);
}

TEST_F(ContextTest, DegreesShareOneRange)
{
    DisableAll();
    context_.pointSettings.Enable[PNT_MinimalDegree] = 2;
    context_.pointSettings.Enable[PNT_MaximalDegree] = 2;
    context_.pointSettings.Degree = ValueRange{3, 5};
    context_.pointResults.MinimalDegree = 3;
    context_.pointResults.MaximalDegree = 6;
    context_.RunCategory(1);
    EXPECT_EQ(context_.pointResults.InRange[PNT_MinimalDegree], 1);
    EXPECT_EQ(context_.pointResults.InRange[PNT_MaximalDegree], 0);
}

TEST_F(ContextTest, DoublesAreJudgedInclusivelyAndNaNNeverPasses)
{
    DisableAll();
    context_.edgeSettings.Enable[EDG_MinimalLength] = 1;
    context_.edgeSettings.Enable[EDG_MaximalLength] = 1;
    context_.edgeSettings.Length = DoubleRange{0.5, 2.0};
    context_.edgeResults.MinimalLength = 0.5;
    context_.edgeResults.MaximalLength = std::numeric_limits<double>::quiet_NaN();
    context_.RunCategory(2);
    EXPECT_EQ(context_.edgeResults.InRange[EDG_MinimalLength], 1);
    EXPECT_EQ(context_.edgeResults.InRange[EDG_MaximalLength], 0);
    EXPECT_TRUE(std::isnan(context_.edgeResults.MaximalLength));
}

TEST_F(ContextTest, BooleansMatchTheirExpectedByte)
{
    DisableAll();
    context_.meshSettings.Enable[MSH_Oriented] = 1;
    context_.meshSettings.Enable[MSH_Orientable] = 2;
    context_.meshSettings.Enable[MSH_Connected] = 2;
    context_.meshResults.Oriented = 1;
    context_.meshSettings.Oriented = 1;
    context_.meshResults.Connected = 0;
    context_.meshSettings.Connected = 0;
    context_.meshSettings.Orientable = 0xFF;  // never matches a not-computed -1
    context_.RunCategory(4);
    EXPECT_EQ(context_.meshResults.InRange[MSH_Oriented], 1);
    EXPECT_EQ(context_.meshResults.InRange[MSH_Connected], 1);
    EXPECT_EQ(context_.meshResults.Orientable, -1);
    EXPECT_EQ(context_.meshResults.InRange[MSH_Orientable], 0);
}

TEST_F(ContextTest, UnjudgedQuantitiesKeepTheirInRangeByte)
{
    DisableAll();
    context_.triangleSettings.Enable[TRI_CountDuplicatedTopological] = 1;
    context_.triangleSettings.Enable[TRI_CountDuplicatedGeometrical] = 2;
    context_.meshSettings.Enable[MSH_Area] = 1;
    context_.meshSettings.Enable[MSH_Unused19] = 1;
    context_.meshSettings.Enable[MSH_AspectRatio] = 1;
    context_.meshSettings.Enable[MSH_Diameter] = 1;
    context_.RunCategory(5);
    EXPECT_EQ(context_.triangleResults.InRange[TRI_CountDuplicatedTopological], kNotJudged);
    EXPECT_EQ(context_.triangleResults.InRange[TRI_CountDuplicatedGeometrical], kNotJudged);
    for (uint8_t k : {MSH_Area, MSH_Unused19, MSH_AspectRatio, MSH_Diameter}) {
        EXPECT_EQ(context_.meshResults.InRange[k], kNotJudged) << int(k);
    }
    EXPECT_EQ(context_.meshResults.Unused19, -1.0);
    EXPECT_EQ(context_.meshResults.AspectRatio, -1.0);
    EXPECT_EQ(context_.meshResults.Diameter, -1.0);
}

TEST_F(ContextTest, QuantitiesOfThisVersionThatAreNeverComputed)
{
    DisableAll();
    context_.pointSettings.Enable[PNT_CountArticulation] = 1;
    context_.edgeSettings.Enable[EDG_CountConvex] = 1;
    context_.meshSettings.Enable[MSH_Manifold] = 1;
    context_.meshSettings.Enable[MSH_Convex] = 1;
    context_.RunCategory(5);
    EXPECT_EQ(context_.pointResults.CountArticulation, NOT_COMPUTED);
    EXPECT_EQ(context_.pointResults.InRange[PNT_CountArticulation], 0);
    EXPECT_EQ(context_.edgeResults.CountConvex, NOT_COMPUTED);
    EXPECT_EQ(context_.edgeResults.InRange[EDG_CountConvex], 0);
    EXPECT_EQ(context_.meshResults.Manifold, -1);
    EXPECT_EQ(context_.meshResults.InRange[MSH_Manifold], 0);  // expected 1 by default
    EXPECT_EQ(context_.meshResults.Convex, -1);
    EXPECT_EQ(context_.meshResults.InRange[MSH_Convex], 0);
}

TEST_F(ContextTest, CountsOfPointsAndTrianglesAreComputed)
{
    context_.RunCategory(5);
    EXPECT_EQ(context_.pointResults.Count, 8u);
    EXPECT_EQ(context_.pointResults.InRange[PNT_Count], 1);
    EXPECT_EQ(context_.triangleResults.Count, 12u);
    EXPECT_EQ(context_.triangleResults.InRange[TRI_Count], 1);
}

TEST_F(ContextTest, EnsureFillsAnotherCategorySilentlyAndOnlyOnce)
{
    DisableAll();
    EXPECT_EQ(context_.EnsureCount(Category::Triangles, TRI_Count), 12);
    EXPECT_EQ(context_.triangleResults.Count, 12u);
    context_.triangleResults.Count = 99;  // a set slot is never recomputed
    EXPECT_EQ(context_.EnsureCount(Category::Triangles, TRI_Count), 99);
    context_.RunCategory(3);
    EXPECT_EQ(context_.triangleResults.InRange[TRI_Count], kNotJudged);
}

TEST_F(ContextTest, LoadingAMeshResetsTheResults)
{
    context_.RunCategory(1);
    ASSERT_EQ(context_.pointResults.Count, 8u);
    testing::TestMesh tetra = testing::Tetrahedron();
    context_.LoadMesh(tetra.Record());
    EXPECT_EQ(context_.pointResults.Count, NOT_COMPUTED);
    EXPECT_EQ(context_.pointResults.InRange[PNT_Count], kNotJudged);
    context_.RunCategory(1);
    EXPECT_EQ(context_.pointResults.Count, 4u);
}

}  // namespace
}  // namespace meshaudit
