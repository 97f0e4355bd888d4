// Edge quantities on small meshes whose values are counted by hand, and on
// random meshes against the plain definitions.
#include "analysis/edges/EdgeAnalyses.h"
#include "containers/Memory.h"
#include "EdgeValues.h"
#include "analysis/MeshBuilders.h"
#include "support/TestMeshes.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>
#include <random>

namespace meshaudit {
namespace {

using testing::Compute;
using testing::EdgeValues;
using testing::Reference;
using testing::TestMesh;

TEST(EdgeAnalyses, HandCountedMeshes)
{
    TestMesh two = testing::FlatTriangle();
    two.AddPoint(1, 1, 0);
    two.AddTriangle(2, 1, 3);
    TestMesh degenerate = testing::MeshOf({{0, 0, 0}, {1, 0, 0}}, {{0, 0, 1}});
    // Points 0 and 1 coincide: (0, 2) and (1, 2) too.
    TestMesh coincident = testing::MeshOf({{0, 0, 0}, {0, 0, 0}, {0, 1, 0}}, {{0, 1, 2}});
    TestMesh reversed = testing::FlatTriangle();
    reversed.AddPoint(1, -0.0, 0);  // point 1 again, with a negative zero
    reversed.AddPoint(-0.0, 0, 0);  // point 0 again
    reversed.AddPoint(0, 0, 5);
    reversed.AddTriangle(3, 4, 5);  // (3, 4) runs from point 1's place to point 0's
    TestMesh thrice = testing::FlatTriangle();  // an edge list has no topological duplicates
    thrice.AddTriangle(0, 1, 2);
    thrice.AddTriangle(2, 1, 0);
    const double r2 = std::sqrt(2.0);
    struct Case {
        const char* name;
        TestMesh mesh;
        EdgeValues expected;  // fields not named are 0
    };
    Case cases[] = {
        {"single triangle", testing::FlatTriangle(),
         {.count = 3, .border = 3, .minimalDegree = 1, .maximalDegree = 1, .minimalLength = 1.0,
          .maximalLength = r2}},
        {"two triangles sharing an edge", two,
         {.count = 5, .border = 4, .minimalDegree = 1, .maximalDegree = 2, .minimalLength = 1.0,
          .maximalLength = r2}},
        {"closed tetrahedron", testing::Tetrahedron(),
         {.count = 6, .minimalDegree = 2, .maximalDegree = 2, .minimalLength = 1.0,
          .maximalLength = r2}},
        // (0, 0) is no pair of distinct points; point 0's incident list names
        // the triangle twice: degree 2 for both (0, 0) and (0, 1).
        {"triangle repeating a point", degenerate,
         {.count = 1, .border = 3, .invalidTopological = 1, .invalidGeometrical = 1,
          .minimalDegree = 2, .maximalDegree = 2, .minimalLength = 0.0, .maximalLength = 1.0}},
        {"coincident points", coincident,
         {.count = 3, .border = 3, .invalidGeometrical = 1, .duplicatedGeometrical = 2,
          .classesGeometrical = 1, .minimalDegree = 1, .maximalDegree = 1, .minimalLength = 0.0,
          .maximalLength = 1.0}},
        {"reversed coincident edges", reversed,
         {.count = 6, .border = 6, .duplicatedGeometrical = 2, .classesGeometrical = 1,
          .minimalDegree = 1, .maximalDegree = 1, .minimalLength = 1.0,
          .maximalLength = std::sqrt(26.0)}},
        {"one triangle stored thrice", thrice,
         {.count = 3, .singular = 3, .minimalDegree = 3, .maximalDegree = 3, .minimalLength = 1.0,
          .maximalLength = r2}},
    };
    for (Case& c : cases) {
        EXPECT_EQ(Compute(c.mesh), c.expected) << c.name;
        EXPECT_EQ(Compute(c.mesh), Reference(c.mesh)) << c.name;
    }
}

TEST(EdgeAnalyses, ClosedTorus)
{
    TestMesh mesh = testing::Torus(8, 5);
    const EdgeValues values = Compute(mesh, 0.0, 1.0);
    EXPECT_EQ(values.count, 3 * 8 * 5);
    EXPECT_EQ(values.border, 0);
    EXPECT_EQ(values.minimalDegree, 2);
    EXPECT_EQ(values.maximalDegree, 2);
    EXPECT_EQ(values, Reference(mesh, 0.0, 1.0));  // and so no singular, invalid or duplicate edge
    EXPECT_GT(values.longer, 0);  // the outer ring's edges exceed 1.0
}

TEST(EdgeAnalyses, SeveralTrianglesOnOneEdge)
{
    for (uint32_t k : {3u, 4u, 5u}) {
        TestMesh mesh = testing::Book(k);
        const EdgeValues values = Compute(mesh);
        EXPECT_EQ(values.count, static_cast<int32_t>(1 + 2 * k));
        EXPECT_EQ(values.border, static_cast<int32_t>(2 * k));  // the hinge is shared
        EXPECT_EQ(values.singular, 1);
        EXPECT_EQ(values.minimalDegree, 1);
        EXPECT_EQ(values.maximalDegree, static_cast<int32_t>(k));
        EXPECT_EQ(values, Reference(mesh));
    }
}

TEST(EdgeAnalyses, LengthsExactlyOnTheBounds)
{
    // A 6-8-10 right triangle: every length is exact.
    TestMesh mesh = testing::MeshOf({{0, 0, 0}, {6, 0, 0}, {6, 8, 0}}, {{0, 1, 2}});
    EXPECT_EQ(Compute(mesh, 0.0, 10.0).longer, 0);  // 10 is not greater than 10
    EXPECT_EQ(Compute(mesh, 0.0, 8.0).longer, 1);
    EXPECT_EQ(Compute(mesh, 0.0, 5.0).longer, 3);
    EXPECT_EQ(Compute(mesh, 6.0, 10.0).shorter, 0);  // 6 is not smaller than 6
    EXPECT_EQ(Compute(mesh, 8.0, 10.0).shorter, 1);
    EXPECT_EQ(Compute(mesh, 10.5, 10.0).shorter, 3);
    EXPECT_EQ(Compute(mesh).minimalLength, 6.0);
    EXPECT_EQ(Compute(mesh).maximalLength, 10.0);
}

TEST(EdgeAnalyses, NanCoordinatesNeverDecide)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    TestMesh mesh = testing::MeshOf({{0, 0, 0}, {1, 0, 0}, {nan, 0, 0}}, {{0, 1, 2}});
    const EdgeValues values = Compute(mesh, 5.0, 0.5);
    EXPECT_EQ(values.minimalLength, 1.0);
    EXPECT_EQ(values.maximalLength, 1.0);
    EXPECT_EQ(values.shorter, 1);  // NaN is neither smaller nor greater
    EXPECT_EQ(values.longer, 1);
    EXPECT_EQ(values.invalidGeometrical, 0);
    EXPECT_EQ(values.count, 3);

