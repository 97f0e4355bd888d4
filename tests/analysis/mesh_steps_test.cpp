// The mesh compute step in its context: order, gates and labels, values
// taken from other categories, and the booleans that follow from counts.
#include "analysis/AnalysisContext.h"
#include "containers/Memory.h"
#include "interface/Blocks.h"
#include "analysis/MeshBuilders.h"
#include "analysis/ProgressCapture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace meshaudit {
namespace {

using testing::CaptureProgress;
using testing::kClearedLine;
using testing::TestMesh;

class MeshSteps : public ::testing::Test {
protected:
    void Load(TestMesh& mesh) { context_.LoadMesh(mesh.Record()); }

    void DisableAll()
    {
        std::memset(context_.pointSettings.Enable, 0, sizeof context_.pointSettings.Enable);
        std::memset(context_.edgeSettings.Enable, 0, sizeof context_.edgeSettings.Enable);
        std::memset(context_.triangleSettings.Enable, 0, sizeof context_.triangleSettings.Enable);
        std::memset(context_.meshSettings.Enable, 0, sizeof context_.meshSettings.Enable);
    }

    // Runs one category and returns what the progress line showed.
    std::string Run(uint32_t category)
    {
        return CaptureProgress([&] { context_.RunCategory(category); });
    }

