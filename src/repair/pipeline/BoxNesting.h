// Which boxes of a set lie within another of the set, and which hold
// another: the shells that can nest. A shell lies inside another only if
// its box lies within the other's, so shells whose boxes take part in no
// such pair need no search for their nesting.
#pragma once

#include "containers/WorkArray.h"

#include <cstdint>

namespace meshaudit::pipeline {

struct NestBox {
    double lo[3], hi[3];
};

// Sets nests[i] to 1 for every box i that lies within another box j (j not
// i; boxes of equal bounds lie within each other, and a box on another's
// side counts as within it) or holds another within it, else 0. Two
// searches of a tree over the boxes, each box's bounds one corner of a
// point in six dimensions, a box within another exactly when that point is
// dominated; a search stops at the first answer. Returns false when the
// searches would visit more than a few entries per box (boxes so crowded
// that most of them hold one another), leaving `nests` unspecified: the
// caller then treats every box as nesting. Bounds must not be NaN.
bool MarkNestingBoxes(const WorkArray<NestBox>& boxes, WorkArray<uint8_t>& nests);

}  // namespace meshaudit::pipeline
