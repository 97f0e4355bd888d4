// The frame of an analysis: Enable bytes (1 compute, 0 skip, other values
// judge only), not-computed marks, judging, the gating and labels of the
// steps, the progress line byte for byte, and the values one category takes
// from another.
#include "analysis/AnalysisContext.h"
#include "analysis/MeshBuilders.h"
#include "analysis/Progress.h"
#include "analysis/ProgressCapture.h"
#include "analysis/edges/EdgeAnalyses.h"
#include "analysis/mesh/MeshAnalyses.h"
#include "analysis/triangles/TriangleAnalyses.h"
#include "containers/Memory.h"
#include "interface/Blocks.h"
#include "model/BlockMarks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <limits>
#include <string>
#include <vector>

namespace meshaudit {
namespace {

using testing::CaptureProgress;
using testing::TestMesh;
const std::string& kClear = testing::kClearedLine;

// Every Enable byte of the four categories set to `value` (0 skips all).
void EnableAll(AnalysisContext& c, uint8_t value = 0)
{
    std::memset(c.pointSettings.Enable, value, sizeof c.pointSettings.Enable);
    std::memset(c.edgeSettings.Enable, value, sizeof c.edgeSettings.Enable);
    std::memset(c.triangleSettings.Enable, value, sizeof c.triangleSettings.Enable);
    std::memset(c.meshSettings.Enable, value, sizeof c.meshSettings.Enable);
}

// A line of the bar for step c of `total` cells, as the reporter draws it.
std::string Line(uint32_t c, uint32_t total, int percent, const std::string& label)
{
    std::string bar;
    for (uint32_t i = 0; i < total; ++i) {
        bar += i < c ? '=' : (i == c ? '>' : ' ');
    }
    char number[8];
    std::snprintf(number, sizeof number, "%3d", percent);
    return kClear + "[" + bar + "] " + number + " % " + label;
}

// Unlabelled steps: 100/3 in float is 33.3333321, and 2 * that is 66.666664,
// drawn as 66. A bar beyond its total and one of no steps are drawn in
// SingleMeshQuantities below.
TEST(Progress, UnlabelledSteps)
{
    EXPECT_EQ(CaptureProgress([] {
                  StartProgress(Progress(), 3, 3);
                  for (int i = 0; i < 3; ++i) {
                      AnnounceStep(Progress(), nullptr);
                  }
              }),
              kClear + "[>  ]   0 %" + kClear + "[=> ]  33 %" + kClear + "[==>]  66 %");
}

class Steps : public ::testing::Test {
protected:
    // Loads the cube with only the given mesh quantities enabled.
    void Prepare(std::initializer_list<uint8_t> enabled)
    {
        context_.LoadMesh(cube_.Record());
        EnableAll(context_);
        for (uint8_t k : enabled) {
            context_.meshSettings.Enable[k] = 1;
        }
    }
    std::string Run(uint32_t category)
    {
        return CaptureProgress([&] { context_.RunCategory(category); });
    }
    TestMesh cube_ = testing::UnitCube();
    AnalysisContext context_;
};

TEST_F(Steps, StepsCountOnlyEnableBytesEqualToOne)
{
    context_.LoadMesh(cube_.Record());
    const uint32_t expected[7] = {0, 11, 16, 12, 16, 55, 0};
    for (uint32_t c = 0; c < 7; ++c) {
        EXPECT_EQ(context_.CountSteps(c), expected[c]) << c;
    }
    context_.pointSettings.Enable[PNT_CountNAN] = 2;
    context_.meshSettings.Enable[MSH_Area] = 1;  // never a step
    context_.meshSettings.Enable[MSH_Manifold] = 1;
    EXPECT_EQ(context_.CountSteps(1), 10u);
    EXPECT_EQ(context_.CountSteps(4), 17u);
}

TEST_F(Steps, SingleMeshQuantities)
{
    const std::string shown = kClear + "[=] 100 % ";
    const MeshResults& r = context_.meshResults;
    MeshSettings& settings = context_.meshSettings;
    struct Case {
        std::initializer_list<uint8_t> enabled;
        std::string expected;
        std::function<void()> configure, check;
    };
    const Case cases[] = {
        // The shared counts are announced first.
        {{MSH_Connected}, Line(0, 1, 0, "mesh::CountComponents") + shown + "mesh::Connected" + kClear, {}, {}},
        {{MSH_HasHandles}, Line(0, 1, 0, "mesh::CountHandles") + shown + "mesh::Manifold" + kClear, {}, {}},
        {{MSH_HasBorders}, Line(0, 1, 0, "mesh::Handles") + shown + "mesh::Borders" + kClear, {}, {}},
        {{MSH_CountBorders}, Line(0, 1, 0, "mesh::Handles") + kClear, {}, {}},
        {{MSH_Closed, MSH_Area},
         Line(0, 1, 0, "mesh::Handles") + shown + "mesh::Closed" + kClear + "[=] 200 % mesh::Area" + kClear, {}, {}},
        // Inclusion computes the volume, so the volume step is silent; the
        // shared values stand in their slots, unjudged since disabled.
        {{MSH_Inclusion, MSH_Volume}, Line(0, 2, 0, "mesh::Inclusion") + kClear, {}, [&] {
             EXPECT_EQ(r.Volume, 1.0);
             EXPECT_EQ(r.Inclusion, 1);
             EXPECT_EQ(r.InRange[MSH_Volume], 1);
             EXPECT_EQ(r.InRange[MSH_CountComponents], kNotJudged);
             EXPECT_EQ(r.InRange[MSH_Oriented], kNotJudged);
         }},
        {{MSH_Volume}, Line(0, 1, 0, "mesh::Volume") + kClear, [&] { settings.Volume = DoubleRange{2.0, 3.0}; },
         [&] { EXPECT_EQ(r.InRange[MSH_Volume], 0); }},
        {{MSH_Area}, Line(0, 0, 100, "mesh::Area") + kClear, {}, [&] {
             EXPECT_EQ(r.Area, 6.0);
             EXPECT_EQ(r.InRange[MSH_Area], kNotJudged);
         }},
        {{MSH_Manifold}, Line(0, 1, 0, "mesh::Manifold") + kClear, [&] { settings.Manifold = 1; }, [&] {
             EXPECT_EQ(r.Manifold, -1);
             EXPECT_EQ(r.InRange[MSH_Manifold], 0);
         }},
        // Only Convex counts as a step: a total of 1.
        {{MSH_Convex, MSH_AspectRatio, MSH_Diameter, MSH_Unused19},
         Line(0, 1, 0, "mesh::Convex") + shown + "mesh::AspectRatio" + kClear + "[=] 200 % mesh::Diameter" + kClear,
         {}, [&] {
             EXPECT_EQ(r.Convex, -1);
             EXPECT_EQ(r.InRange[MSH_Convex], 0);
             EXPECT_EQ(r.AspectRatio, -1.0);
             EXPECT_EQ(r.Diameter, -1.0);
             EXPECT_EQ(r.Unused19, -1.0);
             for (uint8_t k : {MSH_AspectRatio, MSH_Diameter, MSH_Unused19}) {
                 EXPECT_EQ(r.InRange[k], kNotJudged);
             }
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
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

// The flags from counts stored beforehand, in the mesh category or others:
// Connected from CountComponents, HasHandles from CountHandles, HasBorders
// and Closed from CountBorders; Invalid, Singular and the duplicate flags
// rise with any positive count. A failure code wins over a count, and a
// stored count is neither recomputed nor announced: the flag is the only step.
TEST_F(Steps, FlagsFollowStoredCountsAndFailureCodes)
{
    PointResults& p = context_.pointResults;
    EdgeResults& e = context_.edgeResults;
    TriangleResults& t = context_.triangleResults;
    MeshResults& m = context_.meshResults;
    struct Case {
        uint8_t k;
        std::vector<uint32_t*> slots;
        std::vector<int32_t> stored;
        int8_t expected;
    };
    const std::vector<uint32_t*> components = {&m.CountComponents}, handles = {&m.CountHandles};
    const std::vector<uint32_t*> borders = {&m.CountBorders};
    const std::vector<uint32_t*> invalid = {&t.CountInvalidTopological, &t.CountInvalidGeometrical,
                                            &e.CountInvalidTopological, &e.CountInvalidGeometrical};
    const std::vector<uint32_t*> singular = {&t.CountSingular, &e.CountSingular};
    const std::vector<uint32_t*> precise = {&p.CountDuplicatedGeometrical, &e.CountDuplicatedGeometrical,
                                            &e.CountDuplicatedTopological, &t.CountDuplicatedGeometrical,
                                            &t.CountDuplicatedTopological};
    const std::vector<uint32_t*> epsilon = {&p.CountClassesOfEpsilonDuplicatedGeometrical};
    const Case cases[] = {
        {MSH_Connected, components, {1}, 1},    {MSH_Connected, components, {3}, 0},
        {MSH_Connected, components, {0}, 0},    {MSH_Connected, components, {-5}, -1},
        {MSH_HasHandles, handles, {2}, 1},      {MSH_HasHandles, handles, {0}, 0},
        {MSH_HasHandles, handles, {-5}, -1},    {MSH_HasBorders, borders, {2}, 1},
        {MSH_HasBorders, borders, {0}, 0},      {MSH_HasBorders, borders, {-6}, -1},
        {MSH_Closed, borders, {0}, 1},          {MSH_Closed, borders, {1}, 0},
        {MSH_Closed, borders, {-6}, -1},
        {MSH_Invalid, invalid, {0, 0, 0, 0}, 0},           {MSH_Invalid, invalid, {0, 0, 0, 2}, 1},
        {MSH_Invalid, invalid, {1, 0, 0, 0}, 1},           {MSH_Invalid, invalid, {3, -5, 0, 0}, -1},
        {MSH_Invalid, invalid, {0, 0, -7, 0}, -1},         {MSH_Singular, singular, {0, 0}, 0},
        {MSH_Singular, singular, {0, 1}, 1},               {MSH_Singular, singular, {4, 0}, 1},
        {MSH_Singular, singular, {0, -2}, -1},             {MSH_PreciseDuplicates, precise, {0, 0, 0, 0, 0}, 0},
        {MSH_PreciseDuplicates, precise, {2, 0, 0, 0, 0}, 1}, {MSH_PreciseDuplicates, precise, {0, 0, 0, 0, 2}, 1},
        {MSH_PreciseDuplicates, precise, {0, 2, 0, -8, 0}, -1}, {MSH_EpsilonDuplicates, epsilon, {0}, 0},
        {MSH_EpsilonDuplicates, epsilon, {4}, 1},          {MSH_EpsilonDuplicates, epsilon, {-3}, -1},
    };
    const CategoryTable& table = TableOf(Category::Mesh);
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << int(c.k) << " " << c.stored[0]);
        Prepare({c.k});
        for (size_t i = 0; i < c.slots.size(); ++i) {
            *c.slots[i] = static_cast<uint32_t>(c.stored[i]);
        }
        const std::string out = Run(4);
        const QuantityRow& row = *std::find_if(table.rows, table.rows + table.rowCount,
                                               [&](const QuantityRow& r) { return r.k == c.k; });
        EXPECT_EQ(reinterpret_cast<const int8_t*>(&m)[row.resultOffset], c.expected);
        EXPECT_EQ(out, Line(0, 1, 0, row.label) + kClear);
        for (size_t i = 0; i < c.slots.size(); ++i) {
            EXPECT_EQ(*c.slots[i], static_cast<uint32_t>(c.stored[i]));
        }
    }
}

// The full default analysis of the tetrahedron, byte for byte: 55 counted
// steps (also the bar width) and 57 labels (triangle k 8 and 9 announce
// without counting; Inclusion computes Volume silently, so it has none).
TEST_F(Steps, FullDefaultAnalysisProgressBytes)
{
    const char* const labels[57] = {
        "point::Count", "point::CountNAN", "point::CountINF", "point::CountIsolated", "point::CountBorder",
        "point::CountArticulation", "point::CountDuplicatedGeometrical",
        "point::CountClassesOfDuplicatedGeometrical", "point::CountClassesOfEpsilonDuplicatedGeometrical",
        "point::calculateMinimalDegree", "point::calculateMaximalDegree", "edge::Count", "edge::CountBorder",
        "edge::CountConvex", "edge::CountSingular", "edge::CountInvalidTopological",
        "edge::CountInvalidGeometrical", "edge::CountDuplicatedTopological", "edge::CountDuplicatedGeometrical",
        "edge::CountClassesOfDuplicatedTopological", "edge::CountClassesOfDuplicatedGeometrical",
        "edge::MinimalDegree", "edge::MaximalDegree", "edge::CountSmallerLength", "edge::CountGreaterLength",
        "edge::MinimalLength", "edge::MaximalLength", "triangle::Count\r", "triangle::CountBorder",
        "triangle::CountIsolated", "triangle::CountSingular", "triangle::MinimalDegree",
        "triangle::MaximalDegree", "triangle::CountInvalidTopological", "triangle::CountInvalidGeometrical",
        "triangle::CountDuplicatedTopological", "triangle::CountDuplicatedGeometrical",
        "triangle::CountClassesOfDuplicatedTopological", "triangle::CountClassesOfDuplicatedGeometrical",
        "triangle::CountIntersected", "triangle::CountFlippedTopological", "mesh::Oriented", "mesh::Orientable",
        "mesh::CountComponents", "mesh::Connected", "mesh::CountHandles", "mesh::Manifold", "mesh::Handles",
        "mesh::Borders", "mesh::Closed", "mesh::Invalid", "mesh::Singular", "mesh::Precise Duplicates",
        "mesh::Epsilon Duplicates", "mesh::Inclusion", "mesh::Selfintersection", "mesh::Area",
    };
    // c * (100 / 55) in single precision is floor(100c / 55) exactly: for c a
    // multiple of 11 it rounds to 20c/11, else it lies 1/11 from an integer.
    std::string expected;
    for (uint32_t c = 0; c < 57; ++c) {
        expected += Line(c, 55, static_cast<int>(100 * c / 55), labels[c]);
    }
    TestMesh tetra = testing::Tetrahedron();
    context_.LoadMesh(tetra.Record());
    EXPECT_EQ(Run(5), expected + kClear);
}

TEST_F(Steps, NothingEnabledLeavesEveryBlockNotComputed)
{
    Prepare({});
    EXPECT_EQ(Run(5), kClear);
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
TEST_F(Steps, JudgesEachKindOfCriterion)
{
    Prepare({});
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
    context_.edgeSettings.Enable[EDG_MinimalLength] = context_.edgeSettings.Enable[EDG_MaximalLength] = 1;
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
    // Unjudged quantities keep their byte whatever their Enable.
    context_.triangleSettings.Enable[TRI_CountDuplicatedTopological] = 1;
    context_.triangleSettings.Enable[TRI_CountDuplicatedGeometrical] = 2;
    Run(5);

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
    EXPECT_EQ(context_.triangleResults.InRange[TRI_CountDuplicatedTopological], kNotJudged);
    EXPECT_EQ(context_.triangleResults.InRange[TRI_CountDuplicatedGeometrical], kNotJudged);
}

TEST_F(Steps, EnsureFillsAnotherCategorySilentlyOnceAndLoadingForgets)
{
    Prepare({});
    EXPECT_EQ(context_.EnsureCount(Category::Triangles, TRI_Count), 12);
    context_.triangleResults.Count = 99;  // a set slot is never recomputed
    EXPECT_EQ(context_.EnsureCount(Category::Triangles, TRI_Count), 99);
    Run(3);
    EXPECT_EQ(context_.triangleResults.InRange[TRI_Count], kNotJudged);
    TestMesh tetra = testing::Tetrahedron();
    context_.LoadMesh(tetra.Record());
    EXPECT_EQ(context_.triangleResults.Count, NOT_COMPUTED);
    EXPECT_EQ(context_.EnsureCount(Category::Triangles, TRI_Count), 4);
}

// Invalid computes the triangle counts it needs, unannounced and unjudged.
TEST_F(Steps, InvalidComputesTriangleCountsThatWereNotRequested)
{
    cube_.AddTriangle(3, 3, 5);
    context_.LoadMesh(cube_.Record());
    context_.triangleSettings.Enable[TRI_CountInvalidTopological] = 0;
    const std::string out = Run(5);
    EXPECT_EQ(context_.meshResults.Invalid, 1);
    EXPECT_EQ(context_.triangleResults.CountInvalidTopological, 1u);
    EXPECT_EQ(context_.triangleResults.InRange[TRI_CountInvalidTopological], kNotJudged);
    EXPECT_EQ(out.find("triangle::CountInvalidTopological"), std::string::npos);
}

// The self-intersection step trusts a positive count of intersected
// triangles and a zero count made by this same analysis (no tree is built
// then); otherwise the tree search decides.
TEST_F(Steps, SelfIntersectionShortcut)
{
    TestMesh spheres = testing::Sphere(8, 4, 1.0);
    testing::Append(spheres, testing::Sphere(8, 4, 1.0, 0.5, 0.0, 0.0));
    struct Case {
        TestMesh* mesh;
        uint32_t stored;
        bool ensured;
        int8_t expected;
        bool allocates;
    };
    const Case cases[] = {
        {&cube_, 2, false, 1, false},           {&cube_, 0, false, 0, true},
        {&spheres, 0, false, 1, true},          {&spheres, 0xFFFFFFFE, false, 1, true},
        {&cube_, NOT_COMPUTED, false, 0, true}, {&cube_, 0, true, 0, false},
    };
    for (const Case& c : cases) {
        context_.LoadMesh(c.mesh->Record());
        EnableAll(context_);
        context_.meshSettings.Enable[MSH_Selfintersection] = 1;
        if (c.ensured) {
            ASSERT_EQ(context_.EnsureCount(Category::Triangles, TRI_CountIntersected), 0);
            EXPECT_TRUE(context_.Memo().NoIntersectingPair());
        } else {
            context_.triangleResults.CountIntersected = c.stored;
        }
        memory_testing::ResetAllocationCounter();
        Run(4);
        EXPECT_EQ(memory_testing::AllocationCount() > 0, c.allocates) << c.stored;
        EXPECT_EQ(context_.meshResults.Selfintersection, c.expected) << c.stored;
        EXPECT_EQ(context_.triangleResults.CountIntersected, c.ensured ? 0u : c.stored);
    }
    context_.LoadMesh(cube_.Record());
    EXPECT_FALSE(context_.Memo().NoIntersectingPair());  // a new mesh forgets it
    // A failed count is not trusted.
    context_.LoadMesh(spheres.Record());
    memory_testing::FailAllocations(1, 1);
    EXPECT_LT(context_.EnsureCount(Category::Triangles, TRI_CountIntersected), 0);
    memory_testing::ResetAllocationCounter();
    EXPECT_FALSE(context_.Memo().NoIntersectingPair());
    EnableAll(context_);
    context_.meshSettings.Enable[MSH_Selfintersection] = 1;
    Run(4);
    EXPECT_EQ(context_.meshResults.Selfintersection, 1);
}

// Member and class counts share one search per analysis: enabling both
// costs the allocations of one; a failed search is run again by the other.
TEST(DuplicateMemo, MembersAndClassesShareOneSearch)
{
    // One triangle stored three times, the third time over coincident copies
    // of its points: by coordinates, three classes of two edges.
    TestMesh mesh = testing::MeshOf({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 0}, {1, 0, 0}, {0, 1, 0}},
                                    {{0, 1, 2}, {2, 1, 0}, {3, 4, 5}});
    // Runs one category with only the given quantities enabled; returns the
    // allocations it made.
    const auto run = [&](AnalysisContext& context, uint32_t category, std::initializer_list<int> enabled,
                         uint64_t failing = 0) {
        EnableAll(context);
        uint8_t* enable = category == 1 ? context.pointSettings.Enable
                          : category == 2 ? context.edgeSettings.Enable : context.triangleSettings.Enable;
        for (int k : enabled) {
            enable[k] = 1;
        }
        context.LoadMesh(mesh.Record());
        memory_testing::ResetAllocationCounter();
        if (failing != 0) {
            memory_testing::FailAllocations(failing, 1);
        }
        CaptureProgress([&] { context.RunCategory(category); });
        const uint64_t count = memory_testing::AllocationCount();
        memory_testing::ResetAllocationCounter();
        return count;
    };
    AnalysisContext c[8];
    const uint64_t points = run(c[0], 1, {PNT_CountDuplicatedGeometrical});
    EXPECT_GT(points, 0u);
    EXPECT_EQ(run(c[1], 1, {PNT_CountDuplicatedGeometrical, PNT_CountClassesOfDuplicatedGeometrical}), points);
    EXPECT_EQ(c[1].pointResults.CountDuplicatedGeometrical, 6u);
    EXPECT_EQ(c[1].pointResults.CountClassesOfDuplicatedGeometrical, 3u);
    const uint64_t edges = run(c[2], 2, {EDG_CountDuplicatedGeometrical});
    EXPECT_EQ(run(c[3], 2, {EDG_CountDuplicatedGeometrical, EDG_CountClassesOfDuplicatedGeometrical}), edges);
    EXPECT_EQ(c[3].edgeResults.CountDuplicatedGeometrical, 6u);
    EXPECT_EQ(c[3].edgeResults.CountClassesOfDuplicatedGeometrical, 3u);
    // A new mesh forgets the search.
    EXPECT_EQ(run(c[3], 2, {EDG_CountDuplicatedGeometrical, EDG_CountClassesOfDuplicatedGeometrical}), edges);
    const uint64_t topological = run(c[4], 3, {TRI_CountDuplicatedTopological});
    const uint64_t geometrical = run(c[5], 3, {TRI_CountDuplicatedGeometrical});
    EXPECT_EQ(run(c[6], 3, {TRI_CountDuplicatedTopological, TRI_CountClassesOfDuplicatedTopological,
                            TRI_CountDuplicatedGeometrical, TRI_CountClassesOfDuplicatedGeometrical}),
              topological + geometrical);
    EXPECT_EQ(c[6].triangleResults.CountDuplicatedTopological, 2u);
    EXPECT_EQ(c[6].triangleResults.CountClassesOfDuplicatedGeometrical, 1u);

    // The search's pool is the category's first allocation.
    AnalysisContext failed;
    run(failed, 3, {TRI_CountDuplicatedGeometrical, TRI_CountClassesOfDuplicatedGeometrical}, 1);
    EXPECT_EQ(static_cast<int32_t>(failed.triangleResults.CountDuplicatedGeometrical), -5);
    EXPECT_EQ(failed.triangleResults.CountClassesOfDuplicatedGeometrical, 1u);
    run(failed, 1, {PNT_CountDuplicatedGeometrical, PNT_CountClassesOfDuplicatedGeometrical}, 1);
    EXPECT_EQ(static_cast<int32_t>(failed.pointResults.CountDuplicatedGeometrical), -3);
    EXPECT_EQ(failed.pointResults.CountClassesOfDuplicatedGeometrical, 3u);
    // For edges, the first allocation after the edge list.
    const uint64_t topologyOnly = run(c[7], 2, {EDG_CountInvalidTopological});
    run(failed, 2, {EDG_CountDuplicatedTopological, EDG_CountClassesOfDuplicatedTopological}, topologyOnly + 1);
    EXPECT_EQ(static_cast<int32_t>(failed.edgeResults.CountDuplicatedTopological), -8);
    EXPECT_EQ(failed.edgeResults.CountClassesOfDuplicatedTopological, 0u);
}

// Reused blocks are not zero: an analysis handed blocks full of garbage must
// give exactly the results of one on fresh memory and keep nothing behind.
TEST(BlockReuse, BlocksFullOfGarbageGiveTheResultsOfFreshMemory)
{
    TestMesh mesh = testing::Torus(400, 200);
    testing::Append(mesh, testing::Sphere(40, 20, 1.2, 3.0, 0.0, 0.0));  // crossing the torus
    const uint32_t twin = mesh.AddPoint(mesh.points[7].x, mesh.points[7].y, mesh.points[7].z);
    mesh.AddTriangle(twin, 8, 9);
    mesh.AddTriangle(3, 3, 4);
    // Every quantity enabled, so that every step runs on the reused blocks.
    const auto analyse = [&](std::vector<uint8_t>& bytes) {
        AnalysisContext context;
        context.LoadMesh(mesh.Record());
        EnableAll(context, 1);
        CaptureProgress([&] { context.RunCategory(kAllCategories); });
        for (const auto& [data, size] :
             {std::pair<const void*, size_t>{&context.pointResults, sizeof(PointResults)},
              {&context.edgeResults, sizeof(EdgeResults)}, {&context.triangleResults, sizeof(TriangleResults)},
              {&context.meshResults, sizeof(MeshResults)}}) {
            bytes.insert(bytes.end(), static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + size);
        }
        return static_cast<int32_t>(context.triangleResults.CountIntersected);
    };
    std::vector<uint8_t> fresh, reused;
    EXPECT_GT(analyse(fresh), 0);
    EXPECT_EQ(memory_testing::KeptBlockBytes(), 0u);
    {
        BlockReuseScope outer;
        // Blocks from 1 to about 20 MiB, a third apart, so that every large
        // array of the analysis finds one it fits.
        std::vector<void*> blocks;
        for (size_t bytes = size_t{1} << 20; bytes < (size_t{20} << 20); bytes += bytes / 3) {
            blocks.push_back(Allocate(bytes));
            ASSERT_NE(blocks.back(), nullptr);
            std::memset(blocks.back(), 0xA5, bytes);
        }
        for (void* block : blocks) {
            Free(block);
        }
        ASSERT_GT(memory_testing::KeptBlockBytes(), size_t{20} << 20);
        analyse(reused);
    }
    EXPECT_EQ(memory_testing::KeptBlockBytes(), 0u);
    EXPECT_EQ(fresh, reused);
}


// The mesh's Oriented step takes the triangle step's flipped count only when
// that count was made: after a failed count it tests the pairs itself.
TEST_F(Steps, OrientedTestsItsPairsAfterAFailedFlippedCount)
{
    Prepare({MSH_Oriented});
    context_.Memo().KeepFlippedTriangles(-5);
    Run(4);
    EXPECT_EQ(context_.meshResults.Oriented, 1);
}

// Counted without lists, the length quantities share one pass over the
// edges; a later run over the same mesh with another range counts again.
// The cube's 18 edges: 12 of length 1, 6 diagonals of sqrt(2).
TEST_F(Steps, LengthQuantitiesFollowTheRangeOfEachRun)
{
    const struct {
        DoubleRange range;
        uint32_t shorter, longer;
    } runs[] = {{{0.5, 1.2}, 0, 6}, {{1.2, 2.0}, 12, 0}, {{1.0, 1.0}, 0, 6}};
    context_.LoadMesh(cube_.Record());
    for (const auto& run : runs) {
        EnableAll(context_);
        for (uint8_t k : {EDG_CountSmallerLength, EDG_CountGreaterLength, EDG_MinimalLength, EDG_MaximalLength}) {
            context_.edgeSettings.Enable[k] = 1;
        }
        context_.edgeSettings.Length = run.range;
        context_.edgeResults = NotComputedEdgeResults();
        Run(2);
        const EdgeResults& e = context_.edgeResults;
        EXPECT_EQ(e.CountSmallerLength, run.shorter);
        EXPECT_EQ(e.CountGreaterLength, run.longer);
        EXPECT_EQ(e.MinimalLength, 1.0);
        EXPECT_EQ(e.MaximalLength, std::sqrt(2.0));
    }
}

// The duplicate counts by coordinates take those by indices, run just
// before, only where no two points are equal, none has a NaN and every
// corner names a point; elsewhere they are counted, and agree with the
// counts made on their own. Over points 0-3: 0-1-2 twice, 1-2-3 and 3-2-1,
// and 0-1-x and x-1-0, where x is 3 or an index that names no point.
TEST(DuplicateTwins, CoordinateCountsTakeIndexCountsOnlyOverPointsApart)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        T3DVECF third;  // point 3
        uint32_t x;
        int32_t triangles[2], edges[2];  // by coordinates, members and classes; -1 not by hand
    };
    const Case cases[] = {
        {{0, 0, 2}, 3, {6, 3}, {0, 0}},      // apart: the index counts
        {{0, 0, 0}, 3, {6, 2}, {4, 2}},      // 3 on 0: 1-2-3 is 0-1-2, 1-3 is 0-1, 2-3 is 0-2
        {{nan, 0, 0}, 3, {-1, -1}, {-1, -1}},  // a NaN point
        {{0, 0, 2}, 9, {4, 2}, {-1, -1}},    // 0-1-9 has no corner set; no edge list
    };
    for (size_t k = 0; k < std::size(cases); ++k) {
        const Case& c = cases[k];
        SCOPED_TRACE(k);
        TestMesh mesh = testing::MeshOf({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, c.third},
                                        {{0, 1, 2}, {0, 1, 2}, {1, 2, 3}, {3, 2, 1}, {0, 1, c.x}, {c.x, 1, 0}});
        const MeshRecord r = mesh.Record();
        AnalysisContext context;
        context.LoadMesh(r);
        EnableAll(context, 1);
        CaptureProgress([&] { context.RunCategory(kAllCategories); });
        const TriangleResults& t = context.triangleResults;
        EXPECT_EQ(t.CountDuplicatedTopological, 6u);
        EXPECT_EQ(t.CountClassesOfDuplicatedTopological, 3u);
        const EdgeResults& e = context.edgeResults;
        const int32_t got[4] = {static_cast<int32_t>(t.CountDuplicatedGeometrical),
                                static_cast<int32_t>(t.CountClassesOfDuplicatedGeometrical),
                                static_cast<int32_t>(e.CountDuplicatedGeometrical),
                                static_cast<int32_t>(e.CountClassesOfDuplicatedGeometrical)};
        MeshTopology alone;
        alone.Attach(r);
        EXPECT_EQ(got[0], triangles::CountDuplicatedGeometrical(r));
        EXPECT_EQ(got[1], triangles::CountClassesOfDuplicatedGeometrical(r));
        EXPECT_EQ(got[2], CountDuplicatedGeometricalEdges(r, alone));
        EXPECT_EQ(got[3], CountClassesOfDuplicatedGeometricalEdges(r, alone));
        const int32_t* want[2] = {c.triangles, c.edges};
        for (int i = 0; i < 4; ++i) {
            EXPECT_TRUE(want[i / 2][i % 2] < 0 || got[i] == want[i / 2][i % 2]) << i;
        }
    }
}
}  // namespace
}  // namespace meshaudit
