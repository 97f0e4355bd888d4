// Whole analyses through the exported functions, reading back the values and
// verdicts of points, edges and triangles with default and changed settings.
#include "analysis/ProgressCapture.h"
#include "interface/Blocks.h"
#include "meshaudit.h"
#include "analysis/MeshBuilders.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <utility>

namespace meshaudit {
namespace {

using testing::TestMesh;

constexpr uint8_t kPass = 1;
constexpr uint8_t kFail = 0;

// The blocks are process-wide: every test starts from the defaults and puts
// them back afterwards.
class Analyse : public ::testing::Test {
protected:
    void SetUp() override { RestoreDefaults(); }
    void TearDown() override { RestoreDefaults(); }
    void RestoreDefaults()
    {
        MeshSettings m;
        meshaudit_default_point_settings(&points_);
        meshaudit_default_edge_settings(&edges_);
        meshaudit_default_triangle_settings(&triangles_);
        meshaudit_default_mesh_settings(&m);
        set_pnt_params(&points_);
        set_edg_params(&edges_);
        set_tri_params(&triangles_);
        set_msh_params(&m);
    }
    void Run(TestMesh& mesh)
    {
        set_pnt_params(&points_);
        set_edg_params(&edges_);
        set_tri_params(&triangles_);
        const MeshRecord record = mesh.Record();
        ASSERT_EQ(analyse(&record), 1);
        get_pnt_params(&pointResults_);
        get_edg_params(&edgeResults_);
        get_tri_params(&triangleResults_);
    }

