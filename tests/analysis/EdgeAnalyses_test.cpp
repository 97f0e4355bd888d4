// Edge quantities on small meshes whose values are counted by hand, and on
// random meshes against the plain definitions.
#include "analysis/edges/EdgeAnalyses.h"
#include "containers/Memory.h"
#include "EdgeValues.h"
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

TestMesh SingleTriangle()
{
    TestMesh m;
    m.AddPoint(0, 0, 0);
    m.AddPoint(1, 0, 0);
    m.AddPoint(0, 1, 0);
    m.AddTriangle(0, 1, 2);
    return m;
}

// k triangles (0, 1, 2 + i) hinged on the edge (0, 1).
TestMesh Fan(uint32_t k)
{
    TestMesh m;
    m.AddPoint(0, 0, 0);
    m.AddPoint(0, 0, 1);
    for (uint32_t i = 0; i < k; ++i) {
        const double angle = 0.7 * i;
        m.AddPoint(std::cos(angle), std::sin(angle), 0.5);
        m.AddTriangle(0, 1, 2 + i);
    }
    return m;
}

TEST(EdgeAnalyses, SingleTriangle)
{
    TestMesh mesh = SingleTriangle();
    EdgeValues expected;
    expected.count = 3;
    expected.border = 3;
    expected.minimalDegree = 1;
    expected.maximalDegree = 1;
    expected.minimalLength = 1.0;
    expected.maximalLength = std::sqrt(2.0);
    EXPECT_EQ(Compute(mesh), expected);
}

TEST(EdgeAnalyses, TwoTrianglesSharingAnEdge)
{
    TestMesh mesh = SingleTriangle();
    mesh.AddPoint(1, 1, 0);
    mesh.AddTriangle(2, 1, 3);
    EdgeValues expected;
    expected.count = 5;
    expected.border = 4;
    expected.minimalDegree = 1;
    expected.maximalDegree = 2;
    expected.minimalLength = 1.0;
    expected.maximalLength = std::sqrt(2.0);
    EXPECT_EQ(Compute(mesh), expected);
}

TEST(EdgeAnalyses, ClosedTetrahedron)
{
    TestMesh mesh = testing::Tetrahedron();
    EdgeValues expected;
    expected.count = 6;
    expected.minimalDegree = 2;
    expected.maximalDegree = 2;
    expected.minimalLength = 1.0;
    expected.maximalLength = std::sqrt(2.0);
    EXPECT_EQ(Compute(mesh), expected);
}

TEST(EdgeAnalyses, ClosedTorus)
{
    TestMesh mesh = testing::Torus(8, 5);
    const EdgeValues values = Compute(mesh, 0.0, 1.0);
    EXPECT_EQ(values.count, 3 * 8 * 5);
    EXPECT_EQ(values.border, 0);
    EXPECT_EQ(values.singular, 0);
    EXPECT_EQ(values.minimalDegree, 2);
    EXPECT_EQ(values.maximalDegree, 2);
    EXPECT_EQ(values.invalidTopological, 0);
    EXPECT_EQ(values.invalidGeometrical, 0);
    EXPECT_EQ(values.duplicatedGeometrical, 0);
    EXPECT_EQ(values, Reference(mesh, 0.0, 1.0));
    EXPECT_GT(values.longer, 0);  // the outer ring's edges exceed 1.0
}

TEST(EdgeAnalyses, SeveralTrianglesOnOneEdge)
{
    for (uint32_t k : {3u, 4u, 5u}) {
        TestMesh mesh = Fan(k);
        const EdgeValues values = Compute(mesh);
        EXPECT_EQ(values.count, static_cast<int32_t>(1 + 2 * k));
        EXPECT_EQ(values.border, static_cast<int32_t>(2 * k));  // the hinge is shared
        EXPECT_EQ(values.singular, 1);
        EXPECT_EQ(values.minimalDegree, 1);
        EXPECT_EQ(values.maximalDegree, static_cast<int32_t>(k));
        EXPECT_EQ(values, Reference(mesh));
    }
}

