// The union of the closed shells of an arranged mesh, by winding numbers.
//
// The input is a proper complex: triangles meet only along shared edges and
// at shared points (ids, not coordinates), and triangles that overlap in a
// plane are coincident, the same three point ids in either orientation.
// Every triangle counts with its orientation: the winding number of a point
// is how many times the triangles wind around it, rising by one for each
// triangle crossed from its front (the side its normal (b - a) x (c - a)
// points to) to its back. The union is the region of winding >= 1; its
// boundary is made of the input faces with winding >= 1 on one side and
// <= 0 on the other (0 unless inside-out shells drive a region below 0: a
// face between -1 and 1 bounds the union as well, and dropping it would
// open it). So an outward shell adds its inside; an inward shell inside it
// cuts a void; an inward shell alone (winding -1) adds nothing; a shell
// inside another shell's solid disappears into it; faces inside the union or
// between two cells outside it are dropped.
//
// Every decision is an exact sign on the double coordinates (Predicates.h
// and exact sums), never a tolerance. Exactness assumes no overflow or
// underflow in products of up to three coordinates: magnitudes up to 1e100
// (larger ones are refused), and nonzero coordinates not far below 1e-100.
#pragma once

#include "containers/WorkArray.h"
#include "meshaudit.h"

#include <cstdint>
#include <vector>

namespace meshaudit::arrangement {

struct UnionResult {
    // The faces kept, as point ids into the input's points, each oriented
    // outward: winding <= 0 in front, >= 1 behind. One triangle for a group of
    // coincident input triangles. Closed and consistently oriented.
    WorkArray<TRIANGLE> triangles;
    // For each kept triangle, the input triangle it is (one oriented as it
    // is kept; the lowest index of those).
    WorkArray<uint32_t> triangleFrom;
    // False when the input does not close: some edge is used a different
    // number of times a -> b and b -> a. Then the winding number is not
    // defined, nothing is united and `triangles` is empty.
    bool closed = true;
};

enum UniteCode : int {
    kUniteOk = 1,           // `out` holds the union (or closed = false)
    kUniteBadInput = 0,     // null array with a nonzero count, a point index out of range,
                            // a triangle with a repeated index or without area, a corner
                            // not finite or beyond 1e100 in magnitude
    kUniteNotArranged = -1, // the faces overlap (two share a half-plane at an edge, a face's
                            // centroid lies on another) or the windings around the edges
                            // disagree: the input is not a proper arrangement
    kUniteNoMemory = -2,    // an allocation failed
};

// Unites the closed shells of the arranged mesh (points, pointCount,
// triangles, triangleCount). The arrays stay the caller's and are only read.
// `out` is cleared first and filled on kUniteOk; on any other code it is left
// empty with closed = true. An empty triangle set is closed and unites to
// nothing. Nothing throws.
//
// Steps: coincident triangles become one face with a net count
// (UnionFaces.h); the edge check and the windings relative to each
// component, from the faces' exact order around every edge
// (WindingPropagation.h); the absolute winding of each component through
// exact rays (WindingSeeds.h); then the faces between winding <= 0 and >= 1.
//
// The arrangement is trusted, not verified: faces that cross without being
// split are reported (kUniteNotArranged) only where the steps meet them, at
// an edge they share or at a ray's origin; elsewhere the windings are those
// of the faces as given.
// O(n log n) for n triangles, plus a walk of the tree per component to the
// first face of another component its ray meets. That walk visits the nodes
// whose boxes span the gap it crosses: few for rows, scattered parts and
// shells nested square to the axes, but for k concentric shells turned
// obliquely, whose large faces give every node a box around the gap, it
// tests faces of every shell outside (k^2 / 2 tests in all).
int Unite(const T3DVECF* points, uint32_t pointCount, const TRIANGLE* triangles, uint32_t triangleCount,
          UnionResult& out);

}  // namespace meshaudit::arrangement
