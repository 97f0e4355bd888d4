// The steps of solids(), each in a file of its own, and what they share.
#pragma once

#include "containers/WorkArray.h"
#include "meshaudit_solid.hpp"

#include <cstdint>

namespace meshaudit::solid {

// solids() with the time of each step, for the benchmark: `seconds`, when
// not null, receives kStepCount figures in the order of kStepNames.
inline constexpr int kStepCount = 5;
inline constexpr const char* kStepNames[kStepCount] = {"corners", "shells", "triangles", "pairs", "nesting"};
int32_t TimedSolids(const MeshRecord& mesh, const SolidRequest& request, Solids& out, double* seconds) noexcept;

// The triangles at each point: triangles[first[p] .. first[p+1]) are the
// triangles with a corner at point p, ascending, one entry per corner (a
// triangle that repeats p is there once for each). A point's edges, fans
// and shells are all read from its own run. Four bytes a corner, so that
// the arrays stay within the blocks the allocator keeps warm.
struct CornersByPoint {
    WorkArray<uint64_t> first;
    WorkArray<uint32_t> triangles;
};
CornersByPoint GroupCorners(const MeshRecord& mesh);

// Shells, their open and manifold flags, each triangle's shell, the open
// shells and the pinched points, into `out`.
void LabelShells(const MeshRecord& mesh, const CornersByPoint& groups, Solids& out);

// What the triangle pass gathers for each shell's nesting: whether it takes
// part (closed, every corner finite), the corner of largest x where its ray
// starts, and its volume's sum in doubles with the sum's size and terms.
struct ShellGeometry {
    WorkArray<uint8_t> counted;
    WorkArray<uint32_t> start;
    WorkArray<double> sum, size;
    WorkArray<uint32_t> terms;
};

// One pass over the triangles: angles, aspect ratios and skinny triangles
// into `out`, and each closed shell's ShellGeometry.
void MeasureTriangles(const MeshRecord& mesh, double skinnyAngle, Solids& out, ShellGeometry& shells);

// Pairs of different shells that cross or touch, into out.shellPairs. The
// intersecting triangle pairs are the request's when it gives them (checked
// beforehand), else searched for.
void PairShells(const MeshRecord& mesh, const CornersByPoint& groups, const SolidRequest& request, Solids& out);

// Depth, parent and volume sign of every closed shell, and the nested and
// inside-out lists; shells in out.shellPairs are never inside each other.
void NestShells(const MeshRecord& mesh, const ShellGeometry& shells, Solids& out);

}  // namespace meshaudit::solid
