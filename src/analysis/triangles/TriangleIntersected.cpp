// Triangles that intersect (or touch) a triangle with which they share no
// point index: the triangle tree walked against itself, marking both members
// of every intersecting pair.
#include "analysis/triangles/TriangleAnalyses.h"
#include "containers/BitVector.h"
#include "geometry/IntersectingPairs.h"
#include "geometry/TriAabbTree.h"

namespace meshaudit::triangles {

int32_t CountIntersected(const MeshRecord& mesh)
{
    // The tree leaves out triangles with a corner beyond the point count, so
    // their corners are never read and they are never marked.
    C3DTriAABBTree tree;
    if (tree.Build(mesh) != 1) {
        return -1;
    }
    if (tree.Root() == nullptr) {
        return 0;  // no triangle has all its corners: nothing to test
    }
    CBitVector marks;
    if (MarkIntersectingPairs(&tree, &tree, marks) != 1) {
        return -2;
    }
    return static_cast<int32_t>(marks.CountSet());
}

}  // namespace meshaudit::triangles
