// The cheap check before the arrangement against the arrangement itself:
// on random meshes over a lattice (shared indices, coplanar fans, folded
// edges, crossings, a few points at the place of others), a mesh it finds
// clean must come out of Arrange() at the same places, resolved, in one
// round (two when points are joined), and one it finds in contact must
// not; on clean shapes it must decide.
#include "repair/arrangement/Arrangement.h"
#include "repair/arrangement/ArrangeCheck.h"
#include "repair/arrangement/ArrangeRound.h"
#include "repair/arrangement/FoldFreeFan.h"
#include "support/TestMeshes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <random>
#include <vector>

namespace meshaudit::arrangement {
namespace {

using testing::TestMesh;

// The rounds Arrange() takes to find nothing beyond equal points (1 when
// there are none): the triangles at the same corners in the same turn, no
// new point, resolved; 0 when it changes anything.
uint32_t RoundsToNothing(TestMesh& m)
{
    arrangement::Arrangement out;
    EXPECT_EQ(arrangement::kArranged, arrangement::Arrange(m.Record(), out));
    bool same = out.resolved && out.segments.empty() && out.points.size() == m.points.size() &&
                out.triangles.size() == m.triangles.size();
    const auto at = [](const auto& p, uint32_t i) { return std::array{p[i].x, p[i].y, p[i].z}; };
    for (size_t t = 0; same && t < m.triangles.size(); ++t) {
        const TRIANGLE& a = out.triangles[t];
        const TRIANGLE& b = m.triangles[t];
        bool turned = false;
        for (const TRIANGLE& r : {a, TRIANGLE{a.b, a.c, a.a}, TRIANGLE{a.c, a.a, a.b}}) {
            turned |= at(out.points, r.a) == at(m.points, b.a) && at(out.points, r.b) == at(m.points, b.b) &&
                      at(out.points, r.c) == at(m.points, b.c);
        }
        same = turned;
    }
    return same ? out.rounds : 0;
}

TEST(ArrangeCheck, AgreesWithTheArrangementOnRandomLatticeMeshes)
{
    uint32_t decided[3] = {0, 0, 0};  // contact, clean, clean with points joined
    for (uint32_t seed = 1; seed <= 3000; ++seed) {
        SCOPED_TRACE(seed);
        std::mt19937 rng(seed);
        const uint32_t side = 2 + seed % 3;
        // One index per lattice point, flat for one seed in four, and for
        // every second seed more points at lattice points' places.
        TestMesh m;
        const uint32_t lattice = seed % 4 == 0 ? side * side : side * side * side;
        for (uint32_t k = 0; k < side * side * side; ++k) {
            m.AddPoint(k % side, k / side % side, seed % 4 == 0 ? 0.0 : static_cast<double>(k / side / side));
        }
        for (uint32_t k = 0; seed % 2 == 0 && k < 2 * side; ++k) {
            const T3DVECF p = m.points[rng() % lattice];
            m.AddPoint(p.x, p.y, p.z);
        }
        const auto pick = [&] {
            const uint32_t k = static_cast<uint32_t>(rng() % (lattice + m.points.size() - side * side * side));
            return k < lattice ? k : side * side * side + (k - lattice);
        };
        // For one seed in three, fans: every triangle round the lattice's
        // middle point.
        const uint32_t middle = side / 2 * (1 + side + side * side);
        for (uint32_t t = 0, count = 2 + seed % 5; seed % 6 != 3 && t < count; ++t) {
            const uint32_t a = seed % 3 == 0 ? middle : pick(), b = pick();
            m.AddTriangle(a, b, rng() % 8 == 0 ? a : pick());
        }
        if (seed % 6 == 3) {
            // Closed fans round the middle point: a rim in the order of eight
            // directions, some left out, each point at a random height
            // (none for a flat fan), round once or twice, with two points
            // swapped now and then.
            static constexpr int kTurn[8][2] = {{1, 0}, {1, 1}, {0, 1}, {-1, 1}, {-1, 0}, {-1, -1}, {0, -1}, {1, -1}};
            const T3DVECF o = m.points[middle];
            const int turns = 1 + static_cast<int>(seed / 6 % 2);
            const auto first = static_cast<uint32_t>(m.points.size());
            const bool flat = seed / 12 % 3 == 0;
            for (int r = 1; r <= turns; ++r) {
                for (const auto& d : kTurn) {
                    if (rng() % 4 != 0) {
                        m.AddPoint(o.x + r * d[0], o.y + r * d[1], o.z + (flat ? 0.0 : rng() % 3 - 1.0));
                    }
                }
            }
            const auto count = static_cast<uint32_t>(m.points.size()) - first;
            if (rng() % 4 == 0) {
                std::swap(m.points[first + rng() % count], m.points[first + rng() % count]);
            }
            for (uint32_t t = 0; t < count; ++t) {
                m.AddTriangle(middle, first + t, first + (t + 1) % count);
            }
        }
        const ArrangeCheck check = CheckArrangement(m.Record());
        if (check != ArrangeCheck::Unknown && check != ArrangeCheck::Crowded) {
            const uint32_t rounds[] = {0, 1, 2};
            const int k = check == ArrangeCheck::Contact ? 0 : check == ArrangeCheck::Clean ? 1 : 2;
            EXPECT_EQ(rounds[k], RoundsToNothing(m));
            ++decided[k];
        }
    }
    EXPECT_GT(decided[0], 50u);
    EXPECT_GT(decided[1], 50u);
    EXPECT_GT(decided[2], 2u);
}

// The fan test's two ways to chain the faces, scanning and sorting, on
// random fans of up to twice the scanned size: rims of lattice points in
// random order (so sides fold back, cross, or lie on one line), closed or
// open, a face turned or repeated now and then, the faces shuffled.
TEST(ArrangeCheck, FanScanMatchesFanSort)
{
    uint32_t foldFree = 0, fans = 0;
    for (uint32_t seed = 1; seed <= 400; ++seed) {
        std::mt19937 rng(seed);
        TestMesh m;
        m.AddPoint(0, 0, 0);
        const uint32_t rim = 3 + seed % (2 * kScannedFan);
        const double lean = seed % 3 == 0 ? 0.0 : 0.5;
        for (uint32_t k = 0; k < rim; ++k) {
            // Ordered by angle for most seeds, so that many fans fold free.
            const double angle = 6.283185307179586 * (seed % 4 == 0 ? rng() % 64 : k * 64 / rim) / 64.0;
            m.AddPoint(std::round(8 * std::cos(angle)), std::round(8 * std::sin(angle)), lean * (rng() % 3));
        }
        const bool closed = seed % 2 == 0;
        for (uint32_t k = 0; k + (closed ? 0 : 1) < rim; ++k) {
            const uint32_t a = 1 + k, b = 1 + (k + 1) % rim;
            m.AddTriangle(0, rng() % 16 == 0 ? b : a, rng() % 16 == 0 ? a : b);
            if (rng() % 32 == 0) {
                m.AddTriangle(0, a, b);
            }
        }
        std::shuffle(m.triangles.begin(), m.triangles.end(), rng);
        const auto corners = [&m](uint32_t t, std::array<uint32_t, 3>& ids) {
            const TRIANGLE& tri = m.triangles[t];
            ids = {tri.a, tri.b, tri.c};
            return tri.a != tri.b && tri.b != tri.c && tri.a != tri.c;
        };
        const auto at = [&m](uint32_t p) { return m.points[p]; };
        FanWork scan, sort;
        ForEachFan(static_cast<uint32_t>(m.points.size()), static_cast<uint32_t>(m.triangles.size()), corners, at,
                   [&](uint32_t p, const FanFace* faces, uint32_t count) {
                       const bool free = FoldFreeFan(faces, count, p, m.points.data(), scan);
                       EXPECT_EQ(free, FoldFreeFan(faces, count, p, m.points.data(), sort, 0)) << seed << " " << p;
                       foldFree += p == 0 && free;
                       fans += p == 0;
                       return true;
                   });
    }
    EXPECT_GT(foldFree, 50u);
    EXPECT_GT(fans - foldFree, 100u);
}

// A closed fan round the origin over the rim points (x, y) in the plane
// z = 0, in their order.
TestMesh RimFan(std::initializer_list<std::array<double, 2>> rim)
{
    TestMesh m;
    m.AddPoint(0, 0, 0);
    for (const auto& [x, y] : rim) {
        m.AddPoint(x, y, 0);
    }
    const auto n = static_cast<uint32_t>(rim.size());
    for (uint32_t k = 0; k < n; ++k) {
        m.AddTriangle(0, 1 + k, 1 + (k + 1) % n);
    }
    return m;
}

// Faces round the origin over pages, wedges that meet there: page b runs
// from direction bounds[b] to the next (cyclically), in their plane, in
// `per` faces; the rim runs from page to page back to its start. The rim
// points lie 64 from the origin (40 for a second turn over the same
// pages), turned by `turn` when given, rounded to a 1/1024 grid (so pages
// are flat only up to that rounding), then moved by `at`.
TestMesh PagedFan(std::vector<std::array<double, 3>> bounds, uint32_t per, const double (*turn)[3], bool twice,
                  const double* at)
{
    for (auto& u : bounds) {
        const double length = std::sqrt(u[0] * u[0] + u[1] * u[1] + u[2] * u[2]);
        u = {u[0] / length, u[1] / length, u[2] / length};
    }
    TestMesh m;
    m.AddPoint(at[0], at[1], at[2]);
    const auto n = static_cast<uint32_t>(bounds.size());
    for (uint32_t b = 0; b < (twice ? 2 * n : n); ++b) {
        const auto& u = bounds[b % n];
        const auto& v = bounds[(b + 1) % n];
        const double dot = u[0] * v[0] + u[1] * v[1] + u[2] * v[2];
        const double w[3] = {v[0] - dot * u[0], v[1] - dot * u[1], v[2] - dot * u[2]};
        const double length = std::sqrt(w[0] * w[0] + w[1] * w[1] + w[2] * w[2]);
        const double angle = std::atan2(length, dot);
        for (uint32_t k = 0; k < per; ++k) {
            const double a = angle * k / per;
            double q[3], r[3];
            for (int c = 0; c < 3; ++c) {
                q[c] = (b < n ? 64 : 40) * (std::cos(a) * u[c] + std::sin(a) * w[c] / length);
            }
            for (int c = 0; c < 3; ++c) {
                r[c] = turn == nullptr ? q[c] : turn[c][0] * q[0] + turn[c][1] * q[1] + turn[c][2] * q[2];
                r[c] = std::round(r[c] * 1024) / 1024 + at[c];
            }
            m.AddPoint(r[0], r[1], r[2]);
        }
    }
    // Rim points at one place are one point, as the check takes them.
    const auto rim = static_cast<uint32_t>(m.points.size()) - 1;
    std::vector<uint32_t> id(rim + 1);
    for (uint32_t k = 0; k <= rim; ++k) {
        const auto same = [&](const T3DVECF& q) {
            return q.x == m.points[k].x && q.y == m.points[k].y && q.z == m.points[k].z;
        };
        id[k] = static_cast<uint32_t>(std::find_if(m.points.begin(), m.points.end(), same) - m.points.begin());
    }
    for (uint32_t k = 0; k < rim; ++k) {
        m.AddTriangle(0, id[1 + k], id[1 + (k + 1) % rim]);
    }
    return m;
}

// Fans of 12 to 148 faces over pages, turned at random for three seeds in
// four: a crease along x (two half-planes at any angle), a box's corner,
// the apex of a pyramid; for every third seed the rim goes round twice, so
// that faces overlap. A fan the check calls clean must meet nothing when
// every pair round every point is tested, and one it finds in contact must
// meet something. Above kMostFan, creases and corners are told without
// pairs.
TEST(ArrangeCheck, CreaseAndCornerFansMatchEveryPairTested)
{
    const double pi = 3.141592653589793;
    uint32_t cleanCrowds = 0, contacts = 0;
    for (uint32_t seed = 1; seed <= 240; ++seed) {
        SCOPED_TRACE(seed);
        std::mt19937 rng(seed);
        std::uniform_real_distribution<double> unit(-1.0, 1.0);
        const double open = pi * (1 + 0.95 * unit(rng));
        const std::vector<std::array<double, 3>> bounds[] = {
            {{1, 0, 0}, {0, 1, 0}, {-1, 0, 0}, {0, std::cos(open), std::sin(open)}},
            {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}},
            {{1, 0, -0.3}, {0, 1, -0.3}, {-1, 0, -0.3}, {0, -1, -0.3}},
        };
        const double axis[3] = {unit(rng), unit(rng), unit(rng)};
        const double length = std::sqrt(axis[0] * axis[0] + axis[1] * axis[1] + axis[2] * axis[2]);
        const double angle = pi * unit(rng), c = std::cos(angle), s = std::sin(angle);
        double turn[3][3];
        for (int i = 0; i < 3; ++i) {
            for (int j = 0; j < 3; ++j) {
                turn[i][j] = (1 - c) * axis[i] * axis[j] / (length * length) + (i == j ? c : 0.0);
            }
            const int j = (i + 1) % 3, k = (i + 2) % 3;
            turn[j][k] -= s * axis[i] / length;
            turn[k][j] += s * axis[i] / length;
        }
        const bool twice = seed % 6 == 1 || seed % 6 == 4;
        const double at[3] = {std::round(1024 * 100 * unit(rng)) / 1024, std::round(1024 * 100 * unit(rng)) / 1024,
                              std::round(1024 * 100 * unit(rng)) / 1024};
        TestMesh m = PagedFan(bounds[rng() % 3], (twice ? 3 : 4) + static_cast<uint32_t>(rng() % (twice ? 17 : 34)),
                              seed % 4 == 0 ? nullptr : turn, twice, at);
        WorkArray<T3DVECF> points(m.points.begin(), m.points.end());
        WorkArray<TRIANGLE> triangles(m.triangles.begin(), m.triangles.end());
        RoundResult plain;
        const int64_t found = RunRound(points, triangles, RoundMode::ArrangeTestingEveryPoint, plain);
        const ArrangeCheck check = CheckArrangement(m.Record());
        if (check == ArrangeCheck::Crowded) {
            EXPECT_GT(m.triangles.size(), kMostFan);
            continue;
        }
        EXPECT_NE(check, ArrangeCheck::CleanJoined);
        EXPECT_EQ(check == ArrangeCheck::Contact, found > 0);
        cleanCrowds += check == ArrangeCheck::Clean && m.triangles.size() > kMostFan;
        contacts += check == ArrangeCheck::Contact;
    }
    EXPECT_GT(cleanCrowds, 80u);
    EXPECT_GT(contacts, 10u);
}

TEST(ArrangeCheck, CleanShapesAndWhatItLeavesOpen)
{
    struct Case {
        TestMesh mesh;
        ArrangeCheck expected;
    } cases[] = {
        {testing::Torus(12, 6), ArrangeCheck::Clean},
        {testing::Join({testing::Box(0, 1), testing::Box(2, 3)}), ArrangeCheck::Clean},
        {testing::Grid(5), ArrangeCheck::Clean},
        {testing::Book(6), ArrangeCheck::Clean},
        {testing::Join({testing::Box(0, 2), testing::Box(1, 3)}), ArrangeCheck::Contact},
        // Many round one point: a fan (open, or closed by a flat rim) is
        // told without pairs; a book on one edge is not.
        {testing::Fan(kMostFan + 1), ArrangeCheck::Clean},
        {testing::Fan(4 * kMostFan), ArrangeCheck::Clean},
        {testing::Book(kMostFan + 1), ArrangeCheck::Crowded},
        // Fans whose rims turn twice, so that their faces overlap: a
        // five-pointed star (each face turns 144 degrees, no side along
        // another), and a rim whose second turn starts along the first side.
        {RimFan({{8, 0}, {-6, 5}, {2, -8}, {2, 8}, {-6, -5}}), ArrangeCheck::Contact},
        {RimFan({{8, 0}, {-2, 8}, {-8, -2}, {2, -8}, {16, 0}, {-4, 16}, {-16, -4}, {4, -16}}), ArrangeCheck::Contact},
        // Points at the places of others: boxes touching at a corner, along an
        // edge, over a face (whose diagonals cross), and a copy.
        {testing::Join({testing::Box(0, 1), testing::Box(1, 2)}), ArrangeCheck::CleanJoined},
        {testing::Join({testing::Box(0, 1), testing::Box(1, 2, false, -1)}), ArrangeCheck::CleanJoined},
        {testing::Join({testing::Box(0, 1), testing::Box(0, 1, false, 1)}), ArrangeCheck::Contact},
        {testing::Join({testing::Box(0, 1), testing::Box(0, 1)}), ArrangeCheck::CleanJoined},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(&c - cases);
        EXPECT_EQ(c.expected, CheckArrangement(c.mesh.Record()));
        if (c.expected != ArrangeCheck::Crowded) {
            const uint32_t rounds = c.expected == ArrangeCheck::Clean         ? 1
                                    : c.expected == ArrangeCheck::CleanJoined ? 2
                                                                              : 0;
            EXPECT_EQ(rounds, RoundsToNothing(c.mesh));
        }
    }
}

}  // namespace
}  // namespace meshaudit::arrangement
