// The faces around an edge in the order of their angle about it, decided by
// exact orientation signs.
#pragma once

#include "containers/WorkArray.h"
#include "meshaudit.h"

#include <cstdint>
#include <vector>

namespace meshaudit::arrangement {

// A face around the edge: its index (carried along, never read) and its third
// corner, the apex, which spans its half-plane from the edge.
struct RadialFace {
    uint32_t face;
    uint32_t apex;
};

// Sorts `around` counterclockwise about the edge u -> v seen from v (by the
// right-hand rule about v - u), starting at the half-plane of around[0],
// which stays first. A face oriented u -> v has its normal pointing toward
// increasing angle, one oriented v -> u toward decreasing angle.
//
// `points` must hold u, v and every apex (indices unchecked: the caller's),
// each apex off the line through u and v, and u != v. Returns true, or false
// when two faces span the same half-plane (they overlap near the edge:
// not a proper arrangement), the order then not to be read. O(k log k) exact
// orientation tests for k faces; throws nothing but what std::sort may.
bool SortAroundEdge(const T3DVECF* points, uint32_t u, uint32_t v, WorkArray<RadialFace>& around);

}  // namespace meshaudit::arrangement
