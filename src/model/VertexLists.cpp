// The two per-point lists: incident triangles (by counting corners) and
// distinct neighbours (through one search tree per point).
#include "containers/AVLTree.h"
#include "containers/Memory.h"
#include "model/IncidenceLists.h"
#include "model/MeshTopology.h"
#include "model/ReadAhead.h"


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
        CountEntry(lists, triangle.a);
        CountEntry(lists, triangle.b);
        CountEntry(lists, triangle.c);
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
    uint32_t largest = 0;
    for (uint32_t p = 0; p < pointCount_; ++p) {
        largest = lists.Count(p) > largest ? lists.Count(p) : largest;
    }
    largestTriangleRow_ = largest;
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

// FeedNeighbours into `out` (room for two values per row entry), returning
// how many values it wrote. A triangle with v at one corner only, the usual
// case, has its two values picked without a branch on which corner: the
// reads of the row's triangles then overlap instead of waiting one by one.
uint32_t GatherNeighbours(const TRIANGLE* triangles, const uint32_t* row, uint32_t rowCount,
                          uint32_t v, uint32_t* out)
{
    uint32_t n = 0;
    for (uint32_t k = 0; k < rowCount; ++k) {
        if (k > 0 && row[k] == row[k - 1]) {
            continue;
        }
        const TRIANGLE& triangle = triangles[row[k]];
        const bool atA = triangle.a == v;
        const bool atB = triangle.b == v;
        const bool atC = triangle.c == v;
        if (static_cast<int>(atA) + static_cast<int>(atB) + static_cast<int>(atC) == 1) {
            out[n] = atA ? triangle.b : triangle.a;
            out[n + 1] = atC ? triangle.b : triangle.c;
            n += 2;
        } else {
            FeedNeighbours(triangles, row + k, 1, v, [out, &n](uint32_t w) {
                out[n] = w;
                ++n;
            });
        }
    }
    return n;
}

// Rows up to this many entries are gathered on the stack before their tree
// is built; longer ones feed the tree directly.
constexpr uint32_t kGatheredRow = 64;

}  // namespace

// One point at a time: each point's search tree is built from its own row of
// incident triangles with one small pool reused for every point, and written
// out in pre-order at once, in a single pass over the points. A tree's insertion sequence, hence its shape and
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
    // Two insertions per corner occurrence at most.
    NeighbourTree::Pool pool;
    const uint64_t nodes = 2ull * largestTriangleRow_;  // at most 6 x triangleCount
    if (!pool.Create(static_cast<int32_t>(nodes > 0 ? nodes : 1))) {
        ReleaseLists(lists);
        return -3;
    }
    // Each tree is written out as soon as it is built, row after row. A tree
    // holds at most two values per entry of its point's row; the buffer is
    // first sized for a closed mesh (three entries per triangle) with some
    // room for borders, and grows beyond that.
    RowWriter writer;
    const uint64_t first = 3ull * triangleCount_ + triangleCount_ / 8 + 2ull * largestTriangleRow_;
    if (!StartRows(writer, first)) {
        ReleaseLists(lists);
        return -5;
    }
    NeighbourTree tree;
    tree.SetPool(&pool);
    uint32_t gathered[2 * kGatheredRow];
    for (uint32_t v = 0; v < pointCount_; ++v) {
        PrefetchRowTargetsAhead(incident, pointCount_, triangles_, triangleCount_, v);
        if (!ReserveRow(writer, 2ull * incident.Count(v))) {
            ReleaseRows(writer);
            ReleaseLists(lists);
            return -5;
        }
        // A value already in the tree is simply not inserted again.
        const uint32_t* row = incident.Row(v);
        const uint32_t rowCount = incident.Count(v);
        if (rowCount <= kGatheredRow) {
            const uint32_t n = GatherNeighbours(triangles_, row, rowCount, v, gathered);
            for (uint32_t i = 0; i < n; ++i) {
                tree.Insert(gathered[i]);
            }
        } else {
            FeedNeighbours(triangles_, row, rowCount, v, [&tree](uint32_t w) { tree.Insert(w); });
        }
        uint32_t written = 0;
        CollectPreOrder(tree.Root(), writer.buffer + writer.used, written);
        writer.used += written;
        EndRow(lists, v, writer);
        tree.Clear();
    }
    FinishRows(lists, writer);
    vertexNeighbours_ = lists;
    return 0;
}

}  // namespace meshaudit
