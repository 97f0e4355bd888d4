// Shells, nesting, inside-out shells, shell pairs, pinched points and
// triangle quality: hand-made solids with known answers, and random ones
// against brute-force versions.
#include "geometry/TriangleIntersection.h"
#include "containers/Memory.h"
#include "meshaudit_solid.hpp"
#include "support/TestMeshes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <random>
#include <map>
#include <set>
#include <tuple>

namespace meshaudit {
namespace {

using testing::TestMesh;

using testing::Box;
using testing::Join;

Solids Analyse(TestMesh& mesh, const SolidRequest& request = SolidRequest{})
{
    Solids out;
    EXPECT_EQ(solids(mesh.Record(), request, out), 1);
    return out;
}

// Every field of two answers, doubles bit for bit.
bool Same(const Solids& x, const Solids& y)
{
    const auto pairs = [](const Solids& s) {
        std::vector<std::tuple<uint32_t, uint32_t, uint32_t, uint32_t>> v;
        for (const Solids::ShellPair& p : s.shellPairs) {
            v.emplace_back(p.shellA, p.shellB, p.triangleA, p.triangleB);
        }
        return v;
    };
    return std::tie(x.shellCount, x.shellOf, x.open, x.manifold, x.depth, x.parent, x.volumeSign, x.openShells,
                    x.nested, x.insideOut, x.pinchedPoints, x.minimalAngle, x.maximalAngle, x.maximalAspectRatio,
                    x.skinny) == std::tie(y.shellCount, y.shellOf, y.open, y.manifold, y.depth, y.parent,
                                          y.volumeSign, y.openShells, y.nested, y.insideOut, y.pinchedPoints,
                                          y.minimalAngle, y.maximalAngle, y.maximalAspectRatio, y.skinny) &&
           pairs(x) == pairs(y);
}

// The box from corner `lo` to corner `hi`, outward unless reversed.
TestMesh Cuboid(const std::array<int, 3>& lo, const std::array<int, 3>& hi, bool reversed = false)
{
    TestMesh box = testing::UnitCube();
    for (T3DVECF& p : box.points) {
        p = {lo[0] + (hi[0] - lo[0]) * p.x, lo[1] + (hi[1] - lo[1]) * p.y, lo[2] + (hi[2] - lo[2]) * p.z};
    }
    for (TRIANGLE& t : box.triangles) {
        std::swap(t.b, reversed ? t.c : t.b);
    }
    return box;
}

// `count` tetrahedra round one shared apex (point 0), each in a wedge of
// its own, its first triangle at the apex.
TestMesh SharedApex(uint32_t count)
{
    TestMesh mesh;
    mesh.AddPoint(0, 0, 0);
    for (uint32_t i = 0; i < count; ++i) {
        const double angle = 2 * M_PI * i / count, next = angle + M_PI / count;
        const uint32_t a = mesh.AddPoint(10 * std::cos(angle), 10 * std::sin(angle), 0);
        const uint32_t b = mesh.AddPoint(10 * std::cos(next), 10 * std::sin(next), 0);
        const uint32_t c = mesh.AddPoint(10 * std::cos(angle), 10 * std::sin(angle), 1);
        mesh.triangles.insert(mesh.triangles.end(), {{0, b, a}, {0, a, c}, {0, c, b}, {a, b, c}});
    }
    return mesh;
}

TEST(Solids, KnownShellsNestingContactsAndPinches)
{
    // Two boxes sharing the corner (1, 1, 1): the second's corner 0 is the
    // first's corner at (1, 1, 1), one point index.
    TestMesh corner = Box(0, 1);
    TestMesh other = Box(1, 2);
    const uint32_t shared = static_cast<uint32_t>(
        std::find_if(corner.points.begin(), corner.points.end(), [](const T3DVECF& p) { return p.x == 1 && p.y == 1 && p.z == 1; }) -
        corner.points.begin());
    testing::Append(corner, other);
    const uint32_t base = 8;  // the second box's first point, at (1, 1, 1)
    for (size_t t = 12; t < corner.triangles.size(); ++t) {
        for (uint32_t* c : {&corner.triangles[t].a, &corner.triangles[t].b, &corner.triangles[t].c}) {
            *c = *c == base ? shared : *c;
        }
    }
    struct Case {
        const char* name;
        TestMesh mesh;
        uint32_t shells, open, nested, insideOut, pairs, pinched;
    };
    Case cases[] = {
        {"two boxes apart", Join({Box(0, 1), Box(2, 3)}), 2, 0, 0, 0, 0, 0},
        {"a box with a void", Join({Box(0, 3), Box(1, 2, true)}), 2, 0, 1, 0, 0, 0},
        {"a box with a box inside", Join({Box(0, 3), Box(1, 2)}), 2, 0, 1, 1, 0, 0},
        {"a reversed box", Join({Box(0, 1, true)}), 1, 0, 0, 1, 0, 0},
        {"overlapping boxes", Join({Box(0, 2), Box(1, 3)}), 2, 0, 0, 0, 1, 0},
        {"boxes sharing a face area", Join({Box(0, 1), Box(0, 1, false, 1)}), 2, 0, 0, 0, 1, 0},
        {"boxes sharing a corner", corner, 2, 0, 0, 0, 1, 1},
        {"three nested boxes", Join({Box(0, 5), Box(1, 4, true), Box(2, 3)}), 3, 0, 2, 0, 0, 0},
        {"an open grid", testing::Grid(2), 1, 1, 0, 0, 0, 0},
        {"400 shells at one point", SharedApex(400), 400, 0, 0, 0, 79800, 1},
        {"a fan", testing::Fan(600), 1, 1, 0, 0, 0, 0},
        {"a book", testing::Book(600), 1, 1, 0, 0, 0, 0},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Solids s = Analyse(c.mesh);
        EXPECT_EQ(s.shellCount, c.shells);
        EXPECT_EQ(s.openShells.size(), c.open);
        EXPECT_EQ(s.nested.size(), c.nested);
        EXPECT_EQ(s.insideOut.size(), c.insideOut);
        EXPECT_EQ(s.shellPairs.size(), c.pairs);
        EXPECT_EQ(s.pinchedPoints.size(), c.pinched);
    }
    const Solids three = Analyse(cases[7].mesh);
    EXPECT_EQ(three.depth, (std::vector<uint32_t>{0, 1, 2}));
    EXPECT_EQ(three.parent, (std::vector<uint32_t>{kNoShell, 0, 1}));
    EXPECT_EQ(three.volumeSign, (std::vector<int8_t>{1, -1, 1}));
    // Pillows (a triangle and its reverse) of random coordinates: volume 0
    // exactly, which every product's rounding error must be summed to show.
    TestMesh pillows;
    std::mt19937_64 rng(7);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    for (uint32_t k = 0; k < 50; ++k) {
        const auto base = static_cast<uint32_t>(pillows.points.size());
        for (int c = 0; c < 3; ++c) {
            pillows.points.push_back({unit(rng) + 3.0 * k, unit(rng), unit(rng)});
        }
        pillows.triangles.push_back({base, base + 1, base + 2});
        pillows.triangles.push_back({base, base + 2, base + 1});
    }
    EXPECT_EQ(Analyse(pillows).volumeSign, std::vector<int8_t>(50, 0));
    EXPECT_EQ(Analyse(corner).pinchedPoints, std::vector<uint32_t>{shared});
    // Each pair at the apex names the first triangle of each tetrahedron.
    const Solids apex = Analyse(cases[9].mesh);
    for (const Solids::ShellPair& p : apex.shellPairs) {
        ASSERT_EQ(std::make_pair(p.triangleA, p.triangleB), std::make_pair(4 * p.shellA, 4 * p.shellB));
    }

    TestMesh bad = Box(0, 1);
    bad.triangles[3].c = 99;
    Solids out;
    EXPECT_EQ(solids(bad.Record(), SolidRequest{}, out), -5);
    MeshRecord empty{};
    EXPECT_EQ(solids(empty, SolidRequest{}, out), -1);
    TestMesh box = Box(0, 1);
    const uint32_t beyond[2] = {0, 12};
    SolidRequest wrong;
    wrong.intersectingPairsGiven = true;
    wrong.intersectingPairCount = 1;
    EXPECT_EQ(solids(box.Record(), wrong, out), -7);
    wrong.intersectingPairs = beyond;
    EXPECT_EQ(solids(box.Record(), wrong, out), -7);
    EXPECT_EQ(out.shellCount + out.shellOf.size(), 0u);
}

// Each allocation of the working arrays and of the intersection search made
// to fail in turn, until the call gets through: -6 and an empty answer, or
// (where the search gets round the failure) the unhindered answer.
TEST(Solids, FailedAllocationsGiveMinusSixAndNothing)
{
    TestMesh mesh = Join({Box(0, 5), Box(1, 4, true), Box(2, 3), Box(4, 6)});
    testing::Append(mesh, SharedApex(3));
    const Solids want = Analyse(mesh);
    ASSERT_FALSE(want.shellPairs.empty());
    for (uint64_t k = 1;; ++k) {
        memory_testing::ResetAllocationCounter();
        memory_testing::FailAllocations(k, 1);
        Solids got;
        got.shellCount = 7;
        const int32_t code = solids(mesh.Record(), SolidRequest{}, got);
        const bool failed = memory_testing::FailedAllocationCount() != 0;
        memory_testing::ResetAllocationCounter();
        if (code == 1) {
            ASSERT_TRUE(Same(got, want)) << k;
        } else {
            ASSERT_EQ(code, -6) << k;
            ASSERT_TRUE(Same(got, Solids{})) << k;
        }
        if (!failed) {
            EXPECT_GT(k, 10u);
            break;
        }
    }
}

// Angles and aspect ratios by hand: an equilateral triangle (60, 60, 60;
// aspect 1), a right isosceles one (45, 45, 90; aspect (1 + sqrt 2) / sqrt 3
// for legs of 1), and one that repeats a point (skinny, no angle).
TEST(Solids, TriangleQuality)
{
    TestMesh mesh = testing::MeshOf({{0, 0, 0}, {1, 0, 0}, {0.5, std::sqrt(0.75), 0}, {0, 1, 0}},
                                    {{0, 1, 2}});
    Solids s = Analyse(mesh);
    EXPECT_NEAR(s.minimalAngle, 60, 1e-12);
    EXPECT_NEAR(s.maximalAngle, 60, 1e-12);
    EXPECT_NEAR(s.maximalAspectRatio, 1, 1e-12);
    mesh.triangles = {{0, 1, 3}, {0, 0, 1}};
    s = Analyse(mesh);
    EXPECT_NEAR(s.minimalAngle, 45, 1e-12);
    EXPECT_NEAR(s.maximalAngle, 90, 1e-12);
    EXPECT_NEAR(s.maximalAspectRatio, (1 + std::sqrt(2.0)) / std::sqrt(3.0), 1e-12);
    EXPECT_EQ(s.skinny, std::vector<uint32_t>{1});
    SolidRequest strict;
    strict.skinnyAngle = 46;
    Solids all;
    ASSERT_EQ(solids(mesh.Record(), strict, all), 1);
    EXPECT_EQ(all.skinny, (std::vector<uint32_t>{0, 1}));
}

// Closed shells that cross or touch: a shell counts every closed shell it
// does not touch that encloses it, whatever crosses between them, and its
// parent is the one of them of largest depth, ties to the smaller index.
TEST(Solids, NestingBesideCrossingShells)
{
    constexpr uint32_t no = kNoShell;
    const TestMesh outer = Box(0, 10), hollow = Cuboid({2, 2, 2}, {3, 3, 3}, true);
    // Six boxes in two that cross: each ray leaves the outer one first and
    // is tested against its partner, the later rays through the partner's
    // own tree.
    TestMesh six = Join({outer, Cuboid({1, 1, 1}, {12, 9, 9})});
    for (int k = 0; k < 6; ++k) {
        testing::Append(six, Cuboid({2, 2 + 2 * (k % 3), 2 + 2 * (k / 3)}, {3, 3 + 2 * (k % 3), 3 + 2 * (k / 3)}));
    }
    struct Case {
        const char* name;
        TestMesh mesh;
        std::vector<uint32_t> depth, parent;
    };
    Case cases[] = {
        {"a crossing box between", Join({outer, hollow, Cuboid({5, 1, 1}, {12, 5, 5})}), {0, 1, 0}, {no, 0, no}},
        {"in two crossing boxes", Join({outer, Cuboid({2, 2, 2}, {3, 3, 3}), Cuboid({1, 1, 1}, {12, 5, 5})}),
         {0, 2, 0}, {no, 0, no}},
        {"a crossing box aside", Join({outer, hollow, Cuboid({5, 6, 6}, {12, 8, 8})}), {0, 1, 0}, {no, 0, no}},
        {"touching the wall", Join({outer, Cuboid({0, 2, 2}, {6, 3, 3}), Cuboid({7, 1, 1}, {8, 4, 4}, true)}),
         {0, 0, 1}, {no, no, 0}},
        {"touching a nested wall",
         Join({Box(0, 20), Box(2, 12, true), Cuboid({7, 3, 3}, {8, 6, 6}), Cuboid({2, 4, 4}, {6, 5, 5}, true)}),
         {0, 1, 2, 1}, {no, 0, 1, 0}},
        {"touching a wall a box crosses",
         Join({Box(0, 20), Box(2, 12, true), Box(1, 9, true), Cuboid({7, 3, 3}, {8, 6, 6}, true),
               Cuboid({2, 4, 4}, {6, 5, 5})}),
         {0, 1, 1, 3, 2}, {no, 0, 0, 1, 2}},
        {"six in two crossing boxes", six, {0, 0, 2, 2, 2, 2, 2, 2}, {no, no, 0, 0, 0, 0, 0, 0}},
        {"nested voids, a pair beside",
         Join({outer, Box(1, 9, true), Box(2, 8), Box(3, 7, true), Box(20, 22), Box(21, 23)}),
         {0, 1, 2, 3, 0, 0}, {no, 0, 1, 2, no, no}},
        {"nested voids, a pair in them", Join({outer, Box(1, 9, true), Box(2, 8), Box(3, 5, true), Box(4, 6, true)}),
         {0, 1, 2, 3, 3}, {no, 0, 1, 2, 2}},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Solids s = Analyse(c.mesh);
        EXPECT_EQ(s.depth, c.depth);
        EXPECT_EQ(s.parent, c.parent);
        EXPECT_EQ(s.insideOut, std::vector<uint32_t>{});
    }
}

// Random boxes on a coarse grid, each reversed at random, every third
// placed anywhere (crossing or touching others), the rest nested in or apart
// from those before: depths by the parity of the perturbed ray from each
// box's corner of largest coordinates, (hi - d, hi + e, hi + e^2) toward +x,
// against each box it does not touch, whose faces x = lo and x = hi it
// crosses ahead when its (y, z) lies in [lo, hi) of that box; parents the
// deepest of those, the first among equals.
// Random soups on a coarse grid: pinched points and shell pairs against
// brute force.
TEST(Solids, RandomAgainstBruteForce)
{
    std::mt19937 random(7);
    struct Cube {
        std::array<int, 3> lo, hi;
        bool reversed;
    };
    const auto inside = [](const Cube& a, const Cube& b) {  // a strictly inside b
        return a.lo[0] > b.lo[0] && a.lo[1] > b.lo[1] && a.lo[2] > b.lo[2] && a.hi[0] < b.hi[0] &&
               a.hi[1] < b.hi[1] && a.hi[2] < b.hi[2];
    };
    const auto apart = [](const Cube& a, const Cube& b) {
        return a.hi[0] < b.lo[0] || b.hi[0] < a.lo[0] || a.hi[1] < b.lo[1] || b.hi[1] < a.lo[1] ||
               a.hi[2] < b.lo[2] || b.hi[2] < a.lo[2];
    };
    for (int round = 0; round < 40; ++round) {
        std::vector<Cube> cubes;
        for (int tries = 0; tries < 200 && cubes.size() < 12; ++tries) {
            // Three in four drawn within a box drawn before, clear of its faces
            // unless placed freely: nesting is common, and so are boxes
            // crossing from inside a nest.
            const bool free = cubes.size() % 3 == 2;
            const Cube* in = cubes.empty() || random() % 4 == 0 ? nullptr : &cubes[random() % cubes.size()];
            Cube c{};
            for (int i = 0; i < 3; ++i) {
                const int from = in ? in->lo[i] + 1 : 0, room = in ? in->hi[i] - in->lo[i] - 2 : 20;
                c.lo[i] = from + static_cast<int>(random() % static_cast<unsigned>(std::max(room, 1)));
                c.hi[i] = std::min(c.lo[i] + 1 + static_cast<int>(random() % 16), in && !free ? in->hi[i] - 1 : 99);
                c.hi[i] = std::max(c.hi[i], c.lo[i] + 1);
            }
            c.reversed = random() % 2 == 0;
            if (free || std::all_of(cubes.begin(), cubes.end(), [&](const Cube& o) {
                    return inside(c, o) || inside(o, c) || apart(c, o);
                })) {
                cubes.push_back(c);
            }
        }
        TestMesh mesh;
        for (const Cube& c : cubes) {
            testing::Append(mesh, Cuboid(c.lo, c.hi, c.reversed));
        }
        const Solids s = Analyse(mesh);
        ASSERT_EQ(s.shellCount, cubes.size());
        const size_t n = cubes.size();
        const auto encloses = [&](const Cube& b, const Cube& a) {  // b around a, by parity
            return (apart(a, b) || inside(a, b) || inside(b, a)) && &a != &b && b.lo[1] <= a.hi[1] &&
                   a.hi[1] < b.hi[1] && b.lo[2] <= a.hi[2] && a.hi[2] < b.hi[2] &&
                   (b.lo[0] >= a.hi[0]) != (b.hi[0] >= a.hi[0]);
        };
        std::vector<uint32_t> depth(n, 0), parent(n, kNoShell);
        for (size_t i = 0; i < n; ++i) {
            for (const Cube& o : cubes) {
                depth[i] += encloses(o, cubes[i]);
            }
        }
        for (uint32_t i = 0; i < n; ++i) {
            for (uint32_t j = 0; j < n; ++j) {
                const uint32_t p = parent[i];
                parent[i] = encloses(cubes[j], cubes[i]) && (p == kNoShell || depth[j] > depth[p]) ? j : p;
            }
            const bool wrong = cubes[i].reversed != (depth[i] % 2 == 1);
            EXPECT_EQ(std::count(s.insideOut.begin(), s.insideOut.end(), i), wrong ? 1 : 0) << round << " " << i;
        }
        EXPECT_EQ(s.depth, depth) << round;
        EXPECT_EQ(s.parent, parent) << round;

        // Few points and many triangles every other round: points with more
        // triangles than fit the small case's room.
        const uint32_t points = round % 2 == 0 ? 12 : 7, count = round % 2 == 0 ? 14 : 45;
        TestMesh soup;
        for (uint32_t p = 0; p < points; ++p) {
            soup.AddPoint(random() % 3, random() % 3, random() % 3);
        }
        for (uint32_t t = 0; t < count; ++t) {
            soup.triangles.push_back({static_cast<uint32_t>(random() % points),
                                      static_cast<uint32_t>(random() % points), static_cast<uint32_t>(random() % points)});
        }
        const Solids r = Analyse(soup);
        // Shells: triangles joined through two distinct shared indices, to a
        // fixed point; an edge's sides (start, end) tell borders and
        // manifold edges.
        std::vector<uint32_t> label(count);
        std::map<std::pair<uint32_t, uint32_t>, std::vector<uint32_t>> sides;  // edge -> start points
        for (uint32_t t = 0; t < count; ++t) {
            label[t] = t;
            const TRIANGLE& q = soup.triangles[t];
            for (const auto& [u, v] : {std::pair{q.a, q.b}, std::pair{q.b, q.c}, std::pair{q.c, q.a}}) {
                if (u != v) {
                    sides[{std::min(u, v), std::max(u, v)}].push_back(u);
                }
            }
        }
        const auto joined = [&](uint32_t t, uint32_t u) {
            const TRIANGLE &x = soup.triangles[t], &y = soup.triangles[u];
            std::set<uint32_t> shared;
            for (const uint32_t c : {y.a, y.b, y.c}) {
                if (c == x.a || c == x.b || c == x.c) {
                    shared.insert(c);
                }
            }
            return shared.size() >= 2;
        };
        for (bool changed = true; changed;) {
            changed = false;
            for (uint32_t t = 0; t < count; ++t) {
                for (uint32_t u = 0; u < count; ++u) {
                    if (joined(t, u) && label[u] > label[t]) {
                        label[u] = label[t];
                        changed = true;
                    }
                }
            }
        }
        std::vector<uint32_t> shellOf(count), open, manifold;
        uint32_t shells = 0;
        for (uint32_t t = 0; t < count; ++t) {
            shellOf[t] = label[t] == t ? shells++ : shellOf[label[t]];
        }
        open.assign(shells, 0);
        manifold.assign(shells, 1);
        for (uint32_t t = 0; t < count; ++t) {
            const TRIANGLE& q = soup.triangles[t];
            open[shellOf[t]] |= q.a == q.b && q.b == q.c;
            manifold[shellOf[t]] &= q.a != q.b && q.b != q.c && q.c != q.a;
            for (const auto& [u, v] : {std::pair{q.a, q.b}, std::pair{q.b, q.c}, std::pair{q.c, q.a}}) {
                const auto found = sides.find({std::min(u, v), std::max(u, v)});
                if (found != sides.end()) {
                    const std::vector<uint32_t>& st = found->second;
                    open[shellOf[t]] |= st.size() == 1;
                    manifold[shellOf[t]] &= st.size() == 2 && st[0] != st[1];
                }
            }
        }
        EXPECT_EQ(r.shellOf, shellOf) << round;
        EXPECT_EQ(std::vector<uint32_t>(r.open.begin(), r.open.end()), open) << round;
        EXPECT_EQ(std::vector<uint32_t>(r.manifold.begin(), r.manifold.end()), manifold) << round;
        // Pinched: the triangles at a point, joined through shared edges at
        // the point, walked to a fixed point.
        std::vector<uint32_t> pinched;
        for (uint32_t p = 0; p < points; ++p) {
            std::vector<uint32_t> at;
            for (uint32_t t = 0; t < count; ++t) {
                const TRIANGLE& q = soup.triangles[t];
                if (q.a == p || q.b == p || q.c == p) {
                    at.push_back(t);
                }
            }
            const auto has = [&](uint32_t t, uint32_t x) {
                const TRIANGLE& q = soup.triangles[t];
                return q.a == x || q.b == x || q.c == x;
            };
            std::set<uint32_t> fan = at.empty() ? std::set<uint32_t>{} : std::set<uint32_t>{at[0]};
            for (bool grew = true; grew;) {
                grew = false;
                for (uint32_t t : at) {
                    for (uint32_t u : std::set<uint32_t>(fan)) {
                        for (uint32_t x = 0; x < points && !fan.count(t); ++x) {
                            if (x != p && has(t, x) && has(u, x)) {
                                grew = fan.insert(t).second;
                            }
                        }
                    }
                }
            }
            if (fan.size() < at.size()) {
                pinched.push_back(p);
            }
        }
        EXPECT_EQ(r.pinchedPoints, pinched) << round;
        // Shell pairs: two triangles of different shells that share a point
        // or meet, the smallest (triangle of the first shell, of the second)
        // per pair of shells.
        std::map<std::pair<uint32_t, uint32_t>, std::pair<uint32_t, uint32_t>> pairs;
        std::vector<uint32_t> crossing;  // the intersecting pairs, as a caller may give them
        for (uint32_t t = 0; t < count; ++t) {
            for (uint32_t u = t + 1; u < count; ++u) {
                const TRIANGLE& a = soup.triangles[t];
                const TRIANGLE& b = soup.triangles[u];
                const uint32_t sa = r.shellOf[t], sb = r.shellOf[u];
                bool meet = false;
                for (uint32_t x : {a.a, a.b, a.c}) {
                    meet = meet || x == b.a || x == b.b || x == b.c;
                }
                const T3DVECF ta[3] = {soup.points[a.a], soup.points[a.b], soup.points[a.c]};
                const T3DVECF tb[3] = {soup.points[b.a], soup.points[b.b], soup.points[b.c]};
                const bool valid = a.a != a.b && a.b != a.c && a.c != a.a && b.a != b.b && b.b != b.c && b.c != b.a;
                // The search tests the pairs whose boxes meet: alone, the test
                // may find a zero-area triangle touching one that lies apart
                // from it along the axis it drops.
                bool boxes = true;
                for (double T3DVECF::*k : {&T3DVECF::x, &T3DVECF::y, &T3DVECF::z}) {
                    boxes = boxes && std::max({ta[0].*k, ta[1].*k, ta[2].*k}) >= std::min({tb[0].*k, tb[1].*k, tb[2].*k}) &&
                            std::max({tb[0].*k, tb[1].*k, tb[2].*k}) >= std::min({ta[0].*k, ta[1].*k, ta[2].*k});
                }
                if (!meet && valid && boxes && TriTriIntersect(ta, tb) == '1') {
                    crossing.insert(crossing.end(), {u, t});
                    meet = true;
                }
                if (sa != sb && meet) {
                    const std::pair<uint32_t, uint32_t> key{std::min(sa, sb), std::max(sa, sb)};
                    const std::pair<uint32_t, uint32_t> both = sa < sb ? std::pair{t, u} : std::pair{u, t};
                    auto& slot = pairs.emplace(key, both).first->second;
                    slot = std::min(slot, both);
                }
            }
        }
        std::map<std::pair<uint32_t, uint32_t>, std::pair<uint32_t, uint32_t>> found;
        for (const Solids::ShellPair& p : r.shellPairs) {
            found[{p.shellA, p.shellB}] = {p.triangleA, p.triangleB};
        }
        EXPECT_EQ(found, pairs) << round;
        EXPECT_EQ(found.size(), r.shellPairs.size()) << round;
        SolidRequest given;
        given.intersectingPairsGiven = true;
        given.intersectingPairs = crossing.data();
        given.intersectingPairCount = crossing.size() / 2;
        EXPECT_TRUE(Same(Analyse(soup, given), r)) << round;
    }
}

}  // namespace
}  // namespace meshaudit
