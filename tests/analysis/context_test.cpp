// The frame of an analysis: gating, caching, judging and step counting.
#include "analysis/AnalysisContext.h"
#include "analysis/ProgressCapture.h"
#include "interface/Blocks.h"
#include "support/TestMeshes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

namespace meshaudit {
namespace {

// A context over the unit cube with progress output discarded.
class ContextTest : public ::testing::Test {
protected:
    void SetUp() override { context_.LoadMesh(cube_.Record()); }
    void DisableAll()
    {
        std::memset(context_.pointSettings.Enable, 0, sizeof context_.pointSettings.Enable);
        std::memset(context_.edgeSettings.Enable, 0, sizeof context_.edgeSettings.Enable);
        std::memset(context_.triangleSettings.Enable, 0, sizeof context_.triangleSettings.Enable);
        std::memset(context_.meshSettings.Enable, 0, sizeof context_.meshSettings.Enable);
    }

    testing::TestMesh cube_ = testing::UnitCube();
    AnalysisContext context_;
    testing::SilentProgress silent_;
};

TEST_F(ContextTest, StepsCountOnlyEnableBytesEqualToOne)
{
    EXPECT_EQ(context_.CountSteps(1), 11u);
    EXPECT_EQ(context_.CountSteps(2), 16u);
    EXPECT_EQ(context_.CountSteps(3), 12u);  // the two duplicate member counts are not steps
    EXPECT_EQ(context_.CountSteps(4), 16u);  // Manifold and Convex are off; 18..21 never count
    EXPECT_EQ(context_.CountSteps(5), 55u);
    EXPECT_EQ(context_.CountSteps(0), 0u);
    EXPECT_EQ(context_.CountSteps(6), 0u);
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

// Values stored beforehand are judged, not recomputed.
TEST_F(ContextTest, JudgesEachKindOfCriterion)
{
    DisableAll();
    PointSettings& ps = context_.pointSettings;
    PointResults& p = context_.pointResults;
    // Counts compare as unsigned, both ends included.
    ps.Enable[PNT_CountNAN] = ps.Enable[PNT_CountINF] = ps.Enable[PNT_CountIsolated] = 1;
    p.CountNAN = 0xFFFFFFFB;  // a stored -5 is 4294967291 here
    ps.CountNAN = ValueRange{0, 0xFFFFFFFF};
    p.CountINF = 7;
    ps.CountINF = ValueRange{7, 7};
    p.CountIsolated = 0xFFFFFFFB;
    ps.CountIsolated = ValueRange{0, 0x7FFFFFFF};
    // Enable 2 judges without computing; both degrees share one range.
    ps.Enable[PNT_Count] = ps.Enable[PNT_MinimalDegree] = ps.Enable[PNT_MaximalDegree] = 2;
    ps.Degree = ValueRange{3, 5};
    p.MinimalDegree = 3;
    p.MaximalDegree = 6;
    // Doubles are judged inclusively and NaN never passes.
    context_.edgeSettings.Enable[EDG_MinimalLength] = 1;
    context_.edgeSettings.Enable[EDG_MaximalLength] = 1;
    context_.edgeSettings.Length = DoubleRange{0.5, 2.0};
    context_.edgeResults.MinimalLength = 0.5;
    context_.edgeResults.MaximalLength = std::numeric_limits<double>::quiet_NaN();
    // Booleans match their expected byte; 0xFF never matches a not-computed -1.
    MeshSettings& ms = context_.meshSettings;
    ms.Enable[MSH_Oriented] = 1;
    ms.Enable[MSH_Orientable] = ms.Enable[MSH_Connected] = 2;
    context_.meshResults.Oriented = 1;
    ms.Oriented = 1;
    context_.meshResults.Connected = 0;
    ms.Connected = 0;
    ms.Orientable = 0xFF;
    context_.RunCategory(5);

    EXPECT_EQ(p.InRange[PNT_CountNAN], 1);
    EXPECT_EQ(p.InRange[PNT_CountINF], 1);
    EXPECT_EQ(p.InRange[PNT_CountIsolated], 0);
    EXPECT_EQ(p.CountNAN, 0xFFFFFFFBu);
    EXPECT_EQ(p.Count, NOT_COMPUTED);
    EXPECT_EQ(p.InRange[PNT_Count], 0);
    EXPECT_EQ(p.InRange[PNT_CountBorder], kNotJudged);
    EXPECT_EQ(p.InRange[PNT_MinimalDegree], 1);
    EXPECT_EQ(p.InRange[PNT_MaximalDegree], 0);
    EXPECT_EQ(context_.edgeResults.InRange[EDG_MinimalLength], 1);
    EXPECT_EQ(context_.edgeResults.InRange[EDG_MaximalLength], 0);
    EXPECT_TRUE(std::isnan(context_.edgeResults.MaximalLength));
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
