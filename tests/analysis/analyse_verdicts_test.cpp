// Whole analyses through the exported functions: the values and verdicts of
// every category with the default settings (the judging of changed ones is
// the analysis step tests').
#include "analysis/MeshBuilders.h"
#include "analysis/ProgressCapture.h"
#include "interface/Blocks.h"
#include "support/AllSettings.h"
#include "meshaudit.h"

#include <gtest/gtest.h>

#include <limits>
#include <set>
#include <utility>

namespace meshaudit {
namespace {

using testing::TestMesh;

// The blocks are process-wide: every run starts from the defaults.
class Analyse : public ::testing::Test {
protected:
    void Run(TestMesh& mesh)
    {
        testing::AllSettings().Apply();
        const MeshRecord record = mesh.Record();
        int32_t code = 0;
        testing::CaptureProgress([&] { code = analyse(&record); });
        ASSERT_EQ(code, 1);
        get_pnt_params(&p_);
        get_edg_params(&e_);
        get_tri_params(&t_);
        get_msh_params(&m_);
    }

    PointResults p_{};
    EdgeResults e_{};
    TriangleResults t_{};
    MeshResults m_{};
};

// Every verdict of a block: 0 for the quantities in `failing`, not judged
// for those in `unjudged`, 1 for the rest.
void ExpectVerdicts(const uint8_t* inRange, int count, const std::set<int>& failing,
                    const std::set<int>& unjudged = {})
{
    for (int k = 0; k < count; ++k) {
        EXPECT_EQ(inRange[k], failing.count(k) != 0 ? 0 : unjudged.count(k) != 0 ? kNotJudged : 1) << k;
    }
}

TEST_F(Analyse, ClosedMeshesPassEveryDefaultCriterion)
{
    TestMesh tetra = testing::Tetrahedron();
    Run(tetra);
    EXPECT_EQ(p_.Count, 4u);
    EXPECT_EQ(p_.CountArticulation, NOT_COMPUTED);
    EXPECT_EQ(p_.MinimalDegree, 3u);
    EXPECT_EQ(t_.MaximalDegree, 3u);
    // Articulation stays not computed, which lies outside [0, 0].
    ExpectVerdicts(p_.InRange, PNT_QUANTITIES, {PNT_CountArticulation});
    ExpectVerdicts(t_.InRange, TRI_QUANTITIES, {}, {TRI_CountDuplicatedTopological, TRI_CountDuplicatedGeometrical});
    EXPECT_EQ(m_.Volume, 1.0 / 6.0);
    EXPECT_EQ(m_.Inclusion, 1);
    EXPECT_EQ(m_.CountHandles, 0u);

    TestMesh torus = testing::Torus(12, 6);
    Run(torus);
    EXPECT_EQ(e_.Count, 3u * 12 * 6);
    EXPECT_EQ(e_.CountConvex, NOT_COMPUTED);
    // CountConvex stays NOT_COMPUTED, outside its range [0, 300000].
    ExpectVerdicts(e_.InRange, EDG_QUANTITIES, {EDG_CountConvex});
    EXPECT_EQ(m_.CountHandles, 1u);
    // One closed, oriented, connected piece with one handle and no border
    // meets every default; Manifold and Convex are off by default, Area and
    // the quantities from 18 on are never judged.
    ExpectVerdicts(m_.InRange, MSH_QUANTITIES, {},
                   {MSH_Manifold, MSH_Convex, MSH_Area, MSH_Unused19, MSH_AspectRatio, MSH_Diameter});
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

}  // namespace
}  // namespace meshaudit
