// Triangle counts read from the adjacency: border, degrees, isolated,
// singular and flipped triangles, on small meshes worked out by hand.
#include "analysis/triangles/TriangleAnalyses.h"
#include "containers/Memory.h"
#include "model/MeshTopology.h"
#include "analysis/MeshBuilders.h"

#include <gtest/gtest.h>

#include <utility>

namespace meshaudit {
namespace {

using testing::TestMesh;

// The adjacency counters of one mesh, each over a fresh topology.
struct AdjacencyCounts {
    int32_t border, isolated, singular, minimalDegree, maximalDegree, flipped;
};

AdjacencyCounts CountAll(TestMesh& m)
{
    const MeshRecord r = m.Record();
    MeshTopology topology;
    topology.Attach(r);
    AdjacencyCounts c{};
    c.border = triangles::CountBorder(r, topology);
    c.isolated = triangles::CountIsolated(r, topology);
    c.singular = triangles::CountSingular(r, topology);
    c.minimalDegree = triangles::MinimalDegree(r, topology);
    c.maximalDegree = triangles::MaximalDegree(r, topology);
    c.flipped = triangles::CountFlippedTopological(r, topology);
    return c;
}

TEST(TriangleAdjacency, HandCountedMeshes)
{
    TestMesh single = testing::FlatTriangle();
    TestMesh reversed = testing::Tetrahedron();
    std::swap(reversed.triangles[2].b, reversed.triangles[2].c);
    TestMesh twice = single;
    twice.AddTriangle(0, 1, 2);
    TestMesh opposite = single;
    opposite.AddTriangle(2, 1, 0);
    // A loose triangle hung on corner 0 of a closed tetrahedron: its sides
    // are border sides, so the three faces at corner 0 touch the border.
    TestMesh hung = testing::Tetrahedron();
    const uint32_t a = hung.AddPoint(-1, -1, 0);
    const uint32_t b = hung.AddPoint(-1, 0, -1);
    hung.AddTriangle(0, a, b);
    // (0, 1, 2) and (2, 0, 1) are one triangle started at another corner:
    // they run every side the same way and flip each other; (1, 3, 2) runs
    // (1, 2) the other way round.
    TestMesh rotated = single;
    rotated.AddPoint(1, 1, 0);
    rotated.AddTriangle(2, 0, 1);
    rotated.AddTriangle(1, 3, 2);

    struct Case {
        const char* name;
        TestMesh mesh;
        AdjacencyCounts expected;  // border, isolated, singular, min, max, flipped
    };
    Case cases[] = {
        {"single triangle", single, {1, 1, 0, 0, 0, 0}},
        {"tetrahedron", testing::Tetrahedron(), {0, 0, 0, 3, 3, 0}},
        // One reversed face flips itself and its three neighbours; degrees
        // ignore orientation.
        {"tetrahedron, one face reversed", reversed, {0, 0, 0, 3, 3, 4}},
        // Three pages: degree 2; four: 3; five: 4, singular. Every page has two
        // free sides and all run (0, 1) the same way.
        {"book of 3", testing::Book(3), {3, 0, 0, 2, 2, 3}},
        {"book of 4", testing::Book(4), {4, 0, 0, 3, 3, 4}},
        {"book of 5", testing::Book(5), {5, 0, 5, 4, 4, 5}},
        {"stored twice", twice, {0, 0, 0, 3, 3, 2}},  // every side has the other copy
        {"stored twice, opposite", opposite, {0, 0, 0, 3, 3, 0}},
        {"loose triangle on a corner", hung, {4, 1, 0, 0, 3, 0}},
        // Every cell of a 3 x 3 grid but the centre has a border corner; the
        // triangles in the corners (3,0) and (0,3) have two border sides.
        {"grid", testing::Grid(3), {16, 0, 0, 1, 3, 0}},
        {"torus", testing::Torus(8, 6), {0, 0, 0, 3, 3, 0}},
        // Each copy: 3 from the other + 1 from the third.
        {"same triangle from another corner", rotated, {3, 0, 2, 2, 4, 2}},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        const AdjacencyCounts got = CountAll(c.mesh);
        EXPECT_EQ(got.border, c.expected.border);
        EXPECT_EQ(got.isolated, c.expected.isolated);
        EXPECT_EQ(got.singular, c.expected.singular);
        EXPECT_EQ(got.minimalDegree, c.expected.minimalDegree);
        EXPECT_EQ(got.maximalDegree, c.expected.maximalDegree);
        EXPECT_EQ(got.flipped, c.expected.flipped);
    }
}

TEST(TriangleAdjacency, RecordCodes)
{
    TestMesh m = testing::Tetrahedron();
    const MeshRecord good = m.Record();
    MeshTopology topology;
    using Counter = int32_t (*)(const MeshRecord&, MeshTopology&);
    const Counter counters[] = {&triangles::CountBorder,   &triangles::CountIsolated,
                                &triangles::CountSingular, &triangles::MinimalDegree,
                                &triangles::MaximalDegree, &triangles::CountFlippedTopological};
    for (Counter count : counters) {
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(count(testing::Broken(good, i), topology), -1 - i);
        }
    }
    uint8_t sentinel = 0;
    uint8_t* mask = &sentinel;
    EXPECT_EQ(triangles::BorderVertices(testing::Broken(good, 0), topology, mask), -1);
    EXPECT_TRUE(mask == nullptr);
}

TEST(TriangleAdjacency, BorderVerticesHandsItsMaskToTheCaller)
{
    TestMesh m = testing::Grid(2);
    const MeshRecord r = m.Record();
    MeshTopology topology;
    topology.Attach(r);
    uint8_t* mask = nullptr;
    EXPECT_EQ(triangles::BorderVertices(r, topology, mask), 8);
    ASSERT_TRUE(mask != nullptr);
    EXPECT_EQ(mask[4], 0);  // the centre of the 3 x 3 points
    EXPECT_EQ(mask[0], 1);
    EXPECT_EQ(mask[8], 1);
    Free(mask);
}

TEST(TriangleAdjacency, TopologyAndMaskFailures)
{
    TestMesh m = testing::Grid(2);
    const MeshRecord r = m.Record();
    MeshTopology topology;
    topology.Attach(r);
    // The first allocation of a fresh topology fails: its build fails.
    memory_testing::ResetAllocationCounter();
    memory_testing::FailAllocations(1, 1);
    EXPECT_EQ(triangles::CountFlippedTopological(r, topology), -5);
    memory_testing::ResetAllocationCounter();
    memory_testing::FailAllocations(1, 1);
    EXPECT_EQ(triangles::CountSingular(r, topology), -5);
    memory_testing::ResetAllocationCounter();

    // With the border-side bits built, the only allocation left is the
    // border mask.
    topology.BorderSides();
    ASSERT_EQ(topology.Status(), 0);
    uint8_t* mask = nullptr;
    memory_testing::ResetAllocationCounter();
    memory_testing::FailAllocations(1, 1);
    EXPECT_EQ(triangles::BorderVertices(r, topology, mask), -6);
    EXPECT_TRUE(mask == nullptr);
    memory_testing::ResetAllocationCounter();
    memory_testing::FailAllocations(1, 1);
    EXPECT_EQ(triangles::CountBorder(r, topology), -5);
    memory_testing::ResetAllocationCounter();
    EXPECT_EQ(triangles::CountBorder(r, topology), 8);
}

}  // namespace
}  // namespace meshaudit
