// Points that have another point within a tolerance: one point tree, pairs
// within each leaf first, then one walk per leaf (or, with coordinates that
// are not all finite, one ball query per point) for the points still
// without a partner. No classes are formed: a point counts when its own
// ball holds another point. Listed in point order.
#include "analysis/points/PointAnalyses.h"
#include "containers/Keys.h"
#include "containers/Memory.h"
#include "geometry/PntAabbTree.h"
#include "geometry/Sphere.h"

namespace meshaudit::points {

namespace {

// No budget given: one derived from the tree's size.
constexpr uint64_t kBudgetFromTree = UINT64_MAX;

// The count of the marked entries when the points are to be listed: the
// marks follow the tree's entry order, the list the point order, so they
// are copied to point order first. -3 when that copy cannot be allocated.
int32_t CountAndListMarked(const PntEntry* entries, const uint8_t* marks, uint32_t pointCount,
                           LocationList& where)
{
    uint8_t* close = AllocateZeroedArray<uint8_t>(pointCount);
    if (close == nullptr) {
        return -3;
    }
    for (uint32_t k = 0; k < pointCount; ++k) {
        close[entries[k].index] = marks[k];
    }
    uint32_t count = 0;
    for (uint32_t i = 0; i < pointCount; ++i) {
        if (close[i] != 0) {
            ++count;
            where.Add(i);
        }
    }
    Free(close);
    return static_cast<int32_t>(count);
}

}  // namespace

int32_t CountEpsilonDuplicates(const MeshRecord& mesh, const double* epsilon, LocationList* where)
{
    return CountEpsilonDuplicates(mesh, epsilon, kBudgetFromTree, where);
}

int32_t CountEpsilonDuplicates(const MeshRecord& mesh, const double* epsilon, uint64_t walkBudget,
                               LocationList* where)
{
    const T3DVECF* points = mesh.points;
    const uint32_t pointCount = mesh.pointCount;
    if (points == nullptr) {
        return -1;
    }
    if (pointCount == 0) {
        return -2;
    }
    // The tree build also insists on triangles, although only points are
    // read: a record without them fails here like a failed build.
    C3DPntAABBTree tree;
    if (epsilon == nullptr || tree.Build(mesh) != 1) {
        return -3;
    }
    // The ball test compares squared distances, so the bound is inclusive and
    // the sign of the tolerance drops out.
    T3DSPHERE ball{T3DVECF{0.0, 0.0, 0.0}, *epsilon};
    uint32_t count = 0;
    // Each point's answer stands alone, so the points may be taken in any
    // order: in the tree's entry order consecutive queries walk the same
    // nodes. A point's own ball always holds the point itself; a point that
    // has a close partner in its own leaf needs no query.
    uint8_t* marks = AllocateZeroedArray<uint8_t>(pointCount);
    if (marks == nullptr) {
        return -3;  // out of memory, like a failed build
    }
    tree.MarkCloseLeafPairs(*epsilon, marks);
    // With finite coordinates, one walk per leaf answers for all its points
    // at once; a NaN or an infinity leaves boxes that do not bound their
    // points' distances, and those meshes keep to one query per point.
    bool finite = true;
    for (uint32_t i = 0; i < pointCount && finite; ++i) {
        finite = IsFinite(points[i]);
    }
    // The walks usually visit fewer than 20 nodes per node of the tree; a
    // budget well above that bounds them on point sets whose leaves have
    // boxes far larger than the tolerance, where the queries then finish.
    if (finite) {
        const uint64_t budget = walkBudget == kBudgetFromTree ? 64ull * tree.NodeCount() + 65536 : walkBudget;
        switch (tree.MarkCloseAcrossLeaves(*epsilon, marks, budget)) {
        case C3DPntAABBTree::LeafWalks::OutOfMemory:
            Free(marks);
            return -3;  // out of memory, like a failed build
        case C3DPntAABBTree::LeafWalks::Complete:
            if (where != nullptr) {
                const int32_t listed = CountAndListMarked(tree.Entries(), marks, pointCount, *where);
                Free(marks);
                return listed;
            }
            for (uint32_t k = 0; k < pointCount; ++k) {
                count += marks[k];
            }
            Free(marks);
            return static_cast<int32_t>(count);
        case C3DPntAABBTree::LeafWalks::OverBudget:
            break;
        }
    }
    const PntEntry* entries = tree.Entries();
    for (uint32_t k = 0; k < pointCount; ++k) {
        if (marks[k] != 0) {
            ++count;
            continue;
        }
        ball.centre = entries[k].point;
        uint32_t inside = 0;
        // Only "another point besides p" matters: stop at the second.
        tree.CountInBallUpTo(ball, inside, 2);
        if (inside > 1) {
            ++count;
            marks[k] = 1;  // read again only to list the points
        }
    }
    if (where != nullptr) {
        const int32_t listed = CountAndListMarked(entries, marks, pointCount, *where);
        Free(marks);
        return listed;
    }
    Free(marks);
    return static_cast<int32_t>(count);
}

}  // namespace meshaudit::points
