// The duplicate counts against a plain std::map count on random meshes with
// many repeats (no NaN, where the tree order and the map order agree).
#include "analysis/points/PointAnalyses.h"
#include "analysis/triangles/TriangleAnalyses.h"
#include "support/TestMeshes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <map>
#include <random>
#include <tuple>

namespace meshaudit {
namespace {

using testing::TestMesh;

struct Sums {
    int32_t members = 0;
    int32_t classes = 0;
};

template <typename Map>
Sums SumsOf(const Map& occurrences)
{
    Sums s;
    for (const auto& [key, n] : occurrences) {
        if (n > 1) {
            s.members += n;
            ++s.classes;
        }
    }
    return s;
}

using PointKey = std::tuple<double, double, double>;

PointKey KeyOf(const T3DVECF& p)
{
    // +0.0 stands for both zeros: the library compares them as equal.
    auto z = [](double v) { return v == 0.0 ? 0.0 : v; };
    return {z(p.x), z(p.y), z(p.z)};
}

// Points on a small lattice (so that many coincide), some with -0.0, and
// triangles over a few of them (so that index sets repeat), some with a
// corner out of range.
TestMesh RandomMesh(std::mt19937& random, uint32_t pointCount, uint32_t triangleCount,
                    uint32_t outOfRange)
{
    std::uniform_int_distribution<int> lattice(-2, 2);
    TestMesh m;
    for (uint32_t i = 0; i < pointCount; ++i) {
        const double x = lattice(random) * 0.5;
        const int k = lattice(random);
        const double y = k == 0 ? -0.0 : (k > 0 ? 0.0 : 1.0);  // both zeros meet
        const double z = lattice(random) * 0.25;
        m.AddPoint(x, y, z);
    }
    std::uniform_int_distribution<uint32_t> corner(0, pointCount - 1 + outOfRange);
    for (uint32_t t = 0; t < triangleCount; ++t) {
        m.AddTriangle(corner(random), corner(random), corner(random));
    }
    return m;
}

TEST(DuplicatesRandom, PointsMatchAMapCount)
{
    std::mt19937 random(20240601);
    for (int round = 0; round < 40; ++round) {
        const uint32_t n = 1 + random() % 400;
        TestMesh m = RandomMesh(random, n, 1, 0);
        std::map<PointKey, int> occurrences;
        for (const T3DVECF& p : m.points) {
            ++occurrences[KeyOf(p)];
        }
        const Sums expected = SumsOf(occurrences);
        EXPECT_EQ(points::CountDuplicatedGeometrical(m.Record()), expected.members) << round;
        EXPECT_EQ(points::CountClassesOfDuplicatedGeometrical(m.Record()), expected.classes)
            << round;
    }
}

TEST(DuplicatesRandom, TrianglesMatchAMapCount)
{
    std::mt19937 random(77);
    for (int round = 0; round < 40; ++round) {
        const uint32_t n = 3 + random() % 12;
        const uint32_t triangleCount = 1 + random() % 300;
        TestMesh m = RandomMesh(random, n, triangleCount, round % 2 == 0 ? 0 : 2);

        std::map<std::array<uint32_t, 3>, int> byIndex;
        std::map<std::array<PointKey, 3>, int> byCorners;
        for (const TRIANGLE& t : m.triangles) {
            std::array<uint32_t, 3> indices{t.a, t.b, t.c};
            std::sort(indices.begin(), indices.end());
            ++byIndex[indices];
            if (t.a >= n || t.b >= n || t.c >= n) {
                continue;
            }
            std::array<PointKey, 3> corners{KeyOf(m.points[t.a]), KeyOf(m.points[t.b]),
                                            KeyOf(m.points[t.c])};
            std::sort(corners.begin(), corners.end());
            ++byCorners[corners];
        }
        const Sums topological = SumsOf(byIndex);
        const Sums geometrical = SumsOf(byCorners);
        const MeshRecord r = m.Record();
        EXPECT_EQ(triangles::CountDuplicatedTopological(r), topological.members) << round;
        EXPECT_EQ(triangles::CountClassesOfDuplicatedTopological(r), topological.classes) << round;
        EXPECT_EQ(triangles::CountDuplicatedGeometrical(r), geometrical.members) << round;
        EXPECT_EQ(triangles::CountClassesOfDuplicatedGeometrical(r), geometrical.classes) << round;
        // Equal index sets mean equal corner sets.
        EXPECT_GE(triangles::CountDuplicatedGeometrical(r),
                  round % 2 == 0 ? triangles::CountDuplicatedTopological(r) : 0);
    }
}

}  // namespace
}  // namespace meshaudit
