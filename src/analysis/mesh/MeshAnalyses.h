// Whole-mesh analyses: orientation, components, borders, handles, volume,
// area and self-intersection. Each is a pure function of the mesh (and of the
// topology's lazily built structures); none reads or writes a result slot.
// The steps that combine stored values of several categories are in
// MeshSteps.h.
#pragma once

#include "analysis/LocationList.h"
#include "containers/Keys.h"
#include "meshaudit.h"
#include "model/MeshTopology.h"

#include <cstdint>

namespace meshaudit {

// A list of edges over a point array, laid out like MeshRecord.
#pragma pack(push, 4)
struct EdgeList {
    const T3DVECF* points;
    uint32_t pointCount;
    const T3DEDGE* edges;
    uint32_t edgeCount;
};
#pragma pack(pop)

// ---------------------------------------------------------------------------
// Orientation (Orientation.cpp)
// ---------------------------------------------------------------------------

// True when some directed edge (t[i], t[i+1]) of t occurs reversed in u
// (t[i] = u[j+1] and t[i+1] = u[j], indices cyclic). Compares indices only.
bool HaveOppositeEdge(const TRIANGLE& t, const TRIANGLE& u);

// True when every pair of triangles that share an edge runs it in opposite
// directions. A mesh without shared edges is oriented. False for a null or
// empty mesh and when the topology cannot be built. Edges whose first point
// is not below pointCount are not examined.
//
// `where`, when not null and the answer is false, receives what makes it
// false: for each pair of side neighbours t, u (u in t's neighbour row) that
// run no common side in opposite directions, every side of t whose two end
// points are both corners of u (for two proper triangles sharing a side:
// that side, run the same way by both), as its two point indices, smaller
// first; each edge once, ascending. It is found by a second pass, made only
// then, over the neighbour lists or, where those would be large, edge by
// edge. When the neighbour lists cannot be built nothing is listed; when
// the edges or the scratch array cannot be had, the list is marked failed.
bool IsOrientedInto(const MeshRecord& mesh, MeshTopology& topology, LocationList* where);
inline bool IsOriented(const MeshRecord& mesh, MeshTopology& topology)
{
    return IsOrientedInto(mesh, topology, nullptr);
}

// True when the triangles can be reoriented so that IsOriented holds: the
// answer of IsConsistentlyOriented on a copy reoriented breadth-first over
// the triangle neighbours (each triangle reached, in seed order, is flipped
// unless it runs a common edge opposite to the one it was reached from),
// found in one walk with a flip mark per triangle (the caller's arrays are
// never changed; where the neighbour lists would be large, the walk reads
// each edge's triangles instead, reaching them in the same order). When
// neither the edges nor the neighbour lists, or not the walk's memory, can
// be had, no triangle can be flipped and the answer is
// IsConsistentlyOriented of the mesh itself; a bad mesh gives false.
bool IsOrientable(const MeshRecord& mesh, MeshTopology& topology);

// The test of IsOriented on a bare record, with point-to-triangle lists of
// its own. False for a bad record and when an allocation fails.
bool IsConsistentlyOriented(const MeshRecord& record);

// ---------------------------------------------------------------------------
// Components (Components.cpp)
// ---------------------------------------------------------------------------

// Number of groups of triangles joined through shared edges. -1 no points,
// -2 no triangles, -3 zero points, -4 zero triangles, -5 topology failure,
// -6 out of memory. `where`, when not null, receives for each triangle in
// order its group number, the groups numbered 0.. by their first triangle
// (found then by the breadth-first walk, which gives the same count).
int32_t ComputeComponentsInto(const MeshRecord& mesh, MeshTopology& topology, LocationList* where);
inline int32_t ComputeComponents(const MeshRecord& mesh, MeshTopology& topology)
{
    return ComputeComponentsInto(mesh, topology, nullptr);
}

// ---------------------------------------------------------------------------
// Borders (Borders.cpp)
// ---------------------------------------------------------------------------

// Number of groups of border edges joined through shared points (two border
// loops that touch at a point are one border). -1..-4 as ComputeComponents,
// -5 topology failure, else the code of CountEdgeGroups.
//
// `where`, when not null, receives the borders as entries (border, point):
// the borders numbered 0..count-1 by their first border edge (in the order
// of MeshTopology::BorderEdges), all entries of one border together. A
// border is listed as walks along its edges, each edge run once: a walk
// starts at the first edge of the border not yet run, at that edge's first
// end point, and goes on from each point it reaches along the first edge
// there not yet run (in border-edge order) until none is left at that point;
// its points are listed from start to end, so a walk that comes back lists
// its start point again at the end. A simple loop of n edges is thus one
// walk of n + 1 entries, its points in order along the loop. Loops that
// touch at a point form one border: as one walk when the walk reaches the
// touching point while the other loop is still unrun, else as one walk after
// the other. Where every point has an even number of border edges each walk
// ends where it started. Made by a second pass over the border edges, only
// when wanted; when its scratch memory cannot be had nothing is listed.
int32_t ComputeBordersInto(const MeshRecord& mesh, MeshTopology& topology, LocationList* where);
inline int32_t ComputeBorders(const MeshRecord& mesh, MeshTopology& topology)
{
    return ComputeBordersInto(mesh, topology, nullptr);
}

// Number of groups of edges joined through shared end points. -1 no points,
// -2 no edges array, -3 zero points, -4 zero edges, -5 out of memory, -6 the
// edge neighbour lists could not be built (out of memory: a point with n
// edges gives each of them n - 1 neighbours). End points not below
// pointCount join nothing.
int32_t CountEdgeGroups(const EdgeList& list);

// Per point, the edges that have it as an end point, in edge order (an edge
// (v, v) stands twice in v's row), packed like the topology's lists; release
// them with ReleaseLists (model/IncidenceLists.h). -1 null edges, -2 and -3
// out of memory. End points not below pointCount are skipped.
int32_t BuildPointEdgeLists(const T3DEDGE* edges, uint32_t pointCount, uint32_t edgeCount,
                            IncidenceLists& lists);

// Per edge, the other edges at its first end point, then those at its second
// (an edge sharing both end points stands twice). Packed like
// BuildPointEdgeLists. -1 the point lists failed, -2 and -3 out of memory.
int32_t BuildEdgeNeighbourLists(const T3DEDGE* edges, uint32_t pointCount, uint32_t edgeCount,
                                IncidenceLists& lists);

// ---------------------------------------------------------------------------
// Handles (Handles.cpp)
// ---------------------------------------------------------------------------

// The Euler relation with isolated points and triangles repeating an index
// left out: K - (V - I - E + B + T - X) / 2 in 32-bit two's complement
// arithmetic, the division truncating toward zero.
int32_t HandlesFromEuler(uint32_t components, uint32_t points, uint32_t isolatedPoints,
                         uint32_t edges, uint32_t borders, uint32_t triangles,
                         uint32_t invalidTriangles);

// Recomputes its five inputs (edge count, isolated points, invalid
// triangles, borders, components) and applies HandlesFromEuler. Failure codes
// among the inputs are not checked: the result is then meaningless.
int32_t ComputeHandles(const MeshRecord& mesh, MeshTopology& topology);

// ---------------------------------------------------------------------------
// Geometry (Volume.cpp, Area.cpp, SelfIntersection.cpp)
// ---------------------------------------------------------------------------

// Signed enclosed volume: the determinants of the triangles' corner rows,
// summed from the smallest magnitude up, over 6. Triangles with a corner not
// below pointCount are skipped. The lowest finite double (not computed) for
// null arrays and when the scratch array cannot be allocated. Unless `area`
// is null, the same pass over the corners also writes ComputeArea's value
// to it, except when the volume is not computed.
double ComputeVolume(const MeshRecord& mesh, double* area = nullptr);

// Sum of the triangles' areas (TriangleArea each), in triangle order.
// Triangles with a corner not below pointCount are skipped. -1.0 (not
// computed) for null arrays.
double ComputeArea(const MeshRecord& mesh);
double TriangleArea(const T3DVECF& p0, const T3DVECF& p1, const T3DVECF& p2);

// 1 when two triangles that share no point index, neither repeating an index
// of its own, intersect or touch; else 0 (also when the tree cannot be
// built). -1 when the search ran out of memory before it could answer.
// Triangles with a corner not below pointCount are left out of the tree.
int8_t TestSelfIntersection(const MeshRecord& mesh);

}  // namespace meshaudit
