#include "meshaudit.h"
#include "repair/FilterTriangles.h"
#include "repair/RepairSupport.h"
#include "support/TestMeshes.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

namespace meshaudit {
namespace {

using testing::Output;
using testing::SamePoint;
using testing::SameTriangle;
using testing::TestMesh;

int32_t Filter(TestMesh& m, Output& out)
{
    MeshRecord in = m.Record();
    return removeInvalidTopologicalTriangles(&in, &out.record);
}

TestMesh TenPoints()
{
    TestMesh m;
    for (int i = 0; i < 10; ++i) {
        m.AddPoint(i, i * 0.5, -i);
    }
    return m;
}

TEST(FilterTriangles, AllInvalidLeavesAnEmptyTriangleArray)
{
    TestMesh m = TenPoints();
    m.AddTriangle(1, 1, 1);
    m.AddTriangle(2, 3, 2);
    m.AddTriangle(4, 5, 5);
    Output out;
    ASSERT_EQ(Filter(m, out), 0);
    EXPECT_EQ(out.record.triangleCount, 0u);
    const TRIANGLE* kept = out.record.triangles;
    EXPECT_NE(kept, nullptr);
    EXPECT_EQ(out.record.pointCount, 10u);
}

TEST(FilterTriangles, OnlyRepeatedIndicesMakeATriangleInvalid)
{
    TestMesh m = TenPoints();
    m.points[9] = m.points[8];
    m.AddTriangle(0, 1, 2);
    m.AddTriangle(0, 1, 2);            // duplicate of a valid triangle: kept
    m.AddTriangle(7, 8, 9);            // coincident corners, distinct indices: kept
    m.AddTriangle(1, 10, 0xFFFFFFFFu); // indices beyond the points: kept
    m.AddTriangle(12, 12, 3);          // repeated, even out of range: dropped
    m.AddTriangle(5, 6, 5);
    Output out;
    ASSERT_EQ(Filter(m, out), 0);
    const std::vector<TRIANGLE> t = out.Triangles();
    ASSERT_EQ(t.size(), 4u);
    for (size_t k = 0; k < 4; ++k) {
        EXPECT_TRUE(SameTriangle(t[k], m.triangles[k]));
    }
    // Points are copied unchanged, also those no kept triangle uses.
    ASSERT_EQ(out.record.pointCount, 10u);
    const std::vector<T3DVECF> p = out.Points();
    for (int i = 0; i < 10; ++i) {
        EXPECT_TRUE(SamePoint(p[i], m.points[i]));
    }
}

TEST(FilterTriangles, KeepsExactlyTheValidTrianglesInOrder)
{
    std::mt19937 rng(21);
    for (int trial = 0; trial < 50; ++trial) {
        TestMesh m = TenPoints();
        std::uniform_int_distribution<uint32_t> index(0, 2 + trial % 9);
        const int n = 1 + trial * 37;
        for (int k = 0; k < n; ++k) {
            m.AddTriangle(index(rng), index(rng), index(rng));
        }
        std::vector<TRIANGLE> expected;
        for (const TRIANGLE& t : m.triangles) {
            if (t.a != t.b && t.b != t.c && t.a != t.c) {
                expected.push_back(t);
            }
        }
        Output out;
        ASSERT_EQ(Filter(m, out), 0);
        const std::vector<TRIANGLE> got = out.Triangles();
        ASSERT_EQ(got.size(), expected.size());
        for (size_t k = 0; k < got.size(); ++k) {
            ASSERT_TRUE(SameTriangle(got[k], expected[k]));
        }
    }
}

TEST(FilterTriangles, TheInternalFilterReportsItsCodes)
{
    TestMesh m = TenPoints();
    m.AddTriangle(0, 1, 2);
    m.AddTriangle(3, 3, 2);
    MeshRecord r = m.Record();
    r.triangles = nullptr;
    EXPECT_EQ(RemoveInvalidTriangles(r), -1);
    r = m.Record();
    r.triangleCount = 0;
    EXPECT_EQ(RemoveInvalidTriangles(r), -2);

    // On success it returns the count kept and owns a new array.
    Output copy;
    MeshRecord in = m.Record();
    ASSERT_EQ(removeInvalidTopologicalTriangles(&in, &copy.record), 0);
    EXPECT_EQ(copy.record.triangleCount, 1u);
    EXPECT_EQ(RemoveInvalidTriangles(copy.record), 1);
}

}  // namespace
}  // namespace meshaudit
