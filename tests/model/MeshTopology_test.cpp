// The topology structures against their plain definitions on random
// meshes; failures of bad meshes and of every allocation.
#include "containers/Memory.h"
#include "model/MeshTopology.h"
#include "model/TriangleSides.h"
#include "BruteTopology.h"
#include "support/TestMeshes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace meshaudit {
namespace {

using testing::BruteTopology;
using testing::IsPacked;
using testing::Lists;
using testing::TestMesh;
using testing::Unpack;

TestMesh Mesh(uint32_t points, std::vector<TRIANGLE> triangles)
{
    TestMesh mesh;
    for (uint32_t i = 0; i < points; ++i) {
        mesh.AddPoint(i, 0.5 * i, 0);
    }
    mesh.triangles = std::move(triangles);
    return mesh;
}

enum class Getter { Edges, BorderEdges, VertexNeighbours, VertexTriangles, EdgeTriangles, TriangleNeighbours };

// Runs one getter; returns the structure's content and stores the status
// the getter left.
Lists Request(MeshTopology& topology, Getter getter, uint32_t points, uint32_t triangles, int32_t& status)
{
    uint32_t count = 5;
    const auto edgeList = [&](const T3DEDGE* edges) {
        status = topology.Status();
        if (edges == nullptr || count == 0) {
            // Null exactly when there is none; a failure must reset the count.
            return edges == nullptr && count == 0 ? Lists{} : Lists{{count}};
        }
        Lists out;
        for (uint32_t i = 0; i < count; ++i) {
            out.push_back({edges[i].first, edges[i].second});
        }
        return out;
    };
    const auto rows = [&](const IncidenceLists& lists, uint32_t n) {
        status = topology.Status();
        return lists.starts == nullptr ? Lists{} : Unpack(lists, n);
    };
    switch (getter) {
    case Getter::Edges: return edgeList(topology.Edges(count));
    case Getter::BorderEdges: return edgeList(topology.BorderEdges(count));
    case Getter::VertexNeighbours: return rows(topology.VertexNeighbours(), points);
    case Getter::VertexTriangles: return rows(topology.VertexTriangles(), points);
    case Getter::TriangleNeighbours: return rows(topology.TriangleNeighbours(), triangles);
    case Getter::EdgeTriangles: {
        const IncidenceLists& lists = topology.EdgeTriangles();
        status = topology.Status();
        if (lists.starts == nullptr) {
            return Lists{};
        }
        topology.Edges(count);
        return Unpack(lists, count);
    }
    }
    return {};
}

constexpr Getter kGetters[] = {Getter::Edges, Getter::BorderEdges, Getter::VertexNeighbours,
                               Getter::VertexTriangles, Getter::EdgeTriangles, Getter::TriangleNeighbours};

// Every getter gives no structure and the status `code`.
void ExpectEveryGetterFails(MeshTopology& topology, int32_t code)
{
    for (Getter getter : kGetters) {
        int32_t status = 0;
        EXPECT_EQ(Request(topology, getter, topology.PointCount(), topology.TriangleCount(), status), Lists{})
            << static_cast<int>(getter);
        EXPECT_EQ(status, code) << static_cast<int>(getter);
    }
}

// Missing arrays, corners out of range (checked again after each Attach,
// and from the cached check without allocating), zero points.
TEST(MeshTopology, BadMeshesFailEveryGetter)
{
    TestMesh good = Mesh(4, {{0, 1, 2}, {1, 2, 3}, {0, 2, 3}});
    MeshTopology topology;
    for (int which = 0; which < 2; ++which) {
        MeshRecord record = good.Record();
        if (which == 0) {
            record.points = nullptr;
        } else {
            record.triangles = nullptr;
        }
        topology.Attach(record);
        ExpectEveryGetterFails(topology, -1);
    }
    for (uint32_t bad : {4u, 5u, 0xFFFFFFFFu}) {
        for (int corner = 0; corner < 3; ++corner) {
            TestMesh mesh = good;
            TRIANGLE& t = mesh.triangles[1];
            (corner == 0 ? t.a : corner == 1 ? t.b : t.c) = bad;
            topology.Attach(mesh.Record());
            memory_testing::ResetAllocationCounter();
            ExpectEveryGetterFails(topology, kTopologyIndexOutOfRange);
            ExpectEveryGetterFails(topology, kTopologyIndexOutOfRange);
            EXPECT_EQ(memory_testing::AllocationCount(), 0u);
            topology.Attach(good.Record());
            uint32_t count = 0;
            EXPECT_NE(topology.Edges(count), nullptr);
            EXPECT_EQ(topology.Status(), 0);
        }
    }
    MeshRecord none = good.Record();
    none.pointCount = 0;
    topology.Attach(none);
    ExpectEveryGetterFails(topology, kTopologyIndexOutOfRange);
}

// --- Allocation failures ----------------------------------------------------

struct FailureCase {
    Getter getter;
    std::vector<int32_t> codes;  // the status when allocation k (1-based) fails
};

TEST(MeshTopology, AllocationFailureAtEachStep)
{
    // Open, with a degenerate triangle: every structure is non-empty.
    TestMesh mesh = testing::Grid(2);
    mesh.AddTriangle(0, 0, 1);
    const auto points = static_cast<uint32_t>(mesh.points.size());
    const auto triangles = static_cast<uint32_t>(mesh.triangles.size());
    const std::vector<FailureCase> cases = {
        {Getter::VertexTriangles, {-2, -3}},
        // Offsets, the vertex triangle lists (two), the pool (two), the entries.
        {Getter::VertexNeighbours, {-2, -3, -3, -3, -3, -5}},
        {Getter::Edges, {-1, -1, -1, -1, -1, -1, -4}},
        {Getter::EdgeTriangles, {-2, -2, -3, -3, -3, -3, -3, -4, -5}},
        {Getter::TriangleNeighbours, {-1, -1, -2, -3}},
        // The vertex triangle lists (two), the border-side bits, the list.
        {Getter::BorderEdges, {-1, -1, -2, -2}},
    };
    for (const FailureCase& c : cases) {
        SCOPED_TRACE("getter " + std::to_string(static_cast<int>(c.getter)));
        int32_t status = 0;
        Lists expected;
        {
            MeshTopology reference;
            reference.Attach(mesh.Record());
            memory_testing::ResetAllocationCounter();
            expected = Request(reference, c.getter, points, triangles, status);
            ASSERT_EQ(status, 0);
            ASSERT_EQ(memory_testing::AllocationCount(), c.codes.size());
        }
        for (std::size_t k = 1; k <= c.codes.size(); ++k) {
            MeshTopology topology;
            topology.Attach(mesh.Record());
            memory_testing::ResetAllocationCounter();
            memory_testing::FailAllocations(k, 1);
            EXPECT_EQ(Request(topology, c.getter, points, triangles, status), Lists{}) << "k " << k;
            EXPECT_EQ(status, c.codes[k - 1]) << "k " << k;
            memory_testing::ResetAllocationCounter();
            // The next request succeeds and builds the same structure.
            EXPECT_EQ(Request(topology, c.getter, points, triangles, status), expected);
            EXPECT_EQ(status, 0);
        }
    }
}

// A soup's neighbour rows outgrow the buffer first sized for a closed mesh;
// it must grow by doubling, in a few steps, not once per row (which copies
// all written rows each time).
TEST(MeshTopology, RowBufferGrowsGeometrically)
{
    TestMesh soup = testing::RandomSoup(20000, 1.0, 5);
    MeshTopology topology;
    topology.Attach(soup.Record());
    topology.VertexTriangles();
    memory_testing::ResetAllocationCounter();
    EXPECT_NE(topology.VertexNeighbours().starts, nullptr);
    EXPECT_LT(memory_testing::AllocationCount(), 16u);
}

// Two sorted rows with repeats merged as a plain walk does, against the
// search that takes over when one row is much longer: the same visits in the
// same order, and the same early stop.
TEST(RowMerge, SearchingTheLongerRowVisitsWhatAPlainMergeDoes)
{
    std::mt19937 random(77);
    for (int round = 0; round < 3000; ++round) {
        std::vector<uint32_t> rows[2];
        for (int r = 0; r < 2; ++r) {
            const uint32_t length = round % 3 == r ? 100 + random() % 400 : random() % 12;
            const uint32_t range = 1 + random() % 600;
            for (uint32_t k = 0; k < length; ++k) {
                rows[r].push_back(random() % range);
            }
            std::sort(rows[r].begin(), rows[r].end());
        }
        std::vector<uint32_t> plain;
        for (uint32_t u : rows[0]) {
            if (std::binary_search(rows[1].begin(), rows[1].end(), u)) {
                plain.push_back(u);
            }
        }
        const size_t stopAt = plain.empty() ? 0 : random() % (plain.size() + 1);
        std::vector<uint32_t> got;
        const bool stopped = ForEachInBothRows(rows[0].data(), static_cast<uint32_t>(rows[0].size()), rows[1].data(),
                                               static_cast<uint32_t>(rows[1].size()), [&](uint32_t u) {
                                                   got.push_back(u);
                                                   return got.size() == stopAt;
                                               });
        EXPECT_EQ(stopped, stopAt != 0 && stopAt <= plain.size()) << round;
        plain.resize(stopped ? stopAt : plain.size());
        ASSERT_EQ(got, plain) << round;
    }
}

// --- Randomized comparison against the plain definitions ------------------

// One topology attached to each mesh in turn, freed every other round:
// asked again, each structure is the one built and nothing is allocated.
TEST(MeshTopology, RandomMeshesMatchBruteForce)
{
    std::mt19937 random(2024);
    MeshTopology topology;
    for (int round = 0; round < 300; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        // One mesh in four has more triangles and edges than the adjacency
        // builds look up ahead (32), so that their window goes round.
        const bool large = round % 4 == 3;
        const uint32_t points = large ? 8 + random() % 40 : 1 + random() % 12;
        const uint32_t count = large ? 33 + random() % 120 : 1 + random() % 25;
        const std::vector<TRIANGLE> triangles = testing::RandomTriangles(random, points, count);
        TestMesh mesh = Mesh(points, triangles);
        const BruteTopology expected(triangles, points);
        topology.Attach(mesh.Record());
        // Every other round, the border sides come from the neighbour build.
        topology.ExpectTriangleNeighbours(round % 2 == 0);

        const auto lists = [](const std::vector<std::pair<uint32_t, uint32_t>>& pairs) {
            Lists out;
            for (const auto& [p, q] : pairs) out.push_back({p, q});
            return out;
        };
        const Lists want[] = {lists(expected.edges), lists(expected.borderEdges), expected.neighbourPreOrder,
                              expected.vertexTriangles, expected.edgeTriangles, expected.triangleNeighbours};
        for (int pass = 0; pass < 2; ++pass) {
            memory_testing::ResetAllocationCounter();
            for (size_t g = 0; g < std::size(kGetters); ++g) {
                int32_t status = -9;
                EXPECT_EQ(Request(topology, kGetters[g], points, count, status), want[g]) << g;
                ASSERT_EQ(status, 0);
                // The edges free the point neighbour lists they are built from; a
                // later request (getter 2) builds them again.
                EXPECT_TRUE(g != 0 || pass != 0 || topology.BuiltVertexNeighbours() == nullptr);
            }
        }
        EXPECT_EQ(memory_testing::AllocationCount(), 0u);
        uint32_t edgeCount = 0;
        topology.Edges(edgeCount);
        EXPECT_TRUE(IsPacked(topology.VertexNeighbours(), points) && IsPacked(topology.VertexTriangles(), points) &&
                    IsPacked(topology.EdgeTriangles(), edgeCount) && IsPacked(topology.TriangleNeighbours(), count));
        if (round % 2 == 1) {
            topology.FreeAll();
            topology.FreeAll();
            EXPECT_TRUE(topology.Points() == nullptr && topology.Triangles() == nullptr);
            EXPECT_EQ(topology.PointCount() + topology.TriangleCount(), 0u);
            EXPECT_EQ(topology.VertexTriangles().starts, nullptr);
            EXPECT_EQ(topology.Status(), -1);
        }
    }
}

}  // namespace
}  // namespace meshaudit
