// Merges geometrically duplicated points of a record in place.
#pragma once

#include "meshaudit.h"

namespace meshaudit {

// Every point within |*tolerance| of a seed (seeds in index order) joins the
// seed's class, later seeds taking points over; each class becomes the mean
// of the points its seed reached, and the triangles are renumbered. Returns
// false on failure; the record then stays releasable by clear_mesh.
bool MergeDuplicatedPoints(MeshRecord& record, const double* tolerance);

}  // namespace meshaudit