    // Only NaN lengths: the extremes keep their starting values.
    TestMesh lost = testing::MeshOf({{nan, nan, nan}, {nan, 0, 0}, {0, nan, 0}}, {{0, 1, 2}});
    lost.AddTriangle(0, 0, 0);  // (0, 0) with NaN coordinates is not invalid
    const EdgeValues nothing = Compute(lost);
    EXPECT_EQ(nothing.minimalLength, DBL_MAX);
    EXPECT_EQ(nothing.maximalLength, 0.0);
    EXPECT_EQ(nothing.invalidGeometrical, 0);
    EXPECT_EQ(nothing.invalidTopological, 1);
}

TEST(EdgeAnalyses, RandomMeshesMatchTheDefinitions)
{
    std::mt19937 random(99);
    for (int round = 0; round < 150; ++round) {
        TestMesh mesh;
        const uint32_t points = 1 + random() % 10;
        for (uint32_t p = 0; p < points; ++p) {
            // Coarse coordinates: coincident points and equal lengths occur.
            mesh.AddPoint(random() % 3, random() % 2, (random() % 3) * 0.5);
        }
        const uint32_t count = 1 + random() % 20;
        for (uint32_t t = 0; t < count; ++t) {
            mesh.AddTriangle(random() % points, random() % points, random() % points);
        }
        const double lower = (random() % 4) * 0.5;
        const double upper = (random() % 4) * 0.5;
        EXPECT_EQ(Compute(mesh, lower, upper), Reference(mesh, lower, upper)) << "round " << round;
    }
}

// --- Failure codes -----------------------------------------------------------

// Every quantity with the record code, except the degree quantities, which
// make no record checks and fail with "edge list failed".
EdgeValues RecordCodes(int32_t code)
{
    EdgeValues v;
    v.count = v.border = v.invalidTopological = v.invalidGeometrical = code;
    v.duplicatedTopological = v.duplicatedGeometrical = code;
    v.classesTopological = v.classesGeometrical = code;
    v.shorter = v.longer = code;
    v.minimalLength = v.maximalLength = code;
    v.singular = v.minimalDegree = v.maximalDegree = -1;
    return v;
}

TEST(EdgeAnalyses, RecordChecksInOrder)
{
    // Each record also breaks the later checks: their order decides the code.
    TestMesh mesh = testing::FlatTriangle();
    MeshRecord record = mesh.Record();
    record.points = nullptr;
    record.triangles = nullptr;
    record.pointCount = 0;
    EXPECT_EQ(Compute(record), RecordCodes(-1));
    record = mesh.Record();
    record.triangles = nullptr;
    record.triangleCount = 0;
    EXPECT_EQ(Compute(record), RecordCodes(-2));
    record = mesh.Record();
    record.pointCount = 0;
    record.triangleCount = 0;
    EXPECT_EQ(Compute(record), RecordCodes(-3));
    record = mesh.Record();
    record.triangleCount = 0;
    EXPECT_EQ(Compute(record), RecordCodes(-4));
}

TEST(EdgeAnalyses, IndexOutOfRangeIsATopologyFailure)
{
    TestMesh mesh = testing::FlatTriangle();
    mesh.AddTriangle(1, 2, 3);  // point 3 does not exist
    EXPECT_EQ(Compute(mesh.Record()), RecordCodes(-5));
}

TEST(EdgeAnalyses, MarkArrayAllocationFailure)
{
    TestMesh mesh = testing::Tetrahedron();
    const MeshRecord record = mesh.Record();
    MeshTopology topology;
    topology.Attach(record);
    topology.VertexTriangles();
    memory_testing::ResetAllocationCounter();
    memory_testing::FailAllocations(1, 1);
    EXPECT_EQ(CountEdges(record, topology), -6);
    memory_testing::ResetAllocationCounter();
    EXPECT_EQ(CountEdges(record, topology), 6);
}

TEST(EdgeAnalyses, TopologyAllocationFailures)
{
    TestMesh mesh = testing::Tetrahedron();
    const MeshRecord record = mesh.Record();
    // Every allocation of a fresh build fails: the first getter fails.
    memory_testing::ResetAllocationCounter();
    memory_testing::FailAllocations(1, 1000);
    EXPECT_EQ(Compute(record), RecordCodes(-5));
    memory_testing::ResetAllocationCounter();

    // The edge list is there but the per-edge lists fail: -2.
    MeshTopology topology;
    topology.Attach(record);
    uint32_t edgeCount = 0;
    topology.Edges(edgeCount);
    memory_testing::FailAllocations(1, 1000);
    EXPECT_EQ(CountSingularEdges(record, topology), -2);
    EXPECT_EQ(MinimalEdgeDegree(record, topology), -2);
    EXPECT_EQ(MaximalEdgeDegree(record, topology), -2);
    memory_testing::ResetAllocationCounter();
    EXPECT_EQ(MaximalEdgeDegree(record, topology), 2);
}

TEST(EdgeAnalyses, DuplicateSearchPoolFailure)
{
    TestMesh mesh = testing::Tetrahedron();
    const MeshRecord record = mesh.Record();
    MeshTopology topology;
    topology.Attach(record);
    uint32_t edgeCount = 0;
    topology.Edges(edgeCount);
    using Op = int32_t (*)(const MeshRecord&, MeshTopology&);
    struct Case {
        Op op;
        uint64_t allocations;
    };
    // With the edge list in place, a count by indices allocates its sorted
    // key array only; a count by coordinates also the point ranks and the
    // array that sorts them: none per key.
    for (const Case& c : {Case{&CountDuplicatedTopologicalEdges, 1},
                          Case{&CountClassesOfDuplicatedTopologicalEdges, 1},
                          Case{&CountDuplicatedGeometricalEdges, 3},
                          Case{&CountClassesOfDuplicatedGeometricalEdges, 3}}) {
        for (uint64_t k = 1; k <= c.allocations; ++k) {
            memory_testing::ResetAllocationCounter();
            memory_testing::FailAllocations(k, 1);
            EXPECT_EQ(c.op(record, topology), -8) << k;
        }
        memory_testing::ResetAllocationCounter();
        EXPECT_EQ(c.op(record, topology), 0);
        EXPECT_EQ(memory_testing::AllocationCount(), c.allocations);
    }
    memory_testing::ResetAllocationCounter();
}

}  // namespace
}  // namespace meshaudit
