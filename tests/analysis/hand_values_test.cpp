// Values a brute-force count on small random meshes cannot pin: NaN keys,
// the summation order of the volume, the wrap of the handle count, and the
// large inputs that the fast paths (radix passes, cut-short walks) need before they run.
#include "analysis/MeshBuilders.h"
#include "analysis/edges/EdgeAnalyses.h"
#include "analysis/mesh/MeshAnalyses.h"
#include "analysis/mesh/MeshSteps.h"
#include "analysis/points/PointAnalyses.h"
#include "analysis/triangles/TriangleAnalyses.h"
#include "model/MeshTopology.h"

#include <gtest/gtest.h>

#include <array>
#include <cfloat>
#include <cmath>
#include <limits>
#include <map>
#include <random>
#include <vector>

namespace meshaudit {
namespace {

using testing::TestMesh;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(HandValues, NaNKeysAndNonFiniteCounts)
{
    // (NaN, 0, 0) is neither less nor greater than (0, 0, 0): one key.
    TestMesh m = testing::MeshOf({{0, 0, 0}, {0, 0, 0}, {kNaN, 0, 0}}, {{0, 1, 2}});
    EXPECT_EQ(points::CountDuplicatedGeometrical(m.Record()), 3);
    EXPECT_EQ(points::CountClassesOfDuplicatedGeometrical(m.Record()), 1);
    m.points[1].z = -0.0;  // -0.0 equals 0.0
    EXPECT_EQ(points::CountDuplicatedGeometrical(m.Record()), 3);
    m.AddPoint(std::numeric_limits<double>::signaling_NaN(), 1, 1);
    m.AddPoint(DBL_MAX, -0.0, 1e-320);  // finite extremes
    EXPECT_EQ(points::CountNAN(m.Record()), 2);
    EXPECT_EQ(points::CountINF(m.Record()), 0);
    // Only NaN lengths: the extremes keep their starting values (the counts
    // over NaN lengths and corners are compared on the random meshes).
    TestMesh lost = testing::MeshOf({{kNaN, kNaN, kNaN}, {kNaN, 0, 0}, {0, kNaN, 0}}, {{0, 1, 2}, {0, 0, 0}});
    MeshTopology topology;
    topology.Attach(lost.Record());
    EXPECT_EQ(MinimalEdgeLength(lost.Record(), topology), DBL_MAX);
    EXPECT_EQ(MaximalEdgeLength(lost.Record(), topology), 0.0);
}

// Triangle (a,0,0), (0,1,0), (0,0,1): determinant a.
void AddAxisTriangle(TestMesh& m, double a)
{
    const uint32_t p = m.AddPoint(a, 0, 0);
    const uint32_t q = m.AddPoint(0, 1, 0);
    const uint32_t r = m.AddPoint(0, 0, 1);
    m.AddTriangle(p, q, r);
}

// The mesh formulas: the volume's summation order, the handles from the
// Euler relation and the inclusion rule.
TEST(HandValues, VolumeHandlesAndInclusionRules)
{
    // In index order 1e16 + 1 rounds back to 1e16 and both ones are lost;
    // summed from the smallest magnitude up they give 2.
    TestMesh order;
    AddAxisTriangle(order, 1e16);
    AddAxisTriangle(order, 1.0);
    AddAxisTriangle(order, 1.0);
    AddAxisTriangle(order, -1e16);
    EXPECT_EQ(ComputeVolume(order.Record()), 2.0 / 6.0);

    struct Euler {
        uint32_t k, v, i, e, b, t, x;
        int32_t expected;
    };
    const Euler euler[] = {
        {1, 0, 0, 3, 0, 0, 0, 2},     // -3 / 2 truncates toward zero to -1
        {1, 3, 0, 0, 0, 0, 0, 0},     // 3 / 2 is 1
        {0, 0x80000000u, 0, 0, 0, 0, 0, 1073741824},  // reads as INT32_MIN
        {0xFFFFFFFBu, 3, 0, 3, 1, 1, 0, -6},          // a failure code wraps without a fault
    };
    for (const Euler& c : euler) {
        EXPECT_EQ(HandlesFromEuler(c.k, c.v, c.i, c.e, c.b, c.t, c.x), c.expected) << c.v << " " << c.e;
    }
    // Inclusion: one closed, oriented piece of strictly positive volume; -1
    // when an input failed.
    struct Inclusion {
        int32_t components, borders;
        int8_t oriented;
        double volume;
        int8_t expected;
    };
    const Inclusion inclusion[] = {
        {1, 0, 1, 1.0, 1},  {1, 0, 1, -1.0, 0},  {1, 0, 1, 0.0, 0},   {2, 0, 1, 1.0, 0},
        {1, 1, 1, 1.0, 0},  {1, 0, 0, 1.0, 0},   {1, 0, 1, kNaN, 0},  {-5, 0, 1, 1.0, -1},
        {1, -6, 1, 1.0, -1}, {1, 0, -1, 1.0, -1}, {1, 0, 1, -DBL_MAX, -1},
    };
    for (const Inclusion& c : inclusion) {
        EXPECT_EQ(InclusionFlag(c.components, c.borders, c.oriented, c.volume), c.expected)
            << c.components << " " << c.borders << " " << int(c.oriented) << " " << c.volume;
    }
}

// Clouds large enough for the ranking's radix passes (long runs at every
// axis) and for the epsilon count's walks, against plain counts.
TEST(HandValues, LargeCloudsMatchPlainCounts)
{
    std::mt19937 random(7);
    for (int round = 0; round < 4; ++round) {
        TestMesh m;
        const uint32_t n = 20000;
        std::uniform_int_distribution<int> lattice(-3, 3);
        for (uint32_t i = 0; i < n; ++i) {
            m.AddPoint(round < 2 ? 0.0 : lattice(random) * 0.5,
                       lattice(random) == 0 ? -0.0 : lattice(random) * 0.25, lattice(random) * 1e-3);
        }
        for (uint32_t t = 0; t < 30000; ++t) {
            m.AddTriangle(random() % n, random() % n, round % 2 == 0 ? random() % n : 0xFFFFFFF0u + t % 16);
        }
        std::map<std::array<double, 3>, int> byPosition;
        std::map<std::array<uint32_t, 3>, int> byIndex;
        for (const T3DVECF& p : m.points) {
            ++byPosition[{p.x + 0.0, p.y + 0.0, p.z + 0.0}];  // + 0.0 turns -0.0 into 0.0
        }
        for (const TRIANGLE& t : m.triangles) {
            std::array<uint32_t, 3> key{t.a, t.b, t.c};
            std::sort(key.begin(), key.end());
            ++byIndex[key];
        }
        const auto sums = [](const auto& map) {
            std::pair<int32_t, int32_t> s{0, 0};
            for (const auto& [key, count] : map) {
                s.first += count > 1 ? count : 0;
                s.second += count > 1 ? 1 : 0;
            }
            return s;
        };
        const MeshRecord r = m.Record();
        EXPECT_EQ(std::make_pair(points::CountDuplicatedGeometrical(r), points::CountClassesOfDuplicatedGeometrical(r)),
                  sums(byPosition));
        EXPECT_EQ(std::make_pair(triangles::CountDuplicatedTopological(r),
                                 triangles::CountClassesOfDuplicatedTopological(r)),
                  sums(byIndex));
    }
    // Clustered clouds: walks cut short at any point leave the rest to the
    // queries.
    for (int round = 0; round < 12; ++round) {
        const double spread = std::ldexp(1.0, -static_cast<int>(random() % 12));
        const double epsilon = spread * std::uniform_real_distribution<double>(0.2, 3.0)(random);
        std::uniform_real_distribution<double> centre(-10.0, 10.0);
        std::normal_distribution<double> jitter(0.0, spread);
        std::vector<T3DVECF> centres(1 + random() % 40);
        for (T3DVECF& c : centres) {
            c = T3DVECF{centre(random), centre(random), centre(random)};
        }
        TestMesh m;
        const int n = 2 + static_cast<int>(random() % 800);
        for (int i = 0; i < n; ++i) {
            const T3DVECF& c = centres[random() % centres.size()];
            const uint32_t kind = random() % 8;
            if (kind == 0 && !m.points.empty()) {
                const T3DVECF p = m.points[random() % m.points.size()];
                m.AddPoint(p.x, p.y, p.z);
            } else if (kind <= 1) {
                m.AddPoint(centre(random) * 10, centre(random) * 10, centre(random) * 10);
            } else {
                m.AddPoint(c.x + jitter(random), c.y + jitter(random), c.z + jitter(random));
            }
        }
        m.AddTriangle(0, 1, 0);
        int32_t expected = 0;
        for (const T3DVECF& p : m.points) {
            int partners = 0;
            for (const T3DVECF& q : m.points) {
                const double dx = q.x - p.x, dy = q.y - p.y, dz = q.z - p.z;
                partners += dx * dx + dy * dy + dz * dz > epsilon * epsilon ? 0 : 1;
            }
            expected += partners > 1 ? 1 : 0;
        }
        for (uint64_t budget : {uint64_t{0}, uint64_t{3}, uint64_t{100}, uint64_t{1000}}) {
            EXPECT_EQ(points::CountEpsilonDuplicates(m.Record(), &epsilon, budget), expected)
                << "round " << round << " budget " << budget;
        }
        EXPECT_EQ(points::CountEpsilonDuplicates(m.Record(), &epsilon), expected) << "round " << round;
    }
}

}  // namespace
}  // namespace meshaudit
