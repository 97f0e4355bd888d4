// Drops the triangles of a record that repeat a point index, in place.
#pragma once

#include "meshaudit.h"

#include <cstdint>

namespace meshaudit {

// Keeps the triangles whose three indices differ, in their order, in a new
// triangle array (of zero length when none is kept); the points are not
// touched. Returns the number of triangles kept (at most INT32_MAX), or a
// negative code: -1 no triangle array, -2 no triangles, -3 and -4 out of
// memory (the record is then unchanged).
int32_t RemoveInvalidTriangles(MeshRecord& record);

}  // namespace meshaudit
