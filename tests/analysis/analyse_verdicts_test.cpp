// Whole analyses through the exported functions: the values and verdicts of
// every category with default and changed settings.
#include "analysis/MeshBuilders.h"
#include "analysis/ProgressCapture.h"
#include "interface/Blocks.h"
#include "support/AllSettings.h"
#include "meshaudit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <utility>

namespace meshaudit {
namespace {

using testing::TestMesh;

// The blocks are process-wide: every test starts from the defaults and puts
// them back afterwards.
class Analyse : public ::testing::Test {
protected:
    void TearDown() override { testing::AllSettings().Apply(); }
    void Run(TestMesh& mesh)
    {
        settings_.Apply();
        const MeshRecord record = mesh.Record();
        ASSERT_EQ(analyse(&record), 1);
        get_pnt_params(&p_);
        get_edg_params(&e_);
        get_tri_params(&t_);
        get_msh_params(&m_);
    }

    testing::AllSettings settings_;
    PointSettings& points_ = settings_.p;
    EdgeSettings& edges_ = settings_.e;
    TriangleSettings& triangles_ = settings_.t;
    PointResults p_{};
    EdgeResults e_{};
    TriangleResults t_{};
    MeshResults m_{};
    testing::SilentProgress silent_;
};

TEST_F(Analyse, ClosedMeshesPassEveryDefaultCriterion)
{
    TestMesh tetra = testing::Tetrahedron();
    Run(tetra);
    EXPECT_EQ(p_.Count, 4u);
    EXPECT_EQ(p_.CountArticulation, NOT_COMPUTED);
    EXPECT_EQ(p_.MinimalDegree, 3u);
    EXPECT_EQ(t_.MaximalDegree, 3u);
    for (int k = 0; k < PNT_QUANTITIES; ++k) {
        // Articulation stays not computed, which lies outside [0, 0].
        EXPECT_EQ(p_.InRange[k], k == PNT_CountArticulation ? 0 : 1) << k;
    }
    for (int k = 0; k < TRI_QUANTITIES; ++k) {
        const bool unjudged = k == TRI_CountDuplicatedTopological || k == TRI_CountDuplicatedGeometrical;
        EXPECT_EQ(t_.InRange[k], unjudged ? kNotJudged : 1) << k;
    }
    EXPECT_EQ(m_.Volume, 1.0 / 6.0);
    EXPECT_EQ(m_.Inclusion, 1);
    EXPECT_EQ(m_.CountHandles, 0u);

    TestMesh torus = testing::Torus(12, 6);
    Run(torus);
    EXPECT_EQ(e_.Count, 3u * 12 * 6);
    EXPECT_EQ(e_.CountConvex, NOT_COMPUTED);
    EXPECT_LT(e_.MaximalLength, 10.0);
    for (int k = 0; k < EDG_QUANTITIES; ++k) {
        // CountConvex stays NOT_COMPUTED, outside its range [0, 300000].
        EXPECT_EQ(e_.InRange[k], k == EDG_CountConvex ? 0 : 1) << k;
    }
    EXPECT_EQ(m_.CountHandles, 1u);
    // One closed, oriented, connected piece with one handle and no border
    // meets every default; Manifold and Convex are off by default, Area and
    // the quantities from 18 on are never judged.
    for (int k = 0; k < MSH_QUANTITIES; ++k) {
        const bool off = k == MSH_Manifold || k == MSH_Convex || k >= MSH_Area;
        EXPECT_EQ(m_.InRange[k], off ? kNotJudged : 1) << k;
    }

    TestMesh reversed = testing::Reversed(testing::UnitCube());
    Run(reversed);
    EXPECT_EQ(m_.Volume, -1.0);
    EXPECT_EQ(m_.Oriented, 1);
    EXPECT_EQ(m_.Inclusion, 0);
    EXPECT_EQ(m_.Area, 6.0);
    EXPECT_EQ(m_.Selfintersection, 0);
}

TEST_F(Analyse, FaultyMeshFailsItsCriteria)
{
    // A tetrahedron with one face reversed and one stored a second time, a
    // degenerate triangle over an infinite point, a point near corner 0, and
    // a NaN point that no triangle uses.
    TestMesh m = testing::Tetrahedron();
    std::swap(m.triangles[3].b, m.triangles[3].c);
    m.AddTriangle(0, 2, 1);
    const uint32_t inf = m.AddPoint(5, std::numeric_limits<double>::infinity(), 0);
    const uint32_t near = m.AddPoint(0.001, 0, 0);
    m.AddPoint(std::numeric_limits<double>::quiet_NaN(), 0, 0);
    m.AddTriangle(inf, inf, near);
    Run(m);
    for (int k : {PNT_CountNAN, PNT_CountINF, PNT_CountIsolated, PNT_MinimalDegree,
                  PNT_CountClassesOfEpsilonDuplicatedGeometrical}) {
        EXPECT_EQ(p_.InRange[k], 0) << k;
    }
    for (int k : {TRI_CountInvalidTopological, TRI_CountInvalidGeometrical, TRI_CountClassesOfDuplicatedTopological,
                  TRI_CountClassesOfDuplicatedGeometrical, TRI_CountIsolated, TRI_CountFlippedTopological,
                  TRI_MaximalDegree}) {
        EXPECT_EQ(t_.InRange[k], 0) << k;
    }
    EXPECT_EQ(t_.InRange[TRI_MinimalDegree], 1);  // the degenerate one: 0 in [0, 3]
    EXPECT_EQ(t_.CountDuplicatedTopological, 2u);
    EXPECT_EQ(t_.InRange[TRI_CountDuplicatedTopological], kNotJudged);
    EXPECT_EQ(t_.MaximalDegree, 6u);  // face 0 and its copy: 3 from each other, 3 from the faces
    for (int k : {MSH_Oriented, MSH_Invalid, MSH_Singular, MSH_PreciseDuplicates, MSH_EpsilonDuplicates,
                  MSH_Inclusion}) {
        EXPECT_EQ(m_.InRange[k], 0) << k;
    }
    EXPECT_EQ(m_.Singular, 1);
    EXPECT_EQ(m_.PreciseDuplicates, 1);
    EXPECT_EQ(m_.EpsilonDuplicates, 1);
}

TEST_F(Analyse, ChangedSettingsChangeTheVerdicts)
{
    TestMesh m = testing::Tetrahedron();
    points_.Count = ValueRange{5, 10};
    // Corner 0 lies exactly 1 from each other corner; the sign is ignored.
    points_.Epsilon = -1.0;
    points_.Degree = ValueRange{4, 64};
    points_.Enable[PNT_CountNAN] = 0;
    points_.Enable[PNT_CountINF] = 2;  // judged, not computed
    triangles_.Degree = ValueRange{4, 9};
    triangles_.CountFlippedTopological = ValueRange{1, 1};
    triangles_.Enable[TRI_CountIntersected] = 0;
    std::memset(edges_.Enable, 0, sizeof edges_.Enable);
    edges_.Enable[EDG_CountBorder] = edges_.Enable[EDG_MaximalLength] = 1;
    Run(m);
    EXPECT_EQ(p_.CountClassesOfEpsilonDuplicatedGeometrical, 4u);
    for (int k : {PNT_Count, PNT_CountClassesOfEpsilonDuplicatedGeometrical, PNT_MinimalDegree, PNT_MaximalDegree,
                  PNT_CountINF}) {
        EXPECT_EQ(p_.InRange[k], 0) << k;
    }
    EXPECT_EQ(p_.CountNAN, NOT_COMPUTED);
    EXPECT_EQ(p_.InRange[PNT_CountNAN], kNotJudged);
    EXPECT_EQ(p_.CountINF, NOT_COMPUTED);
    EXPECT_EQ(t_.InRange[TRI_MinimalDegree], 0);
    EXPECT_EQ(t_.InRange[TRI_MaximalDegree], 0);
    EXPECT_EQ(t_.InRange[TRI_CountFlippedTopological], 0);  // 0 outside [1, 1]
    EXPECT_EQ(t_.CountIntersected, NOT_COMPUTED);
    EXPECT_EQ(t_.InRange[TRI_CountIntersected], kNotJudged);
    EXPECT_EQ(e_.CountBorder, 0u);
    EXPECT_EQ(e_.MaximalLength, std::sqrt(2.0));
    EXPECT_EQ(e_.Count, NOT_COMPUTED);
    EXPECT_EQ(e_.MinimalLength, -1.0);
    EXPECT_EQ(e_.InRange[EDG_CountBorder], 1);
    EXPECT_EQ(e_.InRange[EDG_Count], kNotJudged);
    EXPECT_EQ(e_.InRange[EDG_MinimalLength], kNotJudged);
}

TEST_F(Analyse, EdgeLengthRangeIsBothCriterionAndThreshold)
{
    // A fan of four triangles on a hinge 20 long.
    TestMesh fan = testing::MeshOf({{0, 0, 0}, {0, 0, 20}});
    for (int i = 0; i < 4; ++i) {
        fan.AddPoint(1.0 + i, 0.5 * i, 0);
        fan.AddTriangle(0, 1, static_cast<uint32_t>(2 + i));
    }
    Run(fan);
    EXPECT_EQ(e_.CountGreaterLength, 5u);  // the hinge and the four far sides to point 1
    EXPECT_EQ(e_.MaximalLength, std::sqrt(16.0 + 2.25 + 400.0));
    const int fails[] = {EDG_CountSingular, EDG_MaximalDegree, EDG_CountGreaterLength, EDG_MaximalLength};
    for (int k = 0; k < EDG_QUANTITIES; ++k) {
        const bool fail = k == EDG_CountConvex || std::find(std::begin(fails), std::end(fails), k) != std::end(fails);
        EXPECT_EQ(e_.InRange[k], fail ? 0 : 1) << k;
    }
    // A 6-8-10 right triangle.
    TestMesh right = testing::MeshOf({{0, 0, 0}, {6, 0, 0}, {6, 8, 0}}, {{0, 1, 2}});
    edges_.Length = DoubleRange{7.0, 10.0};
    Run(right);
    EXPECT_EQ(e_.CountSmallerLength, 1u);
    EXPECT_EQ(e_.CountGreaterLength, 0u);
    EXPECT_EQ(e_.InRange[EDG_CountSmallerLength], 0);
    EXPECT_EQ(e_.InRange[EDG_CountGreaterLength], 1);
    EXPECT_EQ(e_.InRange[EDG_MinimalLength], 0);  // 6 < 7
    EXPECT_EQ(e_.InRange[EDG_MaximalLength], 1);  // 10 <= 10
}

TEST_F(Analyse, OutOfRangeIndexStoresTopologyCodes)
{
    TestMesh mesh = testing::UnitCube();
    mesh.AddTriangle(0, 1, 8);  // there is no point 8
    Run(mesh);
    EXPECT_EQ(p_.CountIsolated, 0u);
    EXPECT_EQ(static_cast<int32_t>(p_.CountBorder), -5);
    EXPECT_EQ(p_.MinimalDegree, NOT_COMPUTED);  // -1 reads as not computed
    EXPECT_EQ(p_.InRange[PNT_MinimalDegree], 0);
    EXPECT_EQ(static_cast<int32_t>(t_.CountBorder), -5);
    EXPECT_EQ(t_.InRange[TRI_CountBorder], 0);
    EXPECT_EQ(t_.CountIntersected, 0u);
    EXPECT_EQ(static_cast<int32_t>(e_.Count), -5);
    EXPECT_EQ(e_.MinimalLength, -5.0);
    // Codes are judged like values: -5 reads as 0xFFFFFFFB, out of range.
    EXPECT_EQ(e_.InRange[EDG_Count], 0);
    EXPECT_EQ(e_.InRange[EDG_MinimalLength], 0);
    EXPECT_EQ(m_.Oriented, 0);
    EXPECT_EQ(m_.Orientable, 0);
    for (uint32_t count : {m_.CountComponents, m_.CountHandles, m_.CountBorders}) {
        EXPECT_EQ(static_cast<int32_t>(count), -5);
    }
    for (int8_t flag : {m_.Connected, m_.HasHandles, m_.HasBorders, m_.Closed, m_.Inclusion}) {
        EXPECT_EQ(flag, -1);
    }
    EXPECT_EQ(m_.Volume, 1.0);  // the triangle is left out
    EXPECT_EQ(m_.Selfintersection, 0);
}

}  // namespace
}  // namespace meshaudit