TEST(EdgeAnalyses, DegenerateTriangleRepeatingAPoint)
{
    TestMesh mesh;
    mesh.AddPoint(0, 0, 0);
    mesh.AddPoint(1, 0, 0);
    mesh.AddTriangle(0, 0, 1);
    EdgeValues expected;
    expected.count = 1;  // (0, 0) is no pair of distinct points
    expected.border = 3;
    expected.invalidTopological = 1;
    expected.invalidGeometrical = 1;
    // Point 0's incident list names the triangle twice: degree 2 for both
    // (0, 0) and (0, 1).
    expected.minimalDegree = 2;
    expected.maximalDegree = 2;
    expected.minimalLength = 0.0;
    expected.maximalLength = 1.0;
    EXPECT_EQ(Compute(mesh), expected);
    EXPECT_EQ(Compute(mesh), Reference(mesh));
}

TEST(EdgeAnalyses, CoincidentPoints)
{
    // Points 0 and 1 coincide: the edge joining them has length 0.
    TestMesh mesh;
    mesh.AddPoint(0, 0, 0);
    mesh.AddPoint(0, 0, 0);
    mesh.AddPoint(0, 1, 0);
    mesh.AddTriangle(0, 1, 2);
    EdgeValues values = Compute(mesh);
    EXPECT_EQ(values.invalidGeometrical, 1);
    EXPECT_EQ(values.invalidTopological, 0);
    EXPECT_EQ(values.minimalLength, 0.0);
    // Edges (0, 2) and (1, 2) coincide in coordinates: one class of two.
    EXPECT_EQ(values.duplicatedGeometrical, 2);
    EXPECT_EQ(values.classesGeometrical, 1);
    EXPECT_EQ(values.duplicatedTopological, 0);
    EXPECT_EQ(values.classesTopological, 0);
}

TEST(EdgeAnalyses, ReversedCoincidentEdgesFormOneClass)
{
    TestMesh mesh;
    mesh.AddPoint(0, 0, 0);
    mesh.AddPoint(1, 0, 0);
    mesh.AddPoint(0, 1, 0);
    mesh.AddPoint(1, -0.0, 0);  // point 1 again, with a negative zero
    mesh.AddPoint(-0.0, 0, 0);  // point 0 again
    mesh.AddPoint(0, 0, 5);
    mesh.AddTriangle(0, 1, 2);
    mesh.AddTriangle(3, 4, 5);  // (3, 4) runs from point 1's place to point 0's
    const EdgeValues values = Compute(mesh);
    EXPECT_EQ(values.duplicatedGeometrical, 2);
    EXPECT_EQ(values.classesGeometrical, 1);
    EXPECT_EQ(values.duplicatedTopological, 0);
    EXPECT_EQ(values.count, 6);
    EXPECT_EQ(values, Reference(mesh));
}

TEST(EdgeAnalyses, TopologicalDuplicatesAreZeroEvenForRepeatedEdges)
{
    TestMesh mesh = SingleTriangle();
    mesh.AddTriangle(0, 1, 2);
    mesh.AddTriangle(2, 1, 0);
    const EdgeValues values = Compute(mesh);
    EXPECT_EQ(values.duplicatedTopological, 0);
    EXPECT_EQ(values.classesTopological, 0);
    EXPECT_EQ(values.count, 3);
    EXPECT_EQ(values.singular, 3);
    EXPECT_EQ(values.border, 0);
}

