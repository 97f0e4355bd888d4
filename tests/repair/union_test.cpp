// The union of arranged closed shells. The shells are boxes on an integer
// grid made of unit squares, each split along the same diagonal, so that
// coincident squares share their point ids and crossing boxes meet only along
// grid lines: any set of them is arranged. The union is checked against the
// winding number counted per grid cell, by hand and on random boxes, in
// sheared coordinates too (an integer shear of determinant 1 keeps every
// volume and makes the planes oblique).
#include "repair/arrangement/RadialOrder.h"
#include "repair/arrangement/Union.h"
#include "repair/arrangement/UnionFaces.h"
#include "repair/arrangement/WindingPropagation.h"
#include "repair/arrangement/WindingRay.h"
#include "support/TestMeshes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <random>
#include <vector>

namespace meshaudit::arrangement {
namespace {

constexpr int kN = 5;  // the grid [0, kN]^3

struct Box {
    std::array<int, 3> lo, hi;
    int sign;  // +1 outward, -1 inside out
};

uint32_t Id(const std::array<int, 3>& p)
{
    return static_cast<uint32_t>((p[0] * (kN + 1) + p[1]) * (kN + 1) + p[2]);
}

// The unit square at corner p across axis w, its normal +w when sign > 0;
// `other` splits it along the other diagonal.
void AddSquare(std::vector<TRIANGLE>& out, std::array<int, 3> p, int w, int sign, bool other = false)
{
    const int u = (w + 1) % 3, v = (w + 2) % 3;
    std::array<int, 3> pu = p, puv = p, pv = p;
    ++pu[u], ++puv[u], ++puv[v], ++pv[v];
    const std::array<uint32_t, 4> q = other ? std::array{Id(pu), Id(puv), Id(pv), Id(p)}
                                            : std::array{Id(p), Id(pu), Id(puv), Id(pv)};
    for (const TRIANGLE t : {TRIANGLE{q[0], q[1], q[2]}, TRIANGLE{q[0], q[2], q[3]}}) {
        out.push_back(sign > 0 ? t : TRIANGLE{t.a, t.c, t.b});
    }
}

struct Grid {
    std::vector<T3DVECF> points;
    std::vector<TRIANGLE> triangles;
};

using Shear = std::array<int, 6>;

// The boxes' squares over the grid's points, sheared by y += d x,
// z += e x + f y, then x += a y + b z, y += c z (determinant 1): rays along
// x then run oblique to the grid, through its edges and points.
Grid Boxes(const std::vector<Box>& boxes, Shear s = {}, bool otherDiagonal = false)
{
    Grid g;
    for (int x = 0; x <= kN; ++x) {
        for (int y0 = 0; y0 <= kN; ++y0) {
            for (int z0 = 0; z0 <= kN; ++z0) {
                const int y = y0 + s[3] * x, z = z0 + s[4] * x + s[5] * y;
                g.points.push_back({double(x + s[0] * y + s[1] * z), double(y + s[2] * z), double(z)});
            }
        }
    }
    for (const Box& b : boxes) {
        for (int w = 0; w < 3; ++w) {
            const int u = (w + 1) % 3, v = (w + 2) % 3;
            for (int i = b.lo[u]; i < b.hi[u]; ++i) {
                for (int j = b.lo[v]; j < b.hi[v]; ++j) {
                    std::array<int, 3> p{};
                    p[u] = i, p[v] = j, p[w] = b.hi[w];
                    AddSquare(g.triangles, p, w, b.sign, otherDiagonal && &b == &boxes.back());
                    p[w] = b.lo[w];
                    AddSquare(g.triangles, p, w, -b.sign, otherDiagonal && &b == &boxes.back());
                }
            }
        }
    }
    return g;
}

// Six times the signed volume the triangles enclose (exact for the small
// binary fractions used here).
template <typename Triangles>
double Volume6(const std::vector<T3DVECF>& points, const Triangles& triangles)
{
    double sum = 0.0;
    for (const TRIANGLE& t : triangles) {
        const T3DVECF &a = points[t.a], &b = points[t.b], &c = points[t.c];
        sum += a.x * (b.y * c.z - b.z * c.y) + a.y * (b.z * c.x - b.x * c.z) + a.z * (b.x * c.y - b.y * c.x);
    }
    return sum;
}

// A triangle with its smallest id first, orientation kept.
std::array<uint32_t, 3> Canonical(const TRIANGLE& t)
{
    const uint32_t m = std::min({t.a, t.b, t.c});
    return m == t.a ? std::array{t.a, t.b, t.c} : m == t.b ? std::array{t.b, t.c, t.a} : std::array{t.c, t.a, t.b};
}

// Unites the boxes and compares with the cells: the kept triangles are those
// of the unit squares between a cell of winding <= 0 and one of >= 1
// (outside the grid: 0), facing the first; the volume, summed exactly (small whole
// numbers), is the number of cells of winding >= 1. Returns that volume.
int CheckUnion(const std::vector<Box>& boxes, Shear shear)
{
    const Grid g = Boxes(boxes, shear);
    UnionResult r;
    EXPECT_EQ(Unite(g.points.data(), uint32_t(g.points.size()), g.triangles.data(), uint32_t(g.triangles.size()), r),
              kUniteOk);
    EXPECT_TRUE(r.closed);
    const auto winding = [&](std::array<int, 3> c) {
        int w = 0;
        for (const Box& b : boxes) {
            bool in = true;
            for (int k = 0; k < 3; ++k) {
                in = in && c[k] >= b.lo[k] && c[k] < b.hi[k];
            }
            w += in ? b.sign : 0;
        }
        return w;
    };
    std::vector<TRIANGLE> expected;
    int cells = 0;
    for (int w = 0; w < 3; ++w) {
        for (int i = 0; i < kN; ++i) {
            for (int j = 0; j < kN; ++j) {
                for (int k = 0; k <= kN; ++k) {
                    std::array<int, 3> p{};
                    p[(w + 1) % 3] = i, p[(w + 2) % 3] = j, p[w] = k;
                    std::array<int, 3> below = p;
                    --below[w];
                    const int up = k < kN ? winding(p) : 0, down = k > 0 ? winding(below) : 0;
                    cells += w == 0 && k < kN && up >= 1;
                    if ((up >= 1) != (down >= 1)) {
                        AddSquare(expected, p, w, down >= 1 ? 1 : -1);
                    }
                }
            }
        }
    }
    std::vector<std::array<uint32_t, 3>> got, want;
    for (size_t i = 0; i < r.triangles.size(); ++i) {
        got.push_back(Canonical(r.triangles[i]));
        EXPECT_EQ(Canonical(g.triangles.at(r.triangleFrom.at(i))), got.back());
    }
    for (const TRIANGLE& t : expected) {
        want.push_back(Canonical(t));
    }
    std::sort(got.begin(), got.end());
    std::sort(want.begin(), want.end());
    EXPECT_EQ(got, want);
    EXPECT_EQ(Volume6(g.points, r.triangles), 6.0 * cells);
    return cells;
}

struct Case {
    const char* name;
    std::vector<Box> boxes;
    int volume;
    size_t triangles;
};

TEST(Union, HandCountedCases)
{
    const Box unit{{0, 0, 0}, {1, 1, 1}, 1};
    const std::vector<Case> cases = {
        {"cube in a larger cube", {{{0, 0, 0}, {3, 3, 3}, 1}, {{1, 1, 1}, {2, 2, 2}, 1}}, 27, 108},
        {"cubes sharing a face", {unit, {{1, 0, 0}, {2, 1, 1}, 1}}, 2, 20},
        {"cube with a void", {{{0, 0, 0}, {3, 3, 3}, 1}, {{1, 1, 1}, {2, 2, 2}, -1}}, 26, 120},
        {"disjoint cubes", {unit, {{2, 0, 0}, {3, 1, 1}, 1}}, 2, 24},
        {"cubes touching at a point", {unit, {{1, 1, 1}, {2, 2, 2}, 1}}, 2, 24},
        {"the same cube twice", {unit, unit}, 1, 12},
        {"an inside-out cube alone", {{{0, 0, 0}, {1, 1, 1}, -1}}, 0, 0},
        {"two bars crossing", {{{0, 1, 1}, {3, 2, 2}, 1}, {{1, 0, 1}, {2, 3, 2}, 1}}, 5, 44},
        {"a cube and its inside-out twin", {unit, {{0, 0, 0}, {1, 1, 1}, -1}}, 0, 0},
    };
    for (const Case& c : cases) {
        for (const Shear shear : {Shear{}, Shear{1, -2, 3, 0, 0, 0}, Shear{1, 2, -1, 2, -1, 1}}) {
            SCOPED_TRACE(c.name);
            EXPECT_EQ(CheckUnion(c.boxes, shear), c.volume);
            const Grid g = Boxes(c.boxes, shear);
            UnionResult r;
            Unite(g.points.data(), uint32_t(g.points.size()), g.triangles.data(), uint32_t(g.triangles.size()), r);
            EXPECT_EQ(r.triangles.size(), c.triangles);
        }
    }
}

TEST(Union, WindingsRelativeToTheFirstFaceOfEachComponent)
{
    // A bar crossing a cube is one component (they share the grid lines
    // where they cross), its faces in front of winding 0 or 1, the first
    // face inside the cube (1); a cube apart is a second, numbered after it.
    const Grid g = Boxes({{{1, 1, 1}, {2, 2, 4}, 1}, {{0, 0, 0}, {3, 3, 3}, 1}, {{4, 4, 4}, {5, 5, 5}, 1}});
    WorkArray<UnionFace> faces;
    GroupFaces(g.triangles.data(), uint32_t(g.triangles.size()), faces);
    FaceWindings w;
    ASSERT_EQ(WindingStatus::Ok, PropagateWindings(g.points.data(), faces, w));
    ASSERT_EQ(2u, w.componentCount);
    std::vector<std::vector<int64_t>> fronts(2);
    for (uint32_t f = 0; f < faces.size(); ++f) {
        ASSERT_LT(w.component[f], 2u);
        if (fronts[w.component[f]].empty()) {
            EXPECT_EQ(0, w.front[f]);  // the first face of its component
            EXPECT_EQ(w.component[f], f == 0 ? 0u : 1u);
        }
        fronts[w.component[f]].push_back(w.front[f]);
    }
    for (std::vector<int64_t>& v : fronts) {
        std::sort(v.begin(), v.end());
        v.erase(std::unique(v.begin(), v.end()), v.end());
    }
    EXPECT_EQ(2u, fronts[0].size());
    EXPECT_EQ(1, fronts[0].back() - fronts[0].front());
    EXPECT_EQ(std::vector<int64_t>{0}, fronts[1]);
}

TEST(Union, RandomBoxesAgainstCellWindings)
{
    std::mt19937 random(7);
    std::uniform_int_distribution<int> coordinate(0, kN), count(1, 5), sign(0, 3), shear(-2, 2);
    for (int round = 0; round < 60; ++round) {
        std::vector<Box> boxes(size_t(count(random)));
        for (Box& b : boxes) {
            for (int k = 0; k < 3; ++k) {
                do {
                    b.lo[k] = coordinate(random), b.hi[k] = coordinate(random);
                } while (b.lo[k] == b.hi[k]);
                if (b.lo[k] > b.hi[k]) {
                    std::swap(b.lo[k], b.hi[k]);
                }
            }
            b.sign = sign(random) == 0 ? -1 : 1;
        }
        SCOPED_TRACE(round);
        Shear s;
        for (int& k : s) {
            k = shear(random);
        }
        CheckUnion(boxes, s);
    }
}

TEST(Union, RefusesWhatIsNotAClosedArrangement)
{
    const Box unit{{0, 0, 0}, {1, 1, 1}, 1};
    Grid open = Boxes({unit});
    open.triangles.pop_back();
    const Grid overlapping = Boxes({unit, unit}, {}, true);  // the same cube, other diagonals
    UnionResult r;
    EXPECT_EQ(Unite(open.points.data(), uint32_t(open.points.size()), open.triangles.data(),
                    uint32_t(open.triangles.size()), r), kUniteOk);
    EXPECT_FALSE(r.closed);
    EXPECT_TRUE(r.triangles.empty());
    EXPECT_EQ(Unite(overlapping.points.data(), uint32_t(overlapping.points.size()), overlapping.triangles.data(),
                    uint32_t(overlapping.triangles.size()), r), kUniteNotArranged);
    EXPECT_TRUE(r.triangles.empty() && r.closed);
    // Two tetrahedra on one edge, each reaching into the other's wedge
    // round it without being split: the windings round the edge disagree.
    const std::vector<T3DVECF> tets = {{0, 0, 0}, {0, 0, 1}, {1, 0, 0.5}, {0, 1, 0.5}, {1, 1, 0.5}, {-1, -0.2, 0.5}};
    std::vector<TRIANGLE> faces;
    for (const auto& [p, q] : {std::pair{2u, 3u}, std::pair{4u, 5u}}) {
        for (const TRIANGLE t : {TRIANGLE{0, 1, p}, TRIANGLE{1, 0, q}, TRIANGLE{0, p, q}, TRIANGLE{1, q, p}}) {
            faces.push_back(t);
        }
    }
    EXPECT_EQ(Unite(tets.data(), uint32_t(tets.size()), faces.data(), uint32_t(faces.size()), r), kUniteNotArranged);

    const T3DVECF nan = {std::nan(""), 0, 0}, huge = {1e101, 0, 0};
    struct Bad {
        std::vector<T3DVECF> points;
        std::vector<TRIANGLE> triangles;
    };
    const std::vector<Bad> bad = {
        {{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 3}}},          // index out of range
        {{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 1}}},          // repeated index
        {{{0, 0, 0}, {1, 1, 1}, {2, 2, 2}}, {{0, 1, 2}}},          // no area
        {{nan, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}}},                // not finite
        {{huge, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}}},               // beyond the exact range
    };
    for (const Bad& b : bad) {
        EXPECT_EQ(Unite(b.points.data(), 3, b.triangles.data(), 1, r), kUniteBadInput);
    }
    EXPECT_EQ(Unite(nullptr, 3, nullptr, 0, r), kUniteBadInput);
    EXPECT_EQ(Unite(nullptr, 0, nullptr, 0, r), kUniteOk);
    EXPECT_TRUE(r.closed && r.triangles.empty());
}

