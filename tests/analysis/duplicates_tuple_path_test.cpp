// The duplicate counts of points, edges and triangles (which count on point
// ranks and packed indices) against the plain tree count over the full keys
// and a std::map count, on random meshes with both zeros, infinities, NaN,
// degenerate and repeated triangles, corners out of range and near duplicates.
#include "analysis/edges/EdgeAnalyses.h"
#include "analysis/points/PointAnalyses.h"
#include "analysis/triangles/TriangleAnalyses.h"
#include "containers/CountDuplicates.h"
#include "containers/Keys.h"
#include "model/MeshTopology.h"
#include "support/TestMeshes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <map>
#include <random>
#include <tuple>
#include <utility>

namespace meshaudit {
namespace {

using testing::TestMesh;

constexpr DuplicateCodes kCodes{-100, -101, -102, -103};

template <typename T>
void SortThree(T& a, T& b, T& c)
{
    if (b < a) {
        std::swap(a, b);
    }
    if (c < b) {
        std::swap(b, c);
    }
    if (b < a) {
        std::swap(a, b);
    }
}

struct Expected {
    DuplicateSums points;
    DuplicateSums edgesTopological;
    DuplicateSums edgesGeometrical;
    DuplicateSums trianglesTopological;
    DuplicateSums trianglesGeometrical;
};

void ExpectSame(const DuplicateSums& got, const DuplicateSums& want, const char* what, int round)
{
    EXPECT_EQ(got.members, want.members) << what << " round " << round;
    EXPECT_EQ(got.classes, want.classes) << what << " round " << round;
}

TestMesh RandomMesh(std::mt19937& random, uint32_t pointCount, uint32_t triangleCount,
                    bool withNaN, uint32_t outOfRange)
{
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double values[] = {0.0, -0.0, 1.0, -1.0, 0.5, std::nextafter(0.5, 1.0),
                             std::nextafter(0.0, 1.0), -std::nextafter(0.0, 1.0), inf, -inf,
                             2.0, 1e300};
    std::uniform_int_distribution<int> pick(0, 11);
    std::uniform_int_distribution<int> rare(0, 60);
    TestMesh m;
    for (uint32_t i = 0; i < pointCount; ++i) {
        double c[3];
        for (double& v : c) {
            v = values[pick(random)];
            if (withNaN && rare(random) == 0) {
                v = nan;
            }
        }
        m.AddPoint(c[0], c[1], c[2]);
    }
    std::uniform_int_distribution<uint32_t> corner(0, pointCount - 1 + outOfRange);
    for (uint32_t t = 0; t < triangleCount; ++t) {
        TRIANGLE tri{corner(random), corner(random), corner(random)};
        const int kind = rare(random);
        if (kind < 5) {
            tri.c = tri.a;  // degenerate
        } else if (kind < 7) {
            tri.b = tri.a;
            tri.c = tri.a;
        } else if (kind < 12 && t > 0) {
            // A copy of an earlier triangle, rotated or reversed.
            const TRIANGLE& other = m.triangles[corner(random) % t];
            tri = kind % 2 == 0 ? TRIANGLE{other.b, other.c, other.a}
                                : TRIANGLE{other.c, other.b, other.a};
        }
        m.AddTriangle(tri.a, tri.b, tri.c);
    }
    return m;
}

template <typename Key, typename Fill>
DuplicateSums Tree(uint32_t n, Fill fill)
{
    DuplicateSums sums;
    EXPECT_EQ(CountDuplicatesInTree<Key>(n, fill, kCodes, sums), 0);
    return sums;
}

Expected TreeCounts(const MeshRecord& r, const T3DEDGE* edges, uint32_t edgeCount)
{
    const T3DVECF* points = r.points;
    const uint32_t pointCount = r.pointCount;
    const TRIANGLE* triangles = r.triangles;
    auto inRange = [pointCount](uint32_t p) { return p < pointCount; };
    Expected e;
    e.points = Tree<T3DVECF>(pointCount, [points](uint32_t i, T3DVECF& key) {
        key = points[i];
        return true;
    });
    if (edgeCount != 0) {
        e.edgesTopological = Tree<T3DEDGE>(edgeCount, [edges](uint32_t i, T3DEDGE& key) {
            const uint32_t a = edges[i].first, b = edges[i].second;
            key = a < b ? T3DEDGE{a, b} : T3DEDGE{b, a};
            return true;
        });
        e.edgesGeometrical = Tree<T3DSEGMT>(edgeCount, [&](uint32_t i, T3DSEGMT& key) {
            if (!inRange(edges[i].first) || !inRange(edges[i].second)) {
                return false;
            }
            const T3DVECF& a = points[edges[i].first];
            const T3DVECF& b = points[edges[i].second];
            key = b < a ? T3DSEGMT{b, a} : T3DSEGMT{a, b};
            return true;
        });
    }
    e.trianglesTopological = Tree<TRIANGLE>(r.triangleCount, [triangles](uint32_t t, TRIANGLE& key) {
        key = triangles[t];
        SortThree(key.a, key.b, key.c);
        return true;
    });
    e.trianglesGeometrical = Tree<T3DTRGL>(r.triangleCount, [&](uint32_t t, T3DTRGL& key) {
        const TRIANGLE& tri = triangles[t];
        if (!inRange(tri.a) || !inRange(tri.b) || !inRange(tri.c)) {
            return false;
        }
        key.corner[0] = points[tri.a];
        key.corner[1] = points[tri.b];
        key.corner[2] = points[tri.c];
        SortThree(key.corner[0], key.corner[1], key.corner[2]);
        return true;
    });
    return e;
}

// Without NaN, a plain std::map count too (+0.0 stands for both zeros),
// through the member and class counters themselves.
using PointKey = std::tuple<double, double, double>;

PointKey KeyOf(const T3DVECF& p)
{
    auto z = [](double v) { return v == 0.0 ? 0.0 : v; };
    return {z(p.x), z(p.y), z(p.z)};
}

template <typename Map>
void ExpectMapSums(int32_t members, int32_t classes, const Map& occurrences, const char* what,
                   int round)
{
    int32_t m = 0, c = 0;
    for (const auto& entry : occurrences) {
        if (entry.second > 1) {
            m += entry.second;
            ++c;
        }
    }
    EXPECT_EQ(members, m) << what << " round " << round;
    EXPECT_EQ(classes, c) << what << " round " << round;
}

void CheckAgainstMaps(TestMesh& m, int round)
{
    const MeshRecord r = m.Record();
    const uint32_t n = r.pointCount;
    std::map<PointKey, int> points;
    for (const T3DVECF& p : m.points) {
        if (std::isnan(p.x) || std::isnan(p.y) || std::isnan(p.z)) {
            return;
        }
        ++points[KeyOf(p)];
    }
    std::map<std::array<uint32_t, 3>, int> byIndex;
    std::map<std::array<PointKey, 3>, int> byCorners;
    for (const TRIANGLE& t : m.triangles) {
        std::array<uint32_t, 3> indices{t.a, t.b, t.c};
        std::sort(indices.begin(), indices.end());
        ++byIndex[indices];
        if (t.a < n && t.b < n && t.c < n) {
            std::array<PointKey, 3> corners{KeyOf(m.points[t.a]), KeyOf(m.points[t.b]),
                                            KeyOf(m.points[t.c])};
            std::sort(corners.begin(), corners.end());
            ++byCorners[corners];
        }
    }
    ExpectMapSums(points::CountDuplicatedGeometrical(r),
                  points::CountClassesOfDuplicatedGeometrical(r), points, "map points", round);
    ExpectMapSums(triangles::CountDuplicatedTopological(r),
                  triangles::CountClassesOfDuplicatedTopological(r), byIndex,
                  "map topological triangles", round);
    ExpectMapSums(triangles::CountDuplicatedGeometrical(r),
                  triangles::CountClassesOfDuplicatedGeometrical(r), byCorners,
                  "map geometrical triangles", round);
}

void CheckMesh(TestMesh& m, int round)
{
    CheckAgainstMaps(m, round);
    const MeshRecord r = m.Record();
    // The topology refuses indices out of range: edges are then left out.
    MeshTopology topology;
    topology.Attach(r);
    uint32_t edgeCount = 0;
    const T3DEDGE* edges = topology.Edges(edgeCount);
    const bool withEdges = topology.Status() == 0 && edges != nullptr;
    const Expected want = TreeCounts(r, edges, withEdges ? edgeCount : 0);

    DuplicateSums got;
    ASSERT_EQ(points::ExactDuplicates(r, got), 0);
    ExpectSame(got, want.points, "points", round);
    if (withEdges) {
        ASSERT_EQ(TopologicalEdgeDuplicates(r, topology, got), 0);
        ExpectSame(got, want.edgesTopological, "topological edges", round);
        ASSERT_EQ(GeometricalEdgeDuplicates(r, topology, got), 0);
        ExpectSame(got, want.edgesGeometrical, "geometrical edges", round);
    }
    ASSERT_EQ(triangles::TopologicalDuplicates(r, got), 0);
    ExpectSame(got, want.trianglesTopological, "topological triangles", round);
    ASSERT_EQ(triangles::GeometricalDuplicates(r, got), 0);
    ExpectSame(got, want.trianglesGeometrical, "geometrical triangles", round);
}

TEST(DuplicatesTuplePath, MatchesTheTreeOnRandomMeshes)
{
    std::mt19937 random(4242);
    for (int round = 0; round < 300; ++round) {
        const bool withNaN = round % 3 == 2;
        const uint32_t pointCount = 1 + random() % (round < 150 ? 40 : 3000);
        const uint32_t triangleCount = 1 + random() % (round < 150 ? 60 : 4000);
        const uint32_t outOfRange = round % 4 == 1 ? 3 : 0;
        TestMesh m = RandomMesh(random, pointCount, triangleCount, withNaN, outOfRange);
        CheckMesh(m, round);
    }
}

// Indices too wide to pack three to an integer: the wide keys (and the map
// count, where no NaN).
TEST(DuplicatesTuplePath, MatchesTheTreeWithHugeIndices)
{
    std::mt19937 random(99);
    for (int round = 0; round < 20; ++round) {
        TestMesh m = RandomMesh(random, 50, 200, round % 2 == 1, 0);
        const uint32_t huge[] = {UINT32_MAX, UINT32_MAX - 1, 1u << 22, 1u << 31};
        for (int k = 0; k < 40; ++k) {
            TRIANGLE tri{static_cast<uint32_t>(random() % 50), huge[random() % 4],
                         static_cast<uint32_t>(random() % 50)};
            m.AddTriangle(tri.a, tri.b, tri.c);
            m.AddTriangle(tri.c, tri.a, tri.b);
        }
        CheckMesh(m, round);  // the geometric counts skip those triangles
    }
}

// Large clouds with many coordinates repeated (long runs at every axis, so
// the ranking's radix passes run), half with NaN.
TEST(DuplicatesTuplePath, MatchesTheTreeOnLargeClouds)
{
    std::mt19937 random(7);
    for (int round = 0; round < 6; ++round) {
        TestMesh m;
        const uint32_t n = 20000;
        std::uniform_int_distribution<int> lattice(-3, 3);
        for (uint32_t i = 0; i < n; ++i) {
            const double x = round < 2 ? 0.0 : lattice(random) * 0.5;
            const double y = lattice(random) == 0 ? -0.0 : lattice(random) * 0.25;
            double z = lattice(random) * 1e-3;
            if (round % 2 == 1 && random() % 5000 == 0) {
                z = std::numeric_limits<double>::quiet_NaN();
            }
            m.AddPoint(x, y, z);
        }
        for (uint32_t t = 0; t < 30000; ++t) {
            m.AddTriangle(static_cast<uint32_t>(random() % n), static_cast<uint32_t>(random() % n),
                          static_cast<uint32_t>(random() % n));
        }
        CheckMesh(m, round);
    }
}

}  // namespace
}  // namespace meshaudit
