// Points of equal coordinates taken as one, for triangles that name them by
// different indices: what the rounds of the arrangement and its check see
// (ArrangeRound.h), for a caller that tells points by their index (the
// union, which takes no triangle without area: rounding can put two
// corners of a piece at one place).
#pragma once

#include "containers/WorkArray.h"
#include "meshaudit.h"

#include <cstdint>

namespace meshaudit::arrangement {

// Fills `joined` with `triangles` (count of them, naming `points`, count
// of them, indices in range) each corner named by the first point at its
// place, and `from` with the index in `triangles` of each. A triangle that
// then repeats a point is left out: two or three of its corners lie at one
// place, so it has no area, and in a closed or an arranged surface its two
// other sides are sides of its neighbours (a to b and b to a), which meet
// the same way without it. Returns how many were left out. Throws
// std::bad_alloc when memory runs out.
uint32_t JoinEqualPlaces(const T3DVECF* points, uint32_t pointCount, const TRIANGLE* triangles, uint32_t count,
                         WorkArray<TRIANGLE>& joined, WorkArray<uint32_t>& from);

}  // namespace meshaudit::arrangement