// A pyramid over a dart whose notch lies under the apex, its point of
// largest x: two faces there look back along -x, so the ray from the first
// runs through the pyramid and meets a box held inside it, its own winding
// there 1. The box comes first in the input, so that the pyramid's winding
// follows from the box's through that link (the two rays link back and
// forth: a cycle, which the box's full ray breaks).
TEST(Union, RayThroughItsOwnInside)
{
    for (const int sign : {1, -1}) {
        testing::TestMesh mesh = testing::UnitCube();
        for (T3DVECF& p : mesh.points) {
            p = {4.5 + p.x, -1.375 + 0.0625 * p.y, -2.0625 + 0.125 * p.z};
        }
        for (TRIANGLE& t : mesh.triangles) {
            t = sign > 0 ? t : TRIANGLE{t.a, t.c, t.b};
        }
        // Apex 8; the dart A, D, C, B counterclockwise seen from +x, D its notch.
        for (const T3DVECF p : {T3DVECF{10, 0, -2}, {0, -4, -3}, {0, 0, -1}, {0, 4, -3}, {0, 0, 4}}) {
            mesh.points.push_back(p);
        }
        for (uint32_t k = 0; k < 4; ++k) {
            mesh.AddTriangle(9 + k, 9 + (k + 1) % 4, 8);
        }
        mesh.AddTriangle(9, 12, 10);
        mesh.AddTriangle(10, 12, 11);
        UnionResult r;
        ASSERT_EQ(Unite(mesh.points.data(), uint32_t(mesh.points.size()), mesh.triangles.data(),
                        uint32_t(mesh.triangles.size()), r), kUniteOk);
        EXPECT_EQ(r.triangles.size(), sign > 0 ? 6u : 18u);
        EXPECT_EQ(Volume6(mesh.points, r.triangles), sign > 0 ? 400.0 : 400.0 - 0.046875);
    }
}

