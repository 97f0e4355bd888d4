// Triangles naming a point index at or beyond the point count: what each
// point and triangle quantity does with them.
#include "analysis/Progress.h"
#include "analysis/points/PointAnalyses.h"
#include "analysis/triangles/TriangleAnalyses.h"
#include "meshaudit.h"
#include "model/MeshTopology.h"
#include "support/TestMeshes.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace meshaudit {
namespace {

using testing::TestMesh;

// Two crossing triangles (0, 1, 2) and (3, 4, 5), a triangle that names
// point 6 (the point count) and a copy of it, and one that names 0xFFFFFFFF.
TestMesh CrossingPairAndStrays()
{
    TestMesh m;
    m.AddPoint(0, 0, 0);
    m.AddPoint(2, 0, 0);
    m.AddPoint(0, 2, 0);
    m.AddPoint(0.5, 0.5, -1);
    m.AddPoint(0.5, 0.5, 1);
    m.AddPoint(1.5, 1.5, 0);
    m.AddTriangle(0, 1, 2);
    m.AddTriangle(3, 4, 5);
    m.AddTriangle(6, 1, 1);           // repeats 1, names point 6
    m.AddTriangle(1, 6, 1);           // the same index set
    m.AddTriangle(0, 0xFFFFFFFFu, 2);
    return m;
}

TEST(OutOfRange, PointCounts)
{
    TestMesh m = CrossingPairAndStrays();
    const MeshRecord r = m.Record();
    MeshTopology topology;
    topology.Attach(r);
    EXPECT_EQ(points::CountNAN(r), 0);
    EXPECT_EQ(points::CountINF(r), 0);
    // Corners beyond the count are skipped: they use no point.
    EXPECT_EQ(points::CountIsolated(r), 0);
    // The topology refuses the mesh.
    EXPECT_EQ(points::CountBorder(r, topology), -5);
    EXPECT_EQ(points::MinimalDegree(r, topology), -1);
    EXPECT_EQ(points::MaximalDegree(r, topology), -1);
    // Points only: the triangles play no part.
    EXPECT_EQ(points::CountDuplicatedGeometrical(r), 0);
    // Points 3 and 4 lie within 1.3 of point 0, no other pair does.
    const double epsilon = 1.3;
    EXPECT_EQ(points::CountEpsilonDuplicates(r, &epsilon), 3);
}

TEST(OutOfRange, TriangleCounts)
{
    TestMesh m = CrossingPairAndStrays();
    const MeshRecord r = m.Record();
    MeshTopology topology;
    topology.Attach(r);
    EXPECT_EQ(triangles::CountBorder(r, topology), -5);
    EXPECT_EQ(triangles::CountIsolated(r, topology), -5);
    EXPECT_EQ(triangles::CountSingular(r, topology), -5);
    EXPECT_EQ(triangles::MinimalDegree(r, topology), -5);
    EXPECT_EQ(triangles::MaximalDegree(r, topology), -5);
    EXPECT_EQ(triangles::CountFlippedTopological(r, topology), -5);
    // By index only: ranges are not examined.
    EXPECT_EQ(triangles::CountInvalidTopological(r), 2);
    EXPECT_EQ(triangles::CountDuplicatedTopological(r), 2);
    EXPECT_EQ(triangles::CountClassesOfDuplicatedTopological(r), 1);
    // By coordinates: triangles without coordinates are skipped.
    EXPECT_EQ(triangles::CountInvalidGeometrical(r), 0);
    EXPECT_EQ(triangles::CountDuplicatedGeometrical(r), 0);
    EXPECT_EQ(triangles::CountClassesOfDuplicatedGeometrical(r), 0);
    // The crossing pair is found; the strays are never read nor marked.
    EXPECT_EQ(triangles::CountIntersected(r), 2);
}

TEST(OutOfRange, AnalyseStoresTheSameValues)
{
    std::FILE* sink = std::fopen("/dev/null", "w");
    std::FILE* saved = Progress().stream;
    Progress().stream = sink;
    TestMesh m = CrossingPairAndStrays();
    const MeshRecord r = m.Record();
    ASSERT_EQ(analyse(&r), 1);
    Progress().stream = saved;
    std::fclose(sink);

    PointResults p;
    TriangleResults t;
    get_pnt_params(&p);
    get_tri_params(&t);
    EXPECT_EQ(p.CountIsolated, 0u);
    EXPECT_EQ(p.CountBorder, static_cast<uint32_t>(-5));
    EXPECT_EQ(p.MinimalDegree, NOT_COMPUTED);  // -1 reads as not computed
    EXPECT_EQ(p.InRange[PNT_MinimalDegree], 0);
    EXPECT_EQ(t.CountBorder, static_cast<uint32_t>(-5));
    EXPECT_EQ(t.InRange[TRI_CountBorder], 0);
    EXPECT_EQ(t.CountFlippedTopological, static_cast<uint32_t>(-5));
    EXPECT_EQ(t.CountInvalidTopological, 2u);
    EXPECT_EQ(t.CountInvalidGeometrical, 0u);
    EXPECT_EQ(t.CountIntersected, 2u);
}

}  // namespace
}  // namespace meshaudit
