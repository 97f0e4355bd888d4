// The point ranks a duplicate count of points, edges or triangles works on.
#pragma once

#include "containers/Memory.h"
#include "containers/PointRanks.h"
#include "model/MeshTopology.h"

#include <cstdint>

namespace meshaudit {

// The topology's ranks, shared by every count of the analysis, when the
// topology is attached to these points (as an analysis's always is); else
// ranks made for this count alone and freed with it. Get() is null when the
// memory cannot be had.
class SharedPointRanks {
public:
    SharedPointRanks(MeshTopology& topology, const T3DVECF* points, uint32_t pointCount, PointRanking& ranking)
    {
        if (topology.HoldsPoints(points, pointCount)) {
            ranks_ = topology.PointRanks(ranking);
        } else {
            own_ = NewPointRanks(points, pointCount, ranking);
            ranks_ = own_;
        }
    }
    ~SharedPointRanks() { Free(own_); }
    SharedPointRanks(const SharedPointRanks&) = delete;
    SharedPointRanks& operator=(const SharedPointRanks&) = delete;

    const uint32_t* Get() const { return ranks_; }

private:
    const uint32_t* ranks_ = nullptr;
    uint32_t* own_ = nullptr;
};

}  // namespace meshaudit
