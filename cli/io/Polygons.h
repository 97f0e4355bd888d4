// Splitting a face of more than three corners into triangles without
// making defects the file does not have: a fan from the first corner covers
// a convex face exactly, but folds over itself on a non-convex one (an L or
// a U), and the library would then report triangles that intersect.
#pragma once

#include "meshaudit.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace meshaudit::cli {

enum class PolygonSplit {
    Fan,     // convex in its plane: the fan from the first corner
    Ears,    // planar, simple, not convex: ear clipping in its plane
    Failed,  // self-crossing, far from planar, or degenerate: the fan
};

// Splits the face with the given corners (indices into `points`, all inside,
// `count` > 3) into count - 2 triangles written to `out`, keeping the face's
// winding. Orientation tests are exact (on the coordinates projected onto
// the plane the face is widest in, which drops a coordinate and so rounds
// nothing).
PolygonSplit SplitPolygon(const std::vector<T3DVECF>& points, const int64_t* corners, size_t count,
                          TRIANGLE* out);

}  // namespace meshaudit::cli
