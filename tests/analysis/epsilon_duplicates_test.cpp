// The epsilon count: points with another point within the tolerance, by hand
// and against an all-pairs count on clustered clouds.
#include "analysis/points/PointAnalyses.h"
#include "containers/Memory.h"
#include "geometry/PntAabbTree.h"
#include "support/TestMeshes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

namespace meshaudit {
namespace {

using testing::TestMesh;

// A mesh of the given points and one triangle over the first (the point tree
// insists on triangles).
TestMesh Cloud(std::initializer_list<T3DVECF> points)
{
    TestMesh m;
    for (const T3DVECF& p : points) {
        m.AddPoint(p.x, p.y, p.z);
    }
    m.AddTriangle(0, 0, 0);
    return m;
}

int32_t Count(TestMesh& m, double epsilon)
{
    return points::CountEpsilonDuplicates(m.Record(), &epsilon);
}

// The same question asked of every pair, with the same squared distance and
// the same inclusive bound.
int32_t BruteForce(const TestMesh& m, double epsilon)
{
    const double r2 = epsilon * epsilon;
    const size_t n = m.points.size();
    int32_t count = 0;
    for (size_t i = 0; i < n; ++i) {
        for (size_t j = 0; j < n; ++j) {
            if (i == j) {
                continue;
            }
            const double dx = m.points[j].x - m.points[i].x;
            const double dy = m.points[j].y - m.points[i].y;
            const double dz = m.points[j].z - m.points[i].z;
            if (!(dx * dx + dy * dy + dz * dz > r2)) {
                ++count;
                break;
            }
        }
    }
    return count;
}

TEST(EpsilonDuplicates, HandCountedClouds)
{
    const double below = std::nextafter(0.5, 0.0);
    struct Case {
        const char* name;
        TestMesh mesh;
        double epsilon;
        int32_t expected;
    };
    Case cases[] = {
        {"three mutually close",
         Cloud({{0, 0, 0}, {0.001, 0, 0}, {0, 0.001, 0.0005}, {5, 5, 5}, {-5, 0, 0}}), 0.002, 3},
        {"two pairs far apart", Cloud({{0, 0, 0}, {10, 0, 0}, {0.001, 0, 0}, {10, 0.001, 0}}), 0.002, 4},
        // 0 is close to 1 and to 2, which are 0.003 apart: each counts once.
        {"chain", Cloud({{0, 0, 0}, {-0.0015, 0, 0}, {0.0015, 0, 0}, {1, 1, 1}}), 0.002, 3},
        // 0.5 is exact: the squared distance equals the squared bound.
        {"inclusive bound", Cloud({{0, 0, 0}, {0.5, 0, 0}, {3, 3, 3}}), 0.5, 2},
        {"just below the bound", Cloud({{0, 0, 0}, {0.5, 0, 0}, {3, 3, 3}}), below, 0},
        // Zero tolerance: exact duplicates; -0.0 equals 0.0, one ulp does not.
        {"zero tolerance", Cloud({{1, 2, 3}, {1, 2, 3}, {0, 0, 0}, {-0.0, 0, 0}, {1, 2, 3},
                                  {1, 2, std::nextafter(3.0, 4.0)}, {7, 7, 7}}), 0.0, 5},
        // A negative tolerance acts as its absolute value.
        {"negative tolerance", Cloud({{0, 0, 0}, {0.001, 0, 0}, {1, 0, 0}, {1.5, 0, 0}}), -0.002, 2},
        {"negative tolerance, wide", Cloud({{0, 0, 0}, {0.001, 0, 0}, {1, 0, 0}, {1.5, 0, 0}}), -0.5, 4},
        {"one point", Cloud({{1, 1, 1}}), 0.002, 0},
        {"one point, huge tolerance", Cloud({{1, 1, 1}}), 1e300, 0},
    };
    for (Case& c : cases) {
        EXPECT_EQ(Count(c.mesh, c.epsilon), c.expected) << c.name;
        EXPECT_EQ(Count(c.mesh, c.epsilon), BruteForce(c.mesh, c.epsilon)) << c.name;
    }
    TestMesh& exact = cases[5].mesh;
    EXPECT_EQ(Count(exact, 0.0), points::CountDuplicatedGeometrical(exact.Record()));
    TestMesh diagonal = Cloud({{1, 1, 1}, {1.5, 1.5, 1.5}});  // squared distance 0.75
    EXPECT_EQ(Count(diagonal, std::sqrt(0.75)), BruteForce(diagonal, std::sqrt(0.75)));
}

TEST(EpsilonDuplicates, RecordCodes)
{
    TestMesh m = Cloud({{0, 0, 0}, {0, 0, 0}});
    const double epsilon = 0.002;
    MeshRecord r = m.Record();
    r.points = nullptr;
    EXPECT_EQ(points::CountEpsilonDuplicates(r, &epsilon), -1);
    r = m.Record();
    r.pointCount = 0;
    EXPECT_EQ(points::CountEpsilonDuplicates(r, &epsilon), -2);
    r = m.Record();
    r.triangleCount = 0;  // points but no triangles: the tree is not built
    EXPECT_EQ(points::CountEpsilonDuplicates(r, &epsilon), -3);
    r = m.Record();
    r.triangles = nullptr;
    EXPECT_EQ(points::CountEpsilonDuplicates(r, &epsilon), -3);
    EXPECT_EQ(points::CountEpsilonDuplicates(m.Record(), nullptr), -3);
    EXPECT_EQ(points::CountEpsilonDuplicates(m.Record(), &epsilon), 2);
}

TEST(EpsilonDuplicates, EveryFailedAllocationGivesMinusThree)
{
    TestMesh m = testing::Sphere(12, 8);
    const double epsilon = 0.3;
    memory_testing::ResetAllocationCounter();
    const int32_t expected = points::CountEpsilonDuplicates(m.Record(), &epsilon);
    const uint64_t allocations = memory_testing::AllocationCount();
    ASSERT_GT(expected, 0);
    ASSERT_GT(allocations, 0u);
    for (uint64_t k = 1; k <= allocations; ++k) {
        memory_testing::ResetAllocationCounter();
        memory_testing::FailAllocations(k, 1);
        EXPECT_EQ(points::CountEpsilonDuplicates(m.Record(), &epsilon), -3) << k;
    }
    memory_testing::ResetAllocationCounter();
}

TEST(EpsilonDuplicates, ClusteredCloudsMatchAnAllPairsCount)
{
    std::mt19937 random(4242);
    for (int round = 0; round < 30; ++round) {
        const int clusters = 1 + static_cast<int>(random() % 40);
        const double spread = std::ldexp(1.0, -static_cast<int>(random() % 12));
        const double epsilon = spread * std::uniform_real_distribution<double>(0.2, 3.0)(random);
        std::uniform_real_distribution<double> centre(-10.0, 10.0);
        std::normal_distribution<double> jitter(0.0, spread);
        TestMesh m;
        const int n = 2 + static_cast<int>(random() % 1200);
        std::vector<T3DVECF> centres;
        for (int c = 0; c < clusters; ++c) {
            centres.push_back(T3DVECF{centre(random), centre(random), centre(random)});
        }
        for (int i = 0; i < n; ++i) {
            const T3DVECF& c = centres[random() % centres.size()];
            switch (random() % 8) {
            case 0:  // an exact copy of an earlier point
                if (!m.points.empty()) {
                    const T3DVECF p = m.points[random() % m.points.size()];
                    m.AddPoint(p.x, p.y, p.z);
                    break;
                }
                [[fallthrough]];
            case 1:  // a lone point far from every cluster
                m.AddPoint(centre(random) * 10, centre(random) * 10, centre(random) * 10);
                break;
            default:
                m.AddPoint(c.x + jitter(random), c.y + jitter(random), c.z + jitter(random));
            }
        }
        m.AddTriangle(0, 1, 0);
        const int32_t expected = BruteForce(m, epsilon);
        EXPECT_EQ(Count(m, epsilon), expected) << "round " << round << " n " << n << " epsilon " << epsilon;
        // Walks cut short at any point leave the rest to the queries.
        for (uint64_t budget : {uint64_t{0}, uint64_t{3}, uint64_t{100}, uint64_t{1000}}) {
            EXPECT_EQ(points::CountEpsilonDuplicates(m.Record(), &epsilon, budget), expected)
                << "round " << round << " budget " << budget;
        }
    }
}

// The count as one ball query per point in index order, each on the same
// tree: the plain way, which the count may only make faster.
int32_t OneQueryPerPoint(TestMesh& m, double epsilon)
{
    const MeshRecord r = m.Record();
    C3DPntAABBTree tree;
    if (tree.Build(r) != 1) {
        return -3;
    }
    T3DSPHERE ball{T3DVECF{0.0, 0.0, 0.0}, epsilon};
    int32_t count = 0;
    for (uint32_t i = 0; i < r.pointCount; ++i) {
        ball.centre = r.points[i];
        uint32_t inside = 0;
        tree.CountInBall(ball, inside);
        if (inside > 1) {
            ++count;
        }
    }
    return count;
}

// Both zeros, infinities, NaN and distances exactly at the tolerance, with
// special tolerances too: the answers of one query per point, and of all
// pairs where no coordinate is special.
TEST(EpsilonDuplicates, SpecialValuesMatchAnAllPairsCount)
{
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    std::mt19937 random(99);
    const double tolerances[] = {0.0, 0.25, 0.5, -0.5, std::nextafter(0.25, 0.0), 1e-300, inf, nan};
    for (int round = 0; round < 60; ++round) {
        TestMesh m;
        const int n = 2 + static_cast<int>(random() % (round < 30 ? 40 : 1500));
        const int special = static_cast<int>(random() % 3);
        for (int i = 0; i < n; ++i) {
            double c[3];
            for (double& v : c) {
                v = static_cast<int>(random() % 9) * 0.25 - 1.0;
                if (v == 0.0 && random() % 2 == 0) {
                    v = -0.0;
                }
                if (special != 0 && random() % 50 == 0) {
                    const double values[] = {inf, -inf, nan};
                    v = values[random() % (special == 1 ? 2 : 3)];
                }
            }
            if (random() % 4 == 0) {  // spread out, so that not every point has a partner
                c[0] += static_cast<double>(random() % 1000);
            }
            m.AddPoint(c[0], c[1], c[2]);
        }
        m.AddTriangle(0, 1, 0);
        for (const double epsilon : tolerances) {
            const int32_t count = Count(m, epsilon);
            EXPECT_EQ(count, OneQueryPerPoint(m, epsilon))
                << "round " << round << " n " << n << " epsilon " << epsilon;
            if (special == 0) {
                EXPECT_EQ(count, BruteForce(m, epsilon))
                    << "round " << round << " n " << n << " epsilon " << epsilon;
            }
        }
    }
}

}  // namespace
}  // namespace meshaudit
