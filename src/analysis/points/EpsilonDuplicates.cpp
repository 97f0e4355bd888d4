// Points that have another point within a tolerance: one point tree, one
// ball query per point (spared where the point's own leaf already holds a
// close partner). No classes are formed: a point counts when its own ball
// holds another point.
#include "analysis/points/PointAnalyses.h"
#include "containers/Memory.h"
#include "geometry/PntAabbTree.h"
#include "geometry/Sphere.h"

namespace meshaudit::points {

int32_t CountEpsilonDuplicates(const MeshRecord& mesh, const double* epsilon)
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
        }
    }
    Free(marks);
    return static_cast<int32_t>(count);
}

}  // namespace meshaudit::points
