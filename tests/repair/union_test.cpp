// The union of arranged closed shells. The shells are boxes on an integer
// grid made of unit squares, each split along the same diagonal, so that
// coincident squares share their point ids and crossing boxes meet only along
// grid lines: any set of them is arranged. The union is checked against the
// winding number counted per grid cell, by hand and on random boxes, in
// sheared coordinates too (an integer shear of determinant 1 keeps every
// volume and makes the planes oblique).
#include "repair/arrangement/RadialOrder.h"
#include "repair/arrangement/Union.h"

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
    double volume6 = 0.0;
    for (size_t i = 0; i < r.triangles.size(); ++i) {
        const TRIANGLE& t = r.triangles[i];
        got.push_back(Canonical(t));
        EXPECT_EQ(Canonical(g.triangles.at(r.triangleFrom.at(i))), got.back());
        const T3DVECF &a = g.points[t.a], &b = g.points[t.b], &c = g.points[t.c];
        volume6 += a.x * (b.y * c.z - b.z * c.y) + a.y * (b.z * c.x - b.x * c.z) + a.z * (b.x * c.y - b.y * c.x);
    }
    for (const TRIANGLE& t : expected) {
        want.push_back(Canonical(t));
    }
    std::sort(got.begin(), got.end());
    std::sort(want.begin(), want.end());
    EXPECT_EQ(got, want);
    EXPECT_EQ(volume6, 6.0 * cells);
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
        std::vector<RadialFace> around;
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
