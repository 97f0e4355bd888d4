// Short edges from new points: collapsed onto their other end only where
// the closed surface stays closed and manifold.
#include "repair/pipeline/ShortEdges.h"
#include "support/TestMeshes.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace meshaudit::pipeline {
namespace {

using testing::TestMesh;

uint32_t Repeating(const WorkArray<TRIANGLE>& triangles)
{
    return static_cast<uint32_t>(std::count_if(triangles.begin(), triangles.end(), [](const TRIANGLE& t) {
        return t.a == t.b || t.b == t.c || t.a == t.c;
    }));
}

TEST(ShortEdges, CollapsesOnlyWhereTheSurfaceStaysManifold)
{
    // A unit cube's first triangle split at a new point `near` its corner
    // 0, and a tetrahedron whose last point is new and near its first.
    const auto splitCube = [](double near) {
        TestMesh m = testing::UnitCube();
        const TRIANGLE t = m.triangles[0];
        const T3DVECF c = m.points[t.a];
        const uint32_t n = m.AddPoint(c.x + near, c.y + near, c.z + near);
        m.triangles[0] = TRIANGLE{t.a, t.b, n};
        m.AddTriangle(t.b, t.c, n);
        m.AddTriangle(t.c, t.a, n);
        return m;
    };
    TestMesh tetrahedron = testing::Tetrahedron();
    tetrahedron.points[3] = T3DVECF{1e-9, 1e-9, 1e-9};
    struct Case {
        TestMesh mesh;
        uint32_t firstNew;
        double length;
        uint32_t moved;
    } cases[] = {
        {splitCube(1e-9), 8, 1e-6, 1},
        {splitCube(1e-5), 8, 1e-6, 0},  // longer than asked
        {splitCube(8e-7), 8, 1e-6, 0},  // longer than asked, though shorter along each axis
        {splitCube(5e-7), 8, 1e-6, 1},
        {splitCube(1e-9), 9, 1e-6, 0},  // no new point
        {splitCube(1e-9), 8, 0.0, 0},
        {tetrahedron, 3, 1e-6, 0},  // would leave two triangles on one another
    };
    for (Case& c : cases) {
        SCOPED_TRACE(&c - cases);
        const WorkArray<T3DVECF> points(c.mesh.points.begin(), c.mesh.points.end());
        WorkArray<TRIANGLE> triangles(c.mesh.triangles.begin(), c.mesh.triangles.end());
        EXPECT_EQ(c.moved, CollapseShortEdges(points, c.firstNew, c.length, triangles));
        EXPECT_EQ(2 * c.moved, Repeating(triangles));
        const auto uses = [&](uint32_t p) {
            return std::any_of(triangles.begin(), triangles.end(),
                               [p](const TRIANGLE& t) { return t.a == p || t.b == p || t.c == p; });
        };
        EXPECT_EQ(c.moved == 0, uses(static_cast<uint32_t>(points.size()) - 1));
    }
}

}  // namespace
}  // namespace meshaudit::pipeline
