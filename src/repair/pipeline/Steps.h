// The steps of repair(), each in a file of its own, in the order they run.
// Every step works on the work mesh in place and logs what it changes;
// memory running out throws std::bad_alloc, which repair() turns into its
// code.
#pragma once

#include "repair/pipeline/WorkMesh.h"
#include "containers/WorkArray.h"

#include <cstdint>
#include <vector>

namespace meshaudit::pipeline {

// 1: triangles with a corner whose coordinates are not all finite.
void DropNonFinite(WorkMesh& mesh);

// 2: points of equal coordinates, and those within `tolerance` (when above
// 0) of a seed.
void MergePoints(WorkMesh& mesh, double tolerance);

// 3: triangles that repeat a point, and triangles of zero area.
void RemoveDegenerate(WorkMesh& mesh);

// 4: repeated triangles and two-sided sheets. With `shared` (the points
// merged exactly, and the union to come), copies that close different
// shells all stay.
void RemoveDuplicates(WorkMesh& mesh, bool shared);

// 5: pinched points and non-manifold edges. With `holesAhead`, the fans
// with a border at a point stay together; returns at how many points.
// With `join`, the points of one fan at one place become one. *changed
// (when given) tells whether a corner changed its point.
uint32_t SplitNonManifold(WorkMesh& mesh, bool holesAhead, bool join, bool* changed = nullptr);

// 5, after the fills: where pieces still touch at one place, every closed
// fan there but one cut away and its rim filled, when the fill meets
// nothing; the number of triangles cut. The fills' triangles are added to
// `added`. With `uniteAhead`, places whose fans meet beyond them are left
// to step 10's union.
uint32_t CutTouchingFans(WorkMesh& mesh, uint32_t exactHoleEdges, bool uniteAhead, uint32_t& added);

// 6: border edges that lie on one another; whether any was joined.
bool StitchBorders(WorkMesh& mesh);

// 7: consistent orientation within each shell, by a walk over the edges of
// two triangles; the flips add up in mesh.flipped until LogFlips.
void OrientConsistently(WorkMesh& mesh);
// 7: closed shells turned outward, voids inward; with `keepInnerSolids`
// a shell at an odd depth that encloses a positive volume is left as it is
// (step 9 drops it). With `uniteAhead` (step 10 to run), so is such a
// shell that meets another shell: it is a solid among overlapping parts.
void OrientOutward(WorkMesh& mesh, bool keepInnerSolids, bool uniteAhead);
// 7: the flips made since OrientConsistently began, as logged shells; the
// number of triangles flipped.
uint32_t LogFlips(WorkMesh& mesh);

// 8: border loops filled; the number of triangles added. `touching` is set
// when two loops that were filled share a point (their fills may pinch it).
uint32_t FillHoles(WorkMesh& mesh, uint32_t exactHoleEdges, bool& touching);

// 9: small shells and, with `innerShells`, solids inside solids.
void DropShells(WorkMesh& mesh, uint32_t minTriangles, double minSize, bool innerShells);

// 10: on repair()'s output `out` (steps 1 to 9 and 11 done as `request`
// asks), triangles that meet split where they meet and closed shells
// united, then steps 2 to 9 run again on the result; `out` and its log
// updated in the input's numbering (see meshaudit_repair.hpp).
void ResolveIntersections(const RepairRequest& request, RepairResult& out);

// The shell of every triangle (triangles joined through shared edges),
// numbered by first triangle; the number of shells in `count`.
WorkArray<uint32_t> ShellLabels(const WorkMesh& mesh, uint32_t& count);

}  // namespace meshaudit::pipeline
