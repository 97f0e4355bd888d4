// The point analyses. Each takes the mesh record (and, where it needs
// adjacency, the mesh topology) and returns a count, or a negative code that
// the caller stores in the quantity's slot unchanged. Those that take a list
// (`where`, may be null) add to it each element they count, in the same
// pass, so a count and its list cannot disagree.
#pragma once

#include "analysis/LocationList.h"
#include "containers/CountDuplicates.h"
#include "meshaudit.h"
#include "model/MeshTopology.h"

#include <cstdint>

namespace meshaudit::points {

// Points with at least one NaN coordinate (quiet or signalling), once per
// point, listed in index order. -1 no point array, -2 no points.
int32_t CountNAN(const MeshRecord& mesh, LocationList* where = nullptr);

// Points with at least one infinite coordinate, once per point. Codes as
// CountNAN.
int32_t CountINF(const MeshRecord& mesh, LocationList* where = nullptr);

// Points that no triangle uses, found with one mark byte per point (no
// topology). A corner at or beyond the point count marks nothing.
// Listed in index order. -1..-4 bad record, -5 the marks could not be
// allocated.
int32_t CountIsolated(const MeshRecord& mesh, LocationList* where = nullptr);

// Points that lie on at least one border edge, listed in point order.
// -1..-4 bad record, -5 the topology failed (this includes corners out of
// range), -6 the marks could not be allocated.
int32_t CountBorder(const MeshRecord& mesh, MeshTopology& topology, LocationList* where = nullptr);

// Points that share their exact coordinates with at least one other point
// (0.0 and -0.0 are equal). -1 no point array, -2 no points, -3 node pool,
// -4 tree pool, -5 insertion, -6 a match without a node.
int32_t CountDuplicatedGeometrical(const MeshRecord& mesh);

// Distinct coordinate triples held by two points or more. Codes as
// CountDuplicatedGeometrical.
int32_t CountClassesOfDuplicatedGeometrical(const MeshRecord& mesh);

// Both sums of the exact-duplicate search at once: 0 with `sums` filled, or
// the code of the two counts above. `members` (may be null) gets each
// duplicated point with its class (the smallest index among its equals),
// `classes` each class's first point, both in point order. Listing takes
// one more array: -3 when it cannot be allocated.
// Without lists, the ranking is the one `topology` keeps for the edge and
// triangle counts (see SharedPointRanks), made here when the mesh has no
// more points than triangles.
int32_t ExactDuplicates(const MeshRecord& mesh, MeshTopology& topology, DuplicateSums& sums,
                        LocationList* members = nullptr, LocationList* classes = nullptr);

// Points that have another point at a distance not greater than |*epsilon|.
// -1 no point array, -2 no points, -3 the point tree could not be built
// (no triangle array, no triangles, or out of memory). A null epsilon counts
// as a missing parameter: -3. Listed in point order (listing needs one
// more byte per point: -3 when it cannot be had).
int32_t CountEpsilonDuplicates(const MeshRecord& mesh, const double* epsilon,
                               LocationList* where = nullptr);

// The same count with the leaf walks' node budget given instead of derived
// from the tree's size, so that tests can make the walks give way to
// queries part way.
int32_t CountEpsilonDuplicates(const MeshRecord& mesh, const double* epsilon, uint64_t walkBudget,
                               LocationList* where = nullptr);

// The fewest and the most distinct neighbours of a point, isolated points
// (degree 0) included; the points that have it are listed in point order.
// -1 when the neighbour lists cannot be built.
int32_t MinimalDegree(const MeshRecord& mesh, MeshTopology& topology, LocationList* where = nullptr);
int32_t MaximalDegree(const MeshRecord& mesh, MeshTopology& topology, LocationList* where = nullptr);

}  // namespace meshaudit::points
