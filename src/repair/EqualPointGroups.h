// Groups of points with equal coordinates, numbered in order of first
// occurrence: the classes a merge would make if nothing but exact copies lay
// within its tolerance.
#pragma once

#include "meshaudit.h"

#include <cstdint>

namespace meshaudit {

enum class GroupingOutcome {
    Grouped,
    NotFinite,    // a coordinate is NaN or infinite
    Stopped,      // the caller's check refused a new group
    Crowded,      // too many points share a slot of the hash table
    OutOfMemory,
};

// Called for every new group once its first point is in firsts[group];
// returning false stops the grouping. `context` is the caller's.
using NewGroupCheck = bool (*)(const T3DVECF* firsts, uint32_t group, const void* context);

// Gives every point i of points[0..count) its group in groups[i]: two points
// share a group exactly when their coordinates compare equal (0.0 and -0.0
// alike), and groups are numbered 0, 1, ... in the order of their first
// point. firsts[g] receives the coordinates of group g's first point and
// sizes[g] its number of points; every array has room for `count` elements.
// Stops at the first non-finite coordinate, since NaN equals nothing, where
// `check` (when not null) refuses a new group, and where a lookup would
// probe too long (coordinates crafted to collide), which keeps the work
// linear; the arrays then hold a partial grouping.
GroupingOutcome GroupEqualPoints(const T3DVECF* points, uint32_t count, uint32_t* groups, T3DVECF* firsts,
                                 uint32_t* sizes, uint32_t& groupCount, NewGroupCheck check = nullptr,
                                 const void* context = nullptr);

}  // namespace meshaudit
