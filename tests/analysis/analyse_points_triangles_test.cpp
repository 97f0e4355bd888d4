// Whole analyses through the exported functions, reading back the point and
// triangle values and verdicts with default and with changed settings.
#include "analysis/Progress.h"
#include "meshaudit.h"
#include "support/TestMeshes.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <limits>
#include <utility>

namespace meshaudit {
namespace {

using testing::TestMesh;

constexpr uint8_t kPass = 1;
constexpr uint8_t kFail = 0;
constexpr uint8_t kNotJudged = 0xFF;

// The blocks are process-wide: every test starts from the defaults and puts
// them back afterwards; the progress line goes to /dev/null.
class AnalysePointsTriangles : public ::testing::Test {
protected:
    void SetUp() override
    {
        sink_ = std::fopen("/dev/null", "w");
        saved_ = Progress().stream;
        Progress().stream = sink_;
        meshaudit_default_point_settings(&points_);
        meshaudit_default_triangle_settings(&triangles_);
        RestoreDefaults();
    }
    void TearDown() override
    {
        RestoreDefaults();
        Progress().stream = saved_;
        std::fclose(sink_);
    }
    static void RestoreDefaults()
    {
        PointSettings p;
        TriangleSettings t;
        EdgeSettings e;
        MeshSettings m;
        meshaudit_default_point_settings(&p);
        meshaudit_default_triangle_settings(&t);
        meshaudit_default_edge_settings(&e);
        meshaudit_default_mesh_settings(&m);
        set_pnt_params(&p);
        set_tri_params(&t);
        set_edg_params(&e);
        set_msh_params(&m);
    }
    void Analyse(TestMesh& mesh)
    {
        set_pnt_params(&points_);
        set_tri_params(&triangles_);
        const MeshRecord record = mesh.Record();
        ASSERT_EQ(analyse(&record), 1);
        get_pnt_params(&pointResults_);
        get_tri_params(&triangleResults_);
    }

    PointSettings points_{};
    TriangleSettings triangles_{};
    PointResults pointResults_{};
    TriangleResults triangleResults_{};
    std::FILE* sink_ = nullptr;
    std::FILE* saved_ = nullptr;
};

TEST_F(AnalysePointsTriangles, TetrahedronWithDefaults)
{
    TestMesh m = testing::Tetrahedron();
    Analyse(m);
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

TEST_F(AnalysePointsTriangles, FaultyMeshFailsItsCriteria)
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
    Analyse(m);

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

TEST_F(AnalysePointsTriangles, ChangedSettingsChangeTheVerdicts)
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
    Analyse(m);

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

TEST_F(AnalysePointsTriangles, DefaultsAreBackForTheNextAnalysis)
{
    // After a test that changed the settings, the defaults judge again.
    TestMesh m = testing::UnitCube();
    const MeshRecord record = m.Record();
    ASSERT_EQ(analyse(&record), 1);
    PointResults p;
    get_pnt_params(&p);
    EXPECT_EQ(p.CountNAN, 0u);
    EXPECT_EQ(p.InRange[PNT_Count], kPass);
    EXPECT_EQ(p.InRange[PNT_CountClassesOfEpsilonDuplicatedGeometrical], kPass);
}

}  // namespace
}  // namespace meshaudit
