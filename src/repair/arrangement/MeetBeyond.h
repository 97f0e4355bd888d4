// Whether two triangles with an area that share one point, or one edge,
// meet beyond it: decided by a few orientations round the shared point or
// edge, without building the points where they meet, with the answer the
// arrangement's pair classifier (PairContact.h) gives: whether it finds
// more than the shared point or edge. The check before the arrangement
// and the classifier itself use them.
#pragma once

#include "meshaudit.h"

#include <cstdint>

namespace meshaudit::arrangement {

// A triangle with an area: its corners, their ids and the axes of its
// plane's projection (ProjectionAxes).
struct Face {
    T3DVECF c[3];
    uint32_t id[3];
    int i, j;

    const T3DVECF& operator[](uint32_t k) const { return c[k % 3]; }
};

// The sign of the turn from the direction p->a to the direction p->b, all
// three in one plane, seen in the projection of f's plane (f's axes):
// exact, and of one orientation for every pair of directions in that
// plane; 0 where the three lie on one line.
int Turn(const Face& f, const T3DVECF& p, const T3DVECF& a, const T3DVECF& b);

// Whether faces t and u, sharing only the point at corner k of t and
// corner j of u, meet beyond it (see the source for how).
bool MeetBeyondPoint(const Face& t, uint32_t k, const Face& u, uint32_t j);

// Whether faces that share the edge from corner k to corner k + 1 of t
// meet beyond it, d being the other face's third corner.
bool MeetBeyondEdge(const Face& t, uint32_t k, const T3DVECF& d);

// Whether faces t and u, sharing one or two corner ids (the caller knows
// they share one or two), meet beyond the shared point or edge: the test
// above that fits, on the corners they share.
bool MeetBeyondShared(const Face& t, const Face& u);

}  // namespace meshaudit::arrangement
