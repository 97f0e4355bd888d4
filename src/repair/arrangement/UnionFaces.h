// Coincident triangles of an arranged mesh taken as one face with a net
// count, the number of times crossing it changes the winding number.
#pragma once

#include "containers/WorkArray.h"
#include "meshaudit.h"

#include <cstdint>
#include <vector>

namespace meshaudit::arrangement {

// A face: the triangles with the same three point ids. Its corners are
// those of the first (lowest index) of them, and its front is the side their
// normal (b - a) x (c - a) points to. `net` is the number of those triangles
// oriented like `corners` minus the number oriented the other way: crossing
// the face from front to back raises the winding number by `net`.
struct UnionFace {
    TRIANGLE corners;
    uint32_t along;     // the lowest input triangle oriented like `corners`
    uint32_t reversed;  // the lowest oriented the other way; UINT32_MAX when none
    int64_t net;
};

// The faces of `triangles` (count of them, each with three distinct point
// ids; not checked here) whose net count is not 0, in the order of their
// lowest triangle. A face of net 0 separates nothing and is left out. Clears
// `faces` first. O(n log n); throws std::bad_alloc when memory runs out.
void GroupFaces(const TRIANGLE* triangles, uint32_t count, WorkArray<UnionFace>& faces);

}  // namespace meshaudit::arrangement
