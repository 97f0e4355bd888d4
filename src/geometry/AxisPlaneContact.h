// Pairs of triangles that lie in one plane normal to a coordinate axis, and
// pairs whose boxes only touch, decided by comparing coordinates rather than
// by orientations. The faces of boxes, of machined parts and of voxel and
// grid meshes are such planes: there nearly every pair of triangles whose
// boxes meet shares the plane, their orientations all take the predicates'
// slow exact stage to find 0, and most such pairs touch by their boxes only.
#pragma once

#include "meshaudit.h"

namespace meshaudit {

// The axis (0, 1 or 2 for x, y, z) on which the six corners of t and u have
// one and the same coordinate, the first such, or -1. With moderate
// coordinates (ModerateRange.h) every orientation of four of the corners is
// then exactly 0, as the predicates would find.
int SharedAxisPlane(const T3DVECF* t, const T3DVECF* u);

// What the faces of the boxes of two triangles decide when both lie in one
// plane normal to the axis `plane` (SharedAxisPlane), with finite corners:
// 0 when the triangles are apart, 1 when they touch, -1 when the boxes
// decide nothing. On another axis, they are apart when one's largest
// coordinate is below the other's smallest. When it equals it (their boxes
// touch on that plane), the two can meet only where that plane crosses
// theirs, a line along the third axis, which each triangle meets in the
// span of its corners on it: the two spans decide.
int ContactAtBoxFaces(const T3DVECF* t, const T3DVECF* u, int plane);

}  // namespace meshaudit