    TestMesh cube_ = testing::UnitCube();
    AnalysisContext context_;
};

// A line of the bar for step c of a total of T = W cells, as the reporter
// draws it.
std::string Line(uint32_t c, uint32_t total, int percent, const std::string& label)
{
    std::string bar;
    for (uint32_t i = 0; i < total; ++i) {
        bar += i < c ? '=' : (i == c ? '>' : ' ');
    }
    char number[8];
    std::snprintf(number, sizeof number, "%3d", percent);
    return kClearedLine + "[" + bar + "] " + number + " % " + label;
}

TEST_F(MeshSteps, GatesAnnounceTheSharedCountsFirst)
{
    Load(cube_);
    DisableAll();
    context_.meshSettings.Enable[MSH_Connected] = 1;
    EXPECT_EQ(Run(4), Line(0, 1, 0, "mesh::CountComponents") + kClearedLine +
                          "[=] 100 % mesh::Connected" + kClearedLine);

    Load(cube_);
    DisableAll();
    context_.meshSettings.Enable[MSH_HasHandles] = 1;
    EXPECT_EQ(Run(4), Line(0, 1, 0, "mesh::CountHandles") + kClearedLine +
                          "[=] 100 % mesh::Manifold" + kClearedLine);

    Load(cube_);
    DisableAll();
    context_.meshSettings.Enable[MSH_HasBorders] = 1;
    EXPECT_EQ(Run(4), Line(0, 1, 0, "mesh::Handles") + kClearedLine + "[=] 100 % mesh::Borders" +
                          kClearedLine);

    Load(cube_);
    DisableAll();
    context_.meshSettings.Enable[MSH_CountBorders] = 1;
    EXPECT_EQ(Run(4), Line(0, 1, 0, "mesh::Handles") + kClearedLine);
}

TEST_F(MeshSteps, InclusionComputesTheVolumeSoItsStepIsSilent)
{
    Load(cube_);
    DisableAll();
    context_.meshSettings.Enable[MSH_Inclusion] = 1;
    context_.meshSettings.Enable[MSH_Volume] = 1;
    EXPECT_EQ(Run(4), Line(0, 2, 0, "mesh::Inclusion") + kClearedLine);
    EXPECT_EQ(context_.meshResults.Volume, 1.0);
    EXPECT_EQ(context_.meshResults.InRange[MSH_Volume], 1);
    // The shared mesh values stand in their slots, unjudged since disabled.
    EXPECT_EQ(context_.meshResults.InRange[MSH_CountComponents], kNotJudged);
    EXPECT_EQ(context_.meshResults.InRange[MSH_Oriented], kNotJudged);
}

TEST_F(MeshSteps, VolumeAloneIsAnnouncedAndJudged)
{
    Load(cube_);
    DisableAll();
    context_.meshSettings.Enable[MSH_Volume] = 1;
    context_.meshSettings.Volume = DoubleRange{2.0, 3.0};
    EXPECT_EQ(Run(4), Line(0, 1, 0, "mesh::Volume") + kClearedLine);
    EXPECT_EQ(context_.meshResults.Volume, 1.0);
    EXPECT_EQ(context_.meshResults.InRange[MSH_Volume], 0);
}

TEST_F(MeshSteps, AreaIsComputedButNeverJudged)
{
    Load(cube_);
    DisableAll();
    context_.meshSettings.Enable[MSH_Area] = 1;
    Run(4);
    EXPECT_EQ(context_.meshResults.Area, 6.0);
    EXPECT_EQ(context_.meshResults.InRange[MSH_Area], kNotJudged);
}

TEST_F(MeshSteps, ManifoldIsAnnouncedAndStaysNotComputed)
{
    Load(cube_);
    DisableAll();
    context_.meshSettings.Enable[MSH_Manifold] = 1;
    context_.meshSettings.Manifold = 1;
    EXPECT_EQ(Run(4), Line(0, 1, 0, "mesh::Manifold") + kClearedLine);
    EXPECT_EQ(context_.meshResults.Manifold, -1);
    EXPECT_EQ(context_.meshResults.InRange[MSH_Manifold], 0);
}

TEST_F(MeshSteps, QuantitiesNotComputedInThisVersion)
{
    Load(cube_);
    DisableAll();
    context_.meshSettings.Enable[MSH_Convex] = 1;
    context_.meshSettings.Enable[MSH_AspectRatio] = 1;
    context_.meshSettings.Enable[MSH_Diameter] = 1;
    // Only Convex counts as a step: a total of 1.
    EXPECT_EQ(Run(4), Line(0, 1, 0, "mesh::Convex") + kClearedLine + "[=] 100 % mesh::AspectRatio" +
                          kClearedLine + "[=] 200 % mesh::Diameter" + kClearedLine);
    EXPECT_EQ(context_.meshResults.Convex, -1);
    EXPECT_EQ(context_.meshResults.AspectRatio, -1.0);
    EXPECT_EQ(context_.meshResults.Diameter, -1.0);
    EXPECT_EQ(context_.meshResults.Unused19, -1.0);
    EXPECT_EQ(context_.meshResults.InRange[MSH_Unused19], kNotJudged);
}

TEST_F(MeshSteps, FlagsFollowStoredCountsAndFailureCodes)
{
    struct Case {
        uint8_t k;
        int32_t stored;
        int8_t expected;
    };
    // Connected from CountComponents, HasHandles from CountHandles,
    // HasBorders and Closed from CountBorders.
    const Case cases[] = {
        {MSH_Connected, 1, 1},  {MSH_Connected, 3, 0},   {MSH_Connected, 0, 0},
        {MSH_Connected, -5, -1}, {MSH_HasHandles, 2, 1}, {MSH_HasHandles, 0, 0},
        {MSH_HasHandles, -5, -1}, {MSH_HasBorders, 2, 1}, {MSH_HasBorders, 0, 0},
        {MSH_HasBorders, -6, -1}, {MSH_Closed, 0, 1},     {MSH_Closed, 1, 0},
        {MSH_Closed, -6, -1},
    };
    for (const Case& c : cases) {
        Load(cube_);
        DisableAll();
        context_.meshSettings.Enable[c.k] = 1;
        const uint32_t stored = static_cast<uint32_t>(c.stored);
        context_.meshResults.CountComponents = stored;
        context_.meshResults.CountHandles = stored;
        context_.meshResults.CountBorders = stored;
        const std::string out = Run(4);
        int8_t value = 0;
        std::memcpy(&value, reinterpret_cast<const uint8_t*>(&context_.meshResults) +
                                (c.k == MSH_Connected    ? offsetof(MeshResults, Connected)
                                 : c.k == MSH_HasHandles ? offsetof(MeshResults, HasHandles)
                                 : c.k == MSH_HasBorders ? offsetof(MeshResults, HasBorders)
                                                         : offsetof(MeshResults, Closed)),
                    1);
        EXPECT_EQ(value, c.expected) << int(c.k) << " " << c.stored;
        // A stored count is neither recomputed nor announced.
        EXPECT_EQ(context_.meshResults.CountComponents, stored);
        EXPECT_EQ(context_.meshResults.CountBorders, stored);
        EXPECT_EQ(out.find("mesh::CountComponents"), std::string::npos);
        EXPECT_EQ(out.find("mesh::Handles"), std::string::npos);
    }
}

TEST_F(MeshSteps, InvalidAndSingularCombineTriangleAndEdgeCounts)
{
    auto run = [&](int32_t tt, int32_t tg, int32_t et, int32_t eg) {
        Load(cube_);
        DisableAll();
        context_.meshSettings.Enable[MSH_Invalid] = 1;
        context_.triangleResults.CountInvalidTopological = static_cast<uint32_t>(tt);
        context_.triangleResults.CountInvalidGeometrical = static_cast<uint32_t>(tg);
        context_.edgeResults.CountInvalidTopological = static_cast<uint32_t>(et);
        context_.edgeResults.CountInvalidGeometrical = static_cast<uint32_t>(eg);
        Run(4);
        return context_.meshResults.Invalid;
    };
    EXPECT_EQ(run(0, 0, 0, 0), 0);
    EXPECT_EQ(run(0, 0, 0, 2), 1);
    EXPECT_EQ(run(1, 0, 0, 0), 1);
    EXPECT_EQ(run(3, -5, 0, 0), -1);  // a failure wins over a count
    EXPECT_EQ(run(0, 0, -7, 0), -1);

    auto singular = [&](int32_t triangles, int32_t edges) {
        Load(cube_);
        DisableAll();
        context_.meshSettings.Enable[MSH_Singular] = 1;
        context_.triangleResults.CountSingular = static_cast<uint32_t>(triangles);
        context_.edgeResults.CountSingular = static_cast<uint32_t>(edges);
        Run(4);
        return context_.meshResults.Singular;
    };
    EXPECT_EQ(singular(0, 0), 0);
    EXPECT_EQ(singular(0, 1), 1);
    EXPECT_EQ(singular(4, 0), 1);
    EXPECT_EQ(singular(0, -2), -1);
}

TEST_F(MeshSteps, DuplicateFlagsCombineFiveCountsAndTheEpsilonCount)
{
    auto precise = [&](int32_t p, int32_t eg, int32_t et, int32_t tg, int32_t tt) {
        Load(cube_);
        DisableAll();
        context_.meshSettings.Enable[MSH_PreciseDuplicates] = 1;
        context_.pointResults.CountDuplicatedGeometrical = static_cast<uint32_t>(p);
        context_.edgeResults.CountDuplicatedGeometrical = static_cast<uint32_t>(eg);
        context_.edgeResults.CountDuplicatedTopological = static_cast<uint32_t>(et);
        context_.triangleResults.CountDuplicatedGeometrical = static_cast<uint32_t>(tg);
        context_.triangleResults.CountDuplicatedTopological = static_cast<uint32_t>(tt);
        Run(4);
        return context_.meshResults.PreciseDuplicates;
    };
    EXPECT_EQ(precise(0, 0, 0, 0, 0), 0);
    EXPECT_EQ(precise(2, 0, 0, 0, 0), 1);
    EXPECT_EQ(precise(0, 0, 0, 0, 2), 1);
    EXPECT_EQ(precise(0, 2, 0, -8, 0), -1);

    auto epsilon = [&](int32_t count) {
        Load(cube_);
        DisableAll();
        context_.meshSettings.Enable[MSH_EpsilonDuplicates] = 1;
        context_.pointResults.CountClassesOfEpsilonDuplicatedGeometrical =
            static_cast<uint32_t>(count);
        const std::string out = Run(4);
        EXPECT_EQ(out, Line(0, 1, 0, "mesh::Epsilon Duplicates") + kClearedLine);
        return context_.meshResults.EpsilonDuplicates;
    };
    EXPECT_EQ(epsilon(0), 0);
    EXPECT_EQ(epsilon(4), 1);
    EXPECT_EQ(epsilon(-3), -1);
}

// The full default analysis of the tetrahedron, byte for byte.
//
// Step total: the default Enable bytes give 11 point + 16 edge + 12 triangle
// (k 8 and 9 announce but do not count) + 16 mesh (k 0 and 16 are off; 18 to
// 21 never count) = 55, which is also the bar width, so step c shows c "="
// then ">" (none once c reaches 55).
//
// Labels announced, 57 in all: the 11 point labels; the 16 edge labels with
// the two length counts before the two lengths; the 14 triangle labels with
// CountIntersected before CountFlippedTopological; and 16 mesh labels:
// Oriented, Orientable, CountComponents, Connected, CountHandles, Manifold
// (for HasHandles), Handles (for CountBorders), Borders, Closed, Invalid,
// Singular, Precise Duplicates, Epsilon Duplicates, Inclusion,
// Selfintersection, Area. Volume is not among them: Inclusion computes it
// first, silently.
//
// Percentages: c x (100 / 55) in single precision. 100 / 55 rounds to
// 1.81818187 in float, a little above the true quotient; for c a multiple
// of 11 the product therefore rounds to the exact integer 20c/11, and for
// any other c the true value 100c/55 lies at least 1/11 from an integer, far
// beyond the rounding error. So the percentage is floor(100c / 55).
TEST_F(MeshSteps, FullDefaultAnalysisProgressBytes)
{
    const char* const labels[57] = {
        "point::Count",
        "point::CountNAN",
        "point::CountINF",
        "point::CountIsolated",
        "point::CountBorder",
        "point::CountArticulation",
        "point::CountDuplicatedGeometrical",
        "point::CountClassesOfDuplicatedGeometrical",
        "point::CountClassesOfEpsilonDuplicatedGeometrical",
        "point::calculateMinimalDegree",
        "point::calculateMaximalDegree",
        "edge::Count",
        "edge::CountBorder",
        "edge::CountConvex",
        "edge::CountSingular",
        "edge::CountInvalidTopological",
        "edge::CountInvalidGeometrical",
        "edge::CountDuplicatedTopological",
        "edge::CountDuplicatedGeometrical",
        "edge::CountClassesOfDuplicatedTopological",
        "edge::CountClassesOfDuplicatedGeometrical",
        "edge::MinimalDegree",
        "edge::MaximalDegree",
        "edge::CountSmallerLength",
        "edge::CountGreaterLength",
        "edge::MinimalLength",
        "edge::MaximalLength",
        "triangle::Count\r",
        "triangle::CountBorder",
        "triangle::CountIsolated",
        "triangle::CountSingular",
        "triangle::MinimalDegree",
        "triangle::MaximalDegree",
        "triangle::CountInvalidTopological",
        "triangle::CountInvalidGeometrical",
        "triangle::CountDuplicatedTopological",
        "triangle::CountDuplicatedGeometrical",
        "triangle::CountClassesOfDuplicatedTopological",
        "triangle::CountClassesOfDuplicatedGeometrical",
        "triangle::CountIntersected",
        "triangle::CountFlippedTopological",
        "mesh::Oriented",
        "mesh::Orientable",
        "mesh::CountComponents",
        "mesh::Connected",
        "mesh::CountHandles",
        "mesh::Manifold",
        "mesh::Handles",
        "mesh::Borders",
        "mesh::Closed",
        "mesh::Invalid",
        "mesh::Singular",
        "mesh::Precise Duplicates",
        "mesh::Epsilon Duplicates",
        "mesh::Inclusion",
        "mesh::Selfintersection",
        "mesh::Area",
    };
    const int percent[57] = {0,  1,  3,  5,  7,  9,  10, 12, 14, 16, 18, 20, 21, 23, 25,
                             27, 29, 30, 32, 34, 36, 38, 40, 41, 43, 45, 47, 49, 50, 52,
                             54, 56, 58, 60, 61, 63, 65, 67, 69, 70, 72, 74, 76, 78, 80,
                             81, 83, 85, 87, 89, 90, 92, 94, 96, 98, 100, 101};
    std::string expected;
    for (uint32_t c = 0; c < 57; ++c) {
        expected += Line(c, 55, percent[c], labels[c]);
    }
    expected += kClearedLine;

    TestMesh tetra = testing::Tetrahedron();
    Load(tetra);
    EXPECT_EQ(context_.CountSteps(5), 55u);
    const std::string out = Run(5);
    EXPECT_EQ(out, expected);
    EXPECT_EQ(context_.meshResults.Volume, 1.0 / 6.0);
}

}  // namespace
}  // namespace meshaudit
