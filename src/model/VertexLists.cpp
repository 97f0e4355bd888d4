// The two per-point lists: incident triangles (by counting corners) and
// distinct neighbours (through one search tree per point).
#include "containers/AVLTree.h"
#include "containers/Memory.h"
#include "model/IncidenceLists.h"
#include "model/MeshTopology.h"

#include <new>

namespace meshaudit {

int32_t MeshTopology::BuildVertexTriangles()
{
    if (IsPresent(vertexTriangles_)) {
        return 0;
    }
    if (points_ == nullptr || triangles_ == nullptr) {
        return -1;
    }
    IncidenceLists lists;
    if (!AllocateRows(lists, pointCount_)) {
        return -2;
    }
    for (uint32_t t = 0; t < triangleCount_; ++t) {
        const TRIANGLE& triangle = triangles_[t];
        ++lists.counts[triangle.a];
        ++lists.counts[triangle.b];
        ++lists.counts[triangle.c];
    }
    if (!LayOutRows(lists, pointCount_, 3ull * triangleCount_)) {
        ReleaseLists(lists);
        return -3;
    }
    // Ascending triangles, corner by corner: a triangle with the point at two
    // corners lands twice in its row.
    for (uint32_t t = 0; t < triangleCount_; ++t) {
        const TRIANGLE& triangle = triangles_[t];
        Append(lists, triangle.a, t);
        Append(lists, triangle.b, t);
        Append(lists, triangle.c, t);
    }
    vertexTriangles_ = lists;
    return 0;
}

namespace {

using NeighbourTree = AVLTree<unsigned int>;

// One empty tree per point, all drawing from `pool`; null when out of memory.
NeighbourTree* CreateTrees(uint32_t count, NeighbourTree::Pool& pool)
{
    NeighbourTree* trees = AllocateArray<NeighbourTree>(count);
    if (trees == nullptr) {
        return nullptr;
    }
    for (uint32_t v = 0; v < count; ++v) {
        new (&trees[v]) NeighbourTree();
        trees[v].SetPool(&pool);
    }
    return trees;
}

// Clears every tree (its nodes go back to the pool) and frees the array.
void DestroyTrees(NeighbourTree* trees, uint32_t count)
{
    for (uint32_t v = 0; v < count; ++v) {
        trees[v].~NeighbourTree();
    }
    Free(trees);
}

}  // namespace

int32_t MeshTopology::BuildVertexNeighbours()
{
    if (IsPresent(vertexNeighbours_)) {
        return 0;
    }
    if (points_ == nullptr || triangles_ == nullptr) {
        return -1;
    }
    IncidenceLists lists;
    if (!AllocateRows(lists, pointCount_)) {
        return -2;
    }
    // Each triangle inserts each corner into the trees of the two others: six
    // insertions at most, so one pool of 6 nodes per triangle serves them all.
    const uint64_t nodes = 6ull * triangleCount_;
    NeighbourTree::Pool pool;
    if (nodes > static_cast<uint64_t>(INT32_MAX) || !pool.Create(static_cast<int32_t>(nodes))) {
        ReleaseLists(lists);
        return -3;
    }
    NeighbourTree* trees = CreateTrees(pointCount_, pool);
    if (trees == nullptr) {
        ReleaseLists(lists);
        return -4;
    }
    // A value already in a tree is simply not inserted again.
    for (uint32_t t = 0; t < triangleCount_; ++t) {
        const TRIANGLE& triangle = triangles_[t];
        trees[triangle.a].Insert(triangle.b);
        trees[triangle.a].Insert(triangle.c);
        trees[triangle.b].Insert(triangle.a);
        trees[triangle.b].Insert(triangle.c);
        trees[triangle.c].Insert(triangle.a);
        trees[triangle.c].Insert(triangle.b);
    }
    uint64_t total = 0;
    for (uint32_t v = 0; v < pointCount_; ++v) {
        lists.counts[v] = trees[v].Count();
        total += lists.counts[v];
    }
    if (!LayOutRows(lists, pointCount_, total)) {
        DestroyTrees(trees, pointCount_);
        ReleaseLists(lists);
        return -5;
    }
    for (uint32_t v = 0; v < pointCount_; ++v) {
        uint32_t written = 0;
        CollectPreOrder(trees[v].Root(), lists.rows[v], written);
        lists.counts[v] = written;
    }
    DestroyTrees(trees, pointCount_);
    vertexNeighbours_ = lists;
    return 0;
}

}  // namespace meshaudit
