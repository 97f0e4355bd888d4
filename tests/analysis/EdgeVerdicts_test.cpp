// The edge category end to end: values and InRange bytes after a full
// analyse() through the exported functions.
#include "analysis/Progress.h"
#include "interface/Blocks.h"
#include "meshaudit.h"
#include "support/TestMeshes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>

namespace meshaudit {
namespace {

using testing::TestMesh;

class EdgeVerdicts : public ::testing::Test {
protected:
    void SetUp() override
    {
        sink_ = std::fopen("/dev/null", "w");
        saved_ = Progress().stream;
        Progress().stream = sink_;
        meshaudit_default_edge_settings(&settings_);
    }
    void TearDown() override
    {
        EdgeSettings defaults;
        meshaudit_default_edge_settings(&defaults);
        set_edg_params(&defaults);
        Progress().stream = saved_;
        std::fclose(sink_);
    }
    EdgeResults Analyse(TestMesh& mesh)
    {
        set_edg_params(&settings_);
        const MeshRecord record = mesh.Record();
        EXPECT_EQ(analyse(&record), 1);
        EdgeResults results;
        get_edg_params(&results);
        return results;
    }

    EdgeSettings settings_{};
    std::FILE* sink_ = nullptr;
    std::FILE* saved_ = nullptr;
};

TEST_F(EdgeVerdicts, ClosedTorusWithDefaults)
{
    TestMesh mesh = testing::Torus(12, 6);
    const EdgeResults r = Analyse(mesh);
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

TEST_F(EdgeVerdicts, SingularFanAndLongEdges)
{
    TestMesh mesh;
    mesh.AddPoint(0, 0, 0);
    mesh.AddPoint(0, 0, 20);  // the hinge is 20 long
    for (int i = 0; i < 4; ++i) {
        mesh.AddPoint(1.0 + i, 0.5 * i, 0);
        mesh.AddTriangle(0, 1, static_cast<uint32_t>(2 + i));
    }
    const EdgeResults r = Analyse(mesh);
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

TEST_F(EdgeVerdicts, LengthRangeIsBothCriterionAndThreshold)
{
    TestMesh mesh;  // a 6-8-10 right triangle
    mesh.AddPoint(0, 0, 0);
    mesh.AddPoint(6, 0, 0);
    mesh.AddPoint(6, 8, 0);
    mesh.AddTriangle(0, 1, 2);
    settings_.Length.min = 7.0;
    settings_.Length.max = 10.0;
    const EdgeResults r = Analyse(mesh);
    EXPECT_EQ(r.CountSmallerLength, 1u);
    EXPECT_EQ(r.CountGreaterLength, 0u);
    EXPECT_EQ(r.MinimalLength, 6.0);
    EXPECT_EQ(r.MaximalLength, 10.0);
    EXPECT_EQ(r.InRange[EDG_CountSmallerLength], 0);
    EXPECT_EQ(r.InRange[EDG_CountGreaterLength], 1);
    EXPECT_EQ(r.InRange[EDG_MinimalLength], 0);  // 6 < 7
    EXPECT_EQ(r.InRange[EDG_MaximalLength], 1);  // 10 <= 10
}

TEST_F(EdgeVerdicts, DisabledQuantitiesStayNotComputed)
{
    TestMesh mesh = testing::Tetrahedron();
    std::memset(settings_.Enable, 0, sizeof settings_.Enable);
    settings_.Enable[EDG_CountBorder] = 1;
    settings_.Enable[EDG_MaximalLength] = 1;
    const EdgeResults r = Analyse(mesh);
    EXPECT_EQ(r.CountBorder, 0u);
    EXPECT_EQ(r.MaximalLength, std::sqrt(2.0));
    EXPECT_EQ(r.Count, NOT_COMPUTED);
    EXPECT_EQ(r.MinimalLength, -1.0);
    EXPECT_EQ(r.InRange[EDG_CountBorder], 1);
    EXPECT_EQ(r.InRange[EDG_MaximalLength], 1);
    EXPECT_EQ(r.InRange[EDG_Count], 0xFF);
    EXPECT_EQ(r.InRange[EDG_MinimalLength], 0xFF);
}

TEST_F(EdgeVerdicts, OutOfRangeIndexStoresTopologyCodes)
{
    TestMesh mesh = testing::Tetrahedron();
    mesh.AddTriangle(0, 1, 4);  // there is no point 4
    const EdgeResults r = Analyse(mesh);
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
