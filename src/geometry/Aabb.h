// Axis-aligned bounding boxes: the bounding volume of both trees.
#pragma once

#include "meshaudit.h"

#include <cfloat>
#include <cstdint>

namespace meshaudit {

// Coordinate A (0 x, 1 y, 2 z) of a point. The axis is a template argument so
// that the hot loops of the tree build and the sort compile without a switch.
template <int A>
inline double AxisCoordinate(const T3DVECF& v)
{
    static_assert(A >= 0 && A <= 2, "axis index 0, 1 or 2");
    if constexpr (A == 0) {
        return v.x;
    } else if constexpr (A == 1) {
        return v.y;
    } else {
        return v.z;
    }
}

// A box [min, max] per axis. A new box is empty (min +DBL_MAX, max -DBL_MAX),
// so extending it by a first point or box makes it that point or box.
//
// Extension takes the componentwise minimum and maximum by ordered comparison,
// so a NaN coordinate never enters a box: a box only ever covers the
// comparable coordinates of what it was extended by.
class C3DAABB {
public:
    T3DVECF min{DBL_MAX, DBL_MAX, DBL_MAX};
    T3DVECF max{-DBL_MAX, -DBL_MAX, -DBL_MAX};

    // Each coordinate is replaced only when the new one compares smaller
    // (larger); written as a selection rather than a conditional store, so
    // that the compiler can use its minimum and maximum instructions, which
    // select in exactly this way (the kept value on a tie or a NaN).
    void Extend(const T3DVECF& p)
    {
        min.x = p.x < min.x ? p.x : min.x;
        min.y = p.y < min.y ? p.y : min.y;
        min.z = p.z < min.z ? p.z : min.z;
        max.x = p.x > max.x ? p.x : max.x;
        max.y = p.y > max.y ? p.y : max.y;
        max.z = p.z > max.z ? p.z : max.z;
    }

    void Extend(const C3DAABB& b)
    {
        min.x = b.min.x < min.x ? b.min.x : min.x;
        min.y = b.min.y < min.y ? b.min.y : min.y;
        min.z = b.min.z < min.z ? b.min.z : min.z;
        max.x = b.max.x > max.x ? b.max.x : max.x;
        max.y = b.max.y > max.y ? b.max.y : max.y;
        max.z = b.max.z > max.z ? b.max.z : max.z;
    }

    // (min + max) x 0.5 per axis.
    T3DVECF Centre() const;

    // The axis of the largest extent |max - min| as 'x', 'y' or 'z'; ties go
    // to the later axis (a cube gives 'z', extents (2, 2, 1) give 'y'). When
    // no extent compares (NaN from infinite bounds) the answer is 'x'.
    char LongestAxis() const;
};

// The box of `count` points: an empty box extended by each point in turn.
C3DAABB BoxOfPoints(const T3DVECF* points, uint32_t count);

// '0' when the boxes are disjoint on some axis; otherwise 'r' when they only
// meet in a face plane on some axis (a.max = b.min or a.min = b.max); otherwise
// '1'. Every answer but '0' is a possible intersection. Inline: the pair
// searches call it for every pair of nodes and of triangles they consider.
inline char ClassifyBoxes(const C3DAABB& a, const C3DAABB& b)
{
    if (b.min.x > a.max.x || a.min.x > b.max.x || b.min.y > a.max.y || a.min.y > b.max.y ||
        b.min.z > a.max.z || a.min.z > b.max.z) {
        return '0';
    }
    if (a.max.x == b.min.x || a.min.x == b.max.x || a.max.y == b.min.y || a.min.y == b.max.y ||
        a.max.z == b.min.z || a.min.z == b.max.z) {
        return 'r';
    }
    return '1';
}

}  // namespace meshaudit
