// Winding numbers of the faces of a closed arranged mesh relative to one face
// of each connected component, from the order of the faces around every edge.
#pragma once

#include "containers/WorkArray.h"
#include "meshaudit.h"
#include "repair/arrangement/UnionFaces.h"

#include <cstdint>
#include <vector>

namespace meshaudit::arrangement {

// For each face: the winding number on its front side, relative to the
// first face of its component (which reads 0), and its component. Faces are
// in one component when a chain of edges links them; the back side of face
// f has front[f] + net. Components are numbered 0..componentCount-1 in the
// order of their first face.
struct FaceWindings {
    WorkArray<int64_t> front;
    WorkArray<uint32_t> component;
    uint32_t componentCount = 0;
};

enum class WindingStatus {
    Ok,           // `out` filled
    Open,         // some edge is crossed a different number of times each way
    NotArranged,  // two faces share a half-plane at an edge, or the windings disagree
};

// Checks that the faces close (every edge bounded as often one way as the
// other, counted with the faces' net counts), sorts the faces around each
// edge (RadialOrder.h), and propagates windings: the two sides facing one
// wedge between consecutive faces have the same winding, crossing a face
// from front to back adds its net count. `points` must hold every corner
// of `faces` (unchecked), each face with distinct ids and area. On Open and
// NotArranged `out` is not to be read. O(n log n) for n faces plus the radial
// sorts; throws std::bad_alloc when memory runs out.
WindingStatus PropagateWindings(const T3DVECF* points, const WorkArray<UnionFace>& faces, FaceWindings& out);

}  // namespace meshaudit::arrangement