TEST(EdgeAnalyses, LengthsExactlyOnTheBounds)
{
    // A 6-8-10 right triangle: every length is exact.
    TestMesh mesh;
    mesh.AddPoint(0, 0, 0);
    mesh.AddPoint(6, 0, 0);
    mesh.AddPoint(6, 8, 0);
    mesh.AddTriangle(0, 1, 2);
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
    TestMesh mesh;
    mesh.AddPoint(0, 0, 0);
    mesh.AddPoint(1, 0, 0);
    mesh.AddPoint(nan, 0, 0);
    mesh.AddTriangle(0, 1, 2);
    const EdgeValues values = Compute(mesh, 5.0, 0.5);
    EXPECT_EQ(values.minimalLength, 1.0);
    EXPECT_EQ(values.maximalLength, 1.0);
    EXPECT_EQ(values.shorter, 1);  // NaN is neither smaller nor greater
    EXPECT_EQ(values.longer, 1);
    EXPECT_EQ(values.invalidGeometrical, 0);
    EXPECT_EQ(values.count, 3);

    // Only NaN lengths: the extremes keep their starting values.
    TestMesh lost;
    lost.AddPoint(nan, nan, nan);
    lost.AddPoint(nan, 0, 0);
    lost.AddPoint(0, nan, 0);
    lost.AddTriangle(0, 1, 2);
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

// The codes of all quantities for a record, each on a fresh topology.
EdgeValues Codes(const MeshRecord& record)
{
    auto fresh = [&](auto op) {
        MeshTopology topology;
        topology.Attach(record);
        return op(topology);
    };
    EdgeValues v;
    v.count = fresh([&](MeshTopology& t) { return CountEdges(record, t); });
    v.border = fresh([&](MeshTopology& t) { return CountBorderSides(record, t); });
    v.singular = fresh([&](MeshTopology& t) { return CountSingularEdges(record, t); });
    v.invalidTopological = fresh([&](MeshTopology& t) { return CountInvalidTopologicalEdges(record, t); });
    v.invalidGeometrical = fresh([&](MeshTopology& t) { return CountInvalidGeometricalEdges(record, t); });
    v.duplicatedTopological = fresh([&](MeshTopology& t) { return CountDuplicatedTopologicalEdges(record, t); });
    v.duplicatedGeometrical = fresh([&](MeshTopology& t) { return CountDuplicatedGeometricalEdges(record, t); });
    v.classesTopological = fresh([&](MeshTopology& t) { return CountClassesOfDuplicatedTopologicalEdges(record, t); });
    v.classesGeometrical = fresh([&](MeshTopology& t) { return CountClassesOfDuplicatedGeometricalEdges(record, t); });
    v.minimalDegree = fresh([&](MeshTopology& t) { return MinimalEdgeDegree(record, t); });
    v.maximalDegree = fresh([&](MeshTopology& t) { return MaximalEdgeDegree(record, t); });
    v.shorter = fresh([&](MeshTopology& t) { return CountShorterEdges(record, t, 0.0); });
    v.longer = fresh([&](MeshTopology& t) { return CountLongerEdges(record, t, 10.0); });
    v.minimalLength = fresh([&](MeshTopology& t) { return MinimalEdgeLength(record, t); });
    v.maximalLength = fresh([&](MeshTopology& t) { return MaximalEdgeLength(record, t); });
    return v;
}

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
    TestMesh mesh = SingleTriangle();
    MeshRecord record = mesh.Record();
    record.points = nullptr;
    record.triangles = nullptr;
    record.pointCount = 0;
    EXPECT_EQ(Codes(record), RecordCodes(-1));
    record = mesh.Record();
    record.triangles = nullptr;
    record.triangleCount = 0;
    EXPECT_EQ(Codes(record), RecordCodes(-2));
    record = mesh.Record();
    record.pointCount = 0;
    record.triangleCount = 0;
    EXPECT_EQ(Codes(record), RecordCodes(-3));
    record = mesh.Record();
    record.triangleCount = 0;
    EXPECT_EQ(Codes(record), RecordCodes(-4));
}

TEST(EdgeAnalyses, IndexOutOfRangeIsATopologyFailure)
{
    TestMesh mesh = SingleTriangle();
    mesh.AddTriangle(1, 2, 3);  // point 3 does not exist
    EdgeValues expected = RecordCodes(-5);
    expected.singular = expected.minimalDegree = expected.maximalDegree = -1;
    EXPECT_EQ(Codes(mesh.Record()), expected);
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
    EdgeValues expected = RecordCodes(-5);
    expected.singular = expected.minimalDegree = expected.maximalDegree = -1;
    EXPECT_EQ(Codes(record), expected);
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
