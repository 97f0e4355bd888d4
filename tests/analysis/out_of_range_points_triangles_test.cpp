// Triangles naming a point index at or beyond the point count: what each
// point and triangle quantity does with them.
#include "analysis/points/PointAnalyses.h"
#include "analysis/triangles/TriangleAnalyses.h"
#include "model/MeshTopology.h"
#include "analysis/MeshBuilders.h"

#include <gtest/gtest.h>

namespace meshaudit {
namespace {

using testing::TestMesh;

// Two crossing triangles (0, 1, 2) and (3, 4, 5), a triangle that names
// point 6 (the point count) and a copy of it, and one that names 0xFFFFFFFF.
TestMesh CrossingPairAndStrays()
{
    TestMesh m = testing::MeshOf({{0, 0, 0}, {2, 0, 0}, {0, 2, 0}, {0.5, 0.5, -1}, {0.5, 0.5, 1},
        {1.5, 1.5, 0}},
        {{0, 1, 2}, {3, 4, 5}});
    m.AddTriangle(6, 1, 1);           // repeats 1, names point 6
    m.AddTriangle(1, 6, 1);           // the same index set
    m.AddTriangle(0, 0xFFFFFFFFu, 2);
    return m;
}

// The topology refuses the mesh; the point tree reads in-range corners only.
// (The counts over the arrays alone are checked in their own files.)
TEST(OutOfRange, AdjacencyCountsFailAndEpsilonCountsInRangePoints)
{
    TestMesh m = CrossingPairAndStrays();
    const MeshRecord r = m.Record();
    MeshTopology topology;
    topology.Attach(r);
    EXPECT_EQ(points::CountBorder(r, topology), -5);
    EXPECT_EQ(points::MinimalDegree(r, topology), -1);
    EXPECT_EQ(points::MaximalDegree(r, topology), -1);
    using Counter = int32_t (*)(const MeshRecord&, MeshTopology&);
    for (Counter count : {&triangles::CountBorder, &triangles::CountIsolated, &triangles::CountSingular,
                          &triangles::MinimalDegree, &triangles::MaximalDegree,
                          &triangles::CountFlippedTopological}) {
        EXPECT_EQ(count(r, topology), -5);
    }
    // Points 3 and 4 lie within 1.3 of point 0, no other pair does.
    const double epsilon = 1.3;
    EXPECT_EQ(points::CountEpsilonDuplicates(r, &epsilon), 3);
}

}  // namespace
}  // namespace meshaudit