// Parallel slanted triangles across a ray, each its own component, their
// boxes overlapping in x: the first one crossed is the one of smallest x.
TEST(Union, NearestFaceAlongTheRay)
{
    std::mt19937 random(5);
    std::uniform_real_distribution<double> start(1.0, 5.0), slope(-0.3, 0.3);
    for (int round = 0; round < 30; ++round) {
        std::vector<T3DVECF> points = {{0, 0, 0}, {0, 0.3, 0}, {0, 0, 0.6}};  // centroid (0, 0.1, 0.2)
        WorkArray<UnionFace> faces = {{{0, 1, 2}, 0, UINT32_MAX, 1}};
        WorkArray<uint32_t> component = {0};
        std::pair<double, uint32_t> first{1e9, 0};
        const double a = slope(random), b = slope(random);
        for (uint32_t k = 1; k <= 8; ++k) {
            const double x0 = start(random);
            const uint32_t n = uint32_t(points.size());
            for (const auto& [y, z] : {std::pair{-10.0, -10.0}, {10.0, -10.0}, {0.0, 10.0}}) {
                points.push_back({x0 + a * y + b * z, y, z});
            }
            faces.push_back({{n, n + 1, n + 2}, k, UINT32_MAX, 1});
            component.push_back(k);
            first = std::min(first, {x0 + a * 0.1 + b * 0.2, k});
        }
        WindingRays rays;
        rays.Build(points.data(), uint32_t(points.size()), faces, component);
        uint32_t hit = 0;
        EXPECT_EQ(rays.Nearest(0, hit), WindingRays::Hit::Found);
        EXPECT_EQ(hit, first.second);
    }
}