    PointSettings points_{};
    EdgeSettings edges_{};
    TriangleSettings triangles_{};
    PointResults pointResults_{};
    EdgeResults edgeResults_{};
    TriangleResults triangleResults_{};
    testing::SilentProgress silent_;
};

TEST_F(Analyse, TetrahedronWithDefaults)
{
    TestMesh m = testing::Tetrahedron();
    Run(m);
    const PointResults& p = pointResults_;
    EXPECT_EQ(p.Count, 4u);
    EXPECT_EQ(p.CountNAN, 0u);
    EXPECT_EQ(p.CountINF, 0u);
    EXPECT_EQ(p.CountIsolated, 0u);
    EXPECT_EQ(p.CountBorder, 0u);
    EXPECT_EQ(p.CountArticulation, NOT_COMPUTED);
    EXPECT_EQ(p.CountDuplicatedGeometrical, 0u);
    EXPECT_EQ(p.CountClassesOfDuplicatedGeometrical, 0u);
    EXPECT_EQ(p.CountClassesOfEpsilonDuplicatedGeometrical, 0u);
    EXPECT_EQ(p.MinimalDegree, 3u);
    EXPECT_EQ(p.MaximalDegree, 3u);
    for (int k = 0; k < PNT_QUANTITIES; ++k) {
        // Articulation stays not computed, which lies outside [0, 0].
        EXPECT_EQ(p.InRange[k], k == PNT_CountArticulation ? kFail : kPass) << k;
    }

    const TriangleResults& t = triangleResults_;
    EXPECT_EQ(t.Count, 4u);
    EXPECT_EQ(t.CountBorder, 0u);
    EXPECT_EQ(t.CountIsolated, 0u);
    EXPECT_EQ(t.CountSingular, 0u);
    EXPECT_EQ(t.MinimalDegree, 3u);
    EXPECT_EQ(t.MaximalDegree, 3u);
    EXPECT_EQ(t.CountInvalidTopological, 0u);
    EXPECT_EQ(t.CountInvalidGeometrical, 0u);
    EXPECT_EQ(t.CountDuplicatedTopological, 0u);
    EXPECT_EQ(t.CountDuplicatedGeometrical, 0u);
    EXPECT_EQ(t.CountClassesOfDuplicatedTopological, 0u);
    EXPECT_EQ(t.CountClassesOfDuplicatedGeometrical, 0u);
    EXPECT_EQ(t.CountIntersected, 0u);
    EXPECT_EQ(t.CountFlippedTopological, 0u);
    for (int k = 0; k < TRI_QUANTITIES; ++k) {
        const bool unjudged =
            k == TRI_CountDuplicatedTopological || k == TRI_CountDuplicatedGeometrical;
        EXPECT_EQ(t.InRange[k], unjudged ? kNotJudged : kPass) << k;
    }
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

    const PointResults& p = pointResults_;
    EXPECT_EQ(p.CountNAN, 1u);
    EXPECT_EQ(p.InRange[PNT_CountNAN], kFail);
    EXPECT_EQ(p.CountINF, 1u);
    EXPECT_EQ(p.InRange[PNT_CountINF], kFail);
    EXPECT_EQ(p.CountIsolated, 1u);  // the NaN point
    EXPECT_EQ(p.InRange[PNT_CountIsolated], kFail);
    EXPECT_EQ(p.MinimalDegree, 0u);
    EXPECT_EQ(p.InRange[PNT_MinimalDegree], kFail);

    const TriangleResults& t = triangleResults_;
    EXPECT_EQ(t.CountInvalidTopological, 1u);
    EXPECT_EQ(t.InRange[TRI_CountInvalidTopological], kFail);
    EXPECT_EQ(t.CountInvalidGeometrical, 1u);  // an infinite point equals itself
    EXPECT_EQ(t.InRange[TRI_CountInvalidGeometrical], kFail);
    EXPECT_EQ(t.CountDuplicatedTopological, 2u);
    EXPECT_EQ(t.InRange[TRI_CountDuplicatedTopological], kNotJudged);
    EXPECT_EQ(t.CountClassesOfDuplicatedTopological, 1u);
    EXPECT_EQ(t.InRange[TRI_CountClassesOfDuplicatedTopological], kFail);
    EXPECT_EQ(t.CountDuplicatedGeometrical, 2u);
    EXPECT_EQ(t.InRange[TRI_CountDuplicatedGeometrical], kNotJudged);
    EXPECT_EQ(t.InRange[TRI_CountClassesOfDuplicatedGeometrical], kFail);
    EXPECT_EQ(t.CountIsolated, 1u);  // the degenerate one
    EXPECT_EQ(t.InRange[TRI_CountIsolated], kFail);
    EXPECT_GT(t.CountFlippedTopological, 0u);
    EXPECT_EQ(t.InRange[TRI_CountFlippedTopological], kFail);
    EXPECT_EQ(t.MaximalDegree, 6u);  // face 0 and its copy: 3 from each other, 3 from the faces
    EXPECT_EQ(t.InRange[TRI_MaximalDegree], kFail);
    EXPECT_EQ(t.InRange[TRI_MinimalDegree], kPass);  // the degenerate one: 0 in [0, 3]
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
    Run(m);

    const PointResults& p = pointResults_;
    EXPECT_EQ(p.InRange[PNT_Count], kFail);
    EXPECT_EQ(p.CountClassesOfEpsilonDuplicatedGeometrical, 4u);
    EXPECT_EQ(p.InRange[PNT_CountClassesOfEpsilonDuplicatedGeometrical], kFail);
    EXPECT_EQ(p.InRange[PNT_MinimalDegree], kFail);
    EXPECT_EQ(p.InRange[PNT_MaximalDegree], kFail);
    EXPECT_EQ(p.CountNAN, NOT_COMPUTED);
    EXPECT_EQ(p.InRange[PNT_CountNAN], kNotJudged);
    EXPECT_EQ(p.CountINF, NOT_COMPUTED);
    EXPECT_EQ(p.InRange[PNT_CountINF], kFail);

    const TriangleResults& t = triangleResults_;
    EXPECT_EQ(t.InRange[TRI_MinimalDegree], kFail);
    EXPECT_EQ(t.InRange[TRI_MaximalDegree], kFail);
    EXPECT_EQ(t.InRange[TRI_CountFlippedTopological], kFail);  // 0 outside [1, 1]
    EXPECT_EQ(t.CountIntersected, NOT_COMPUTED);
    EXPECT_EQ(t.InRange[TRI_CountIntersected], kNotJudged);
}

TEST_F(Analyse, EdgesClosedTorusWithDefaults)
{
    TestMesh mesh = testing::Torus(12, 6);
    Run(mesh);
    const EdgeResults& r = edgeResults_;
    EXPECT_EQ(r.Count, 3u * 12 * 6);
    EXPECT_EQ(r.CountBorder, 0u);
    EXPECT_EQ(r.CountConvex, NOT_COMPUTED);
    EXPECT_EQ(r.CountSingular, 0u);
    EXPECT_EQ(r.CountInvalidTopological, 0u);
    EXPECT_EQ(r.CountInvalidGeometrical, 0u);
    EXPECT_EQ(r.CountDuplicatedTopological, 0u);
    EXPECT_EQ(r.CountDuplicatedGeometrical, 0u);
    EXPECT_EQ(r.CountClassesOfDuplicatedTopological, 0u);
    EXPECT_EQ(r.CountClassesOfDuplicatedGeometrical, 0u);
    EXPECT_EQ(r.MinimalDegree, 2u);
    EXPECT_EQ(r.MaximalDegree, 2u);
    EXPECT_EQ(r.CountSmallerLength, 0u);
    EXPECT_EQ(r.CountGreaterLength, 0u);
    EXPECT_GT(r.MinimalLength, 0.0);
    EXPECT_LT(r.MinimalLength, r.MaximalLength);
    EXPECT_LT(r.MaximalLength, 10.0);
    for (int k = 0; k < EDG_QUANTITIES; ++k) {
        // CountConvex stays NOT_COMPUTED, outside its range [0, 300000].
        EXPECT_EQ(r.InRange[k], k == EDG_CountConvex ? 0 : 1) << "quantity " << k;
    }
}

TEST_F(Analyse, EdgesSingularFanAndLongEdges)
{
    TestMesh mesh;
    mesh.AddPoint(0, 0, 0);
    mesh.AddPoint(0, 0, 20);  // the hinge is 20 long
    for (int i = 0; i < 4; ++i) {
        mesh.AddPoint(1.0 + i, 0.5 * i, 0);
        mesh.AddTriangle(0, 1, static_cast<uint32_t>(2 + i));
    }
    Run(mesh);
    const EdgeResults& r = edgeResults_;
    EXPECT_EQ(r.Count, 9u);
    EXPECT_EQ(r.CountBorder, 8u);
    EXPECT_EQ(r.CountSingular, 1u);
    EXPECT_EQ(r.MinimalDegree, 1u);
    EXPECT_EQ(r.MaximalDegree, 4u);
    EXPECT_EQ(r.MaximalLength, std::sqrt(16.0 + 2.25 + 400.0));
    EXPECT_EQ(r.CountGreaterLength, 5u);  // the hinge and the four far sides to point 1
    EXPECT_EQ(r.InRange[EDG_Count], 1);
    EXPECT_EQ(r.InRange[EDG_CountBorder], 1);
    EXPECT_EQ(r.InRange[EDG_CountSingular], 0);
    EXPECT_EQ(r.InRange[EDG_MinimalDegree], 1);
    EXPECT_EQ(r.InRange[EDG_MaximalDegree], 0);
    EXPECT_EQ(r.InRange[EDG_CountGreaterLength], 0);
    EXPECT_EQ(r.InRange[EDG_MaximalLength], 0);
    EXPECT_EQ(r.InRange[EDG_MinimalLength], 1);
    EXPECT_EQ(r.InRange[EDG_CountSmallerLength], 1);
}

TEST_F(Analyse, EdgesLengthRangeIsBothCriterionAndThreshold)
{
    // A 6-8-10 right triangle.
    TestMesh mesh = testing::MeshOf({{0, 0, 0}, {6, 0, 0}, {6, 8, 0}}, {{0, 1, 2}});
    edges_.Length.min = 7.0;
    edges_.Length.max = 10.0;
    Run(mesh);
    const EdgeResults& r = edgeResults_;
    EXPECT_EQ(r.CountSmallerLength, 1u);
    EXPECT_EQ(r.CountGreaterLength, 0u);
    EXPECT_EQ(r.MinimalLength, 6.0);
    EXPECT_EQ(r.MaximalLength, 10.0);
    EXPECT_EQ(r.InRange[EDG_CountSmallerLength], 0);
    EXPECT_EQ(r.InRange[EDG_CountGreaterLength], 1);
    EXPECT_EQ(r.InRange[EDG_MinimalLength], 0);  // 6 < 7
    EXPECT_EQ(r.InRange[EDG_MaximalLength], 1);  // 10 <= 10
}

TEST_F(Analyse, EdgesDisabledQuantitiesStayNotComputed)
{
    TestMesh mesh = testing::Tetrahedron();
    std::memset(edges_.Enable, 0, sizeof edges_.Enable);
    edges_.Enable[EDG_CountBorder] = 1;
    edges_.Enable[EDG_MaximalLength] = 1;
    Run(mesh);
    const EdgeResults& r = edgeResults_;
    EXPECT_EQ(r.CountBorder, 0u);
    EXPECT_EQ(r.MaximalLength, std::sqrt(2.0));
    EXPECT_EQ(r.Count, NOT_COMPUTED);
    EXPECT_EQ(r.MinimalLength, -1.0);
    EXPECT_EQ(r.InRange[EDG_CountBorder], 1);
    EXPECT_EQ(r.InRange[EDG_MaximalLength], 1);
    EXPECT_EQ(r.InRange[EDG_Count], 0xFF);
    EXPECT_EQ(r.InRange[EDG_MinimalLength], 0xFF);
}

TEST_F(Analyse, OutOfRangeIndexStoresTopologyCodes)
{
    TestMesh mesh = testing::Tetrahedron();
    mesh.AddTriangle(0, 1, 4);  // there is no point 4
    Run(mesh);
    const PointResults& p = pointResults_;
    EXPECT_EQ(p.CountIsolated, 0u);
    EXPECT_EQ(static_cast<int32_t>(p.CountBorder), -5);
    EXPECT_EQ(p.MinimalDegree, NOT_COMPUTED);  // -1 reads as not computed
    EXPECT_EQ(p.InRange[PNT_MinimalDegree], kFail);
    const TriangleResults& t = triangleResults_;
    EXPECT_EQ(static_cast<int32_t>(t.CountBorder), -5);
    EXPECT_EQ(t.InRange[TRI_CountBorder], kFail);
    EXPECT_EQ(static_cast<int32_t>(t.CountFlippedTopological), -5);
    EXPECT_EQ(t.CountInvalidGeometrical, 0u);
    EXPECT_EQ(t.CountIntersected, 0u);
    const EdgeResults& r = edgeResults_;
    EXPECT_EQ(static_cast<int32_t>(r.Count), -5);
    EXPECT_EQ(static_cast<int32_t>(r.CountBorder), -5);
    EXPECT_EQ(static_cast<int32_t>(r.CountSingular), -1);
    EXPECT_EQ(static_cast<int32_t>(r.MinimalDegree), -1);
    EXPECT_EQ(static_cast<int32_t>(r.CountInvalidGeometrical), -5);
    EXPECT_EQ(static_cast<int32_t>(r.CountDuplicatedGeometrical), -5);
    EXPECT_EQ(r.MinimalLength, -5.0);
    EXPECT_EQ(r.MaximalLength, -5.0);
    // Codes are judged like values: -5 reads as 0xFFFFFFFB, out of range.
    EXPECT_EQ(r.InRange[EDG_Count], 0);
    EXPECT_EQ(r.InRange[EDG_MinimalLength], 0);
    EXPECT_EQ(r.InRange[EDG_MaximalLength], 0);
}

}  // namespace
}  // namespace meshaudit
