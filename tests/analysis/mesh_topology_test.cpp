// Orientation, components, borders and handles of whole meshes over the
// mesh topology, on hand-built meshes whose values are worked out by hand.
#include "analysis/mesh/MeshAnalyses.h"
#include "containers/Memory.h"
#include "model/MeshTopology.h"
#include "analysis/MeshBuilders.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <vector>

namespace meshaudit {
namespace {

using testing::TestMesh;

// The five whole-mesh topology values, each on a fresh topology so that no
// analysis profits from another's structures. kAny: not checked.
constexpr int32_t kAny = -99;
struct Topology {
    int32_t oriented, orientable, components, borders, handles;
};

Topology Analyse(TestMesh& mesh)
{
    const MeshRecord record = mesh.Record();
    auto fresh = [&](auto op) {
        MeshTopology topology;
        topology.Attach(record);
        return static_cast<int32_t>(op(topology));
    };
    return Topology{fresh([&](MeshTopology& t) { return IsOriented(record, t); }),
                    fresh([&](MeshTopology& t) { return IsOrientable(record, t); }),
                    fresh([&](MeshTopology& t) { return ComputeComponents(record, t); }),
                    fresh([&](MeshTopology& t) { return ComputeBorders(record, t); }),
                    fresh([&](MeshTopology& t) { return ComputeHandles(record, t); })};
}

// A mesh without some of its triangles.
TestMesh Without(TestMesh m, const std::function<bool(size_t, const TRIANGLE&)>& dropped)
{
    std::vector<TRIANGLE> kept;
    for (size_t t = 0; t < m.triangles.size(); ++t) {
        if (!dropped(t, m.triangles[t])) {
            kept.push_back(m.triangles[t]);
        }
    }
    m.triangles = kept;
    return m;
}

TEST(MeshTopologyAnalyses, HandComputedMeshes)
{
    TestMesh torusWithPoint = testing::Torus(6, 4);
    torusWithPoint.AddPoint(50, 50, 50);
    TestMesh cubeWithPoints = testing::UnitCube();
    cubeWithPoints.AddPoint(7, 7, 7);
    cubeWithPoints.AddPoint(8, 8, 8);
    // (0, 0, 1) adds no edge and X = 1 takes it out of T again; it shares
    // edge (0, 1) with two cube faces, so the border count stays 0.
    TestMesh cubeWithRepeat = testing::UnitCube();
    cubeWithRepeat.AddTriangle(0, 0, 1);
    // A sphere without its two polar fans: an open band, two borders.
    const TestMesh sphere = testing::Sphere(8, 6);
    const uint32_t north = static_cast<uint32_t>(sphere.points.size() - 1);
    TestMesh band = Without(sphere, [&](size_t, const TRIANGLE& t) {
        return t.a == 0 || t.b == 0 || t.c == 0 || t.a == north || t.b == north || t.c == north;
    });
    // A 6 x 6 grid without two inner quads that touch neither each other nor
    // the rim: the rim and two holes.
    TestMesh holes = Without(testing::Grid(6), [](size_t t, const TRIANGLE&) {
        return t / 2 == 1 * 6 + 1 || t / 2 == 3 * 6 + 4;
    });
    // Three triangles on the edge (0, 1).
    TestMesh book = testing::MeshOf({{0, 0, 0}, {0, 0, 1}, {1, 0, 0}, {0, 1, 0}, {-1, -1, 0}},
        {{0, 1, 2}, {1, 0, 3}, {1, 0, 4}});
    TestMesh pieces = testing::UnitCube();  // a cube and an inward tetrahedron apart
    TestMesh inward = testing::Reversed(testing::Tetrahedron());
    for (T3DVECF& p : inward.points) {
        p.x += 5.0;
    }
    testing::Append(pieces, inward);
    TestMesh outOfRange = testing::Tetrahedron();
    outOfRange.AddTriangle(0, 1, 4);  // 4 == pointCount: the topology fails
    TestMesh doubleTorus = testing::DoubleTorus();
    ASSERT_EQ(doubleTorus.points.size(), 96u);
    ASSERT_EQ(doubleTorus.triangles.size(), 196u);

    struct Case {
        const char* name;
        TestMesh mesh;
        Topology expected;
    };
    Case cases[] = {
        // Handles: K - (V - I - E + B + T - X) / 2.
        {"single triangle", testing::SingleTriangle(), {1, 1, 1, 1, 0}},  // 1 - (3 - 3 + 1 + 1) / 2
        {"tetrahedron", testing::Tetrahedron(), {1, 1, 1, 0, 0}},         // 1 - (4 - 6 + 4) / 2
        {"inward tetrahedron", testing::Reversed(testing::Tetrahedron()), {1, 1, 1, 0, 0}},
        {"tetrahedron, one face flipped", testing::FlipOne(testing::Tetrahedron(), 1),
         {0, 1, kAny, 0, 0}},
        {"torus", testing::Torus(12, 8), {1, kAny, 1, 0, 1}},  // 96 - 288 + 192 = 0
        {"double torus", doubleTorus, {1, kAny, 1, 0, 2}},     // 1 - (96 - 294 + 196) / 2
        {"torus and an unused point", torusWithPoint, {kAny, kAny, kAny, kAny, 1}},
        {"cube and two unused points", cubeWithPoints, {kAny, kAny, kAny, kAny, 0}},
        {"cube and a triangle repeating a point", cubeWithRepeat, {kAny, kAny, kAny, 0, 0}},
        // No shared edge; the two loops touch at point 2: 2 - (5 - 6 + 1 + 2) / 2.
        {"bow tie", testing::BowTie(), {1, 1, 2, 1, 1}},
        {"band", band, {kAny, kAny, 1, 2, 0}},
        {"grid with two holes", holes, {kAny, kAny, kAny, 3, 0}},  // 1 - (49 - 118 + 3 + 68) / 2
        {"Moebius strip", testing::Moebius(5), {0, 0, 1, 1, kAny}},
        {"three triangles on one edge", book, {0, 0, 1, kAny, kAny}},
        {"separate pieces", pieces, {1, 1, 2, 0, 0}},  // 2 - (12 - 24 + 16) / 2
        {"corner out of range", outOfRange, {0, 0, -5, -5, -5}},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Topology got = Analyse(c.mesh);
        const int32_t g[5] = {got.oriented, got.orientable, got.components, got.borders, got.handles};
        const int32_t e[5] = {c.expected.oriented, c.expected.orientable, c.expected.components,
                              c.expected.borders, c.expected.handles};
        const char* what[5] = {"oriented", "orientable", "components", "borders", "handles"};
        for (int i = 0; i < 5; ++i) {
            if (e[i] != kAny) {
                EXPECT_EQ(g[i], e[i]) << what[i];
            }
        }
    }
}

TEST(Orientability, TheCallersTrianglesAreNeverChanged)
{
    for (TestMesh m : {testing::FlipOne(testing::Torus(6, 5), 7), testing::Moebius(6),
                       testing::FlipOne(testing::Tetrahedron(), 3)}) {
        const std::vector<TRIANGLE> before = m.triangles;
        MeshTopology topology;
        const MeshRecord record = m.Record();
        topology.Attach(record);
        IsOrientable(record, topology);
        ASSERT_EQ(m.triangles.size(), before.size());
        EXPECT_EQ(std::memcmp(m.triangles.data(), before.data(), before.size() * sizeof(TRIANGLE)),
                  0);
    }
}

TEST(Orientability, OrientCopyFlipsNeighboursToMatchTheFirstTriangle)
{
    // The tetrahedron with triangle 0 flipped: the walk starts at triangle 0
    // and keeps it, so the three others are flipped to match it.
    TestMesh original = testing::FlipOne(testing::Tetrahedron(), 0);
    TestMesh copy = original;
    MeshTopology topology;
    topology.Attach(original.Record());
    MeshRecord record = copy.Record();
    EXPECT_TRUE(OrientCopy(record, topology));
    EXPECT_TRUE(IsConsistentlyOriented(record));
    const TestMesh expected = testing::Reversed(testing::Tetrahedron());
    for (size_t t = 1; t < 4; ++t) {
        EXPECT_EQ(copy.triangles[t].a, expected.triangles[t].a) << t;
        EXPECT_EQ(copy.triangles[t].b, expected.triangles[t].b) << t;
        EXPECT_EQ(copy.triangles[t].c, expected.triangles[t].c) << t;
    }
    EXPECT_EQ(copy.triangles[0].a, original.triangles[0].a);
    EXPECT_EQ(copy.triangles[0].b, original.triangles[0].b);
}

TEST(Orientability, FailuresGiveFalseAndLeakNothing)
{
    TestMesh m = testing::FlipOne(testing::Torus(5, 4), 3);
    const MeshRecord record = m.Record();
    {
        MeshTopology topology;
        topology.Attach(record);
        memory_testing::ResetAllocationCounter();
        ASSERT_TRUE(IsOrientable(record, topology));
    }
    const uint64_t allocations = memory_testing::AllocationCount();
    for (uint64_t k = 1; k <= allocations; ++k) {
        MeshTopology topology;
        topology.Attach(record);
        memory_testing::ResetAllocationCounter();
        memory_testing::FailAllocations(k, 1);
        // A failure may still leave a consistent copy (true is then right);
        // it must never crash or leak.
        IsOrientable(record, topology);
    }
    memory_testing::ResetAllocationCounter();
    // No neighbour lists: nothing can be flipped, and the torus with one
    // flipped triangle is not consistent as it stands: false.
    MeshTopology topology;
    topology.Attach(record);
    memory_testing::FailAllocations(1, 1);
    EXPECT_FALSE(IsOrientable(record, topology));
    memory_testing::ResetAllocationCounter();
}

TEST(MeshTopologyAnalyses, BadRecordCodes)
{
    TestMesh m = testing::Tetrahedron();
    MeshTopology topology;
    for (int i = 0; i < 4; ++i) {
        const MeshRecord record = testing::Broken(m.Record(), i);
        const int32_t code = -1 - i;
        EXPECT_EQ(ComputeComponents(record, topology), code);
        EXPECT_EQ(ComputeBorders(record, topology), code);
        EXPECT_EQ(ComputeHandles(record, topology), code);
        if (code == -1) {
            EXPECT_FALSE(IsOriented(record, topology));
            EXPECT_FALSE(IsOrientable(record, topology));
        }
    }
}

TEST(MeshTopologyAnalyses, ComponentAndBorderAllocationFailures)
{
    TestMesh m = testing::BowTie();
    const MeshRecord record = m.Record();
    for (uint64_t k = 1; k <= 2; ++k) {
        MeshTopology topology;
        topology.Attach(record);
        topology.TriangleNeighbours();
        uint32_t borderEdgeCount = 0;
        topology.BorderEdges(borderEdgeCount);
        memory_testing::ResetAllocationCounter();
        memory_testing::FailAllocations(k, 1);
        EXPECT_EQ(ComputeComponents(record, topology), -6) << k;
        memory_testing::ResetAllocationCounter();
        memory_testing::FailAllocations(k, 1);
        EXPECT_EQ(ComputeBorders(record, topology), -5) << k;  // visited or queue of the walk
        memory_testing::ResetAllocationCounter();
        memory_testing::FailAllocations(k + 2, 1);
        EXPECT_EQ(ComputeBorders(record, topology), -6) << k;  // the neighbour lists
        memory_testing::ResetAllocationCounter();
    }
}

}  // namespace
}  // namespace meshaudit