// Half-planes about an oblique edge at known angles, in random order,
// against their angles; a repeated one is reported.
TEST(Union, RadialOrderFollowsTheAngles)
{
    std::mt19937 random(3);
    std::uniform_real_distribution<double> unit(-1.0, 1.0), turn(0.0, 6.283);
    for (int round = 0; round < 40; ++round) {
        const T3DVECF u{unit(random), unit(random), unit(random)}, v{unit(random) + 2, unit(random), unit(random)};
        const double d[3] = {v.x - u.x, v.y - u.y, v.z - u.z};
        const double length = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
        const double n[3] = {d[0] / length, d[1] / length, d[2] / length};
        // e1 perpendicular to the edge, e2 = n x e1: e1 x e2 = n.
        double e1[3] = {-n[1], n[0], 0.0};
        const double l1 = std::hypot(e1[0], e1[1]);
        e1[0] /= l1, e1[1] /= l1;
        const double e2[3] = {n[1] * e1[2] - n[2] * e1[1], n[2] * e1[0] - n[0] * e1[2], n[0] * e1[1] - n[1] * e1[0]};
        std::vector<T3DVECF> points = {u, v};
        std::vector<std::pair<double, uint32_t>> angles;
        WorkArray<RadialFace> around;
        for (uint32_t k = 0; k < 20; ++k) {
            const double a = turn(random), s = unit(random) + 1.5, r = 0.5 + 0.5 * unit(random) + 0.1;
            double p[3];
            for (int i = 0; i < 3; ++i) {
                p[i] = (i == 0 ? u.x : i == 1 ? u.y : u.z) + s * d[i] + r * (std::cos(a) * e1[i] + std::sin(a) * e2[i]);
            }
            points.push_back({p[0], p[1], p[2]});
            around.push_back({k, k + 2});
            angles.push_back({a, k});
        }
        const double start = angles[0].first;
        for (auto& [a, k] : angles) {
            a = std::fmod(a - start + 2 * 6.283185307179586, 6.283185307179586);
        }
        std::sort(angles.begin(), angles.end());
        ASSERT_TRUE(SortAroundEdge(points.data(), 0, 1, around));
        for (size_t k = 0; k < around.size(); ++k) {
            EXPECT_EQ(around[k].face, angles[k].second);
        }
        around.push_back({99, around[round % around.size()].apex});
        EXPECT_FALSE(SortAroundEdge(points.data(), 0, 1, around));
    }
}

}  // namespace
}  // namespace meshaudit::arrangement
