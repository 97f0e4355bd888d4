// Triangles that intersect (or touch) a triangle with which they share no
// point index: the triangle tree walked against itself, marking both members
// of every intersecting pair.
#include "analysis/triangles/TriangleAnalyses.h"
#include "containers/BitVector.h"
#include "geometry/IntersectingPairs.h"
#include "geometry/TriAabbTree.h"

namespace meshaudit::triangles {

int32_t CountIntersectedInto(const MeshRecord& mesh, LocationList* where, LocationList* pairs)
{
    // The tree leaves out triangles with a corner beyond the point count, so
    // their corners are never read and they are never marked.
    C3DTriAABBTree tree;
    if (tree.Build(mesh, TriLeaves::Wide) != 1) {
        return -1;
    }
    if (tree.Root() == nullptr) {
        return 0;  // no triangle has all its corners: nothing to test
    }
    CBitVector marks;
    if (MarkIntersectingPairs(&tree, &tree, marks, pairs) != 1) {
        return -2;
    }
    // The count is the number of marks, so the marked triangles are its list.
    if (where != nullptr) {
        for (uint32_t t = 0; t < mesh.triangleCount; ++t) {
            if (marks.IsSet(t)) {
                where->Add(t);
            }
        }
    }
    return static_cast<int32_t>(marks.CountSet());
}

}  // namespace meshaudit::triangles
