// Triangle counts that read only the arrays: invalid and duplicated
// triangles, by index and by coordinates.
#include "analysis/triangles/TriangleAnalyses.h"
#include "containers/Memory.h"
#include "analysis/MeshBuilders.h"

#include <gtest/gtest.h>

#include <limits>

namespace meshaudit {
namespace {

using testing::RecordOf;
using testing::TestMesh;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Ten points on a line, x = index, so that distinct indices are distinct
// positions unless a test overrides one.
TestMesh TenPoints()
{
    TestMesh m;
    for (int i = 0; i < 10; ++i) {
        m.AddPoint(i, 0, 0);
    }
    return m;
}

TEST(TriangleInvalid, HandCountedMeshes)
{
    TestMesh m = TenPoints();
    m.AddTriangle(4, 4, 9);
    m.AddTriangle(1, 2, 3);
    EXPECT_EQ(triangles::CountInvalidTopological(m.Record()), 1);
    EXPECT_EQ(triangles::CountInvalidGeometrical(m.Record()), 1);
    m.points[4].y = kNaN;  // a NaN coordinate never makes two points equal
    EXPECT_EQ(triangles::CountInvalidTopological(m.Record()), 1);
    EXPECT_EQ(triangles::CountInvalidGeometrical(m.Record()), 0);

    // Every pair of corners is compared.
    TestMesh pairs = TenPoints();
    testing::AddTriangles(pairs, {{1, 1, 2}, {1, 2, 1}, {2, 1, 1}, {3, 3, 3}, {1, 2, 3}});
    EXPECT_EQ(triangles::CountInvalidTopological(pairs.Record()), 4);
    // Coincident corners under distinct indices are invalid by coordinates
    // only; -0.0 equals 0.0.
    pairs.points[5] = T3DVECF{2, -0.0, 0};
    pairs.AddTriangle(2, 5, 6);  // corners 2 and 5 coincide
    pairs.AddTriangle(6, 7, 2);
    EXPECT_EQ(triangles::CountInvalidTopological(pairs.Record()), 4);
    EXPECT_EQ(triangles::CountInvalidGeometrical(pairs.Record()), 5);

    TestMesh range = TenPoints();
    range.AddTriangle(10, 10, 1);  // topologically invalid, indices not examined
    range.AddTriangle(2, 2, 99);   // has no coordinates: skipped geometrically
    range.AddTriangle(3, 3, 4);
    EXPECT_EQ(triangles::CountInvalidTopological(range.Record()), 3);
    EXPECT_EQ(triangles::CountInvalidGeometrical(range.Record()), 1);
}

TEST(TriangleInvalid, RecordCodes)
{
    TestMesh m = TenPoints();
    m.AddTriangle(0, 1, 2);
    const T3DVECF* p = m.points.data();
    const TRIANGLE* t = m.triangles.data();
    EXPECT_EQ(triangles::CountInvalidTopological(RecordOf(nullptr, 0, nullptr, 1)), -1);
    EXPECT_EQ(triangles::CountInvalidTopological(RecordOf(nullptr, 0, t, 0)), -2);
    EXPECT_EQ(triangles::CountInvalidTopological(RecordOf(nullptr, 0, t, 1)), 0);
    EXPECT_EQ(triangles::CountInvalidGeometrical(RecordOf(nullptr, 10, t, 1)), -1);
    EXPECT_EQ(triangles::CountInvalidGeometrical(RecordOf(p, 10, nullptr, 1)), -2);
    EXPECT_EQ(triangles::CountInvalidGeometrical(RecordOf(p, 0, t, 1)), -3);
    EXPECT_EQ(triangles::CountInvalidGeometrical(RecordOf(p, 10, t, 0)), -4);
}

TEST(TriangleDuplicates, HandCountedMeshes)
{
    TestMesh same = TenPoints();
    same.AddTriangle(1, 2, 3);
    same.AddTriangle(1, 2, 3);
    TestMesh opposite = TenPoints();
    opposite.AddTriangle(1, 2, 3);
    opposite.AddTriangle(3, 2, 1);
    TestMesh rotations = TenPoints();  // every rotation and reflection is one key
    for (const TRIANGLE& t : {TRIANGLE{7, 3, 5}, TRIANGLE{5, 7, 3}, TRIANGLE{3, 5, 7}, TRIANGLE{7, 5, 3},
                              TRIANGLE{5, 3, 7}, TRIANGLE{3, 7, 5}, TRIANGLE{4, 4, 9}, TRIANGLE{9, 4, 4},
                              TRIANGLE{4, 9, 9},  // another multiset of the same indices
                              TRIANGLE{0, 1, 2}}) {
        rotations.AddTriangle(t.a, t.b, t.c);
    }
    TestMesh moved = TenPoints();  // the same corners under other indices
    moved.points[8] = moved.points[1];
    moved.points[9] = moved.points[2];
    testing::AddTriangles(moved, {{1, 2, 3}, {3, 9, 8}, {1, 9, 3}, {4, 5, 6}});
    TestMesh apart = testing::FlatTriangle();  // corners differing in one coordinate
    apart.AddPoint(0, 1, 1e-300);
    apart.AddTriangle(0, 1, 3);
    TestMesh negativeZero = apart;
    negativeZero.points[3].z = -0.0;
    // Out of range: compared by indices like any other, skipped by coordinates.
    TestMesh range = TenPoints();
    range.AddTriangle(1, 2, 10);  // 10 is the point count
    range.AddTriangle(10, 2, 1);
    range.AddTriangle(1, 2, 3);
    TestMesh rangeAndCopy = range;
    rangeAndCopy.AddTriangle(3, 1, 2);
    struct Case {
        const char* name;
        TestMesh mesh;
        int32_t topological, topologicalClasses, geometrical, geometricalClasses;
    };
    Case cases[] = {
        {"stored twice", same, 2, 1, 2, 1},
        {"stored twice, opposite", opposite, 2, 1, 2, 1},
        {"rotations and reflections", rotations, 8, 2, 8, 2},
        {"same corners, other indices", moved, 0, 0, 3, 1},
        {"one coordinate apart", apart, 0, 0, 0, 0},
        {"-0.0 equals 0.0", negativeZero, 0, 0, 2, 1},
        {"out of range", range, 2, 1, 0, 0},
        {"out of range and a copy in range", rangeAndCopy, 4, 2, 2, 1},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        const MeshRecord r = c.mesh.Record();
        EXPECT_EQ(triangles::CountDuplicatedTopological(r), c.topological);
        EXPECT_EQ(triangles::CountClassesOfDuplicatedTopological(r), c.topologicalClasses);
        EXPECT_EQ(triangles::CountDuplicatedGeometrical(r), c.geometrical);
        EXPECT_EQ(triangles::CountClassesOfDuplicatedGeometrical(r), c.geometricalClasses);
    }
}

TEST(TriangleDuplicates, RecordCodesAndOutOfMemory)
{
    TestMesh m = TenPoints();
    m.AddTriangle(1, 2, 3);
    m.AddTriangle(3, 2, 1);
    const T3DVECF* p = m.points.data();
    const TRIANGLE* t = m.triangles.data();
    EXPECT_EQ(triangles::CountDuplicatedTopological(RecordOf(p, 10, nullptr, 2)), -1);
    EXPECT_EQ(triangles::CountClassesOfDuplicatedTopological(RecordOf(p, 10, t, 0)), -2);
    EXPECT_EQ(triangles::CountDuplicatedGeometrical(RecordOf(nullptr, 10, t, 2)), -1);
    EXPECT_EQ(triangles::CountDuplicatedGeometrical(RecordOf(p, 0, t, 2)), -2);
    EXPECT_EQ(triangles::CountClassesOfDuplicatedGeometrical(RecordOf(p, 10, nullptr, 2)), -3);
    EXPECT_EQ(triangles::CountClassesOfDuplicatedGeometrical(RecordOf(p, 10, t, 0)), -4);
    // By indices the sorted key array is the one allocation (no NaN here);
    // by coordinates the point ranks and the array that sorts them come
    // first.
    memory_testing::ResetAllocationCounter();
    memory_testing::FailAllocations(1, 1);
    EXPECT_EQ(triangles::CountDuplicatedTopological(m.Record()), -3);
    memory_testing::ResetAllocationCounter();
    EXPECT_GE(triangles::CountDuplicatedTopological(m.Record()), 0);
    EXPECT_EQ(memory_testing::AllocationCount(), 1u);
    for (uint64_t k = 1; k <= 3; ++k) {
        memory_testing::ResetAllocationCounter();
        memory_testing::FailAllocations(k, 1);
        EXPECT_EQ(triangles::CountDuplicatedGeometrical(m.Record()), -5) << k;
    }
    memory_testing::ResetAllocationCounter();
    EXPECT_GE(triangles::CountDuplicatedGeometrical(m.Record()), 0);
    EXPECT_EQ(memory_testing::AllocationCount(), 3u);
    memory_testing::ResetAllocationCounter();
}

}  // namespace
}  // namespace meshaudit
