// The repair pipeline: hand-computed cases step by step, meshes that need
// nothing, entry codes, and closed meshes with random damage, judged by
// locate() and repaired twice.
#include "meshaudit.hpp"
#include "meshaudit_repair.hpp"
#include "meshaudit_solid.hpp"
#include "containers/Memory.h"
#include "repair/pipeline/BoxNesting.h"
#include "repair/pipeline/EdgeSides.h"
#include "repair/pipeline/EqualCoordinates.h"
#include "repair/pipeline/HoleTriangulation.h"
#include "repair/pipeline/Steps.h"
#include "repair/pipeline/WorkMesh.h"
#include "support/AllSettings.h"
#include "support/ClosedSolid.h"
#include "support/TestMeshes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <map>
#include <random>
#include <set>

namespace meshaudit {
namespace {

using testing::TestMesh;
using Changes = std::array<uint32_t, kRepairStepCount>;

using testing::Box;
using testing::Join;

// Each triangle with three points of its own, as an STL file stores it.
TestMesh Soup(const TestMesh& mesh)
{
    TestMesh soup;
    for (const TRIANGLE& t : mesh.triangles) {
        for (const uint32_t p : {t.a, t.b, t.c}) {
            soup.points.push_back(mesh.points[p]);
        }
        const auto n = static_cast<uint32_t>(soup.points.size());
        soup.AddTriangle(n - 3, n - 2, n - 1);
    }
    return soup;
}

// The cube [0, n]^3, each face an n x n grid of unit squares.
TestMesh GridBox(uint32_t n)
{
    TestMesh box;
    std::map<std::array<uint32_t, 3>, uint32_t> index;
    const auto point = [&](std::array<uint32_t, 3> p) {
        const auto [it, added] = index.emplace(p, static_cast<uint32_t>(box.points.size()));
        if (added) {
            box.AddPoint(p[0], p[1], p[2]);
        }
        return it->second;
    };
    for (uint32_t axis = 0; axis < 3; ++axis) {
        for (const uint32_t side : {0u, n}) {
            const uint32_t u = (axis + 1) % 3, v = (axis + 2) % 3;
            for (uint32_t i = 0; i < n; ++i) {
                for (uint32_t j = 0; j < n; ++j) {
                    std::array<uint32_t, 3> q[4];
                    for (uint32_t k = 0; k < 4; ++k) {
                        q[k][axis] = side;
                        q[k][u] = i + (k == 1 || k == 2 ? 1 : 0);
                        q[k][v] = j + (k >= 2 ? 1 : 0);
                    }
                    const uint32_t a = point(q[0]), b = point(q[1]), c = point(q[2]), d = point(q[3]);
                    if (side == n) {
                        box.AddTriangle(a, b, c), box.AddTriangle(a, c, d);
                    } else {
                        box.AddTriangle(a, c, b), box.AddTriangle(a, d, c);
                    }
                }
            }
        }
    }
    return box;
}

RepairResult Repair(TestMesh mesh, const RepairRequest& request = {})
{
    RepairResult out;
    EXPECT_EQ(repair(mesh.Record(), request, out), 1);
    return out;
}

TestMesh MeshOf(const RepairResult& r)
{
    return TestMesh{r.points, r.triangles};
}

bool SameBytes(const TestMesh& a, const TestMesh& b)
{
    return a.points.size() == b.points.size() && a.triangles.size() == b.triangles.size() &&
           std::memcmp(a.points.data(), b.points.data(), a.points.size() * sizeof(T3DVECF)) == 0 &&
           std::memcmp(a.triangles.data(), b.triangles.data(), a.triangles.size() * sizeof(TRIANGLE)) == 0;
}

Changes ChangesOf(const RepairResult& r)
{
    Changes c{};
    for (uint32_t k = 0; k < kRepairStepCount; ++k) {
        c[k] = r.log.steps[k].changes;
    }
    return c;
}

// A closed, outward, manifold mesh without duplicates, degenerate or
// crossing triangles (unless its shells `touch`), as locate() judges it;
// every output point one of the input's.
void ExpectSound(TestMesh input, const RepairResult& r, const char* name, bool touch = false)
{
    TestMesh out = MeshOf(r);
    ASSERT_FALSE(out.triangles.empty()) << name;
    const Locations where = testing::ExpectClosedSolid(out, name, touch);
    EXPECT_EQ(where.triangles.CountDuplicatedTopological, 0u) << name;
    EXPECT_EQ(where.triangles.CountInvalidGeometrical, 0u) << name;
    EXPECT_EQ(where.points.CountIsolated, 0u) << name;
    ASSERT_EQ(r.pointFrom.size(), out.points.size());
    for (size_t i = 0; i < out.points.size(); ++i) {
        ASSERT_LT(r.pointFrom[i], input.points.size()) << name;
        EXPECT_EQ(std::memcmp(&out.points[i], &input.points[r.pointFrom[i]], sizeof(T3DVECF)), 0) << name << i;
    }
    for (size_t t = 0; t < r.triangleFrom.size(); ++t) {
        EXPECT_TRUE(r.triangleFrom[t] == kAddedTriangle || r.triangleFrom[t] < input.triangles.size()) << name;
    }
}

TEST(RepairPipeline, MeshesThatPassComeOutUnchanged)
{
    // The last touch, so they fail, but nothing can part them without
    // moving a point: tetrahedra that share a corner (the rim of either fan
    // is a face).
    TestMesh tetrahedra = Join({testing::Tetrahedron(), testing::Tetrahedron()});
    for (size_t p = 4; p < 8; ++p) {
        tetrahedra.points[p].x += 1;
    }
    const TestMesh meshes[] = {testing::UnitCube(), testing::Tetrahedron(), testing::Sphere(16, 9),
                               testing::Torus(12, 8), Join({Box(0, 3), Box(1, 2, true)}),
                               Join({Box(0, 1), Box(2, 3)}), GridBox(3), tetrahedra};
    for (const TestMesh& mesh : meshes) {
        const RepairResult r = Repair(mesh);
        EXPECT_TRUE(SameBytes(MeshOf(r), mesh)) << mesh.triangles.size();
        EXPECT_TRUE(r.log.Unchanged());
        EXPECT_TRUE(r.log.droppedTriangles.empty() && r.log.mergedPoints.empty() && r.log.holes.empty() &&
                    r.log.flippedShells.empty() && r.log.splitPoints.empty() && r.log.droppedPoints.empty());
        for (uint32_t i = 0; i < r.pointFrom.size(); ++i) {
            ASSERT_EQ(r.pointFrom[i], i);
        }
        for (uint32_t t = 0; t < r.triangleFrom.size(); ++t) {
            ASSERT_EQ(r.triangleFrom[t], t);
        }
    }
}

TEST(RepairPipeline, HandComputedCases)
{
    // Two boxes sharing the corner (1, 1, 1), one point index.
    TestMesh corner = Join({Box(0, 1), Box(1, 2)});
    for (size_t t = 12; t < 24; ++t) {
        for (uint32_t* c : {&corner.triangles[t].a, &corner.triangles[t].b, &corner.triangles[t].c}) {
            *c = *c == 8 ? 6 : *c > 8 ? *c - 1 : *c;
        }
    }
    corner.points.erase(corner.points.begin() + 8);
    TestMesh tetrahedronOnCorner = Join({Box(0, 1), testing::Tetrahedron()});
    for (size_t p = 8; p < 12; ++p) {
        tetrahedronOnCorner.points[p] = {tetrahedronOnCorner.points[p].x + 1, tetrahedronOnCorner.points[p].y + 1,
                                         tetrahedronOnCorner.points[p].z + 1};
    }
    TestMesh onFace = GridBox(2);  // and an octahedron on its point (1, 1, 2)
    {
        const uint32_t o = onFace.AddPoint(1.5, 1, 2.5);
        onFace.AddPoint(0.5, 1, 2.5), onFace.AddPoint(1, 1.5, 2.5), onFace.AddPoint(1, 0.5, 2.5);
        onFace.AddPoint(1, 1, 3), onFace.AddPoint(1, 1, 2);
        // +x, -x, +y, -y, top, bottom
        for (const auto& [a, b, c] : {std::array<uint32_t, 3>{0, 2, 4}, {2, 1, 4}, {1, 3, 4}, {3, 0, 4},
                                      {2, 0, 5}, {1, 2, 5}, {3, 1, 5}, {0, 3, 5}}) {
            onFace.AddTriangle(o + a, o + b, o + c);
        }
    }
    TestMesh open = Box(0, 1);
    open.triangles.resize(10);
    TestMesh notFinite = Box(0, 1);
    notFinite.AddPoint(NAN, 0, 0);
    notFinite.AddTriangle(0, 1, 8);
    TestMesh repeated = Box(0, 1);
    repeated.AddTriangle(0, 0, 1);
    // A cap: the side 0-2 of triangle 0 carries a point m at its middle.
    TestMesh cap = Box(0, 2);
    const uint32_t m = cap.AddPoint(1, 1, 0);
    cap.triangles[0] = {0, m, 1};
    cap.AddTriangle(m, 2, 1);
    cap.AddTriangle(0, 2, m);
    TestMesh capThrice = cap;  // its zero-area triangle repeated, either way round
    // A second cap at point 0, on the side 0-5 of triangle 4: it waits for
    // the first's split to be settled, a round later.
    TestMesh twoCaps = cap;
    const uint32_t m2 = twoCaps.AddPoint(1, 0, 1);
    twoCaps.triangles[4] = {0, 1, m2};
    twoCaps.AddTriangle(m2, 1, 5);
    twoCaps.AddTriangle(0, m2, 5);
    capThrice.AddTriangle(2, m, 0), capThrice.AddTriangle(2, 0, m);
    TestMesh duplicate = Box(0, 1), twoSided = Box(0, 1), unused = Box(0, 1);
    duplicate.triangles.push_back(duplicate.triangles[3]);
    twoSided.AddTriangle(0, 1, 2);
    unused.AddPoint(5, 5, 5);
    TestMesh stray = Join({Box(0, 10), testing::Tetrahedron()});
    for (size_t p = 8; p < 12; ++p) {
        stray.points[p].x += 20;
    }
    TestMesh lone = Box(0, 1);  // and a triangle far from it
    const uint32_t far = lone.AddPoint(5, 0, 0);
    lone.AddPoint(6, 0, 0), lone.AddPoint(5, 1, 0), lone.AddTriangle(far, far + 1, far + 2);
    TestMesh near = Box(0, 1);
    near.AddPoint(1e-9, 0, 0);
    near.triangles[0].a = 8;
    TestMesh patch = testing::Sphere(12, 7);
    for (TRIANGLE& t : patch.triangles) {
        t = t.a == 0 || t.b == 0 || t.c == 0 ? TRIANGLE{t.a, t.c, t.b} : t;
    }
    TestMesh capless = testing::Sphere(16, 10);  // without the triangles round its north pole
    const auto north = static_cast<uint32_t>(capless.points.size() - 1);
    std::erase_if(capless.triangles, [north](const TRIANGLE& t) { return t.a == north || t.b == north || t.c == north; });
    // A box without a triangle of its bottom and one of its top, and a
    // small tetrahedron through the top hole: that fill would cross it.
    // With a second spike through the bottom hole, neither is filled.
    TestMesh pierced = Box(0, 4);
    pierced.triangles.erase(pierced.triangles.begin() + 2);
    pierced.triangles.erase(pierced.triangles.begin());
    TestMesh twice = pierced;
    for (const double z : {3.5, -0.5}) {
        TestMesh spike = testing::Tetrahedron();
        for (T3DVECF& p : spike.points) {
            p = {2.5 + 0.5 * p.x, 1.2 + 0.5 * p.y, z + p.z};
        }
        testing::Append(twice, spike);
        if (z > 0) {
            testing::Append(pierced, spike);
        }
    }
    RepairRequest noMerge, mergeOnly, tolerance, small, fraction, inner, ears, fansOnly;
    fraction.minShellSize = 0.1;  // the tetrahedron's diagonal is 1.7, the whole's 25
    fansOnly.steps = StepBit(RepairStep::NonManifold);
    ears.exactHoleEdges = 5;
    noMerge.steps = kAllRepairSteps & ~StepBit(RepairStep::MergePoints);
    mergeOnly.steps = StepBit(RepairStep::MergePoints);
    tolerance.tolerance = 1e-6;
    small.minShellTriangles = 5;
    inner.dropInnerShells = true;
    struct Case {
        const char* name;
        TestMesh mesh;
        RepairRequest request;
        uint32_t points, triangles;
        Changes changes;  // NonFinite, MergePoints, Degenerate, Duplicates, NonManifold, Stitch, Orient,
                          // FillHoles, SmallShells, ResolveIntersections, UnusedPoints
        int sound;  // 0 not closed, 1 sound, 2 sound with shells that touch
    };
    const Case cases[] = {
        {"a cube without a face", open, {}, 8, 12, {0, 0, 0, 0, 0, 0, 0, 2, 0, 0, 0}, 1},
        {"an inside-out cube", Box(0, 1, true), {}, 8, 12, {0, 0, 0, 0, 0, 0, 12, 0, 0, 0, 0}, 1},
        {"a cube with a void", Join({Box(0, 3), Box(1, 2, true)}), {}, 16, 24, {}, 1},
        {"a box inside a box becomes a void", Join({Box(0, 3), Box(1, 2)}), {}, 16, 24, {0, 0, 0, 0, 0, 0, 12}, 1},
        // Either corner's fan has 5 triangles; the second box's is cut and
        // its rim closed by 3.
        {"cubes sharing a corner", corner, {}, 15, 22, {0, 0, 0, 0, 5, 0, 0, 3, 0, 0, 0}, 1},
        {"cubes touching at a corner", Join({Box(0, 1), Box(1, 2)}), {}, 15, 22, {0, 0, 0, 0, 5, 0, 0, 3, 0, 0, 1}, 1},
        {"cubes sharing a corner, step 5 alone", corner, fansOnly, 16, 24, {0, 0, 0, 0, 1}, 2},
        {"a tetrahedron on a cube's corner keeps its shape", tetrahedronOnCorner, {}, 11, 14,
         {0, 0, 0, 0, 5, 0, 0, 3, 0, 0, 1}, 1},
        // The box's fan would be filled in its face, through the point the
        // octahedron rests on: the octahedron's 4 are cut instead, 2 added.
        {"an octahedron resting on a face loses its lower half", onFace, {}, 31, 54,
         {0, 0, 0, 0, 4, 0, 0, 2, 0, 0, 1}, 1},
        // Either box's fan at an end of the edge has a rim through the
        // other end, which the other box touches, until the other box's fan
        // there is cut: each box loses the fan at one end (5 triangles, 3
        // close the rim).
        {"boxes sharing an edge", Join({Box(0, 1), Box(1, 2, false, -1)}), {}, 14, 20,
         {0, 0, 0, 0, 10, 0, 0, 6, 0, 0, 2}, 1},
        {"a cube as a soup", Soup(Box(0, 1)), {}, 8, 12, {0, 28, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 1},
        {"a soup, merged only", Soup(Box(0, 1)), mergeOnly, 8, 12, {0, 28}, 1},
        {"a soup, stitched instead", Soup(Box(0, 1)), noMerge, 8, 12, {0, 0, 0, 0, 0, 28, 0, 0, 0, 0, 0}, 1},
        {"a non-finite corner", notFinite, {}, 8, 12, {1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}, 1},
        {"a repeated point", repeated, {}, 8, 12, {0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0}, 1},
        {"a zero-area cap", cap, {}, 9, 14, {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0}, 1},
        {"a zero-area cap thrice", capThrice, {}, 9, 14, {0, 0, 4, 0, 0, 0, 0, 0, 0, 0, 0}, 1},
        {"two zero-area caps at one point", twoCaps, {}, 10, 16, {0, 0, 4, 0, 0, 0, 0, 0, 0, 0, 0}, 1},
        {"a duplicate", duplicate, {}, 8, 12, {0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0}, 1},
        // Every copy's sides lie between copies: one of each stays.
        {"a cube said twice", Join({Box(0, 1), Box(0, 1)}), {}, 8, 12, {0, 8, 0, 12}, 1},
        {"a two-sided sheet", twoSided, {}, 8, 12, {0, 0, 0, 2, 0, 0, 0, 1, 0, 0, 0}, 1},
        {"an unused point", unused, {}, 8, 12, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}, 1},
        {"a stray small shell", stray, small, 8, 12, {0, 0, 0, 0, 0, 0, 0, 0, 4, 0, 4}, 1},
        {"a stray shell below a tenth of the diagonal", stray, fraction, 8, 12, {0, 0, 0, 0, 0, 0, 0, 0, 4, 0, 4}, 1},
        {"a lone triangle beside a cube", lone, {}, 8, 12, {0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 3}, 1},
        {"a solid inside a solid", Join({Box(0, 3), Box(1, 2)}), inner, 8, 12, {0, 0, 0, 0, 0, 0, 0, 0, 12, 0, 8}, 1},
        {"a near copy within the tolerance", near, tolerance, 8, 12, {0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 1},
        {"a near copy without", near, {}, 9, 12, {}, 0},
        {"a 16-edge hole, ears then the programme", capless, ears, 145, 286, {0, 0, 0, 0, 0, 0, 0, 14, 0, 0, 1}, 1},
        {"a hole whose fill would cross a spike stays open", pierced, {}, 12, 15, {0, 0, 0, 0, 0, 0, 0, 1}, 0},
        {"two such holes", twice, {}, 16, 18, {}, 0},
        {"a flipped patch", patch, {}, 74, 144, {0, 0, 0, 0, 0, 0, 12}, 1},
        {"a flat fan's rim stays open", testing::Fan(40), {}, 41, 40, {}, 0},
        {"a book of pages", testing::Book(5), {}, 15, 5, {0, 0, 0, 0, 8}, 0},
        {"copies one way", testing::Copies(50, false), {}, 3, 1, {0, 0, 0, 49}, 0},
        {"copies both ways", testing::Copies(50, true), {}, 0, 0, {0, 0, 0, 50, 0, 0, 0, 0, 0, 0, 3}, 0},
    };
    for (const Case& c : cases) {
        const RepairResult r = Repair(c.mesh, c.request);
        EXPECT_EQ(r.points.size(), c.points) << c.name;
        EXPECT_EQ(r.triangles.size(), c.triangles) << c.name;
        EXPECT_EQ(ChangesOf(r), c.changes) << c.name;
        if (c.sound != 0) {
            ExpectSound(c.mesh, r, c.name, c.sound == 2);
        }
        // Repairing again changes nothing.
        if (r.triangles.empty()) {
            continue;
        }
        const RepairResult again = Repair(MeshOf(r), c.request);
        EXPECT_TRUE(again.log.Unchanged()) << c.name;
        EXPECT_TRUE(SameBytes(MeshOf(again), MeshOf(r))) << c.name;
    }
    // The points in use before and after each step: a soup's 36 corners
    // are 8 points from the merge on.
    const RepairResult soup = Repair(Soup(Box(0, 1)));
    const auto steps = [&soup](RepairStep s) { return soup.log.steps[static_cast<uint32_t>(s)]; };
    EXPECT_EQ(steps(RepairStep::MergePoints).pointsBefore, 36u);
    EXPECT_EQ(steps(RepairStep::MergePoints).pointsAfter, 8u);
    EXPECT_EQ(steps(RepairStep::SmallShells).pointsAfter, 8u);
}

TEST(RepairPipeline, LogsInTheInputsNumbering)
{
    TestMesh open = Box(0, 1);
    open.triangles.erase(open.triangles.begin() + 4, open.triangles.begin() + 6);  // the face y = 0
    const RepairResult filled = Repair(open);
    ASSERT_EQ(filled.log.holes.size(), 1u);
    const RepairLog::Hole& hole = filled.log.holes[0];
    EXPECT_EQ(hole.outcome, HoleOutcome::Filled);
    EXPECT_EQ(std::set<uint32_t>(hole.loop.begin(), hole.loop.end()), (std::set<uint32_t>{0, 1, 4, 5}));
    EXPECT_EQ(hole.added.size(), 2u);
    EXPECT_EQ(filled.triangleFrom[10], kAddedTriangle);

    const RepairResult flipped = Repair(Box(0, 1, true));
    ASSERT_EQ(flipped.log.flippedShells.size(), 1u);
    EXPECT_EQ(flipped.log.flippedShells[0].triangles.size(), 12u);
    EXPECT_EQ(flipped.log.flippedShells[0].triangles[11], 11u);

    const RepairResult merged = Repair(Soup(Box(0, 1)));
    for (const RepairLog::MergedPoint& m : merged.log.mergedPoints) {
        EXPECT_LT(m.into, m.point);
        EXPECT_EQ(std::memcmp(&Soup(Box(0, 1)).points[m.point], &Soup(Box(0, 1)).points[m.into], 24), 0);
    }
    TestMesh dropped = Box(0, 1);
    dropped.AddTriangle(3, 3, 1);
    dropped.triangles.insert(dropped.triangles.begin(), TRIANGLE{2, 2, 2});
    const RepairResult r = Repair(dropped);
    ASSERT_EQ(r.log.droppedTriangles.size(), 2u);
    EXPECT_EQ(r.log.droppedTriangles[0].triangle, 0u);
    EXPECT_EQ(r.log.droppedTriangles[1].triangle, 13u);
    EXPECT_EQ(r.log.droppedTriangles[1].reason, DropReason::RepeatedPoint);
    EXPECT_EQ(r.triangleFrom[0], 1u);

    // The second box's corner 8 at (1, 1, 1): its five triangles (12,
    // 13, 16, 17 and 22 of the input) go, three close the rim of its
    // neighbours.
    const RepairResult cut = Repair(Join({Box(0, 1), Box(1, 2)}));
    ASSERT_EQ(cut.log.cutFans.size(), 1u);
    const RepairLog::CutFan& fan = cut.log.cutFans[0];
    EXPECT_EQ(fan.point, 8u);
    EXPECT_EQ(std::set<uint32_t>(fan.rim.begin(), fan.rim.end()), (std::set<uint32_t>{9, 10, 11, 12, 13}));
    ASSERT_EQ(fan.added.size(), 3u);
    std::set<uint32_t> gone;
    for (const RepairLog::DroppedTriangle& d : cut.log.droppedTriangles) {
        EXPECT_EQ(d.reason, DropReason::TouchingFan);
        gone.insert(d.triangle);
    }
    EXPECT_EQ(gone, (std::set<uint32_t>{12, 13, 16, 17, 22}));
}

TEST(RepairPipeline, EntryCodes)
{
    TestMesh cube = Box(0, 1);
    const MeshRecord good = cube.Record();
    TestMesh bad = cube;
    bad.triangles[5].c = 8;
    struct Case {
        MeshRecord mesh;
        RepairRequest request;
        int32_t code;
    };
    RepairRequest tolerance, nanTolerance, edges, steps, size;
    tolerance.tolerance = -1.0;
    nanTolerance.tolerance = NAN;
    edges.exactHoleEdges = 2;
    steps.steps = 1u << kRepairStepCount;
    size.minShellSize = NAN;
    const Case cases[] = {
        {{nullptr, 8, good.triangles, 12}, {}, -1}, {{good.points, 8, nullptr, 12}, {}, -2},
        {{good.points, 0, good.triangles, 12}, {}, -3}, {{good.points, 8, good.triangles, 0}, {}, -4},
        {bad.Record(), {}, -5}, {good, tolerance, -7}, {good, nanTolerance, -7}, {good, edges, -7},
        {good, steps, -7}, {good, size, -7}, {good, {}, 1},
    };
    for (const Case& c : cases) {
        RepairResult out;
        out.points.resize(3);
        EXPECT_EQ(repair(c.mesh, c.request, out), c.code);
        EXPECT_EQ(out.points.empty(), c.code != 1);
    }
}

// Closed meshes with known damage: slivers, flipped patches, copies, holes,
// stray small shells, and every other one written as a soup.
TestMesh Damage(TestMesh mesh, uint32_t seed)
{
    std::mt19937 rng(seed);
    const auto pick = [&rng](size_t n) { return static_cast<size_t>(std::uniform_int_distribution<size_t>(0, n - 1)(rng)); };
    for (int k = 0; k < 3; ++k) {
        // A cap on the side a-b of triangle t: its middle m splits t, and
        // the zero-area triangle (a, b, m) closes the gap.
        const size_t t = pick(mesh.triangles.size());
        const TRIANGLE tri = mesh.triangles[t];
        const T3DVECF &a = mesh.points[tri.a], &b = mesh.points[tri.b];
        const uint32_t m = mesh.AddPoint((a.x + b.x) / 2, (a.y + b.y) / 2, (a.z + b.z) / 2);
        mesh.triangles[t] = {tri.a, m, tri.c};
        mesh.AddTriangle(m, tri.b, tri.c);
        mesh.AddTriangle(tri.a, tri.b, m);
    }
    const uint32_t centre = mesh.triangles[pick(mesh.triangles.size())].a;
    for (TRIANGLE& t : mesh.triangles) {
        t = t.a == centre || t.b == centre || t.c == centre ? TRIANGLE{t.a, t.c, t.b} : t;
    }
    for (int k = 0; k < 3; ++k) {
        mesh.triangles.push_back(mesh.triangles[pick(mesh.triangles.size())]);
        const TRIANGLE reversed = mesh.triangles[pick(mesh.triangles.size())];
        mesh.AddTriangle(reversed.a, reversed.c, reversed.b);
        mesh.triangles.erase(mesh.triangles.begin() + static_cast<std::ptrdiff_t>(pick(mesh.triangles.size())));
    }
    TestMesh stray = testing::Tetrahedron();
    for (T3DVECF& p : stray.points) {
        p = {p.x * 0.01 + 40, p.y * 0.01, p.z * 0.01};
    }
    testing::Append(mesh, stray);
    return seed % 2 == 1 ? Soup(mesh) : mesh;
}

// Coordinates on a grid of 2^-20, so that the middle of a side is exact.
TestMesh OnGrid(TestMesh mesh)
{
    for (T3DVECF& p : mesh.points) {
        for (double* c : {&p.x, &p.y, &p.z}) {
            *c = std::ldexp(std::round(std::ldexp(*c, 20)), -20);
        }
    }
    return mesh;
}

// The mesh and its mirror image in the plane x = its largest x, which
// meets it at its points of that x only: pinched there.
TestMesh Pinched(const TestMesh& mesh)
{
    double most = -INFINITY;
    for (const T3DVECF& p : mesh.points) {
        most = std::max(most, p.x);
    }
    TestMesh mirror = mesh;
    for (T3DVECF& p : mirror.points) {
        p.x = 2 * most - p.x;
    }
    for (TRIANGLE& t : mirror.triangles) {
        std::swap(t.b, t.c);
    }
    return Join({mesh, mirror});
}

TEST(RepairPipeline, RandomDamageComesBackClosed)
{
    // The torus's largest x is at one point: its mirror image touches it
    // there.
    const TestMesh shapes[] = {GridBox(4), OnGrid(testing::Sphere(16, 10, 3.0)),
                               Pinched(OnGrid(testing::Torus(20, 10)))};
    RepairRequest request;
    request.minShellTriangles = 5;
    for (uint32_t seed = 1; seed <= 12; ++seed) {
        const TestMesh& shape = shapes[seed % 3];
        const TestMesh damaged = Damage(shape, seed);
        const RepairResult r = Repair(damaged, request);
        const std::string name = "seed " + std::to_string(seed);
        ExpectSound(damaged, r, name.c_str());
        const RepairLog::StepSummary& unused = r.log.steps[static_cast<uint32_t>(RepairStep::UnusedPoints)];
        EXPECT_TRUE(unused.ran && unused.trianglesBefore == r.triangles.size() &&
                    unused.trianglesAfter == r.triangles.size() && unused.pointsAfter == r.points.size())
            << name;
        for (const RepairLog::Hole& hole : r.log.holes) {
            EXPECT_EQ(hole.outcome, HoleOutcome::Filled) << name;
        }
        const RepairResult again = Repair(MeshOf(r), request);
        EXPECT_TRUE(again.log.Unchanged()) << name;
        EXPECT_TRUE(SameBytes(MeshOf(again), MeshOf(r))) << name;
    }
}

// Each allocation of the pipeline failing in turn, on damage of every step
// and on crossing boxes that step 10 unites: -6 and an empty result, or the
// same repair as without the failure.
TEST(RepairPipeline, FailedAllocationsGiveMinusSixAndNothing)
{
    RepairRequest request;
    request.dropInnerShells = true;
    // The second to resolve, the third to cut a fan.
    for (TestMesh damaged : {Damage(GridBox(3), 2), Join({Box(0, 2), Box(1, 3)}), Join({Box(0, 1), Box(1, 2)})}) {
    const RepairResult want = Repair(damaged, request);
    for (uint64_t k = 1;; ++k) {
        memory_testing::ResetAllocationCounter();
        memory_testing::FailAllocations(k, 1);
        RepairResult got;
        got.points.resize(3);
        const int32_t code = repair(damaged.Record(), request, got);
        const bool failed = memory_testing::FailedAllocationCount() != 0;
        memory_testing::ResetAllocationCounter();
        if (code == 1) {  // an optional speed-up gave way
            ASSERT_TRUE(SameBytes(MeshOf(got), MeshOf(want))) << k;
        } else {
            ASSERT_EQ(code, -6) << k;
            ASSERT_TRUE(got.points.empty() && got.triangles.empty() && got.log.Unchanged()) << k;
        }
        if (!failed) {
            EXPECT_GT(k, 50u);
            break;
        }
    }
    }
}

// Steps 2 and 4 alone on random soups against plain versions: the first
// of equal points kept, triangles renumbered; the first of a set of equal
// triangles kept, a set running both ways dropped.
TEST(RepairPipeline, MergeAndDuplicatesMatchPlainVersions)
{
    std::mt19937 rng(3);
    for (int round = 0; round < 50; ++round) {
        TestMesh m;
        for (int p = 0; p < 12; ++p) {
            m.AddPoint(rng() % 2, rng() % 2, (rng() % 2) * (p % 2 == 0 ? 1.0 : -0.0));
        }
        for (int t = 0; t < 30; ++t) {
            m.AddTriangle(rng() % 12, rng() % 12, rng() % 12);
        }
        std::vector<uint32_t> first(12);
        std::vector<T3DVECF> kept;
        for (uint32_t p = 0; p < 12; ++p) {
            first[p] = p;
            for (uint32_t q = 0; q < p && first[p] == p; ++q) {
                const T3DVECF &a = m.points[p], &b = m.points[q];
                first[p] = a.x == b.x && a.y == b.y && a.z == b.z ? first[q] : p;
            }
        }
        RepairRequest merge, duplicates;
        merge.steps = StepBit(RepairStep::MergePoints);
        duplicates.steps = StepBit(RepairStep::Duplicates);
        const RepairResult merged = Repair(m, merge), deduplicated = Repair(m, duplicates);
        ASSERT_EQ(merged.triangles.size(), m.triangles.size());
        for (size_t t = 0; t < m.triangles.size(); ++t) {
            const TRIANGLE &in = m.triangles[t], &out = merged.triangles[t];
            EXPECT_EQ(merged.pointFrom[out.a], first[in.a]);
            EXPECT_EQ(merged.pointFrom[out.b], first[in.b]);
            EXPECT_EQ(merged.pointFrom[out.c], first[in.c]);
        }
        const auto rotations = [](const TRIANGLE& t) {
            return std::set<std::array<uint32_t, 3>>{{t.a, t.b, t.c}, {t.b, t.c, t.a}, {t.c, t.a, t.b}};
        };
        std::vector<uint32_t> want;
        for (uint32_t t = 0; t < m.triangles.size(); ++t) {
            const TRIANGLE& x = m.triangles[t];
            bool earlier = false, twoSided = false;
            for (uint32_t u = 0; u < m.triangles.size(); ++u) {
                const TRIANGLE& y = m.triangles[u];
                const bool same = rotations(x).count({y.a, y.b, y.c}) != 0;
                const bool opposite = rotations(x).count({y.a, y.c, y.b}) != 0;
                earlier |= u < t && same;
                twoSided |= opposite && !same;
            }
            if (!earlier && !twoSided) {
                want.push_back(t);
            }
        }
        EXPECT_EQ(deduplicated.triangleFrom, want) << round;
    }
}

// Step 7 alone on a few boxes, each turned at random and placed at random
// on a coarse grid, so that they lie apart, touch, cross or nest: a shell
// is turned exactly when solids() on the input finds it inside out with an
// inside (manifold, of a volume), whether the step asks solids() or settles
// shells none of whose boxes lies within another's by itself.
TEST(RepairPipeline, OrientTurnsWhatSolidsFindsInsideOut)
{
    std::mt19937 rng(11);
    RepairRequest orient;
    orient.steps = StepBit(RepairStep::Orient);
    for (int round = 0; round < 300; ++round) {
        TestMesh m;
        for (uint32_t b = 1 + rng() % 5; b > 0; --b) {
            TestMesh box = Box(0.0, 1.0, rng() % 2 == 0);
            const double size = 1 + rng() % 4, at[3] = {1.0 * (rng() % 6), 1.0 * (rng() % 6), 1.0 * (rng() % 6)};
            for (T3DVECF& p : box.points) {
                p = {at[0] + size * p.x, at[1] + size * p.y, at[2] + size * p.z};
            }
            testing::Append(m, box);
        }
        Solids solid;
        ASSERT_EQ(solids(m.Record(), SolidRequest{}, solid), 1);
        const RepairResult r = Repair(m, orient);
        ASSERT_EQ(r.triangles.size(), m.triangles.size());
        for (size_t k = 0; k < r.triangles.size(); ++k) {
            const uint32_t t = r.triangleFrom[k], s = solid.shellOf[t];
            const TRIANGLE& in = m.triangles[t];
            const TRIANGLE& out = r.triangles[k];
            const bool turned = r.pointFrom[out.a] == in.a && r.pointFrom[out.b] == in.c && r.pointFrom[out.c] == in.b;
            ASSERT_TRUE(turned || (r.pointFrom[out.a] == in.a && r.pointFrom[out.b] == in.b)) << round;
            const bool insideOut = std::count(solid.insideOut.begin(), solid.insideOut.end(), s) != 0;
            EXPECT_EQ(turned, insideOut && solid.manifold[s] != 0 && solid.volumeSign[s] != 0) << round << " " << k;
        }
    }
}

// The boxes that nest, found by the tree's searches, against every pair
// tried: random boxes on a coarse grid (equal bounds, shared sides and
// boxes within boxes abound), and a crowd of boxes all holding one point.
TEST(RepairPipeline, NestingBoxesMatchEveryPairTried)
{
    std::mt19937 rng(5);
    for (int round = 0; round < 200; ++round) {
        WorkArray<pipeline::NestBox> boxes(1 + rng() % 60);
        for (pipeline::NestBox& b : boxes) {
            for (int a = 0; a < 3; ++a) {
                const double x = rng() % 6, y = rng() % 6;
                b.lo[a] = std::min(x, y);
                b.hi[a] = std::max(x, y);
            }
        }
        if (round % 10 == 0) {  // crowded: every box round the point 0
            for (pipeline::NestBox& b : boxes) {
                for (int a = 0; a < 3; ++a) {
                    b.lo[a] = -1.0 - rng() % 1000, b.hi[a] = 1.0 + rng() % 1000;
                }
            }
        }
        WorkArray<uint8_t> nests;
        if (!pipeline::MarkNestingBoxes(boxes, nests)) {
            continue;
        }
        for (size_t i = 0; i < boxes.size(); ++i) {
            bool want = false;
            for (size_t j = 0; j < boxes.size(); ++j) {
                const auto within = [](const pipeline::NestBox& in, const pipeline::NestBox& out) {
                    for (int a = 0; a < 3; ++a) {
                        if (in.lo[a] < out.lo[a] || in.hi[a] > out.hi[a]) {
                            return false;
                        }
                    }
                    return true;
                };
                want |= j != i && (within(boxes[i], boxes[j]) || within(boxes[j], boxes[i]));
            }
            EXPECT_EQ(nests[i] != 0, want) << round << " " << i;
        }
    }
}

// Hole fills, the programme's pruned candidates against all of them, on
// random loops whose points lie on a coarse grid (collinear corners and
// equal weights abound), filled whole or first cut down by ears: the same
// triangles, in the same order.
TEST(RepairPipeline, PrunedFillMatchesThePlainProgramme)
{
    std::mt19937 rng(5);
    for (int round = 0; round < 300; ++round) {
        TestMesh m;
        const uint32_t n = 3 + rng() % 12;
        for (uint32_t k = 0; k < n; ++k) {
            const double angle = 2.0 * M_PI * k / n;
            const double x = std::round(4.0 * std::cos(angle)) + rng() % 2, y = std::round(4.0 * std::sin(angle));
            m.AddPoint(x, y, static_cast<double>(rng() % 3));
            m.AddPoint(2.0 * x, 2.0 * y, static_cast<double>(rng() % 3));
        }
        WorkArray<pipeline::LoopCorner> loop;
        for (uint32_t k = 0; k < n; ++k) {
            m.AddTriangle(2 * ((k + 1) % n), 2 * k, 2 * k + 1);
            loop.push_back({2 * k, 3 * k});
        }
        RepairLog log;
        const MeshRecord record = m.Record();
        const pipeline::WorkMesh work(record, log);
        const pipeline::Existing none;
        const uint32_t exact = round % 3 == 0 ? 4 : 100;
        const auto pruned = pipeline::TriangulateLoop(work, loop, none, exact);
        const auto every = pipeline::TriangulateLoop(work, loop, none, exact, pipeline::Candidates::Every);
        ASSERT_EQ(pruned.size(), every.size()) << round;
        EXPECT_TRUE(pruned.empty() || std::memcmp(pruned.data(), every.data(), pruned.size() * sizeof(TRIANGLE)) == 0)
            << round;
        EXPECT_TRUE(n < 3 || pruned.size() == n - 2 || pruned.empty()) << round;
    }
}

// The places of used points that the steps after the exact merge take
// without hashing (each its own) against every pair compared, after each
// step from 2 to 8 on random soups over a coarse grid, where the steps
// split, copy, give back and stitch points at shared places.
TEST(RepairPipeline, PlacesAfterTheMergeMatchEveryPairCompared)
{
    std::mt19937 rng(11);
    uint32_t shortcuts = 0;
    for (int round = 0; round < 200; ++round) {
        // Half the rounds start from boxes that touch at a corner or along
        // an edge, as soups, so that step 5 has closed fans to part.
        TestMesh m = round % 2 == 0 ? TestMesh{} : Soup(Join({Box(0, 1), Box(1, 2, false, round % 4 == 1 ? 0 : -1)}));
        const uint32_t points = 4 + rng() % 12;
        for (uint32_t p = 0; p < points; ++p) {
            m.AddPoint(rng() % 2, rng() % 2, rng() % 3 == 0 ? 0.5 : rng() % 2);
        }
        for (uint32_t t = 0, count = round % 2 == 0 ? 2 + rng() % 30 : rng() % 2; t < count; ++t) {
            const auto n = static_cast<uint32_t>(m.points.size());
            m.AddTriangle(rng() % n, rng() % n, rng() % n);
        }
        RepairLog log;
        const MeshRecord record = m.Record();  // the work mesh keeps a reference
        pipeline::WorkMesh w(record, log);
        const auto check = [&](const char* step) {
            bool apart = false;
            const WorkArray<uint32_t> place = pipeline::Places(w, apart);
            std::vector<uint8_t> used(w.PointCount(), 0);
            for (const TRIANGLE& t : w.triangles) {
                used[t.a] = used[t.b] = used[t.c] = 1;
            }
            bool allApart = true;
            for (uint32_t p = 0; p < w.PointCount(); ++p) {
                uint32_t first = used[p] != 0 ? p : pipeline::kNone;
                for (uint32_t q = 0; used[p] != 0 && q < p && first == p; ++q) {
                    const T3DVECF &a = w.Point(q), &b = w.Point(p);
                    first = used[q] != 0 && a.x == b.x && a.y == b.y && a.z == b.z ? q : p;
                }
                allApart &= first == p || used[p] == 0;
                EXPECT_EQ(place[p], first) << step << " round " << round << " point " << p;
            }
            EXPECT_EQ(apart, allApart) << step << " round " << round;
            shortcuts += w.UsedPointsApart();
        };
        uint32_t added = 0;
        bool touching = false;
        pipeline::MergePoints(w, 0.0);
        check("merge");
        pipeline::RemoveDegenerate(w);
        check("degenerate");
        pipeline::RemoveDuplicates(w, round % 2 == 0);
        check("duplicates");
        pipeline::SplitNonManifold(w, round % 3 == 0, false);
        check("non-manifold");
        pipeline::StitchBorders(w);
        check("stitch");
        pipeline::FillHoles(w, 10, touching);
        pipeline::CutTouchingFans(w, 10, round % 2 == 0, added);
        check("fill and cut");
    }
    EXPECT_GT(shortcuts, 500u);
}

// Flips applied to a grouping of sides by edge leave it as one built afresh:
// random triangles on a few points, repeated points and books included.
TEST(RepairPipeline, SidesFollowFlipsAsIfBuiltAgain)
{
    std::mt19937 rng(5);
    const auto same = [](const pipeline::EdgeSides& a, const pipeline::EdgeSides& b, size_t sides) {
        bool equal = a.GroupCount() == b.GroupCount();
        for (uint32_t g = 0; equal && g < a.GroupCount(); ++g) {
            equal = a.Size(g) == b.Size(g) && std::equal(a.Sides(g), a.Sides(g) + a.Size(g), b.Sides(g));
        }
        for (uint32_t s = 0; equal && s < sides; ++s) {
            equal = a.GroupOf(s) == b.GroupOf(s);
        }
        return equal;
    };
    for (int round = 0; round < 300; ++round) {
        TestMesh m;
        const uint32_t points = 3 + rng() % 6;
        for (uint32_t p = 0; p < points; ++p) {
            m.AddPoint(p, p * p, 0);
        }
        for (uint32_t t = 0, count = 1 + rng() % 40; t < count; ++t) {
            m.AddTriangle(rng() % points, rng() % points, rng() % points);
        }
        RepairLog log;
        const MeshRecord record = m.Record();
        pipeline::WorkMesh w(record, log);
        w.Sides();
        for (uint32_t k = 0, flips = 1 + rng() % 20; k < flips; ++k) {
            w.Flip(rng() % static_cast<uint32_t>(w.triangles.size()));
        }
        const pipeline::EdgeSides fresh(w.triangles, w.PointCount());
        ASSERT_TRUE(same(w.Sides(), fresh, 3 * w.triangles.size())) << "round " << round;
    }
}

// Small random meshes of every kind of damage at once, points on a coarse
// grid (so that coincident, collinear and coplanar corners abound), some
// not finite, under random requests: the result names only its own points
// and the log only the input's elements; with every step, no edge has more
// than two triangles and no triangle repeats a point.
TEST(RepairPipeline, RandomDebrisKeepsItsInvariants)
{
    std::mt19937 rng(7);
    const double odd[] = {NAN, INFINITY, 0.5};
    for (int round = 0; round < 400; ++round) {
        TestMesh m;
        const uint32_t points = 3 + rng() % 10, triangles = 1 + rng() % 40;
        for (uint32_t p = 0; p < points; ++p) {
            const double x = rng() % 25 == 0 ? odd[rng() % 3] : static_cast<double>(rng() % 3);
            m.AddPoint(x, static_cast<double>(rng() % 3), static_cast<double>(rng() % 3));
        }
        for (uint32_t t = 0; t < triangles; ++t) {
            m.AddTriangle(rng() % points, rng() % points, rng() % points);
        }
        RepairRequest request;
        request.steps = round % 3 == 0 ? rng() & kAllRepairSteps : kAllRepairSteps;
        request.tolerance = round % 5 == 0 ? 0.75 : 0.0;
        request.minShellTriangles = rng() % 3;
        request.dropInnerShells = round % 2 == 0;
        const RepairResult r = Repair(m, request);
        const std::string name = "round " + std::to_string(round);
        ASSERT_EQ(r.pointFrom.size(), r.points.size());
        ASSERT_EQ(r.triangleFrom.size(), r.triangles.size());
        std::map<std::pair<uint32_t, uint32_t>, int> degree;
        for (const TRIANGLE& t : r.triangles) {
            ASSERT_TRUE(t.a < r.points.size() && t.b < r.points.size() && t.c < r.points.size()) << name;
            for (const auto& [u, v] : {std::pair{t.a, t.b}, std::pair{t.b, t.c}, std::pair{t.c, t.a}}) {
                ++degree[std::minmax(u, v)];
            }
            EXPECT_TRUE(request.steps != kAllRepairSteps || (t.a != t.b && t.b != t.c && t.c != t.a)) << name;
        }
        for (const auto& [edge, count] : degree) {
            EXPECT_TRUE(request.steps != kAllRepairSteps || count <= 2) << name;
        }
        if (r.log.intersections.resolved && !r.triangles.empty()) {
            // Resolved means so by the library's own search too.
            Locations where;
            const testing::AllSettings s;
            TestMesh out = MeshOf(r);
            ASSERT_EQ(locate(out.Record(), s.p, s.e, s.t, s.m, LocateRequest{}, where), 1) << name;
            EXPECT_EQ(where.triangles.CountIntersected, 0u) << name;
        }
        for (size_t i = 0; i < r.points.size(); ++i) {
            // A point where triangles met is new; every other is an input point.
            ASSERT_TRUE(r.pointFrom[i] < points || (r.pointFrom[i] == kAddedPoint && r.log.intersections.resolved))
                << name;
            EXPECT_TRUE(r.pointFrom[i] == kAddedPoint ||
                        std::memcmp(&r.points[i], &m.points[r.pointFrom[i]], sizeof(T3DVECF)) == 0)
                << name;
        }
        for (const uint32_t from : r.triangleFrom) {
            EXPECT_TRUE(from == kAddedTriangle || from < triangles) << name;
        }
        for (const RepairLog::DroppedTriangle& d : r.log.droppedTriangles) {
            EXPECT_LT(d.triangle, triangles) << name;
        }
        for (const RepairLog::MergedPoint& p : r.log.mergedPoints) {
            EXPECT_TRUE(p.point < points && p.into < points && p.point != p.into) << name;
        }
        for (const RepairLog::Hole& h : r.log.holes) {
            for (const uint32_t p : h.loop) {
                EXPECT_LT(p, points) << name;
            }
        }
        // Points a resolution adds may lie within a merge tolerance of
        // others, which a second repair then merges (see the header).
        const bool addedNearPoints = request.tolerance > 0.0 && r.log.intersections.resolved;
        if (request.steps == kAllRepairSteps && !r.triangles.empty() && !addedNearPoints) {
            const RepairResult again = Repair(MeshOf(r), request);
            EXPECT_TRUE(again.log.Unchanged()) << name;
            EXPECT_TRUE(SameBytes(MeshOf(again), MeshOf(r))) << name;
        }
    }
}

}  // namespace
}  // namespace meshaudit
