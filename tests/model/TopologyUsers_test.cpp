// The analyses that read the topology, and the border-side bits, against
// plain definitions on random meshes; the growing lists under every
// allocation failure.
#include "analysis/edges/EdgeAnalyses.h"
#include "analysis/points/PointAnalyses.h"
#include "analysis/triangles/TriangleAnalyses.h"
#include "containers/Memory.h"
#include "model/MeshTopology.h"
#include "BruteTopology.h"
#include "support/TestMeshes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <set>
#include <utility>
#include <vector>

namespace meshaudit {
namespace {

using testing::BruteTopology;
using testing::Has;
using testing::Lists;
using testing::TestMesh;
using testing::Unpack;

// Points with ordinary, NaN and -0.0 coordinates: the topology reads none.
TestMesh MeshOver(uint32_t points, const std::vector<TRIANGLE>& triangles)
{
    TestMesh mesh;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (uint32_t i = 0; i < points; ++i) {
        switch (i % 3) {
        case 0: mesh.AddPoint(i, 0.5 * i, 0); break;
        case 1: mesh.AddPoint(nan, -0.0, i); break;
        default: mesh.AddPoint(-0.0, -0.0, -0.0); break;
        }
    }
    mesh.triangles = triangles;
    return mesh;
}

// Whether u has the directed side (p, q) among its own sides.
bool RunsAlong(const TRIANGLE& u, uint32_t p, uint32_t q)
{
    return (u.a == p && u.b == q) || (u.b == p && u.c == q) || (u.c == p && u.a == q);
}

struct Expected {
    std::vector<uint8_t> borderSides;
    int32_t borderSideCount = 0;
    std::vector<uint8_t> borderPoints;
    int32_t borderPointCount = 0;
    int32_t borderTriangles = 0;
    int32_t flipped = 0;
    int32_t edgeCount = 0;  // pairs of distinct points sharing a triangle

