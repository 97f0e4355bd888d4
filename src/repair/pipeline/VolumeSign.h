// The sign of the volume a closed shell encloses, where doubles settle it.
#pragma once

#include "repair/pipeline/WorkMesh.h"

#include <cstdint>
#include <span>

namespace meshaudit::pipeline {

// The sign of the sum of det(a, b, c) over the triangles (a, b, c) of
// `triangles`, six times the volume they enclose when they close: +1 or -1
// when the sum in doubles exceeds a bound on its error (the bound and the
// sum solids() takes first), 0 when it does not, and only an exact sum
// can tell.
int8_t CertainVolumeSign(const WorkMesh& mesh, std::span<const uint32_t> triangles);

}  // namespace meshaudit::pipeline
