#include "containers/Memory.h"
#include "model/MeshTopology.h"
#include "BruteTopology.h"
#include "support/TestMeshes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <vector>

namespace meshaudit {
namespace {

using testing::BruteTopology;
using testing::IsPacked;
using testing::Lists;
using testing::Pairs;
using testing::TestMesh;
using testing::Unpack;
using EdgePairs = std::vector<std::pair<uint32_t, uint32_t>>;

TestMesh Mesh(uint32_t points, std::vector<TRIANGLE> triangles)
{
    TestMesh mesh;
    for (uint32_t i = 0; i < points; ++i) {
        mesh.AddPoint(i, 0.5 * i, 0);
    }
    mesh.triangles = std::move(triangles);
    return mesh;
}

TEST(MeshTopology, TwoTrianglesSharingAnEdge)
{
    TestMesh mesh = Mesh(4, {{0, 1, 2}, {2, 1, 3}});
    MeshTopology topology;
    topology.Attach(mesh.Record());

    uint32_t edgeCount = 0;
    const T3DEDGE* edges = topology.Edges(edgeCount);
    ASSERT_EQ(topology.Status(), 0);
    ASSERT_EQ(edgeCount, 5u);
    std::vector<std::pair<uint32_t, uint32_t>> sorted = Pairs(edges, edgeCount);
    for (const auto& [p, q] : sorted) {
        EXPECT_LT(p, q);
    }
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, (EdgePairs{{0, 1}, {0, 2}, {1, 2}, {1, 3}, {2, 3}}));

    uint32_t borderCount = 0;
    const T3DEDGE* border = topology.BorderEdges(borderCount);
    ASSERT_EQ(topology.Status(), 0);
    EXPECT_EQ(Pairs(border, borderCount), (EdgePairs{{0, 1}, {2, 0}, {1, 3}, {3, 2}}));

    const IncidenceLists& around = topology.TriangleNeighbours();
    ASSERT_EQ(topology.Status(), 0);
    EXPECT_EQ(Unpack(around, 2), (Lists{{1}, {0}}));

    const IncidenceLists& onEdge = topology.EdgeTriangles();
    ASSERT_EQ(topology.Status(), 0);
    edges = topology.Edges(edgeCount);
    for (uint32_t e = 0; e < edgeCount; ++e) {
        const std::vector<uint32_t> expected =
            edges[e].first == 1 && edges[e].second == 2 ? std::vector<uint32_t>{0, 1}
            : edges[e].first == 0                       ? std::vector<uint32_t>{0}
                                                        : std::vector<uint32_t>{1};
        EXPECT_EQ(Unpack(onEdge, edgeCount)[e], expected) << edges[e].first << "-" << edges[e].second;
    }

