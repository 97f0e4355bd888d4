// The edge quantities. Each takes the analysed mesh and its topology (and a
// threshold where one applies) and returns its value or a negative code;
// nothing is stored here. The record checks, where an operation makes them,
// run in this order: no point array -1, no triangle array -2, no point -3,
// no triangle -4. Those that take a list (`where`, may be null) add to it
// each edge they count, as its two points, smaller first, in the same pass,
// in edge-list order unless said otherwise; a minimum or maximum lists the
// edges that have it.
#pragma once

#include "analysis/LocationList.h"
#include "containers/CountDuplicates.h"
#include "meshaudit.h"
#include "model/MeshTopology.h"

#include <cstdint>

namespace meshaudit {

// Unordered pairs of distinct points sharing a triangle, counted with one
// mark byte per point over the incident-triangle lists (no edge list).
// -5 incident-triangle lists failed, -6 out of memory.
int32_t CountEdges(const MeshRecord& mesh, MeshTopology& topology);

// Triangle sides that no other triangle has (any direction), listed in
// triangle order, sides 0-1, 1-2, 2-0. -5 incident-triangle lists failed.
int32_t CountBorderSides(const MeshRecord& mesh, MeshTopology& topology,
                         LocationList* where = nullptr);

// Edges on more than two triangles, and the extreme edge degrees (the
// minimum starts at 0xFFFFFFFF, the maximum at 0). No record checks:
// -1 edge list failed, -2 per-edge triangle lists failed.
int32_t CountSingularEdges(const MeshRecord& mesh, MeshTopology& topology,
                           LocationList* where = nullptr);
int32_t MinimalEdgeDegree(const MeshRecord& mesh, MeshTopology& topology,
                          LocationList* where = nullptr);
int32_t MaximalEdgeDegree(const MeshRecord& mesh, MeshTopology& topology,
                          LocationList* where = nullptr);

// Codes shared by every operation below that reads the edge list:
// -5 edge list failed, -6 edge list missing, -7 edge list empty.

// Edges (v, v).
int32_t CountInvalidTopologicalEdges(const MeshRecord& mesh, MeshTopology& topology,
                                     LocationList* where = nullptr);

// Edges whose end points have equal coordinates (exact; NaN never equal).
int32_t CountInvalidGeometricalEdges(const MeshRecord& mesh, MeshTopology& topology,
                                     LocationList* where = nullptr);

// Duplicate classes among the edges, by point indices or by end-point
// coordinates (in either direction): the edges in classes of two or more
// (members) or the number of such classes. Further codes: -8 pool creation
// failed, -9 pool refused, -10 insertion failed, -11 search gave no node.
// Both sums of one search at once: 0 with `sums` filled, or the code.
// `members` (may be null) gets each duplicated edge with its class: the
// position in `members` of the class's first edge; `classes` each class's
// first edge. Listing takes more memory: -8 when it cannot be had.
int32_t TopologicalEdgeDuplicates(const MeshRecord& mesh, MeshTopology& topology,
                                  DuplicateSums& sums, LocationList* members = nullptr,
                                  LocationList* classes = nullptr);
int32_t GeometricalEdgeDuplicates(const MeshRecord& mesh, MeshTopology& topology,
                                  DuplicateSums& sums, LocationList* members = nullptr,
                                  LocationList* classes = nullptr);
int32_t CountDuplicatedTopologicalEdges(const MeshRecord& mesh, MeshTopology& topology);
int32_t CountClassesOfDuplicatedTopologicalEdges(const MeshRecord& mesh, MeshTopology& topology);
int32_t CountDuplicatedGeometricalEdges(const MeshRecord& mesh, MeshTopology& topology);
int32_t CountClassesOfDuplicatedGeometricalEdges(const MeshRecord& mesh, MeshTopology& topology);

// Edges strictly shorter than `lowerBound`, strictly longer than
// `upperBound`.
int32_t CountShorterEdges(const MeshRecord& mesh, MeshTopology& topology, double lowerBound,
                          LocationList* where = nullptr);
int32_t CountLongerEdges(const MeshRecord& mesh, MeshTopology& topology, double upperBound,
                         LocationList* where = nullptr);

// The shortest edge length (from the largest finite double down) and the
// longest (from 0.0 up); a NaN length never replaces either. Codes come back
// as doubles (-1.0 .. -7.0).
double MinimalEdgeLength(const MeshRecord& mesh, MeshTopology& topology,
                         LocationList* where = nullptr);
double MaximalEdgeLength(const MeshRecord& mesh, MeshTopology& topology,
                         LocationList* where = nullptr);

}  // namespace meshaudit
