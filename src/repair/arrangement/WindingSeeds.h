// The absolute winding numbers of the components of a closed arranged mesh,
// from the relative ones, with a ray or two per component.
#pragma once

#include "containers/WorkArray.h"
#include "meshaudit.h"
#include "repair/arrangement/UnionFaces.h"
#include "repair/arrangement/WindingPropagation.h"

#include <cstdint>
#include <vector>

namespace meshaudit::arrangement {

// Fills offset[c] for every component c of `windings` so that the winding
// number on the front of face f is windings.front[f] + offset[component f].
//
// The winding number is the sum of those of the components, each a closed
// cycle by itself, and a component meets another only at shared points: it
// lies in one cell of the other's, where the other's winding is one number.
// Component i casts a ray along +x from the centroid of one of its faces
// (WindingRay.h), if it can one at its point of largest (x, y, z), whose ray
// leaves it there. Its own faces give its own winding beside that face (a
// test of each of them); the first face g the ray meets of another
// component j links the two: before g the other components' windings sum to
// what they are on i, and the total there is j's beside g, so
//
//   offset(i) = offset(j) + own(i) + relative(j beside g) - winding of i at g,
//
// the last from a ray from g's centroid over i's faces. A component that
// meets nothing has its own winding; one whose links come back to it, or
// whose first face is unsure, counts every face along its ray instead.
// O(n) tests for the own windings, a nearest-face walk per component, and
// a full ray only to break a cycle of links.
//
// Returns false when a ray meets a face at its origin, an exact sum
// overflowed, or a component has no face with a normal of nonzero x (none
// of which happens to a closed proper arrangement within the exact range).
// Throws std::bad_alloc when memory runs out.
bool SeedWindings(const T3DVECF* points, uint32_t pointCount, const WorkArray<UnionFace>& faces,
                  const FaceWindings& windings, WorkArray<int64_t>& offset);

}  // namespace meshaudit::arrangement
