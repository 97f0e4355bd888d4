// Orientation, components, borders and handles of whole meshes over the
// mesh topology, on hand-built meshes whose values are worked out by hand.
#include "analysis/mesh/MeshAnalyses.h"
#include "containers/Memory.h"
#include "model/MeshTopology.h"
#include "analysis/MeshBuilders.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace meshaudit {
namespace {

using testing::TestMesh;

// The five whole-mesh topology values of one mesh, each on a fresh topology
// so that no analysis profits from another's structures.
struct Topology {
    bool oriented;
    bool orientable;
    int32_t components;
    int32_t borders;
    int32_t handles;
};

Topology Analyse(TestMesh& mesh)
{
    const MeshRecord record = mesh.Record();
    Topology result{};
    {
        MeshTopology topology;
        topology.Attach(record);
        result.oriented = IsOriented(record, topology);
    }
    {
        MeshTopology topology;
        topology.Attach(record);
        result.orientable = IsOrientable(record, topology);
    }
    {
        MeshTopology topology;
        topology.Attach(record);
        result.components = ComputeComponents(record, topology);
    }
    {
        MeshTopology topology;
        topology.Attach(record);
        result.borders = ComputeBorders(record, topology);
    }
    {
        MeshTopology topology;
        topology.Attach(record);
        result.handles = ComputeHandles(record, topology);
    }
    return result;
}

TEST(MeshTopologyAnalyses, SingleTriangle)
{
    TestMesh m = testing::SingleTriangle();
    const Topology t = Analyse(m);
    EXPECT_TRUE(t.oriented);
    EXPECT_TRUE(t.orientable);
    EXPECT_EQ(t.components, 1);
    EXPECT_EQ(t.borders, 1);
    EXPECT_EQ(t.handles, 0);  // 1 - (3 - 0 - 3 + 1 + 1 - 0) / 2
}

TEST(MeshTopologyAnalyses, ClosedTetrahedronOutwardAndInward)
{
    for (TestMesh m : {testing::Tetrahedron(), testing::Reversed(testing::Tetrahedron())}) {
        const Topology t = Analyse(m);
        EXPECT_TRUE(t.oriented);
        EXPECT_TRUE(t.orientable);
        EXPECT_EQ(t.components, 1);
        EXPECT_EQ(t.borders, 0);
        EXPECT_EQ(t.handles, 0);  // 1 - (4 - 6 + 0 + 4) / 2
    }
}

TEST(MeshTopologyAnalyses, TetrahedronWithOneTriangleFlipped)
{
    TestMesh m = testing::FlipOne(testing::Tetrahedron(), 1);
    const Topology t = Analyse(m);
    EXPECT_FALSE(t.oriented);
    EXPECT_TRUE(t.orientable);
    EXPECT_EQ(t.borders, 0);
    EXPECT_EQ(t.handles, 0);
}

TEST(MeshTopologyAnalyses, TorusHasOneHandle)
{
    TestMesh m = testing::Torus(12, 8);
    const Topology t = Analyse(m);
    EXPECT_TRUE(t.oriented);
    EXPECT_EQ(t.components, 1);
    EXPECT_EQ(t.borders, 0);
    EXPECT_EQ(t.handles, 1);  // V - E + T = 96 - 288 + 192 = 0
}

TEST(MeshTopologyAnalyses, DoubleTorusHasTwoHandles)
{
    TestMesh m = testing::DoubleTorus();
    ASSERT_EQ(m.points.size(), 96u);
    ASSERT_EQ(m.triangles.size(), 196u);
    const Topology t = Analyse(m);
    EXPECT_TRUE(t.oriented);
    EXPECT_EQ(t.components, 1);
    EXPECT_EQ(t.borders, 0);
    EXPECT_EQ(t.handles, 2);  // 1 - (96 - 294 + 196) / 2
}

TEST(MeshTopologyAnalyses, AnUnusedPointDoesNotChangeTheHandles)
{
    TestMesh m = testing::Torus(6, 4);
    m.AddPoint(50, 50, 50);
    EXPECT_EQ(Analyse(m).handles, 1);
    TestMesh cube = testing::UnitCube();
    cube.AddPoint(7, 7, 7);
    cube.AddPoint(8, 8, 8);
    EXPECT_EQ(Analyse(cube).handles, 0);
}

TEST(MeshTopologyAnalyses, ATriangleRepeatingAPointIsLeftOutOfTheHandles)
{
    // The cube plus (0, 0, 1): its one new edge (0, 1) is an existing edge
    // and X = 1 takes the triangle out of F again; it shares edge (0, 1)
    // with two cube faces, so the border count stays 0.
    TestMesh cube = testing::UnitCube();
    cube.AddTriangle(0, 0, 1);
    const Topology t = Analyse(cube);
    EXPECT_EQ(t.borders, 0);
    EXPECT_EQ(t.handles, 0);
}

TEST(MeshTopologyAnalyses, TwoTrianglesSharingOnlyAPoint)
{
    TestMesh m = testing::BowTie();
    const Topology t = Analyse(m);
    EXPECT_TRUE(t.oriented);  // no shared edge at all
    EXPECT_TRUE(t.orientable);
    EXPECT_EQ(t.components, 2);
    EXPECT_EQ(t.borders, 1);  // the two loops touch at point 2
    EXPECT_EQ(t.handles, 1);  // 2 - (5 - 6 + 1 + 2) / 2
}

TEST(MeshTopologyAnalyses, SurfacesWithHoles)
{
    // A sphere without its two polar fans: an open band, two borders.
    TestMesh band = testing::Sphere(8, 6);
    std::vector<TRIANGLE> kept;
    for (const TRIANGLE& t : band.triangles) {
        const uint32_t north = static_cast<uint32_t>(band.points.size() - 1);
        const bool polar = t.a == 0 || t.b == 0 || t.c == 0 || t.a == north || t.b == north ||
                           t.c == north;
        if (!polar) {
            kept.push_back(t);
        }
    }
    band.triangles = kept;
    const Topology b = Analyse(band);
    EXPECT_EQ(b.borders, 2);
    EXPECT_EQ(b.components, 1);
    EXPECT_EQ(b.handles, 0);

    // A 6 x 6 grid without two inner quads that touch neither each other
    // nor the rim: the rim and two holes.
    TestMesh grid = testing::Grid(6);
    auto quad = [](uint32_t i, uint32_t j) { return 2 * (j * 6 + i); };
    const size_t removed[] = {quad(1, 1), quad(4, 3)};
    std::vector<TRIANGLE> gridKept;
    for (size_t t = 0; t < grid.triangles.size(); ++t) {
        if (t != removed[0] && t != removed[0] + 1 && t != removed[1] && t != removed[1] + 1) {
            gridKept.push_back(grid.triangles[t]);
        }
    }
    grid.triangles = gridKept;
    const Topology g = Analyse(grid);
    EXPECT_EQ(g.borders, 3);
    EXPECT_EQ(g.handles, 0);  // 1 - (49 - 0 - 118 + 3 + 68 - 0) / 2
}

TEST(MeshTopologyAnalyses, MoebiusStripIsNotOrientable)
{
    TestMesh m = testing::Moebius(5);
    const Topology t = Analyse(m);
    EXPECT_FALSE(t.oriented);
    EXPECT_FALSE(t.orientable);
    EXPECT_EQ(t.components, 1);
    EXPECT_EQ(t.borders, 1);
}

TEST(MeshTopologyAnalyses, ThreeTrianglesOnOneEdgeAreNotOrientable)
{
    TestMesh m;
    m.AddPoint(0, 0, 0);
    m.AddPoint(0, 0, 1);
    m.AddPoint(1, 0, 0);
    m.AddPoint(0, 1, 0);
    m.AddPoint(-1, -1, 0);
    m.AddTriangle(0, 1, 2);
    m.AddTriangle(1, 0, 3);
    m.AddTriangle(1, 0, 4);
    const Topology t = Analyse(m);
    EXPECT_FALSE(t.oriented);
    EXPECT_FALSE(t.orientable);
    EXPECT_EQ(t.components, 1);
}

TEST(MeshTopologyAnalyses, SeparatePiecesAreOrientedEachOnItsOwn)
{
    TestMesh m = testing::UnitCube();
    TestMesh inward = testing::Reversed(testing::Tetrahedron());
    for (T3DVECF& p : inward.points) {
        p.x += 5.0;
    }
    testing::Append(m, inward);
    const Topology t = Analyse(m);
    EXPECT_TRUE(t.oriented);
    EXPECT_TRUE(t.orientable);
    EXPECT_EQ(t.components, 2);
    EXPECT_EQ(t.borders, 0);
    EXPECT_EQ(t.handles, 0);  // 2 - (12 - 24 + 16) / 2: two spheres
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

TEST(Orientability, OrientCopyMakesEveryOrientableRandomFlipConsistent)
{
    TestMesh torus = testing::Torus(9, 7);
    uint32_t state = 99;
    for (int round = 0; round < 20; ++round) {
        TestMesh m = torus;
        for (TRIANGLE& t : m.triangles) {
            state = state * 1664525u + 1013904223u;
            if ((state >> 16) & 1) {
                std::swap(t.a, t.b);
            }
        }
        MeshTopology topology;
        topology.Attach(m.Record());
        TestMesh copy = m;
        MeshRecord record = copy.Record();
        EXPECT_TRUE(OrientCopy(record, topology));
        EXPECT_TRUE(IsConsistentlyOriented(record)) << round;
    }
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
    MeshRecord record = m.Record();
    record.points = nullptr;
    EXPECT_EQ(ComputeComponents(record, topology), -1);
    EXPECT_EQ(ComputeBorders(record, topology), -1);
    EXPECT_EQ(ComputeHandles(record, topology), -1);
    EXPECT_FALSE(IsOriented(record, topology));
    EXPECT_FALSE(IsOrientable(record, topology));
    record = m.Record();
    record.triangles = nullptr;
    EXPECT_EQ(ComputeComponents(record, topology), -2);
    EXPECT_EQ(ComputeBorders(record, topology), -2);
    EXPECT_EQ(ComputeHandles(record, topology), -2);
    record = m.Record();
    record.pointCount = 0;
    EXPECT_EQ(ComputeComponents(record, topology), -3);
    EXPECT_EQ(ComputeBorders(record, topology), -3);
    EXPECT_EQ(ComputeHandles(record, topology), -3);
    record = m.Record();
    record.triangleCount = 0;
    EXPECT_EQ(ComputeComponents(record, topology), -4);
    EXPECT_EQ(ComputeBorders(record, topology), -4);
    EXPECT_EQ(ComputeHandles(record, topology), -4);
}

TEST(MeshTopologyAnalyses, OutOfRangeCornersFailTheTopology)
{
    TestMesh m = testing::Tetrahedron();
    m.AddTriangle(0, 1, 4);  // 4 == pointCount
    const Topology t = Analyse(m);
    EXPECT_FALSE(t.oriented);
    EXPECT_FALSE(t.orientable);
    EXPECT_EQ(t.components, -5);
    EXPECT_EQ(t.borders, -5);
    EXPECT_EQ(t.handles, -5);
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
