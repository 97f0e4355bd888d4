// The triangle analyses. Each takes the mesh record (and, where it needs
// adjacency, the mesh topology) and returns a count, or a negative code that
// the caller stores in the quantity's slot unchanged.
//
// Codes shared by the topology-based counters: -1 no point array, -2 no
// triangle array, -3 no points, -4 no triangles, -5 the topology failed (this
// includes a corner at or beyond the point count: the topology refuses such
// meshes).
//
// The counters that take a LocationList add to it, when it is not null, the
// index of every triangle they count (a minimum or maximum: every triangle
// that attains it), in ascending order. Each is named as its quantity with
// "Into"; the form without the list counts exactly as it does given null.
#pragma once

#include "analysis/LocationList.h"
#include "containers/CountDuplicates.h"
#include "meshaudit.h"
#include "model/MeshTopology.h"

#include <cstdint>

namespace meshaudit::triangles {

// Marks in a fresh byte mask (one byte per point, 1 = border vertex) the end
// points of every border edge: a triangle side that no other triangle has.
// Returns the number of marked points and hands the mask to the caller, who
// releases it with Free; on failure returns -1..-4, -5 topology, -6 the mask
// could not be allocated, and leaves `mask` null.
int32_t BorderVertices(const MeshRecord& mesh, MeshTopology& topology, uint8_t*& mask);

// Triangles with at least one border vertex (a triangle that only touches the
// border at a corner counts). -1..-4, -5 the border marking failed.
int32_t CountBorderInto(const MeshRecord& mesh, MeshTopology& topology, LocationList* where);
inline int32_t CountBorder(const MeshRecord& mesh, MeshTopology& topology)
{
    return CountBorderInto(mesh, topology, nullptr);
}

// Over the triangle degrees (the number of side-sharing neighbours, counted
// per side): triangles of degree 0, triangles of degree greater than 3, the
// smallest and the largest degree. -1..-5 as above.
int32_t CountIsolatedInto(const MeshRecord& mesh, MeshTopology& topology, LocationList* where);
int32_t CountSingularInto(const MeshRecord& mesh, MeshTopology& topology, LocationList* where);
int32_t MinimalDegreeInto(const MeshRecord& mesh, MeshTopology& topology, LocationList* where);
int32_t MaximalDegreeInto(const MeshRecord& mesh, MeshTopology& topology, LocationList* where);
inline int32_t CountIsolated(const MeshRecord& mesh, MeshTopology& topology)
{
    return CountIsolatedInto(mesh, topology, nullptr);
}
inline int32_t CountSingular(const MeshRecord& mesh, MeshTopology& topology)
{
    return CountSingularInto(mesh, topology, nullptr);
}
inline int32_t MinimalDegree(const MeshRecord& mesh, MeshTopology& topology)
{
    return MinimalDegreeInto(mesh, topology, nullptr);
}
inline int32_t MaximalDegree(const MeshRecord& mesh, MeshTopology& topology)
{
    return MaximalDegreeInto(mesh, topology, nullptr);
}

// Triangles that repeat a point index; indices are not checked against the
// point count. -1 no triangle array, -2 no triangles.
int32_t CountInvalidTopologicalInto(const MeshRecord& mesh, LocationList* where);
inline int32_t CountInvalidTopological(const MeshRecord& mesh)
{
    return CountInvalidTopologicalInto(mesh, nullptr);
}

// Triangles with all corners in range of which two corners have equal
// coordinates (NaN never equals). -1..-4.
int32_t CountInvalidGeometricalInto(const MeshRecord& mesh, LocationList* where);
inline int32_t CountInvalidGeometrical(const MeshRecord& mesh)
{
    return CountInvalidGeometricalInto(mesh, nullptr);
}

// Duplicates by index set (orientation and starting corner ignored): the
// triangles whose set recurs, and the number of recurring sets. -1 no
// triangle array, -2 no triangles, -3..-6 the search tree failed.
int32_t CountDuplicatedTopological(const MeshRecord& mesh);
int32_t CountClassesOfDuplicatedTopological(const MeshRecord& mesh);
// Both sums of that search at once: 0 with `sums` filled, or the code.
// `members` (may be null) gets each duplicated triangle with its class's
// first triangle, `classes` that first triangle once per class, both in
// triangle order; listing needs one more array (-3 when it cannot be had).
int32_t TopologicalDuplicates(const MeshRecord& mesh, DuplicateSums& sums,
                              LocationList* members = nullptr, LocationList* classes = nullptr);

// Duplicates by corner coordinates, over the triangles with all corners in
// range. -1 no point array, -2 no points, -3 no triangle array, -4 no
// triangles, -5..-8 the search tree failed.
int32_t CountDuplicatedGeometrical(const MeshRecord& mesh);
int32_t CountClassesOfDuplicatedGeometrical(const MeshRecord& mesh);
// Both sums of that search at once: 0 with `sums` filled, or the code.
// Lists as TopologicalDuplicates (-5 when the listing memory cannot be had).
// The points are ranked through `topology` (see SharedPointRanks).
int32_t GeometricalDuplicates(const MeshRecord& mesh, MeshTopology& topology, DuplicateSums& sums,
                              LocationList* members = nullptr, LocationList* classes = nullptr);

// Triangles that intersect (or touch) a triangle with which they share no
// point index. Triangles that repeat an index or have a corner out of range
// never count. -1 the triangle tree could not be built, -2 the search failed.
// `pairs`, when not null, receives every intersecting pair once, smaller
// index first, in the order the search meets them (see IntersectingPairs.h):
// the same search then tests every pair instead of skipping those whose two
// triangles are already marked.
int32_t CountIntersectedInto(const MeshRecord& mesh, LocationList* where, LocationList* pairs);
inline int32_t CountIntersected(const MeshRecord& mesh)
{
    return CountIntersectedInto(mesh, nullptr, nullptr);
}

// Triangles with a side neighbour that runs the common side in the same
// direction. -1..-5 as above.
int32_t CountFlippedTopologicalInto(const MeshRecord& mesh, MeshTopology& topology,
                                LocationList* where);
inline int32_t CountFlippedTopological(const MeshRecord& mesh, MeshTopology& topology)
{
    return CountFlippedTopologicalInto(mesh, topology, nullptr);
}

}  // namespace meshaudit::triangles
