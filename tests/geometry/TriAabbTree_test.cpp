#include "containers/Memory.h"
#include "geometry/ReferenceTree.h"
#include "geometry/TreeChecks.h"
#include "geometry/TriAabbTree.h"
#include "support/TestMeshes.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace meshaudit {
namespace {

using testing::RefItem;
using testing::TestMesh;

C3DAABB TriangleBox(const TestMesh& m, uint32_t t)
{
    C3DAABB b;
    b.Extend(m.points[m.triangles[t].a]);
    b.Extend(m.points[m.triangles[t].b]);
    b.Extend(m.points[m.triangles[t].c]);
    return b;
}

void CheckTree(const C3DTriAABBTree& tree, const TestMesh& m)
{
    const TriEntry* e = tree.Entries();
    for (uint32_t k = 0; k < tree.EntryCount(); ++k) {
        ASSERT_TRUE(testing::SameBox(e[k].box, TriangleBox(m, e[k].index))) << "entry " << k;
        const TRIANGLE& t = m.triangles[e[k].index];
        ASSERT_TRUE(e[k].triangle.a == t.a && e[k].triangle.b == t.b && e[k].triangle.c == t.c);
    }
    testing::CheckStructure(
        tree.Root(), tree.EntryCount(), tree.NodeCount(), static_cast<uint32_t>(m.triangles.size()),
        [&](uint32_t k) { return e[k].box; }, [&](uint32_t k) { return e[k].index; });
}

std::vector<RefItem> Items(const TestMesh& m)
{
    std::vector<RefItem> items;
    for (uint32_t t = 0; t < m.triangles.size(); ++t) {
        items.push_back(RefItem{t, TriangleBox(m, t), false});
    }
    return items;
}

void ExpectReferenceShape(const C3DTriAABBTree& tree, const TestMesh& m)
{
    testing::ExpectShapeOfReference(
        tree.Root(), tree.EntryCount(), [&](uint32_t k) { return tree.Entries()[k].index; },
        testing::ReferenceBuild(Items(m)));
}

TEST(TriAabbTree, RejectsAnIncompleteMesh)
{
    TestMesh m = testing::UnitCube();
    C3DTriAABBTree tree;
    MeshRecord r = m.Record();
    r.points = nullptr;
    EXPECT_EQ(tree.Build(r), 0);
    r = m.Record();
    r.triangles = nullptr;
    EXPECT_EQ(tree.Build(r), 0);
    r = m.Record();
    r.pointCount = 0;
    EXPECT_EQ(tree.Build(r), 0);
    r = m.Record();
    r.triangleCount = 0;
    EXPECT_EQ(tree.Build(r), 0);
    EXPECT_EQ(tree.Root(), nullptr);
    const TRIANGLE* none = tree.Mesh().triangles;
    EXPECT_EQ(none, nullptr);
}

TEST(TriAabbTree, TenTrianglesMakeOneLeafAndTwelveASplit)
{
    TestMesh m = testing::UnitCube();
    C3DTriAABBTree tree;
    ASSERT_EQ(tree.Build(m.Record()), 1);
    EXPECT_EQ(tree.LeafSize(), 5u);
    const TRIANGLE* borrowed = tree.Mesh().triangles;
    EXPECT_EQ(borrowed, m.triangles.data());
    EXPECT_EQ(tree.Mesh().triangleCount, 12u);
    ASSERT_FALSE(tree.Root()->IsLeaf());
    CheckTree(tree, m);
    ExpectReferenceShape(tree, m);

    m.triangles.resize(10);
    ASSERT_EQ(tree.Build(m.Record()), 1);
    EXPECT_EQ(tree.NodeCount(), 1u);
    EXPECT_TRUE(tree.Root()->IsLeaf());
    EXPECT_EQ(tree.Root()->Count(), 10u);
}

TEST(TriAabbTree, ShapeFollowsThePartitionAndTheSort)
{
    std::vector<TestMesh> meshes;
    meshes.push_back(testing::Torus(40, 20));
    meshes.push_back(testing::Sphere(30, 16));
    meshes.push_back(testing::Grid(30));  // flat: boxes of zero height, many ties
    meshes.push_back(testing::RandomSoup(5000, 10.0, 3));
    TestMesh spheres;
    for (int k = 0; k < 20; ++k) {
        testing::Append(spheres, testing::Sphere(12, 8, 1.0, 0.3 * k, 0.1 * (k % 3), 0.0));
    }
    meshes.push_back(spheres);
    for (const TestMesh& m : meshes) {
        TestMesh copy = m;
        C3DTriAABBTree tree;
        ASSERT_EQ(tree.Build(copy.Record()), 1);
        EXPECT_EQ(tree.EntryCount(), copy.triangles.size());
        CheckTree(tree, copy);
        ExpectReferenceShape(tree, copy);
    }
}

TEST(TriAabbTree, TrianglesWithOutOfRangeIndicesAreLeftOut)
{
    TestMesh m = testing::Torus(10, 6);
    const uint32_t n = static_cast<uint32_t>(m.points.size());
    m.triangles[3].b = n;
    m.triangles[50].c = 0xFFFFFFFFu;
    m.triangles[119].a = n + 7;
    C3DTriAABBTree tree;
    ASSERT_EQ(tree.Build(m.Record()), 1);
    EXPECT_EQ(tree.EntryCount(), m.triangles.size() - 3);
    std::vector<int> present(m.triangles.size(), 0);
    for (uint32_t k = 0; k < tree.EntryCount(); ++k) {
        present[tree.Entries()[k].index] = 1;
    }
    EXPECT_EQ(present[3], 0);
    EXPECT_EQ(present[50], 0);
    EXPECT_EQ(present[119], 0);
    EXPECT_EQ(present[4], 1);
    CheckTree(tree, m);

    // Nothing in range: a successful build of an empty tree.
    TestMesh bad;
    bad.AddPoint(0, 0, 0);
    bad.AddTriangle(0, 1, 2);
    bad.AddTriangle(5, 0, 0);
    ASSERT_EQ(tree.Build(bad.Record()), 1);
    EXPECT_EQ(tree.EntryCount(), 0u);
    EXPECT_EQ(tree.Root(), nullptr);
    EXPECT_EQ(tree.Mesh().triangleCount, 2u);
}

TEST(TriAabbTree, DegenerateTrianglesStayShallow)
{
    TestMesh m;  // 40000 copies of one triangle and one far away
    m.AddPoint(0, 0, 0);
    m.AddPoint(1, 0, 0);
    m.AddPoint(0, 1, 0);
    m.AddPoint(1e9, 0, 0);
    for (int k = 0; k < 40000; ++k) {
        m.AddTriangle(0, 1, 2);
    }
    m.AddTriangle(3, 1, 2);
    C3DTriAABBTree tree;
    ASSERT_EQ(tree.Build(m.Record()), 1);
    CheckTree(tree, m);
    uint32_t height = 0;
    for (const AABBNode* node = tree.Root(); !node->IsLeaf();) {
        ++height;
        node = node->Left()->Count() > node->Right()->Count() ? node->Left() : node->Right();
    }
    EXPECT_LT(height, 200u);
}

TEST(TriAabbTree, EveryFailedAllocationLeavesAReleasableTree)
{
    TestMesh m = testing::Torus(30, 12);
    uint64_t k = 1;
    for (;; ++k) {
        memory_testing::ResetAllocationCounter();
        memory_testing::FailAllocations(k, 1);
        C3DTriAABBTree tree;
        const int built = tree.Build(m.Record());
        const uint64_t failed = memory_testing::FailedAllocationCount();
        memory_testing::ResetAllocationCounter();
        if (failed == 0) {
            EXPECT_EQ(built, 1);
            break;
        }
        EXPECT_EQ(built, 0) << "allocation " << k;
        EXPECT_EQ(tree.Root(), nullptr);
        EXPECT_EQ(tree.Entries(), nullptr);
        EXPECT_EQ(tree.EntryCount(), 0u);
        if (k % 2 == 0) {
            tree.Reset();
        }
    }
    EXPECT_GE(k, 2u);
}

}  // namespace
}  // namespace meshaudit
