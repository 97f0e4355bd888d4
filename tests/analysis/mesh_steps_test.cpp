// The mesh compute step in its context: order, gates and labels, values
// taken from other categories, and the booleans that follow from counts.
#include "analysis/AnalysisContext.h"
#include "containers/Memory.h"
#include "interface/Blocks.h"
#include "analysis/MeshBuilders.h"
#include "analysis/ProgressCapture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <initializer_list>
#include <string>

namespace meshaudit {
namespace {

using testing::CaptureProgress;
using testing::kClearedLine;
using testing::TestMesh;

class MeshSteps : public ::testing::Test {
protected:
    // Loads the cube with only the given mesh quantities enabled.
    void Prepare(std::initializer_list<uint8_t> enabled)
    {
        context_.LoadMesh(cube_.Record());
        std::memset(context_.pointSettings.Enable, 0, sizeof context_.pointSettings.Enable);
        std::memset(context_.edgeSettings.Enable, 0, sizeof context_.edgeSettings.Enable);
        std::memset(context_.triangleSettings.Enable, 0, sizeof context_.triangleSettings.Enable);
        std::memset(context_.meshSettings.Enable, 0, sizeof context_.meshSettings.Enable);
        for (uint8_t k : enabled) {
            context_.meshSettings.Enable[k] = 1;
        }
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

TEST_F(MeshSteps, SingleQuantities)
{
    const std::string shown = kClearedLine + "[=] 100 % ";
    const MeshResults& r = context_.meshResults;
    MeshSettings& settings = context_.meshSettings;
    struct Case {
        const char* name;
        std::initializer_list<uint8_t> enabled;
        std::string expected;
        std::function<void()> configure, check;
    };
    const Case cases[] = {
        // The shared counts are announced first.
        {"connected", {MSH_Connected},
         Line(0, 1, 0, "mesh::CountComponents") + shown + "mesh::Connected" + kClearedLine, {}, {}},
        {"has handles", {MSH_HasHandles},
         Line(0, 1, 0, "mesh::CountHandles") + shown + "mesh::Manifold" + kClearedLine, {}, {}},
        {"has borders", {MSH_HasBorders},
         Line(0, 1, 0, "mesh::Handles") + shown + "mesh::Borders" + kClearedLine, {}, {}},
        {"count borders", {MSH_CountBorders}, Line(0, 1, 0, "mesh::Handles") + kClearedLine, {}, {}},
        // Inclusion computes the volume, so the volume step is silent; the
        // shared mesh values stand in their slots, unjudged since disabled.
        {"inclusion and volume", {MSH_Inclusion, MSH_Volume},
         Line(0, 2, 0, "mesh::Inclusion") + kClearedLine, {},
         [&] {
             EXPECT_EQ(r.Volume, 1.0);
             EXPECT_EQ(r.InRange[MSH_Volume], 1);
             EXPECT_EQ(r.InRange[MSH_CountComponents], kNotJudged);
             EXPECT_EQ(r.InRange[MSH_Oriented], kNotJudged);
         }},
        {"volume", {MSH_Volume}, Line(0, 1, 0, "mesh::Volume") + kClearedLine,
         [&] { settings.Volume = DoubleRange{2.0, 3.0}; },
         [&] {
             EXPECT_EQ(r.Volume, 1.0);
             EXPECT_EQ(r.InRange[MSH_Volume], 0);
         }},
        {"area: computed, never judged", {MSH_Area}, Line(0, 0, 100, "mesh::Area") + kClearedLine, {},
         [&] {
             EXPECT_EQ(r.Area, 6.0);
             EXPECT_EQ(r.InRange[MSH_Area], kNotJudged);
         }},
        {"manifold: announced, not computed", {MSH_Manifold},
         Line(0, 1, 0, "mesh::Manifold") + kClearedLine, [&] { settings.Manifold = 1; },
         [&] {
             EXPECT_EQ(r.Manifold, -1);
             EXPECT_EQ(r.InRange[MSH_Manifold], 0);
         }},
        // Only Convex counts as a step: a total of 1.
        {"not computed in this version", {MSH_Convex, MSH_AspectRatio, MSH_Diameter},
         Line(0, 1, 0, "mesh::Convex") + shown + "mesh::AspectRatio" + kClearedLine +
             "[=] 200 % mesh::Diameter" + kClearedLine,
         {},
         [&] {
             EXPECT_EQ(r.Convex, -1);
             EXPECT_EQ(r.InRange[MSH_Convex], 0);
             EXPECT_EQ(r.AspectRatio, -1.0);
             EXPECT_EQ(r.Diameter, -1.0);
             EXPECT_EQ(r.Unused19, -1.0);
             EXPECT_EQ(r.InRange[MSH_Unused19], kNotJudged);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Prepare(c.enabled);
        if (c.configure) {
            c.configure();
        }
        EXPECT_EQ(Run(4), c.expected);
        if (c.check) {
            c.check();
        }
    }
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
        Prepare({c.k});
        const uint32_t stored = static_cast<uint32_t>(c.stored);
        context_.meshResults.CountComponents = stored;
        context_.meshResults.CountHandles = stored;
        context_.meshResults.CountBorders = stored;
        const std::string out = Run(4);
        const MeshResults& r = context_.meshResults;
        const int8_t value = c.k == MSH_Connected    ? r.Connected
                             : c.k == MSH_HasHandles ? r.HasHandles
                             : c.k == MSH_HasBorders ? r.HasBorders
                                                     : r.Closed;
        EXPECT_EQ(value, c.expected) << int(c.k) << " " << c.stored;
        // A stored count is neither recomputed nor announced.
        EXPECT_EQ(r.CountComponents, stored);
        EXPECT_EQ(r.CountBorders, stored);
        EXPECT_EQ(out.find("mesh::CountComponents"), std::string::npos);
        EXPECT_EQ(out.find("mesh::Handles"), std::string::npos);
    }
}

// Invalid, Singular, PreciseDuplicates and EpsilonDuplicates: SummaryFlag of
// counts stored in other categories (a failure wins over a count).
TEST_F(MeshSteps, FlagsCombineCountsOfOtherCategories)
{
    PointResults& p = context_.pointResults;
    EdgeResults& e = context_.edgeResults;
    TriangleResults& t = context_.triangleResults;
    auto u = [](int32_t v) { return static_cast<uint32_t>(v); };
    auto invalid = [&](int32_t tt, int32_t tg, int32_t et, int32_t eg) {
        Prepare({MSH_Invalid});
        t.CountInvalidTopological = u(tt);
        t.CountInvalidGeometrical = u(tg);
        e.CountInvalidTopological = u(et);
        e.CountInvalidGeometrical = u(eg);
        Run(4);
        return context_.meshResults.Invalid;
    };
    EXPECT_EQ(invalid(0, 0, 0, 0), 0);
    EXPECT_EQ(invalid(0, 0, 0, 2), 1);
    EXPECT_EQ(invalid(1, 0, 0, 0), 1);
    EXPECT_EQ(invalid(3, -5, 0, 0), -1);
    EXPECT_EQ(invalid(0, 0, -7, 0), -1);

    auto singular = [&](int32_t triangles, int32_t edges) {
        Prepare({MSH_Singular});
        t.CountSingular = u(triangles);
        e.CountSingular = u(edges);
        Run(4);
        return context_.meshResults.Singular;
    };
    EXPECT_EQ(singular(0, 0), 0);
    EXPECT_EQ(singular(0, 1), 1);
    EXPECT_EQ(singular(4, 0), 1);
    EXPECT_EQ(singular(0, -2), -1);

    auto precise = [&](int32_t pg, int32_t eg, int32_t et, int32_t tg, int32_t tt) {
        Prepare({MSH_PreciseDuplicates});
        p.CountDuplicatedGeometrical = u(pg);
        e.CountDuplicatedGeometrical = u(eg);
        e.CountDuplicatedTopological = u(et);
        t.CountDuplicatedGeometrical = u(tg);
        t.CountDuplicatedTopological = u(tt);
        Run(4);
        return context_.meshResults.PreciseDuplicates;
    };
    EXPECT_EQ(precise(0, 0, 0, 0, 0), 0);
    EXPECT_EQ(precise(2, 0, 0, 0, 0), 1);
    EXPECT_EQ(precise(0, 0, 0, 0, 2), 1);
    EXPECT_EQ(precise(0, 2, 0, -8, 0), -1);

    auto epsilon = [&](int32_t count) {
        Prepare({MSH_EpsilonDuplicates});
        p.CountClassesOfEpsilonDuplicatedGeometrical = u(count);
        EXPECT_EQ(Run(4), Line(0, 1, 0, "mesh::Epsilon Duplicates") + kClearedLine);
        return context_.meshResults.EpsilonDuplicates;
    };
    EXPECT_EQ(epsilon(0), 0);
    EXPECT_EQ(epsilon(4), 1);
    EXPECT_EQ(epsilon(-3), -1);
}

// The full default analysis of the tetrahedron, byte for byte: 55 counted
// steps (also the bar width) and 57 labels (triangle k 8 and 9 announce
// without counting; Inclusion computes Volume silently, so it has none).
TEST_F(MeshSteps, FullDefaultAnalysisProgressBytes)
{
    const char* const labels[57] = {
        "point::Count", "point::CountNAN", "point::CountINF", "point::CountIsolated",
        "point::CountBorder", "point::CountArticulation", "point::CountDuplicatedGeometrical",
        "point::CountClassesOfDuplicatedGeometrical",
        "point::CountClassesOfEpsilonDuplicatedGeometrical", "point::calculateMinimalDegree",
        "point::calculateMaximalDegree", "edge::Count", "edge::CountBorder", "edge::CountConvex",
        "edge::CountSingular", "edge::CountInvalidTopological", "edge::CountInvalidGeometrical",
        "edge::CountDuplicatedTopological", "edge::CountDuplicatedGeometrical",
        "edge::CountClassesOfDuplicatedTopological", "edge::CountClassesOfDuplicatedGeometrical",
        "edge::MinimalDegree", "edge::MaximalDegree", "edge::CountSmallerLength",
        "edge::CountGreaterLength", "edge::MinimalLength", "edge::MaximalLength",
        "triangle::Count\r", "triangle::CountBorder", "triangle::CountIsolated",
        "triangle::CountSingular", "triangle::MinimalDegree", "triangle::MaximalDegree",
        "triangle::CountInvalidTopological", "triangle::CountInvalidGeometrical",
        "triangle::CountDuplicatedTopological", "triangle::CountDuplicatedGeometrical",
        "triangle::CountClassesOfDuplicatedTopological",
        "triangle::CountClassesOfDuplicatedGeometrical", "triangle::CountIntersected",
        "triangle::CountFlippedTopological", "mesh::Oriented", "mesh::Orientable",
        "mesh::CountComponents", "mesh::Connected", "mesh::CountHandles", "mesh::Manifold",
        "mesh::Handles", "mesh::Borders", "mesh::Closed", "mesh::Invalid", "mesh::Singular",
        "mesh::Precise Duplicates", "mesh::Epsilon Duplicates", "mesh::Inclusion",
        "mesh::Selfintersection", "mesh::Area",
    };
    // c * (100 / 55) in single precision is floor(100c / 55) exactly: for c a
    // multiple of 11 it rounds to 20c/11, else it lies 1/11 from an integer.
    std::string expected;
    for (uint32_t c = 0; c < 57; ++c) {
        expected += Line(c, 55, static_cast<int>(100 * c / 55), labels[c]);
    }
    expected += kClearedLine;

    TestMesh tetra = testing::Tetrahedron();
    context_.LoadMesh(tetra.Record());
    EXPECT_EQ(context_.CountSteps(5), 55u);
    const std::string out = Run(5);
    EXPECT_EQ(out, expected);
    EXPECT_EQ(context_.meshResults.Volume, 1.0 / 6.0);
}

}  // namespace
}  // namespace meshaudit