    EXPECT_EQ(Unpack(topology.VertexTriangles(), 4), (Lists{{0}, {0, 1}, {0, 1}, {1}}));
    // Point 0's tree got 1 then 2: root 1, right child 2.
    EXPECT_EQ(Unpack(topology.VertexNeighbours(), 4)[0], (std::vector<uint32_t>{1, 2}));
    // Point 1's tree got 0, 2, then 3: rotated to root 2.
    EXPECT_EQ(Unpack(topology.VertexNeighbours(), 4)[1], (std::vector<uint32_t>{2, 0, 3}));
}

TEST(MeshTopology, DuplicateTriangleHasNoBorder)
{
    TestMesh mesh = Mesh(3, {{0, 1, 2}, {0, 1, 2}});
    MeshTopology topology;
    topology.Attach(mesh.Record());
    uint32_t borderCount = 99;
    EXPECT_EQ(topology.BorderEdges(borderCount), nullptr);
    EXPECT_EQ(topology.Status(), 0);
    EXPECT_EQ(borderCount, 0u);
    EXPECT_EQ(Unpack(topology.TriangleNeighbours(), 2), (Lists{{1, 1, 1}, {0, 0, 0}}));
}

TEST(MeshTopology, DegenerateTriangleMakesAPointItsOwnNeighbour)
{
    TestMesh mesh = Mesh(2, {{0, 0, 1}});
    MeshTopology topology;
    topology.Attach(mesh.Record());
    uint32_t edgeCount = 0;
    const T3DEDGE* edges = topology.Edges(edgeCount);
    ASSERT_EQ(topology.Status(), 0);
    EdgePairs pairs = Pairs(edges, edgeCount);
    std::sort(pairs.begin(), pairs.end());
    EXPECT_EQ(pairs, (EdgePairs{{0, 0}, {0, 1}}));
    EXPECT_EQ(Unpack(topology.VertexTriangles(), 2), (Lists{{0, 0}, {0}}));
    // Both entries of point 0's row qualify for (0, 0) and for (0, 1): the
    // degenerate triangle counts twice on each.
    EXPECT_EQ(Unpack(topology.EdgeTriangles(), edgeCount), (Lists{{0, 0}, {0, 0}}));
}

TEST(MeshTopology, IsolatedPointHasEmptyRows)
{
    TestMesh mesh = Mesh(4, {{0, 1, 3}});
    MeshTopology topology;
    topology.Attach(mesh.Record());
    const IncidenceLists& triangles = topology.VertexTriangles();
    ASSERT_EQ(topology.Status(), 0);
    EXPECT_EQ(triangles.counts[2], 0u);
    const IncidenceLists& neighbours = topology.VertexNeighbours();
    ASSERT_EQ(topology.Status(), 0);
    EXPECT_EQ(neighbours.counts[2], 0u);
    uint32_t edgeCount = 0;
    const T3DEDGE* edges = topology.Edges(edgeCount);
    for (uint32_t e = 0; e < edgeCount; ++e) {
        EXPECT_NE(edges[e].first, 2u);
        EXPECT_NE(edges[e].second, 2u);
    }
    EXPECT_EQ(edgeCount, 3u);
}

TEST(MeshTopology, ClosedMeshHasNoBorderEdges)
{
    for (TestMesh mesh : {testing::Tetrahedron(), testing::UnitCube(), testing::Torus(6, 4)}) {
        MeshTopology topology;
        topology.Attach(mesh.Record());
        uint32_t borderCount = 7;
        EXPECT_EQ(topology.BorderEdges(borderCount), nullptr);
        EXPECT_EQ(topology.Status(), 0);
        EXPECT_EQ(borderCount, 0u);
        // Asked again: scanned again, still none.
        EXPECT_EQ(topology.BorderEdges(borderCount), nullptr);
        EXPECT_EQ(topology.Status(), 0);
        uint32_t edgeCount = 0;
        topology.Edges(edgeCount);
        EXPECT_EQ(edgeCount * 2, mesh.triangles.size() * 3);
    }
}

TEST(MeshTopology, StructuresAreBuiltOnceAndShared)
{
    TestMesh mesh = testing::Grid(3);
    MeshTopology topology;
    topology.Attach(mesh.Record());
    const IncidenceLists& lists = topology.EdgeTriangles();
    ASSERT_EQ(topology.Status(), 0);
    const uint32_t* entries = lists.entries;
    memory_testing::ResetAllocationCounter();
    uint32_t edgeCount = 0;
    topology.Edges(edgeCount);
    topology.EdgeTriangles();
    topology.VertexTriangles();
    topology.VertexNeighbours();
    EXPECT_EQ(memory_testing::AllocationCount(), 0u);
    EXPECT_EQ(topology.EdgeTriangles().entries, entries);
}

TEST(MeshTopology, MissingArraysFail)
{
    TestMesh mesh = Mesh(3, {{0, 1, 2}});
    for (int which = 0; which < 2; ++which) {
        MeshRecord record = mesh.Record();
        if (which == 0) {
            record.points = nullptr;
        } else {
            record.triangles = nullptr;
        }
        MeshTopology topology;
        topology.Attach(record);
        uint32_t count = 5;
        EXPECT_EQ(topology.VertexTriangles().rows, nullptr);
        EXPECT_EQ(topology.Status(), -1);
        topology.VertexNeighbours();
        EXPECT_EQ(topology.Status(), -1);
        EXPECT_EQ(topology.Edges(count), nullptr);
        EXPECT_EQ(topology.Status(), -1);
        EXPECT_EQ(count, 0u);
        topology.EdgeTriangles();
        EXPECT_EQ(topology.Status(), -1);
        topology.TriangleNeighbours();
        EXPECT_EQ(topology.Status(), -1);
        EXPECT_EQ(topology.BorderEdges(count), nullptr);
        EXPECT_EQ(topology.Status(), -1);
    }
}

TEST(MeshTopology, FreeAllForgetsEverythingAndIsRepeatable)
{
    TestMesh mesh = testing::Tetrahedron();
    MeshTopology topology;
    topology.Attach(mesh.Record());
    uint32_t count = 0;
    topology.Edges(count);
    topology.TriangleNeighbours();
    topology.FreeAll();
    topology.FreeAll();
    EXPECT_EQ(topology.Points(), nullptr);
    EXPECT_EQ(topology.Triangles(), nullptr);
    EXPECT_EQ(topology.PointCount(), 0u);
    EXPECT_EQ(topology.TriangleCount(), 0u);
    EXPECT_EQ(topology.VertexTriangles().rows, nullptr);
    EXPECT_EQ(topology.Status(), -1);
    // Attached again to another mesh: built anew for it.
    TestMesh other = Mesh(3, {{0, 1, 2}});
    topology.Attach(other.Record());
    EXPECT_NE(topology.Edges(count), nullptr);
    EXPECT_EQ(count, 3u);
}

// --- Indices at or beyond pointCount -------------------------------------

void ExpectEveryGetterOutOfRange(MeshTopology& topology)
{
    uint32_t count = 5;
    EXPECT_EQ(topology.Edges(count), nullptr);
    EXPECT_EQ(topology.Status(), kTopologyIndexOutOfRange);
    EXPECT_EQ(count, 0u);
    count = 5;
    EXPECT_EQ(topology.BorderEdges(count), nullptr);
    EXPECT_EQ(topology.Status(), kTopologyIndexOutOfRange);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(topology.VertexNeighbours().rows, nullptr);
    EXPECT_EQ(topology.Status(), kTopologyIndexOutOfRange);
    EXPECT_EQ(topology.VertexTriangles().rows, nullptr);
    EXPECT_EQ(topology.Status(), kTopologyIndexOutOfRange);
    EXPECT_EQ(topology.EdgeTriangles().rows, nullptr);
    EXPECT_EQ(topology.Status(), kTopologyIndexOutOfRange);
    EXPECT_EQ(topology.TriangleNeighbours().rows, nullptr);
    EXPECT_EQ(topology.Status(), kTopologyIndexOutOfRange);
}

TEST(MeshTopology, IndexOutOfRangeFailsEveryGetter)
{
    for (uint32_t bad : {4u, 5u, 0xFFFFFFFFu}) {
        for (int corner = 0; corner < 3; ++corner) {
            std::vector<TRIANGLE> triangles = {{0, 1, 2}, {1, 2, 3}, {0, 2, 3}};
            uint32_t* c = &triangles[1].a;
            c[corner] = bad;
            TestMesh mesh = Mesh(4, triangles);
            MeshTopology topology;
            topology.Attach(mesh.Record());
            memory_testing::ResetAllocationCounter();
            ExpectEveryGetterOutOfRange(topology);
            EXPECT_EQ(memory_testing::AllocationCount(), 0u);
            ExpectEveryGetterOutOfRange(topology);  // from the cached check
        }
    }
}

TEST(MeshTopology, IndexCheckIsRedoneAfterAttach)
{
    TestMesh bad = Mesh(3, {{0, 1, 3}});
    TestMesh good = Mesh(4, {{0, 1, 3}});
    MeshTopology topology;
    topology.Attach(bad.Record());
    ExpectEveryGetterOutOfRange(topology);
    topology.Attach(good.Record());
    uint32_t count = 0;
    EXPECT_NE(topology.Edges(count), nullptr);
    EXPECT_EQ(topology.Status(), 0);
    topology.Attach(bad.Record());
    ExpectEveryGetterOutOfRange(topology);
}

TEST(MeshTopology, ZeroPointsMakeEveryIndexOutOfRange)
{
    TestMesh mesh = Mesh(1, {{0, 0, 0}});
    MeshRecord record = mesh.Record();
    record.pointCount = 0;
    MeshTopology topology;
    topology.Attach(record);
    ExpectEveryGetterOutOfRange(topology);
}

// --- Allocation failures ----------------------------------------------------

enum class Getter { Edges, BorderEdges, VertexNeighbours, VertexTriangles, EdgeTriangles,
                    TriangleNeighbours };

// Runs one getter, returning the structure's content as a comparable value.
Lists Request(MeshTopology& topology, Getter getter, uint32_t points, uint32_t triangles)
{
    uint32_t count = 0;
    switch (getter) {
    case Getter::Edges: {
        const T3DEDGE* edges = topology.Edges(count);
        Lists out;
        for (uint32_t i = 0; edges != nullptr && i < count; ++i) {
            out.push_back({edges[i].first, edges[i].second});
        }
        return out;
    }
    case Getter::BorderEdges: {
        const T3DEDGE* edges = topology.BorderEdges(count);
        Lists out;
        for (uint32_t i = 0; edges != nullptr && i < count; ++i) {
            out.push_back({edges[i].first, edges[i].second});
        }
        return out;
    }
    case Getter::VertexNeighbours: {
        const IncidenceLists& lists = topology.VertexNeighbours();
        return lists.rows == nullptr ? Lists{} : Unpack(lists, points);
    }
    case Getter::VertexTriangles: {
        const IncidenceLists& lists = topology.VertexTriangles();
        return lists.rows == nullptr ? Lists{} : Unpack(lists, points);
    }
    case Getter::EdgeTriangles: {
        const IncidenceLists& lists = topology.EdgeTriangles();
        topology.Edges(count);
        return lists.rows == nullptr ? Lists{} : Unpack(lists, count);
    }
    case Getter::TriangleNeighbours: {
        const IncidenceLists& lists = topology.TriangleNeighbours();
        return lists.rows == nullptr ? Lists{} : Unpack(lists, triangles);
    }
    }
    return {};
}

struct FailureCase {
    Getter getter;
    std::vector<int32_t> codes;  // the status when allocation k (1-based) fails
};

TEST(MeshTopology, AllocationFailureAtEachStep)
{
    // An open mesh with a degenerate triangle, so that every structure is
    // non-empty.
    TestMesh mesh = testing::Grid(2);
    mesh.AddTriangle(0, 0, 1);
    const auto points = static_cast<uint32_t>(mesh.points.size());
    const auto triangles = static_cast<uint32_t>(mesh.triangles.size());
    const std::vector<FailureCase> cases = {
        {Getter::VertexTriangles, {-2, -2, -3}},
        // Rows, the vertex triangle lists (three), the pool (two), the
        // entries.
        {Getter::VertexNeighbours, {-2, -2, -3, -3, -3, -3, -3, -5}},
        {Getter::Edges, {-1, -1, -1, -1, -1, -1, -1, -1, -4}},
        {Getter::EdgeTriangles, {-2, -2, -2, -3, -3, -3, -3, -3, -3, -4, -4, -5}},
        {Getter::TriangleNeighbours, {-1, -1, -1, -2, -2, -3}},
        // The vertex triangle lists (three), the border-side bits, the list.
        {Getter::BorderEdges, {-1, -1, -1, -2, -2}},
    };
    for (const FailureCase& c : cases) {
        Lists expected;
        {
            MeshTopology reference;
            reference.Attach(mesh.Record());
            memory_testing::ResetAllocationCounter();
            expected = Request(reference, c.getter, points, triangles);
            ASSERT_EQ(reference.Status(), 0);
            ASSERT_EQ(memory_testing::AllocationCount(), c.codes.size())
                << "getter " << static_cast<int>(c.getter);
        }
        for (std::size_t k = 1; k <= c.codes.size(); ++k) {
            MeshTopology topology;
            topology.Attach(mesh.Record());
            memory_testing::ResetAllocationCounter();
            memory_testing::FailAllocations(k, 1);
            const Lists failed = Request(topology, c.getter, points, triangles);
            memory_testing::ResetAllocationCounter();
            // Request of EdgeTriangles also asks for Edges afterwards; read
            // the status of the list itself.
            if (c.getter == Getter::EdgeTriangles) {
                topology.EdgeTriangles();
                memory_testing::ResetAllocationCounter();
            }
            EXPECT_EQ(failed, Lists{}) << "getter " << static_cast<int>(c.getter) << " k " << k;
            // The next request succeeds and builds the same structure.
            EXPECT_EQ(Request(topology, c.getter, points, triangles), expected);
            EXPECT_EQ(topology.Status(), 0);
        }
        for (std::size_t k = 1; k <= c.codes.size(); ++k) {
            MeshTopology topology;
            topology.Attach(mesh.Record());
            memory_testing::ResetAllocationCounter();
            memory_testing::FailAllocations(k, 1);
            uint32_t count = 0;
            switch (c.getter) {
            case Getter::Edges: topology.Edges(count); break;
            case Getter::BorderEdges: topology.BorderEdges(count); break;
            case Getter::VertexNeighbours: topology.VertexNeighbours(); break;
            case Getter::VertexTriangles: topology.VertexTriangles(); break;
            case Getter::EdgeTriangles: topology.EdgeTriangles(); break;
            case Getter::TriangleNeighbours: topology.TriangleNeighbours(); break;
            }
            EXPECT_EQ(topology.Status(), c.codes[k - 1])
                << "getter " << static_cast<int>(c.getter) << " k " << k;
            memory_testing::ResetAllocationCounter();
        }
    }
}

TEST(MeshTopology, FailedBuildKeepsCompletedStructures)
{
    TestMesh mesh = testing::Grid(2);
    MeshTopology topology;
    topology.Attach(mesh.Record());
    const IncidenceLists& triangles = topology.VertexTriangles();
    ASSERT_EQ(topology.Status(), 0);
    const uint32_t* entries = triangles.entries;
    memory_testing::ResetAllocationCounter();
    memory_testing::FailAllocations(1, 100);
    topology.TriangleNeighbours();
    EXPECT_EQ(topology.Status(), -2);
    topology.VertexTriangles();
    EXPECT_EQ(topology.Status(), 0);
    EXPECT_EQ(topology.VertexTriangles().entries, entries);
    memory_testing::ResetAllocationCounter();
}

// --- Randomized comparison against the plain definitions ------------------

TEST(MeshTopology, RandomMeshesMatchBruteForce)
{
    std::mt19937 random(2024);
    for (int round = 0; round < 300; ++round) {
        const uint32_t points = 1 + random() % 12;
        const uint32_t count = 1 + random() % 25;
        std::vector<TRIANGLE> triangles;
        for (uint32_t t = 0; t < count; ++t) {
            const uint32_t kind = random() % 10;
            if (kind == 0 && !triangles.empty()) {
                // Repeat an earlier triangle, maybe rotated or flipped.
                TRIANGLE r = triangles[random() % triangles.size()];
                if (random() % 2 == 0) {
                    std::swap(r.a, r.b);
                }
                if (random() % 2 == 0) {
                    r = TRIANGLE{r.b, r.c, r.a};
                }
                triangles.push_back(r);
            } else if (kind == 1) {
                const uint32_t p = random() % points, q = random() % points;
                triangles.push_back(random() % 2 == 0 ? TRIANGLE{p, p, q} : TRIANGLE{q, p, p});
            } else {
                triangles.push_back(
                    TRIANGLE{static_cast<uint32_t>(random() % points),
                             static_cast<uint32_t>(random() % points),
                             static_cast<uint32_t>(random() % points)});
            }
        }
        TestMesh mesh = Mesh(points, triangles);
        const BruteTopology expected(triangles, points);
        MeshTopology topology;
        topology.Attach(mesh.Record());

        const IncidenceLists& neighbours = topology.VertexNeighbours();
        ASSERT_EQ(topology.Status(), 0);
        EXPECT_TRUE(IsPacked(neighbours, points));
        const Lists neighbourRows = Unpack(neighbours, points);
        for (uint32_t p = 0; p < points; ++p) {
            EXPECT_EQ(std::set<uint32_t>(neighbourRows[p].begin(), neighbourRows[p].end()),
                      expected.neighbourSets[p]);
            EXPECT_EQ(neighbourRows[p].size(), expected.neighbourSets[p].size());
        }
        EXPECT_EQ(neighbourRows, expected.neighbourPreOrder) << "round " << round;

        const IncidenceLists& incident = topology.VertexTriangles();
        ASSERT_EQ(topology.Status(), 0);
        EXPECT_TRUE(IsPacked(incident, points));
        EXPECT_EQ(Unpack(incident, points), expected.vertexTriangles);

        uint32_t edgeCount = 0;
        const T3DEDGE* edges = topology.Edges(edgeCount);
        ASSERT_EQ(topology.Status(), 0);
        EXPECT_EQ(Pairs(edges, edgeCount), expected.edges) << "round " << round;

        const IncidenceLists& onEdge = topology.EdgeTriangles();
        ASSERT_EQ(topology.Status(), 0);
        EXPECT_TRUE(IsPacked(onEdge, edgeCount));
        EXPECT_EQ(Unpack(onEdge, edgeCount), expected.edgeTriangles);

        const IncidenceLists& around = topology.TriangleNeighbours();
        ASSERT_EQ(topology.Status(), 0);
        EXPECT_TRUE(IsPacked(around, count));
        EXPECT_EQ(Unpack(around, count), expected.triangleNeighbours) << "round " << round;

        uint32_t borderCount = 0;
        const T3DEDGE* border = topology.BorderEdges(borderCount);
        ASSERT_EQ(topology.Status(), 0);
        EXPECT_EQ(border == nullptr, expected.borderEdges.empty());
        EXPECT_EQ(Pairs(border, borderCount), expected.borderEdges) << "round " << round;
    }
}

}  // namespace
}  // namespace meshaudit