    Expected(const std::vector<TRIANGLE>& triangles, uint32_t points)
    {
        const auto n = static_cast<uint32_t>(triangles.size());
        borderSides.assign(n, 0);
        borderPoints.assign(points, 0);
        for (uint32_t t = 0; t < n; ++t) {
            const uint32_t c[3] = {triangles[t].a, triangles[t].b, triangles[t].c};
            bool isFlipped = false;
            for (int s = 0; s < 3; ++s) {
                const uint32_t p = c[s], q = c[(s + 1) % 3];
                bool shared = false;
                for (uint32_t u = 0; u < n; ++u) {
                    if (u == t) {
                        continue;
                    }
                    shared = shared || (Has(triangles[u], p) && Has(triangles[u], q));
                    isFlipped = isFlipped || RunsAlong(triangles[u], p, q);
                }
                if (!shared) {
                    borderSides[t] = static_cast<uint8_t>(borderSides[t] | (1u << s));
                    ++borderSideCount;
                    borderPoints[p] = 1;
                    borderPoints[q] = 1;
                }
            }
            flipped += isFlipped ? 1 : 0;
        }
        for (uint8_t b : borderPoints) {
            borderPointCount += b;
        }
        for (const TRIANGLE& t : triangles) {
            if (borderPoints[t.a] != 0 || borderPoints[t.b] != 0 || borderPoints[t.c] != 0) {
                ++borderTriangles;
            }
        }
        std::set<std::pair<uint32_t, uint32_t>> pairs;
        for (const TRIANGLE& t : triangles) {
            const uint32_t c[3] = {t.a, t.b, t.c};
            for (int i = 0; i < 3; ++i) {
                for (int j = 0; j < 3; ++j) {
                    if (c[i] < c[j]) {
                        pairs.emplace(c[i], c[j]);
                    }
                }
            }
        }
        edgeCount = static_cast<int32_t>(pairs.size());
    }
};

template <typename Fold>
int32_t FoldSizes(const Lists& lists, uint32_t start, Fold fold)
{
    uint32_t value = start;
    for (const auto& row : lists) {
        value = fold(value, static_cast<uint32_t>(row.size()));
    }
    return static_cast<int32_t>(value);
}

TEST(TopologyUsers, RandomMeshesMatchPlainDefinitions)
{
    std::mt19937 random(77);
    for (int round = 0; round < 400; ++round) {
        const uint32_t points = 1 + random() % 14;
        const uint32_t count = 1 + random() % 30;
        const std::vector<TRIANGLE> triangles = testing::RandomTriangles(random, points, count);
        TestMesh mesh = MeshOver(points, triangles);
        const MeshRecord record = mesh.Record();
        const Expected expected(triangles, points);
        const BruteTopology brute(triangles, points);

        // Each analysis on a fresh topology (it pays for its own builds) and
        // all of them on one shared topology, in both orders.
        for (int order = 0; order < 3; ++order) {
            MeshTopology shared;
            shared.Attach(record);
            MeshTopology fresh;
            const auto topology = [&]() -> MeshTopology& {
                if (order == 0) {
                    fresh.Attach(record);
                    return fresh;
                }
                return shared;
            };
            if (order == 2) {
                // The neighbour lists first: the edge and flipped counts then
                // read lists they did not build.
                shared.TriangleNeighbours();
                ASSERT_EQ(shared.Status(), 0);
                shared.VertexNeighbours();
                ASSERT_EQ(shared.Status(), 0);
            }
            SCOPED_TRACE("round " + std::to_string(round) + " order " + std::to_string(order));
            EXPECT_EQ(points::CountBorder(record, topology()), expected.borderPointCount);
            EXPECT_EQ(CountBorderSides(record, topology()), expected.borderSideCount);
            EXPECT_EQ(CountEdges(record, topology()), expected.edgeCount);
            uint8_t* mask = nullptr;
            EXPECT_EQ(triangles::BorderVertices(record, topology(), mask),
                      expected.borderPointCount);
            ASSERT_NE(mask, nullptr);
            EXPECT_EQ(std::vector<uint8_t>(mask, mask + points), expected.borderPoints);
            Free(mask);
            EXPECT_EQ(triangles::CountBorder(record, topology()), expected.borderTriangles);
            EXPECT_EQ(triangles::CountFlippedTopological(record, topology()), expected.flipped);

            MeshTopology& t = topology();
            const uint8_t* sides = t.BorderSides();
            ASSERT_EQ(t.Status(), 0);
            EXPECT_EQ(std::vector<uint8_t>(sides, sides + count), expected.borderSides);

            const auto minimum = [](uint32_t m, uint32_t d) { return d < m ? d : m; };
            const auto maximum = [](uint32_t m, uint32_t d) { return d > m ? d : m; };
            const Lists neighbourSets = [&] {
                Lists out;
                for (const auto& set : brute.neighbourSets) {
                    out.emplace_back(set.begin(), set.end());
                }
                return out;
            }();
            EXPECT_EQ(points::MinimalDegree(record, topology()),
                      FoldSizes(neighbourSets, 0xFFFFFFFFu, minimum));
            EXPECT_EQ(points::MaximalDegree(record, topology()), FoldSizes(neighbourSets, 0u, maximum));
            EXPECT_EQ(triangles::MinimalDegree(record, topology()),
                      FoldSizes(brute.triangleNeighbours, 0xFFFFFFFFu, minimum));
            EXPECT_EQ(triangles::MaximalDegree(record, topology()),
                      FoldSizes(brute.triangleNeighbours, 0u, maximum));
            EXPECT_EQ(triangles::CountIsolated(record, topology()),
                      FoldSizes(brute.triangleNeighbours, 0u,
                                [](uint32_t n, uint32_t d) { return n + (d == 0 ? 1u : 0u); }));
            EXPECT_EQ(triangles::CountSingular(record, topology()),
                      FoldSizes(brute.triangleNeighbours, 0u,
                                [](uint32_t n, uint32_t d) { return n + (d > 3 ? 1u : 0u); }));
        }
    }
}

// Many copies of a few triangles: the list buffers must grow, and some rows
// are longer than the neighbour build gathers on the stack.
std::vector<TRIANGLE> Repetitive()
{
    std::vector<TRIANGLE> triangles;
    for (int copy = 0; copy < 20; ++copy) {
        triangles.insert(triangles.end(), {{0, 1, 2}, {2, 1, 0}, {1, 1, 3}, {0, 2, 3}});
    }
    triangles.push_back({4, 4, 4});
    return triangles;
}

// Each list built cleanly matches brute force; then each allocation of its
// build, growth included, fails in turn: a negative status and no structure,
// then a clean build of the same list.
TEST(TopologyUsers, GrowingListsMatchBruteForceAndSurviveEveryAllocationFailure)
{
    const std::vector<TRIANGLE> triangles = Repetitive();
    TestMesh mesh = MeshOver(6, triangles);
    const BruteTopology brute(triangles, 6);
    const auto n = static_cast<uint32_t>(triangles.size());
    for (int which = 0; which < 3; ++which) {
        SCOPED_TRACE("which " + std::to_string(which));
        // Builds the list; its rows (empty on failure) and whether it is packed.
        const auto build = [&](MeshTopology& topology, bool& packed) {
            if (which == 0) {
                const IncidenceLists& lists = topology.TriangleNeighbours();
                packed = lists.rows != nullptr && testing::IsPacked(lists, n);
                return lists.rows == nullptr ? Lists{} : Unpack(lists, n);
            }
            if (which == 1) {
                const IncidenceLists& lists = topology.VertexNeighbours();
                packed = lists.rows != nullptr && testing::IsPacked(lists, 6);
                return lists.rows == nullptr ? Lists{} : Unpack(lists, 6);
            }
            const IncidenceLists& lists = topology.EdgeTriangles();
            if (lists.rows == nullptr) {
                return Lists{};
            }
            uint32_t edgeCount = 0;
            const T3DEDGE* edges = topology.Edges(edgeCount);
            EXPECT_EQ(testing::Pairs(edges, edgeCount), brute.edges);
            packed = testing::IsPacked(lists, edgeCount);
            return Unpack(lists, edgeCount);
        };
        const Lists& expected = which == 0 ? brute.triangleNeighbours
                                : which == 1 ? brute.neighbourPreOrder
                                             : brute.edgeTriangles;
        uint64_t allocations = 0;
        {
            MeshTopology topology;
            topology.Attach(mesh.Record());
            memory_testing::ResetAllocationCounter();
            bool packed = false;
            EXPECT_EQ(build(topology, packed), expected);
            ASSERT_EQ(topology.Status(), 0);
            EXPECT_TRUE(packed);
            allocations = memory_testing::AllocationCount();
        }
        for (uint64_t k = 1; k <= allocations; ++k) {
            MeshTopology topology;
            topology.Attach(mesh.Record());
            memory_testing::ResetAllocationCounter();
            memory_testing::FailAllocations(k, 1);
            bool packed = false;
            EXPECT_EQ(build(topology, packed), Lists{}) << "k " << k;
            EXPECT_LT(topology.Status(), 0) << "k " << k;
            memory_testing::ResetAllocationCounter();
            EXPECT_EQ(build(topology, packed), expected) << "k " << k;
            EXPECT_EQ(topology.Status(), 0) << "k " << k;
        }
        memory_testing::ResetAllocationCounter();
    }
}

}  // namespace
}  // namespace meshaudit
