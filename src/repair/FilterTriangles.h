// Drops the triangles of a record that repeat a point index, in place.
#pragma once

#include "meshaudit.h"

#include <cstdint>

namespace meshaudit {

// Returns the number of triangles kept, or a negative code: -1 no triangle
// array, -2 no triangles, -3 and -4 out of memory (the record then still holds
// its arrays).
int32_t RemoveInvalidTriangles(MeshRecord& record);

}  // namespace meshaudit
