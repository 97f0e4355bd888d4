// The two per-point lists: incident triangles (by counting corners) and
// distinct neighbours (through one search tree per point).
#include "containers/AVLTree.h"
#include "containers/Memory.h"
#include "model/IncidenceLists.h"
#include "model/MeshTopology.h"


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

// Feeds point v's tree the same insertions, in the same order, as one pass
// over all triangles in ascending order would: for each triangle having v as
// a corner (v's row of incident triangles, ascending, a triangle listed once
// per corner it has v at) and each corner position holding v, the other two
// corners in corner order.
template <typename Insert>
void FeedNeighbours(const TRIANGLE* triangles, const uint32_t* row, uint32_t rowCount,
                    uint32_t v, const Insert& insert)
{
    for (uint32_t k = 0; k < rowCount; ++k) {
        if (k > 0 && row[k] == row[k - 1]) {
            continue;  // the same triangle again: all its corners are done
        }
        const TRIANGLE& triangle = triangles[row[k]];
        if (triangle.a == v) {
            insert(triangle.b);
            insert(triangle.c);
        }
        if (triangle.b == v) {
            insert(triangle.a);
            insert(triangle.c);
        }
        if (triangle.c == v) {
            insert(triangle.a);
            insert(triangle.b);
        }
    }
}

}  // namespace

// One point at a time: each point's search tree is built from its own row of
// incident triangles with one small pool reused for every point, and written
// out in pre-order at once. A tree's insertion sequence, hence its shape and
// its pre-order, is the one of a single pass over all triangles, while only
// the largest tree is ever held in memory.
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
    // A mesh without triangles, or one whose six insertions per triangle
    // exceed what a node pool can count, has no neighbour lists.
    if (triangleCount_ == 0 || 6ull * triangleCount_ > static_cast<uint64_t>(INT32_MAX)) {
        ReleaseLists(lists);
        return -3;
    }
    if (BuildVertexTriangles() != 0) {
        ReleaseLists(lists);
        return -3;
    }
    const IncidenceLists& incident = vertexTriangles_;
    // Count pass: a point's degree is the number of distinct values its tree
    // would hold, found with a stamp per point (v + 1 marks "seen for v").
    uint32_t* stamps = AllocateZeroedArray<uint32_t>(pointCount_);
    if (stamps == nullptr) {
        ReleaseLists(lists);
        return -3;
    }
    uint64_t total = 0;
    uint32_t largestRow = 0;
    for (uint32_t v = 0; v < pointCount_; ++v) {
        uint32_t degree = 0;
        FeedNeighbours(triangles_, incident.rows[v], incident.counts[v], v, [&](uint32_t w) {
            if (stamps[w] != v + 1) {
                stamps[w] = v + 1;
                ++degree;
            }
        });
        lists.counts[v] = degree;
        total += degree;
        largestRow = incident.counts[v] > largestRow ? incident.counts[v] : largestRow;
    }
    Free(stamps);
    // Two insertions per corner occurrence at most.
    NeighbourTree::Pool pool;
    const uint64_t nodes = 2ull * largestRow;  // at most 6 x triangleCount
    if (!pool.Create(static_cast<int32_t>(nodes > 0 ? nodes : 1))) {
        ReleaseLists(lists);
        return -3;
    }
    if (!LayOutRows(lists, pointCount_, total)) {
        ReleaseLists(lists);
        return -5;
    }
    NeighbourTree tree;
    tree.SetPool(&pool);
    for (uint32_t v = 0; v < pointCount_; ++v) {
        // A value already in the tree is simply not inserted again.
        FeedNeighbours(triangles_, incident.rows[v], incident.counts[v], v,
                       [&tree](uint32_t w) { tree.Insert(w); });
        uint32_t written = 0;
        CollectPreOrder(tree.Root(), lists.rows[v], written);
        lists.counts[v] = written;
        tree.Clear();
    }
    vertexNeighbours_ = lists;
    return 0;
}

}  // namespace meshaudit
