// Step 10 of the repair pipeline: overlapping shells come out as their
// union, closed, outward and without intersections, with the volume a
// brute-force count of the boxes' cells gives, exactly; a second repair
// changes nothing.
#include "meshaudit.hpp"
#include "meshaudit_repair.hpp"
#include "support/AllSettings.h"
#include "support/ClosedSolid.h"
#include "support/TestMeshes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace meshaudit {
namespace {

using testing::TestMesh;

struct Cuboid {
    double lo[3], hi[3];
    bool inward = false;
};

TestMesh Mesh(const std::vector<Cuboid>& boxes)
{
    TestMesh mesh;
    for (const Cuboid& b : boxes) {
        TestMesh box = testing::UnitCube();
        for (T3DVECF& p : box.points) {
            p = {b.lo[0] + (b.hi[0] - b.lo[0]) * p.x, b.lo[1] + (b.hi[1] - b.lo[1]) * p.y,
                 b.lo[2] + (b.hi[2] - b.lo[2]) * p.z};
        }
        for (TRIANGLE& t : box.triangles) {
            t = b.inward ? TRIANGLE{t.a, t.c, t.b} : t;
        }
        testing::Append(mesh, box);
    }
    return mesh;
}

// The volume where the winding number is 1 or more, cell by cell of the
// grid of all the boxes' planes (dyadic coordinates: every sum exact).
double UnionVolume(const std::vector<Cuboid>& boxes)
{
    std::vector<double> cuts[3];
    for (int d = 0; d < 3; ++d) {
        for (const Cuboid& b : boxes) {
            cuts[d].insert(cuts[d].end(), {b.lo[d], b.hi[d]});
        }
        std::sort(cuts[d].begin(), cuts[d].end());
        cuts[d].erase(std::unique(cuts[d].begin(), cuts[d].end()), cuts[d].end());
    }
    double volume = 0.0;
    for (size_t i = 0; i + 1 < cuts[0].size(); ++i) {
        for (size_t j = 0; j + 1 < cuts[1].size(); ++j) {
            for (size_t k = 0; k + 1 < cuts[2].size(); ++k) {
                const double c[3] = {(cuts[0][i] + cuts[0][i + 1]) / 2, (cuts[1][j] + cuts[1][j + 1]) / 2,
                                     (cuts[2][k] + cuts[2][k + 1]) / 2};
                int winding = 0;
                for (const Cuboid& b : boxes) {
                    bool in = true;
                    for (int d = 0; d < 3; ++d) {
                        in = in && b.lo[d] < c[d] && c[d] < b.hi[d];
                    }
                    winding += in ? (b.inward ? -1 : 1) : 0;
                }
                if (winding >= 1) {
                    volume += (cuts[0][i + 1] - cuts[0][i]) * (cuts[1][j + 1] - cuts[1][j]) * (cuts[2][k + 1] - cuts[2][k]);
                }
            }
        }
    }
    return volume;
}

// Closed, oriented, manifold, no pair of triangles that meet; the volume.
double ExpectSolid(RepairResult& r, const std::string& name)
{
    TestMesh out;
    out.points = r.points;
    out.triangles = r.triangles;
    const Locations where = testing::ExpectClosedSolid(out, name);
    EXPECT_EQ(where.triangles.CountIntersected, 0u) << name;
    // A second repair changes nothing.
    RepairResult again;
    EXPECT_EQ(repair(out.Record(), RepairRequest{}, again), 1) << name;
    EXPECT_TRUE(again.log.Unchanged()) << name;
    EXPECT_TRUE(again.points.size() == r.points.size() &&
                std::memcmp(again.points.data(), r.points.data(), r.points.size() * sizeof(T3DVECF)) == 0 &&
                again.triangles.size() == r.triangles.size() &&
                std::memcmp(again.triangles.data(), r.triangles.data(), r.triangles.size() * sizeof(TRIANGLE)) == 0)
        << name;
    return where.mesh.Volume;
}

TEST(ResolveIntersections, UnionsOfBoxesHaveTheirExactVolume)
{
    std::vector<Cuboid> stack;  // each box half a box to the right of the last, a quarter up
    for (int i = 0; i < 100; ++i) {
        stack.push_back({{i * 0.5, i * 0.25, 0.0}, {i * 0.5 + 1, i * 0.25 + 1, 1.0 + i * 0.125}});
    }
    // The shared face's diagonals cross (the cube's triangulation is not
    // symmetric), so that face is an overlap too. The volume is a sum of
    // tetrahedra in doubles, exact for the two cubes, within rounding else.
    struct Case {
        const char* name;
        std::vector<Cuboid> boxes;
        bool exact;
    };
    const Case cases[] = {
        {"two unit cubes overlapping by half", {{{0, 0, 0}, {1, 1, 1}}, {{0.5, 0, 0}, {1.5, 1, 1}}}, true},
        {"offset on three axes", {{{0, 0, 0}, {1, 1, 1}}, {{0.5, 0.25, 0.25}, {1.5, 1.25, 1.25}}}, false},
        {"a cube inside a larger one, on its wall", {{{0, 0, 0}, {2, 2, 2}}, {{0, 0.5, 0.5}, {1, 1.5, 1.5}}}, true},
        // The inner cube meets nothing, but the one around it is a part.
        {"a cube inside a larger one that a third crosses",
         {{{0, 0, 0}, {4, 4, 4}}, {{1, 1, 1}, {2, 2, 2}}, {{3, 3, 3}, {5, 5, 5}}},
         true},
        {"two cubes sharing a face", {{{0, 0, 0}, {1, 1, 1}}, {{1, 0, 0}, {2, 1, 1}}}, true},
        // The same floor triangles in both, and the walls in one plane.
        {"a cube standing in a taller box", {{{0, 0, 0}, {1, 1, 1}}, {{0, 0, 0}, {1, 1, 2}}}, true},
        {"a cross of three bars", {{{0, 1, 1}, {3, 2, 2}}, {{1, 0, 1}, {2, 3, 2}}, {{1, 1, 0}, {2, 2, 3}}}, false},
        {"a stack of 100 overlapping boxes", stack, false},
    };
    for (const Case& c : cases) {
        TestMesh mesh = Mesh(c.boxes);
        RepairResult r;
        ASSERT_EQ(repair(mesh.Record(), RepairRequest{}, r), 1) << c.name;
        const RepairLog::Intersections& x = r.log.intersections;
        EXPECT_TRUE(x.found && x.resolved && x.united) << c.name;
        const double volume = ExpectSolid(r, c.name), expected = UnionVolume(c.boxes);
        EXPECT_TRUE(c.exact ? volume == expected : std::abs(volume - expected) <= 1e-12 * expected)
            << c.name << " " << volume << " " << expected;
        // Every point is an input point, or new and within the boxes.
        for (size_t i = 0; i < r.points.size(); ++i) {
            EXPECT_TRUE(r.pointFrom[i] < mesh.points.size() || r.pointFrom[i] == kAddedPoint) << c.name;
        }
    }
}

// Three spheres whose surfaces pass through one point: two touch there, the
// third holds it inside. Closed, sound, no larger than the three together.
TEST(ResolveIntersections, ThreeSpheresAtOnePoint)
{
    TestMesh mesh;
    testing::Append(mesh, testing::Sphere(24, 12, 1.0, 0, 0, 1));
    testing::Append(mesh, testing::Sphere(24, 12, 1.0, 0, 0, -1));
    testing::Append(mesh, testing::Sphere(24, 12, 1.0, 0.5, 0.1, 0));
    RepairResult r;
    ASSERT_EQ(repair(mesh.Record(), RepairRequest{}, r), 1);
    EXPECT_TRUE(r.log.intersections.resolved && r.log.intersections.united);
    EXPECT_GE(r.log.intersections.curves.size(), 2u);
    const double volume = ExpectSolid(r, "three spheres");
    Locations alone;
    const testing::AllSettings s;
    TestMesh one = testing::Sphere(24, 12);
    ASSERT_EQ(locate(one.Record(), s.p, s.e, s.t, s.m, LocateRequest{}, alone), 1);
    EXPECT_GT(volume, 2 * alone.mesh.Volume);
    EXPECT_LT(volume, 3 * alone.mesh.Volume);
}

// Long thin boxes all crossing near one point meet in about ten pairs for
// every two boxes: with 90, more pairs than the arrangement takes on. The
// search stops there, nothing changes, and the log says why.
// A cube's corner just outside a fine sphere that cuts the three faces
// round it: the cut faces' triangulations join the corner to many points
// of the curves, on three planes round it.
TEST(ResolveIntersections, ACornerNextToAFineSphere)
{
    TestMesh mesh = testing::UnitCube();
    testing::Append(mesh, testing::Sphere(96, 48, 0.27, 0.82, 0.79, 0.97));
    RepairResult r;
    ASSERT_EQ(repair(mesh.Record(), RepairRequest{}, r), 1);
    EXPECT_TRUE(r.log.intersections.resolved && r.log.intersections.united);
    const double volume = ExpectSolid(r, "corner");
    EXPECT_GT(volume, 1.0);
    EXPECT_LT(volume, 1.0 + 4.0 / 3.0 * 3.1416 * 0.27 * 0.27 * 0.27);
}

// Two spheres turned about (1, 2, 3) and written on a coarse grid, as a
// file with few decimals holds them: points built where they cross often
// round onto an input point or onto one another, leaving pieces without
// area, which the union must do without.
TEST(ResolveIntersections, SpheresOnACoarseGridAreUnited)
{
    const struct {
        uint32_t slices, stacks;
        double grid, angle;
    } cases[] = {{12, 8, 20, 1.0}, {12, 10, 10, 1.5}, {12, 10, 40, 1.5}};
    for (const auto& c : cases) {
        const std::string name = std::to_string(c.slices) + "x" + std::to_string(c.stacks);
        const double axis[3] = {1, 2, 3}, l = std::sqrt(14.0), cs = std::cos(c.angle), sn = std::sin(c.angle);
        double t[3][3];
        for (int i = 0; i < 3; ++i) {
            for (int j = 0; j < 3; ++j) {
                t[i][j] = (1 - cs) * axis[i] * axis[j] / (l * l) + (i == j ? cs : 0.0);
            }
        }
        for (int i = 0; i < 3; ++i) {
            const int j = (i + 1) % 3, k = (i + 2) % 3;
            t[j][k] -= sn * axis[i] / l;
            t[k][j] += sn * axis[i] / l;
        }
        TestMesh mesh = testing::Sphere(c.slices, c.stacks);
        testing::Append(mesh, testing::Sphere(c.slices, c.stacks, 1.0, 0.6, 0.3, 0.2));
        for (T3DVECF& p : mesh.points) {
            double q[3];
            for (int i = 0; i < 3; ++i) {
                q[i] = std::nearbyint((t[i][0] * p.x + t[i][1] * p.y + t[i][2] * p.z) * c.grid) / c.grid;
            }
            p = {q[0], q[1], q[2]};
        }
        RepairResult r;
        ASSERT_EQ(repair(mesh.Record(), RepairRequest{}, r), 1) << name;
        EXPECT_TRUE(r.log.intersections.resolved && r.log.intersections.united) << name;
        ExpectSolid(r, name);
    }
}

// A 32-sided prism standing on the unit cube's face x = 1, a corner of its
// cap at the cube's corner (1, 1, 1) and part of the cap on the face: the
// pieces touch at that corner and lie against each other beyond it, so the
// union joins them, and no fan is cut away (the cube would lose a sixth).
TEST(ResolveIntersections, ACapOnAFaceAtItsCornerIsUnitedNotCut)
{
    TestMesh mesh = testing::UnitCube();
    std::vector<std::array<double, 2>> cap;
    for (int k = 0; k < 32; ++k) {
        const double a = 2 * 3.141592653589793 * k / 32, r = std::sqrt(0.08);
        cap.push_back(
            {std::round((1.2 + r * std::cos(a)) * 4096) / 4096, std::round((0.8 + r * std::sin(a)) * 4096) / 4096});
    }
    cap[12] = {1.0, 1.0};
    const uint32_t near = mesh.AddPoint(1.0, 1.2, 0.8), far = mesh.AddPoint(2.0, 1.2, 0.8);
    const auto base = static_cast<uint32_t>(mesh.points.size());
    double area = 0.0;
    for (int k = 0; k < 32; ++k) {
        mesh.AddPoint(1.0, cap[k][0], cap[k][1]);
        mesh.AddPoint(2.0, cap[k][0], cap[k][1]);
        const auto& [y0, z0] = cap[k];
        const auto& [y1, z1] = cap[(k + 1) % 32];
        area += (y0 * z1 - y1 * z0) / 2;
    }
    for (uint32_t k = 0; k < 32; ++k) {
        const uint32_t b = base + 2 * k, b2 = base + 2 * ((k + 1) % 32);
        mesh.AddTriangle(near, b2, b);
        mesh.AddTriangle(far, b + 1, b2 + 1);
        mesh.AddTriangle(b, b2, b2 + 1);
        mesh.AddTriangle(b, b2 + 1, b + 1);
    }
    RepairResult r;
    ASSERT_EQ(repair(mesh.Record(), RepairRequest{}, r), 1);
    EXPECT_TRUE(r.log.intersections.resolved && r.log.intersections.united);
    EXPECT_TRUE(r.log.cutFans.empty());
    EXPECT_NEAR(ExpectSolid(r, "cap"), 1.0 + area, 1e-12);
    EXPECT_EQ(std::count_if(r.points.begin(), r.points.end(),
                            [](const T3DVECF& p) { return p.x == 1 && p.y == 1 && p.z == 1; }),
              1);
}

// Cylinders as a CAD program writes them (fans of long triangles, rims
// of cos and sin) and boxes, square to the axes, crossing: rims and sides
// meet other faces a unit in the last place from where their points
// round, so pieces a unit wide, pieces with three corners on a line, and
// pieces that fold once rounded come out of the arrangement. The volumes
// are those CGAL's corefinement union gives for the same files.
TEST(ResolveIntersections, CylindersSquareToTheAxesAreUnited)
{
    // A prism of `sides` round the axis axes[2], moved by `at`; with no
    // sides, the box from `at` to `to`.
    struct Part {
        uint32_t sides;
        double radius, height;
        int axes[3];
        double at[3], to[3];
    };
    const auto add = [](TestMesh& mesh, const Part& c) {
        TestMesh m;
        if (c.sides == 0) {
            for (int i = 0; i < 8; ++i) {
                m.AddPoint((i & 4) != 0 ? c.to[0] : c.at[0], (i & 2) != 0 ? c.to[1] : c.at[1],
                           (i & 1) != 0 ? c.to[2] : c.at[2]);
            }
            for (const TRIANGLE& t : std::initializer_list<TRIANGLE>{{0, 1, 3}, {0, 3, 2}, {4, 6, 7}, {4, 7, 5},
                                                                     {0, 4, 5}, {0, 5, 1}, {2, 3, 7}, {2, 7, 6},
                                                                     {0, 2, 6}, {0, 6, 4}, {1, 5, 7}, {1, 7, 3}}) {
                m.AddTriangle(t.a, t.b, t.c);
            }
            testing::Append(mesh, m);
            return;
        }
        const auto point = [&](double x, double y, double z) {
            const double q[3] = {x, y, z};
            return m.AddPoint(q[c.axes[0]] + c.at[0], q[c.axes[1]] + c.at[1], q[c.axes[2]] + c.at[2]);
        };
        const uint32_t bottom = point(0, 0, 0), top = point(0, 0, c.height);
        for (uint32_t k = 0; k < c.sides; ++k) {
            const double a = 2 * 3.141592653589793 * k / c.sides;
            point(c.radius * std::cos(a), c.radius * std::sin(a), 0);
            point(c.radius * std::cos(a), c.radius * std::sin(a), c.height);
        }
        for (uint32_t k = 0; k < c.sides; ++k) {
            const uint32_t b0 = 2 + 2 * k, b1 = 2 + 2 * ((k + 1) % c.sides);
            m.AddTriangle(bottom, b1, b0);
            m.AddTriangle(top, b0 + 1, b1 + 1);
            m.AddTriangle(b0, b1, b1 + 1);
            m.AddTriangle(b0, b1 + 1, b0 + 1);
        }
        testing::Append(mesh, m);
    };
    const struct {
        std::vector<Part> parts;
        double volume;
    } cases[] = {
        {{{16, 0.25, 0.75, {1, 2, 0}, {0.375, 0.375, 0.125}, {}}, {64, 0.375, 0.875, {0, 2, 1}, {0, -0.25, 0.25}, {}}},
         0.51127988698943705},
        {{{16, 0.125, 0.75, {2, 0, 1}, {0.25, 0.125, -0.125}, {}}, {128, 0.25, 0.75, {2, 1, 0}, {-0.5, 0, -0.25}, {}}},
         0.18307959476648122},
        {{{0, 0, 0, {}, {0.25, -0.375, 0.125}, {0.375, -0.125, 0.625}},
          {64, 0.125, 0.75, {0, 1, 2}, {-0.375, 0.125, 0.375}, {}},
          {128, 0.375, 0.375, {1, 2, 0}, {0, -0.5, -0.5}, {}},
          {0, 0, 0, {}, {-0.625, 0, -0.25}, {0.125, 0.75, -0.125}},
          {64, 0.375, 0.875, {2, 0, 1}, {0.25, -0.125, 0}, {}},
          {128, 0.125, 0.75, {1, 2, 0}, {0.375, -0.5, 0.125}, {}}},
         0.66843798966441348},
    };
    for (const auto& c : cases) {
        const std::string name = std::to_string(c.parts.size()) + " parts, volume " + std::to_string(c.volume);
        TestMesh mesh;
        for (const Part& part : c.parts) {
            add(mesh, part);
        }
        RepairResult r;
        ASSERT_EQ(repair(mesh.Record(), RepairRequest{}, r), 1) << name;
        EXPECT_TRUE(r.log.intersections.resolved && r.log.intersections.united) << name;
        EXPECT_NEAR(ExpectSolid(r, name), c.volume, 1e-12) << name;
    }
}

TEST(ResolveIntersections, BoxesCrossingInOnePointAreTooManyPairs)
{
    TestMesh mesh;
    const int n = 90;
    for (int k = 0; k < n; ++k) {
        TestMesh box = testing::UnitCube();
        const double c = std::cos(3.14159265358979 * k / n), s = std::sin(3.14159265358979 * k / n);
        for (T3DVECF& p : box.points) {
            const double x = 2.0 * p.x - 1.0, y = 0.02 * p.y - 0.01;
            p = {c * x - s * y, s * x + c * y, 0.02 * p.z - 0.01 + 1e-5 * k};
        }
        testing::Append(mesh, box);
    }
    RepairResult r;
    ASSERT_EQ(repair(mesh.Record(), RepairRequest{}, r), 1);
    const RepairLog::Intersections& x = r.log.intersections;
    EXPECT_TRUE(x.found && x.tooMany && !x.resolved);
    EXPECT_EQ(x.left, (uint64_t{1} << 16) + 1);
    ASSERT_EQ(r.triangles.size(), mesh.triangles.size());
    EXPECT_EQ(0, std::memcmp(r.triangles.data(), mesh.triangles.data(), r.triangles.size() * sizeof(TRIANGLE)));
    EXPECT_EQ(r.points.size(), mesh.points.size());
}

// Two cubes overlapping by half, scaled: within the moderate range they are
// united; past 2^200 nothing is arranged, nothing changes, and the log says
// why.
TEST(ResolveIntersections, CoordinatesPastTheModerateRangeAreLeftAsTheyWere)
{
    for (const double scale : {0x1p190, 0x1p200}) {
        TestMesh mesh = Mesh({{{0, 0, 0}, {scale, scale, scale}}, {{scale / 2, 0, 0}, {1.5 * scale, scale, scale}}});
        RepairResult r;
        ASSERT_EQ(repair(mesh.Record(), RepairRequest{}, r), 1);
        const RepairLog::Intersections& x = r.log.intersections;
        const bool beyond = scale == 0x1p200;
        EXPECT_EQ(x.outOfRange, beyond) << scale;
        EXPECT_EQ(x.resolved && x.united, !beyond) << scale;
        ASSERT_EQ(r.triangles.size() == mesh.triangles.size(), beyond) << scale;
        if (beyond) {
            EXPECT_EQ(0, std::memcmp(r.triangles.data(), mesh.triangles.data(), r.triangles.size() * sizeof(TRIANGLE)));
        }
    }
}

// The union's second pass leaves copies of points (step 5's) where pieces
// still touch, clean to the arrangement, which takes copies as one point,
// but not to the library's search. Nothing is called resolved, nothing the
// rounds made is kept: the mesh is the one steps 1 to 9 give.
TEST(ResolveIntersections, PiecesTouchingAtCopiesAreNotCalledResolved)
{
    // Two prisms whose edges cross at the origin, one above z = 0, one
    // below: their union is pinched there, and no fill of either fan's rim
    // misses the other prism.
    TestMesh prisms = testing::MeshOf({{0, -2, 0}, {1, -2, 1}, {-1, -2, 1}, {0, 2, 0}, {1, 2, 1}, {-1, 2, 1}},
                                      {{0, 2, 1}, {3, 4, 5}, {0, 1, 4}, {0, 4, 3}, {1, 2, 5}, {1, 5, 4}, {2, 0, 3}, {2, 3, 5}});
    TestMesh below = prisms;
    for (T3DVECF& p : below.points) {
        p = {p.y, p.x, -p.z};  // a mirror: turned inside out, which step 7 mends
    }
    testing::Append(prisms, below);
    std::pair<const char*, TestMesh> cases[] = {
        {"a soup the fuzzer found",
         testing::MeshOf({{2, 0, -1}, {-4.3180364477547035e+42, 2, 0}, {-4.3180364477547035e+42, 2, 3}, {3, 0, 3}, {0, 0, 1}},
                         {{1, 0, 4}, {4, 4, 4}, {2, 0, 4}, {1, 3, 4}, {4, 4, 4}, {4, 4, 4}})},
        {"prisms whose edges cross", prisms},
    };
    for (auto& [name, mesh] : cases) {
        RepairResult r, without;
        ASSERT_EQ(repair(mesh.Record(), RepairRequest{}, r), 1) << name;
        RepairRequest skip;
        skip.steps &= ~StepBit(RepairStep::ResolveIntersections);
        ASSERT_EQ(repair(mesh.Record(), skip, without), 1) << name;
        const RepairLog::Intersections& x = r.log.intersections;
        EXPECT_TRUE(x.found && !x.resolved && x.left > 0) << name;
        ASSERT_EQ(r.points.size(), without.points.size()) << name;
        ASSERT_EQ(r.triangles.size(), without.triangles.size()) << name;
        EXPECT_EQ(0, std::memcmp(r.points.data(), without.points.data(), r.points.size() * sizeof(T3DVECF))) << name;
        EXPECT_EQ(0, std::memcmp(r.triangles.data(), without.triangles.data(), r.triangles.size() * sizeof(TRIANGLE)))
            << name;
    }
}

// Open surfaces that cross are split along the crossing when asked for
// alone, and a second time changes nothing; in the whole pipeline, whose
// steps 5 and 6 would cut them along it, they are left as they are.
TEST(ResolveIntersections, OpenSurfacesAreSplitOnly)
{
    TestMesh mesh = testing::MeshOf({{0, 0, 0}, {2, 0, 0}, {2, 2, 0}, {0, 2, 0}, {1, -1, -1}, {1, 3, -1}, {1, 3, 1}, {1, -1, 1}},
                                    {{0, 1, 2}, {0, 2, 3}, {4, 5, 6}, {4, 6, 7}});
    RepairRequest alone;
    alone.steps = StepBit(RepairStep::ResolveIntersections);
    RepairResult r, whole;
    ASSERT_EQ(repair(mesh.Record(), alone, r), 1);
    EXPECT_TRUE(r.log.intersections.resolved && !r.log.intersections.united && !r.log.intersections.open);
    EXPECT_GT(r.triangles.size(), mesh.triangles.size());
    TestMesh out;
    out.points = r.points;
    out.triangles = r.triangles;
    RepairResult again;
    ASSERT_EQ(repair(out.Record(), alone, again), 1);
    EXPECT_FALSE(again.log.intersections.found);
    EXPECT_TRUE(again.log.Unchanged());
    ASSERT_EQ(repair(mesh.Record(), RepairRequest{}, whole), 1);
    EXPECT_TRUE(whole.log.intersections.found && whole.log.intersections.open && !whole.log.intersections.resolved);
    EXPECT_EQ(whole.triangles.size(), mesh.triangles.size());
}

// Points of equal coordinates that a triangle without area joins: the
// check before the arrangement leaves such a mesh to it, and the
// arrangement names each set by one point, so that the faces on the copy
// come out as pieces, some turned to start at another corner. Nothing
// met: the mesh is written as it was.
TEST(ResolveIntersections, PiecesAtTheSamePlacesAreNoChange)
{
    TestMesh mesh = testing::MeshOf({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {0, 0, 0}},
                                    {{0, 2, 1}, {1, 3, 4}, {1, 2, 3}, {3, 2, 4}, {0, 4, 1}});
    RepairRequest alone;
    alone.steps = StepBit(RepairStep::ResolveIntersections);
    RepairResult r;
    ASSERT_EQ(repair(mesh.Record(), alone, r), 1);
    EXPECT_FALSE(r.log.intersections.found);
    EXPECT_TRUE(r.log.Unchanged());
    ASSERT_EQ(r.triangles.size(), mesh.triangles.size());
    EXPECT_EQ(0, std::memcmp(r.triangles.data(), mesh.triangles.data(), mesh.triangles.size() * sizeof(TRIANGLE)));
}

// Exact curves of intersection that pass next to a corner: a face a hair
// above a cube's bottom crosses a side edge right above its bottom corner,
// and a face a hair beside a top edge crosses the top face along it, next
// to its corner. Each such point is distinct from the corner, yet a point within
// 1e-6 of the diagonal of another, which the closed profile counts as a
// near-duplicate: the result has none, and is a sound solid of about the
// union's volume.
TEST(ResolveIntersections, CurvesNextToCornersLeaveNoNearDuplicates)
{
    struct Case {
        const char* name;
        std::vector<Cuboid> boxes;
    };
    const Case cases[] = {
        {"a face 1e-8 above the bottom", {{{0, 0, 0}, {1, 1, 1}}, {{0.5, 0.5, 1e-8}, {2, 2, 0.5}}}},
        {"a face 1e-7 beside a top edge", {{{0, 0, 0}, {1, 1, 1}}, {{0.5, 1e-7, 0.5}, {2, 2, 1.5}}}},
        {"both", {{{0, 0, 0}, {1, 1, 1}}, {{0.5, 0.5, 1e-8}, {2, 2, 0.5}}, {{0.25, 1e-7, 0.5}, {0.75, 2, 1.5}}}},
    };
    for (const Case& c : cases) {
        TestMesh mesh = Mesh(c.boxes);
        RepairResult r;
        ASSERT_EQ(repair(mesh.Record(), RepairRequest{}, r), 1) << c.name;
        EXPECT_TRUE(r.log.intersections.resolved && r.log.intersections.united) << c.name;
        T3DVECF lo = r.points[0], hi = r.points[0];
        for (const T3DVECF& p : r.points) {
            lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
            hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
        }
        const double epsilon = 1e-6 * std::hypot(hi.x - lo.x, hi.y - lo.y, hi.z - lo.z);
        for (size_t i = 0; i < r.points.size(); ++i) {
            for (size_t j = i + 1; j < r.points.size(); ++j) {
                const T3DVECF& a = r.points[i];
                const T3DVECF& b = r.points[j];
                EXPECT_GT(std::hypot(a.x - b.x, a.y - b.y, a.z - b.z), epsilon) << c.name << " " << i << " " << j;
            }
        }
        const double volume = ExpectSolid(r, c.name), expected = UnionVolume(c.boxes);
        EXPECT_NEAR(volume, expected, 1e-6 * expected) << c.name;
    }
}

}  // namespace
}  // namespace meshaudit
