// Triangle sides grouped by edge. Side s is triangle s / 3 from its corner
// s % 3 to the next corner; a group holds every side on one unordered pair
// of distinct points, sides ascending. Built with one counting sort over
// the smaller end and a sort of each point's few larger ends, so a point
// with many sides (a fan, a book) costs n log n, never more.
#pragma once

#include "repair/pipeline/WorkMesh.h"
#include "containers/WorkArray.h"

#include <cstdint>
#include <vector>

namespace meshaudit::pipeline {

class EdgeSides {
public:
    EdgeSides(const WorkArray<TRIANGLE>& triangles, uint32_t pointCount);

    uint32_t GroupCount() const { return static_cast<uint32_t>(first_.size() - 1); }
    uint32_t Size(uint32_t g) const { return first_[g + 1] - first_[g]; }
    const uint32_t* Sides(uint32_t g) const { return sides_.data() + first_[g]; }
    // The group of side s, or kNone for a side whose two ends are one point.
    uint32_t GroupOf(uint32_t side) const { return groupOf_[side]; }

    // The grouping once triangle t has its corners b and c swapped, the same
    // as one built afresh: its side 0 then runs along side 2's old edge and
    // side 2 along side 0's, so the two change groups, and no group changes
    // size. Costs the log of the two groups' sizes.
    void Flip(uint32_t t);

private:
    // Puts side `to` where `from` is in group g (kNone: none), keeping the
    // group ascending.
    void Replace(uint32_t g, uint32_t from, uint32_t to);

    WorkArray<uint32_t> sides_;
    WorkArray<uint32_t> first_;
    WorkArray<uint32_t> groupOf_;
};

inline uint32_t SideStart(const WorkArray<TRIANGLE>& triangles, uint32_t side)
{
    return Corner(triangles[side / 3], side % 3);
}
inline uint32_t SideEnd(const WorkArray<TRIANGLE>& triangles, uint32_t side)
{
    return Corner(triangles[side / 3], (side % 3 + 1) % 3);
}

}  // namespace meshaudit::pipeline
